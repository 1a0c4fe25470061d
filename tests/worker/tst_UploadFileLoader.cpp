// Loading update files: suffix and format, the colour-theme text form,
// containers with their upload data record, the HEX lines and their
// segments, the file type, the address check, the description lines, the
// device-check hook and the estimate.

#include "CcrBuilder.h"
#include "DeviceList.h"
#include "SRFileHeader.h"
#include "SRUploadDataBlock.h"
#include "StandardRecord.h"
#include "StandardRecordFile.h"
#include "UploadFileLoader.h"
#include "UploadTestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace UploadTestFiles;
using Blocks = QVector<BlockContent>;

Q_DECLARE_METATYPE(Blocks)

namespace {

const DeviceList &Catalogue()
{
    static const DeviceList catalogue;
    return catalogue;
}

struct Loaded
{
    UploadFileLoader::Result result;
    UploadData data;
    QStringList messages;
};

Loaded Load(const QString &path, std::function<bool(const UploadData &, QString &)> check = nullptr)
{
    Loaded loaded;
    UploadFileLoader::Hooks hooks;
    hooks.message = [&loaded](const QString &m) { loaded.messages << m; };
    hooks.deviceCheck = std::move(check);
    hooks.secondsPerUnit = 0.13;
    loaded.result = UploadFileLoader(Catalogue()).Load(path, loaded.data, hooks);
    return loaded;
}

BlockContent ColourFirmware(int size = 4096)
{
    BlockContent b;
    b.deviceId = DeviceId::DisplayColour;
    b.flash.insert(ColourCodeStart, ColourImage(size, ColourLayout(), 1));
    b.id = IdBytes(1, 2, 25, 0x07, 0x01, 0x05);
    return b;
}

QStringList BlockWith(quint8 deviceId, const QStringList &records)
{
    return QStringList{CcrBuilder::BlockTitle(deviceId)} + records
           + QStringList{CcrBuilder::EndOfFileRecord()};
}

QString WriteBytes(const QString &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = QDir(dir).filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write(bytes);
    return path;
}

QString WriteText(const QString &dir, const QString &name, const QStringList &lines)
{
    return WriteBytes(dir, name, lines.join(QLatin1Char('\n')).toLatin1() + "\n");
}

// A secured upload container from raw records.
QByteArray Container(int containerType, const QVector<StandardRecord> &extra, bool withHeader = true)
{
    SRFileHeader header = SRFileHeader::UploadForm();
    header.SetUploadContainerType(quint8(containerType));
    QByteArray stream;
    if (withHeader)
        StandardRecord::Create(RecordType::FileHeader, header.Payload()).AppendTo(stream);
    for (const StandardRecord &r : extra)
        r.AppendTo(stream);
    return StandardRecordFile::SecuredContainer(stream);
}

} // namespace

class TestUploadFileLoader : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void suffixAndFormat_data();
    void suffixAndFormat();
    void recordLineChecksum_data();
    void recordLineChecksum();
    void segmentSwitches_data();
    void segmentSwitches();
    void lineFailures_data();
    void lineFailures();
    void oldTextFormatRefused_data();
    void oldTextFormatRefused();
    void colourTheme();
    void colourThemeWithoutItsData();
    void containerFailures_data();
    void containerFailures();
    void containerTypes_data();
    void containerTypes();
    void firmwareWithEepromKeepsItsFlashStart();
    void addressCheck_data();
    void addressCheck();
    void addressWarningIsOnlyAMessage();
    void pagesAndEstimate();
    void descriptionLines();
    void deviceCheckRefusal();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestUploadFileLoader::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestUploadFileLoader::suffixAndFormat_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("validContent");
    QTest::addColumn<QString>("message");
    QTest::newRow("lower case") << "update.ccr" << true << QString();
    QTest::newRow("upper case") << "UPDATE.CCR" << true << QString();
    QTest::newRow("mixed case") << "update.Ccr" << true << QString();
    QTest::newRow("hex file") << "update.hex" << true << "Invalid file extension";
    QTest::newRow("no suffix") << "update" << true << "Invalid file extension";
    QTest::newRow("two bytes") << "short.ccr" << false << "Invalid file type";
}

void TestUploadFileLoader::suffixAndFormat()
{
    QFETCH(QString, name);
    QFETCH(bool, validContent);
    QFETCH(QString, message);

    QString path;
    if (validContent) {
        const QString made = WriteCcr(m_dir->path(), QStringLiteral("made.ccr"),
                                      CcrBuilder::ContainerType::Firmware, {ColourFirmware()});
        QVERIFY(!made.isEmpty());
        path = QDir(m_dir->path()).filePath(name);
        QVERIFY(QFile::rename(made, path));
    } else {
        path = WriteBytes(m_dir->path(), name, QByteArray(2, '\0'));
    }
    const Loaded loaded = Load(path);
    QCOMPARE(loaded.result.ok, message.isEmpty());
    if (!message.isEmpty()) {
        QCOMPARE(loaded.result.message, message);
        QVERIFY(!loaded.data.loaded);
    } else {
        QCOMPARE(loaded.data.fileType, UploadFileType::Firmware);
        QVERIFY(loaded.data.loaded);
    }
}

void TestUploadFileLoader::recordLineChecksum_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("byte sum 0") << ":0400000001020304F2" << true;
    QTest::newRow("lower case digits") << ":0400000001020304f2" << true;
    QTest::newRow("last digits F3") << ":0400000001020304F3" << false;
    QTest::newRow("count longer than the line") << ":0500000001020304F1" << false;
    QTest::newRow("not hex") << ":04000000010203G4F2" << false;
    QTest::newRow("no colon") << "0400000001020304F2" << false;
}

void TestUploadFileLoader::recordLineChecksum()
{
    QFETCH(QString, line);
    QFETCH(bool, accepted);

    UploadFileLoader::HexRecord record;
    bool checksumOk = false;
    const auto kind = UploadFileLoader::ParseLine(line, record, checksumOk);
    QCOMPARE(kind == UploadFileLoader::LineKind::Record && checksumOk, accepted);
    if (accepted) {
        QCOMPARE(record.type, quint8(0));
        QCOMPARE(record.address, quint16(0));
        QCOMPARE(record.data, QByteArray::fromHex("01020304"));
    }

    // In a file, the line is refused with its number (counted from 0).
    QStringList lines = BlockWith(DeviceId::DisplayColour,
                                  CcrBuilder::DataRecords(ColourCodeStart, QByteArray(64, 'x')));
    lines.insert(2, line);
    const Loaded loaded = Load(WriteLines(m_dir->path(), QStringLiteral("u.ccr"), 0, lines));
    if (accepted)
        QVERIFY(loaded.result.message != QStringLiteral("Invalid upload file. Bad checksum line 2"));
    else
        QCOMPARE(loaded.result.message, QStringLiteral("Invalid upload file. Bad checksum line 2"));
}

void TestUploadFileLoader::segmentSwitches_data()
{
    QTest::addColumn<quint16>("upper");
    QTest::addColumn<QString>("segment");
    QTest::newRow("0x00F0 EEPROM") << quint16(0x00F0) << "eeprom";
    QTest::newRow("0x0040 SPI") << quint16(0x0040) << "spi";
    QTest::newRow("0x0020 ID") << quint16(0x0020) << "id";
    QTest::newRow("0x0030 configuration") << quint16(0x0030) << "config";
    QTest::newRow("0x0001 program Flash") << quint16(0x0001) << "flash";
}

void TestUploadFileLoader::segmentSwitches()
{
    QFETCH(quint16, upper);
    QFETCH(QString, segment);

    const QByteArray bytes = QByteArray::fromHex("11223344");
    QByteArray ext(2, '\0');
    ext[0] = char(upper >> 8);
    ext[1] = char(upper & 0xFF);
    const QStringList lines = BlockWith(DeviceId::DisplayColour,
                                        {CcrBuilder::RecordLine(4, 0, ext),
                                         CcrBuilder::RecordLine(0, 0x0004, bytes)});
    UploadData data;
    QString message;
    QVERIFY2(UploadFileLoader::SplitIntoBlocks(lines, data, message), qPrintable(message));
    const UploadBlock &b = data.blocks.at(0);
    QVERIFY(b.used);
    QCOMPARE(b.deviceId, DeviceId::DisplayColour);
    QCOMPARE(b.eepromPresent, segment == QLatin1String("eeprom"));
    QCOMPARE(b.spiPresent, segment == QLatin1String("spi"));
    QCOMPARE(b.idPresent, segment == QLatin1String("id"));
    QCOMPARE(b.configPresent, segment == QLatin1String("config"));
    QCOMPARE(b.hasFlash, segment == QLatin1String("flash"));
    if (segment == QLatin1String("eeprom")) {
        QCOMPARE(b.eeprom.mid(4, 4), bytes);
        QCOMPARE(b.EepromWrittenCount(), 4);
    } else if (segment == QLatin1String("spi")) {
        QCOMPARE(b.spiStart, quint32(4));
        QCOMPARE(b.spi, bytes);
    } else if (segment == QLatin1String("id")) {
        QCOMPARE(b.id.mid(4, 4), bytes);
    } else if (segment == QLatin1String("config")) {
        QCOMPARE(b.config.mid(4, 4), bytes);
    } else {
        QCOMPARE(b.flashStart, quint32(0x10004));
        QCOMPARE(b.flash, bytes);
    }
}

void TestUploadFileLoader::lineFailures_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("message");
    const QString title = CcrBuilder::BlockTitle(DeviceId::DisplayColour);
    const QString data = CcrBuilder::RecordLine(0, 0x1000, QByteArray(16, 'a'));
    QTest::newRow("blank line") << QStringList{title, QString(), data}
                                << "Invalid upload file. Blank line 1";
    QTest::newRow("data before the first title") << QStringList{data, title}
                                                 << "Invalid upload file. Data before the first block title line 0";
    QStringList eleven;
    for (int i = 0; i < 11; ++i)
        eleven << title;
    QTest::newRow("eleven blocks") << eleven << "Invalid upload file. More than 10 blocks at line 10";
    QTest::newRow("ID beyond its 8 bytes")
        << QStringList{title, CcrBuilder::RecordLine(4, 0, QByteArray::fromHex("0020")),
                       CcrBuilder::RecordLine(0, 0x0006, QByteArray(4, 'a'))}
        << "Invalid upload file. Address out of range line 2";
    QTest::newRow("EEPROM beyond 1024 bytes")
        << QStringList{title, CcrBuilder::RecordLine(4, 0, QByteArray::fromHex("00F0")),
                       CcrBuilder::RecordLine(0, 0x03FE, QByteArray(4, 'a'))}
        << "Invalid upload file. Address out of range line 2";
}

void TestUploadFileLoader::lineFailures()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, message);
    const Loaded loaded = Load(WriteLines(m_dir->path(), QStringLiteral("u.ccr"), 0, lines));
    QVERIFY(!loaded.result.ok);
    QCOMPARE(loaded.result.message, message);
}

void TestUploadFileLoader::oldTextFormatRefused_data()
{
    QTest::addColumn<QString>("firstLine");
    const auto title = [](const QString &digits) {
        return QStringLiteral(":Rix") + digits + QString(64 - digits.size(), QLatin1Char('0'))
               + QStringLiteral("QR");
    };
    QTest::newRow("CO2 sensor update") << title(QStringLiteral("558044415445B6"));
    QTest::newRow("test-equipment update") << title(QStringLiteral("558044415445BE"));
    QTest::newRow("other unit update") << title(QStringLiteral("558044415445B0"));
    QTest::newRow("colour theme for another unit") << title(QStringLiteral("434F4C4F55525448454D4EB0"));
    QTest::newRow("no title line") << ":0400000001020304F2";
}

void TestUploadFileLoader::oldTextFormatRefused()
{
    QFETCH(QString, firstLine);
    const QString path = WriteText(m_dir->path(), QStringLiteral("old.ccr"),
                                   {firstLine, QStringLiteral(":0400000001020304F2")});
    const Loaded loaded = Load(path);
    QVERIFY(!loaded.result.ok);
    QCOMPARE(loaded.result.message,
             QStringLiteral("~~~The file selected is an old file format that is no longer supported"
                            "~~~Please download the latest version from the Quor website with the "
                            "filename suffix _S"));
}

void TestUploadFileLoader::colourTheme()
{
    const QByteArray themeData = Pattern(128, 9);
    const QStringList texts{QStringLiteral("Reef"), QStringLiteral("A. Diver"),
                            QStringLiteral("Night"), QStringLiteral("B. Diver")};
    const QString path = WriteText(m_dir->path(), QStringLiteral("theme.ccr"),
                                   CcrBuilder::ColourThemeLines(texts, themeData));
    const Loaded loaded = Load(path);
    QVERIFY2(loaded.result.ok, qPrintable(loaded.result.message));
    QCOMPARE(loaded.data.fileType, UploadFileType::ColourTheme);
    QCOMPARE(loaded.data.themeData, themeData);
    QCOMPARE(loaded.data.themeTexts, texts);
    QCOMPARE(loaded.messages, (QStringList{QStringLiteral("Colour Theme Update"),
                                           QStringLiteral("Custom Theme 1 - Reef"),
                                           QStringLiteral("Custom Theme 2 - Night")}));
    // 2 units x 0.13 s truncates to 0 and is raised to 1.
    QCOMPARE(loaded.result.estimateSeconds, 1);
}

void TestUploadFileLoader::colourThemeWithoutItsData()
{
    QStringList lines = CcrBuilder::ColourThemeLines({"a", "b", "c", "d"}, Pattern(128, 3));
    lines[2] = lines[2].section(QLatin1Char(','), 0, 99); // 100 of the 128 bytes
    const Loaded loaded = Load(WriteText(m_dir->path(), QStringLiteral("theme.ccr"), lines));
    QVERIFY(!loaded.result.ok);
    QCOMPARE(loaded.result.message, QStringLiteral("~~~Invalid colour theme data"));
}

void TestUploadFileLoader::containerFailures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");

    SRUploadDataBlock good;
    SRUploadDataBlock::Create(BlockWith(DeviceId::DisplayColour,
                                        CcrBuilder::DataRecords(ColourCodeStart, QByteArray(64, 'a'))),
                              good);
    const StandardRecord goodRecord = StandardRecord::Create(RecordType::UploadDataBlock, good.Payload());

    QTest::newRow("unknown container type") << Container(7, {goodRecord}) << "~~~File is not a valid upload type";
    QTest::newRow("no upload data record") << Container(0, {}) << "~~~Unable to locate the upload data";
    QTest::newRow("upload data that does not decode")
        << Container(0, {StandardRecord::Create(RecordType::UploadDataBlock, QByteArray::fromHex("00000005000141"))})
        << "~~~Invalid upload data";
    QByteArray damaged = Container(0, {goodRecord});
    damaged[30] = char(damaged.at(30) ^ 0x01);
    QTest::newRow("damaged seal") << damaged << "~~~Unable to load the data file";
    QTest::newRow("no header record") << Container(0, {goodRecord}, false) << "~~~Unable to load the data file";
}

void TestUploadFileLoader::containerFailures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const Loaded loaded = Load(WriteBytes(m_dir->path(), QStringLiteral("c.ccr"), bytes));
    QVERIFY(!loaded.result.ok);
    QCOMPARE(loaded.result.message, message);
}

void TestUploadFileLoader::containerTypes_data()
{
    QTest::addColumn<int>("containerType");
    QTest::addColumn<bool>("secured");
    QTest::addColumn<Blocks>("blocks");
    QTest::addColumn<int>("fileType");

    BlockContent user;
    user.deviceId = DeviceId::DisplayColour;
    user.flash.insert(0x1100, Pattern(0x80, 2));
    BlockContent decompression;
    decompression.deviceId = DeviceId::C1;
    decompression.flash.insert(0x20C0, Pattern(0x40, 3));
    BlockContent co2;
    co2.deviceId = DeviceId::Co2Sensor;
    co2.flash.insert(0x800, Pattern(0x400, 4));

    QTest::newRow("0 firmware") << 0 << true << Blocks{ColourFirmware()} << UploadFileType::Firmware;
    QTest::newRow("0 firmware, plain binary") << 0 << false << Blocks{ColourFirmware()} << UploadFileType::Firmware;
    QTest::newRow("1 CO2 sensor") << 1 << true << Blocks{co2} << UploadFileType::Co2Sensor;
    QTest::newRow("3 user information") << 3 << true << Blocks{user} << UploadFileType::UserInformation;
    QTest::newRow("4 decompression options") << 4 << true << Blocks{decompression}
                                             << UploadFileType::DecompressionOptions;
}

void TestUploadFileLoader::containerTypes()
{
    QFETCH(int, containerType);
    QFETCH(bool, secured);
    QFETCH(Blocks, blocks);
    QFETCH(int, fileType);
    const Loaded loaded = Load(WriteCcr(m_dir->path(), QStringLiteral("t.ccr"), containerType, blocks,
                                        false, secured));
    QVERIFY2(loaded.result.ok, qPrintable(loaded.result.message));
    QCOMPARE(loaded.data.fileType, fileType);
    QVERIFY(!loaded.data.exempt);

    // The exempt flag of the header is read from both forms.
    const Loaded exempt = Load(WriteCcr(m_dir->path(), QStringLiteral("e.ccr"), containerType, blocks,
                                        true, secured));
    QVERIFY(exempt.result.ok);
    QVERIFY(exempt.data.exempt);
}

void TestUploadFileLoader::firmwareWithEepromKeepsItsFlashStart()
{
    // EEPROM records (0xF00000 and up) must not widen the program Flash
    // range: a firmware block carrying EEPROM data still starts at its
    // code area and passes the start-address check.
    BlockContent fw = ColourFirmware(2048);
    fw.eeprom.insert(0x10, 0x5A);
    fw.eeprom.insert(0x11, 0x5B);
    const Loaded loaded = Load(WriteCcr(m_dir->path(), QStringLiteral("fw.ccr"), 0, {fw}));
    QVERIFY2(loaded.result.ok, qPrintable(loaded.result.message));
    const UploadBlock &b = loaded.data.blocks.at(0);
    QCOMPARE(b.flashStart, ColourCodeStart);
    QCOMPARE(b.flashEnd, ColourCodeStart + 2047);
    QCOMPARE(b.PageCount(), 32);
    QVERIFY(b.eepromPresent);
    QCOMPARE(b.EepromWrittenCount(), 2);
    QCOMPARE(loaded.messages, (QStringList{"Firmware Upgrade", "Config Absent", "Eeprom Present"}));
}

void TestUploadFileLoader::addressCheck_data()
{
    QTest::addColumn<int>("containerType");
    QTest::addColumn<Blocks>("blocks");
    QTest::addColumn<QString>("message");

    auto at = [](quint8 id, quint32 address, int size) {
        BlockContent b;
        b.deviceId = id;
        b.flash.insert(address, Pattern(size, address));
        return b;
    };
    BlockContent colourConfigBad = ColourFirmware();
    colourConfigBad.config = QByteArray::fromHex("1C18") + QByteArray(12, '\0');
    BlockContent colourConfigGood = ColourFirmware();
    colourConfigGood.config = QByteArray::fromHex("1C19") + QByteArray(12, '\0');
    BlockContent monoConfigBad = at(DeviceId::DisplayMono, 0x4100, 256);
    monoConfigBad.config = QByteArray::fromHex("0005") + QByteArray(12, '\0');
    BlockContent monoConfigGood = at(DeviceId::DisplayMono, 0x4100, 256);
    monoConfigGood.config = QByteArray::fromHex("000E") + QByteArray(12, '\0');
    BlockContent c1Config = at(DeviceId::C1, 0x2100, 256);
    c1Config.config = QByteArray(14, '\0');
    BlockContent c1Eeprom = at(DeviceId::C1, 0x2100, 256);
    c1Eeprom.eeprom.insert(0x100, 1);
    QTest::newRow("colour firmware, good") << 0 << Blocks{ColourFirmware()} << QString();
    QTest::newRow("colour firmware, late start")
        << 0 << Blocks{at(DeviceId::DisplayColour, 0x1040, 256)}
        << "Invalid address. Start address 0x001040 does not equal 0x001000";
    QTest::newRow("colour firmware, beyond its code area")
        << 0 << Blocks{at(DeviceId::DisplayColour, 0x1000, 0x1F001)}
        << "Invalid address. End address 0x020000 exceeds limit of 0x01FFFF";
    QTest::newRow("C1 user information, good") << 3 << Blocks{at(DeviceId::C1, 0x2040, 0x40)} << QString();
    QTest::newRow("C1 user information, wrong start")
        << 3 << Blocks{at(DeviceId::C1, 0x2000, 0x40)}
        << "Invalid address. Start address 0x002000 does not equal 0x002040";
    QTest::newRow("CO2 update for the display")
        << 1 << Blocks{at(DeviceId::DisplayColour, 0x1000, 64)} << "Invalid device for this file type";
    QTest::newRow("CO2 update beyond its code area")
        << 1 << Blocks{at(DeviceId::Co2Sensor, 0x800, 0x3801)}
        << "Invalid address. End address 0x004000 exceeds limit of 0x003FFF";
    QTest::newRow("colour config bytes wrong")
        << 0 << Blocks{colourConfigBad} << "Invalid config byte 2 in Display Colour code block";
    QTest::newRow("colour config bytes right") << 0 << Blocks{colourConfigGood} << QString();
    QTest::newRow("mono config low bits 5") << 0 << Blocks{monoConfigBad} << "Invalid config byte 2 in Display code block";
    QTest::newRow("mono config low bits 6") << 0 << Blocks{monoConfigGood} << QString();
    QTest::newRow("C1 config outside its memory")
        << 0 << Blocks{c1Config} << "Invalid address. Config data lies outside the memory of C1";
    QTest::newRow("C1 EEPROM outside its memory")
        << 0 << Blocks{c1Eeprom} << "Invalid address. Eeprom data lies outside the memory of C1";
    QTest::newRow("type 2 has no limits") << 2 << Blocks{ColourFirmware()} << "Invalid upload file type";
    QTest::newRow("two units, one wrong")
        << 0 << Blocks{ColourFirmware(), at(DeviceId::C2, 0x2140, 64)}
        << "Invalid address. Start address 0x002140 does not equal 0x002100";
}

void TestUploadFileLoader::addressCheck()
{
    QFETCH(int, containerType);
    QFETCH(Blocks, blocks);
    QFETCH(QString, message);
    const Loaded loaded = Load(WriteCcr(m_dir->path(), QStringLiteral("a.ccr"), containerType, blocks));
    QCOMPARE(loaded.result.ok, message.isEmpty());
    if (!message.isEmpty()) {
        QCOMPARE(loaded.result.message, message);
        QVERIFY(!loaded.data.loaded);
    }
}

void TestUploadFileLoader::addressWarningIsOnlyAMessage()
{
    // Mono code may reach past its warning limit (0xFFFF) up to 0x1FFFF.
    BlockContent mono;
    mono.deviceId = DeviceId::DisplayMono;
    mono.flash.insert(0x4100, Pattern(0xBF00 + 64, 5));
    const Loaded loaded = Load(WriteCcr(m_dir->path(), QStringLiteral("m.ccr"), 0, {mono}));
    QVERIFY2(loaded.result.ok, qPrintable(loaded.result.message));
    QVERIFY(loaded.messages.contains(
        QStringLiteral("Address warning. End address 0x01003F exceeds warning limit of 0x00FFFF")));

    // External flash data cannot be written by an upload: refused, also
    // when it lies inside its limits; below them with the limit's text.
    BlockContent spiLow = ColourFirmware();
    BlockContent spiInside = ColourFirmware();
    auto withSpi = [](BlockContent b, quint32 offset) {
        b.flash.insert(0x400000 + offset, Pattern(64, 8));
        return b;
    };
    // DataRecords places the SPI bytes by their absolute address.
    const Loaded low = Load(WriteCcr(m_dir->path(), QStringLiteral("s1.ccr"), 0, {withSpi(spiLow, 0x100)}));
    QCOMPARE(low.result.message, QStringLiteral("Invalid Address. Spi Start address 0x000100 is less than 0x010000"));
    const Loaded inside = Load(WriteCcr(m_dir->path(), QStringLiteral("s2.ccr"), 0, {withSpi(spiInside, 0x20000)}));
    QCOMPARE(inside.result.message, QStringLiteral("Invalid upload file. External flash data cannot be uploaded"));
}

void TestUploadFileLoader::pagesAndEstimate()
{
    // Two pieces with a hole of two whole pages between them; the last page
    // holds 10 bytes.
    BlockContent fw;
    fw.deviceId = DeviceId::DisplayColour;
    fw.flash.insert(0x1000, Pattern(128, 1));
    fw.flash.insert(0x1100, Pattern(74, 2));
    fw.eeprom.insert(0x20, 1);
    fw.eeprom.insert(0x21, 2);
    fw.eeprom.insert(0x40, 3);
    const Loaded loaded = Load(WriteCcr(m_dir->path(), QStringLiteral("p.ccr"), 0, {fw}));
    QVERIFY2(loaded.result.ok, qPrintable(loaded.result.message));
    const UploadBlock &b = loaded.data.blocks.at(0);
    QCOMPARE(b.PageCount(), 6);
    QCOMPARE(b.pageWritten, (QVector<bool>{true, true, false, false, true, true}));
    QCOMPARE(b.WrittenPageCount(), 4);
    QCOMPARE(b.PageLength(5), 10);
    QCOMPARE(b.PageBytes(5), Pattern(74, 2).mid(64) + QByteArray(54, '\0'));
    QCOMPARE(b.PageBytes(2), QByteArray(64, char(0xFF)));
    QCOMPARE(b.EepromRowsWritten(), (QVector<int>{2, 4}));
    // 4 pages and 3 EEPROM bytes: 7 x 0.13 = 0.91, raised to 1.
    QCOMPARE(loaded.data.EstimateUnits(), 7);
    QCOMPARE(loaded.result.estimateSeconds, 1);

    QCOMPARE(UploadData::EstimateSeconds(153, 0.13), 19);
    QCOMPARE(UploadData::EstimateSeconds(1024, 0.285), 291);
    QCOMPARE(UploadData::EstimateSeconds(0, 0.13), 1);
}

void TestUploadFileLoader::descriptionLines()
{
    BlockContent colour = ColourFirmware();
    colour.config = QByteArray::fromHex("1C19") + QByteArray(12, '\0');
    colour.eeprom.insert(4, 4);
    BlockContent c1;
    c1.deviceId = DeviceId::C1;
    c1.flash.insert(0x2100, Pattern(256, 3));
    const Loaded loaded = Load(WriteCcr(m_dir->path(), QStringLiteral("d.ccr"), 0, {colour, c1}));
    QVERIFY2(loaded.result.ok, qPrintable(loaded.result.message));
    QCOMPARE(loaded.messages, (QStringList{"Firmware Upgrade", "Config Present", "Eeprom Present",
                                           "Config Absent", "Eeprom Absent"}));
    QCOMPARE(loaded.data.UsedBlockCount(), 2);
}

void TestUploadFileLoader::deviceCheckRefusal()
{
    const QString path = WriteCcr(m_dir->path(), QStringLiteral("fw.ccr"), 0, {ColourFirmware()});
    int checks = 0;
    const Loaded loaded = Load(path, [&checks](const UploadData &data, QString &failure) {
        ++checks;
        failure = data.fileType == UploadFileType::Firmware ? QStringLiteral("Error, Incompatible display connected")
                                                            : QString();
        return false;
    });
    QCOMPARE(checks, 1);
    QVERIFY(!loaded.result.ok);
    QCOMPARE(loaded.result.message, QStringLiteral("Upload not permitted~~~"));
    QCOMPARE(loaded.messages.last(), QStringLiteral("Error, Incompatible display connected"));
    QVERIFY(!loaded.data.loaded);
    QCOMPARE(loaded.data.UsedBlockCount(), 0);
}

QTEST_GUILESS_MAIN(TestUploadFileLoader)
#include "tst_UploadFileLoader.moc"
