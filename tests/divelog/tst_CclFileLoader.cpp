// Loading .ccl files in their three forms as text-form lines.
#include "TestBytes.h"
#include "CclFileLoader.h"
#include "DeviceList.h"
#include "LogFileWriter.h"
#include "SRMemoryBlock.h"
#include "StandardRecordFile.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

using TestBytes::Bytes;
using TestBytes::Pattern;
using TestBytes::WriteBytes;

QString WithChecksum(const QString &hex)
{
    return hex + DeviceList::LineChecksum(hex);
}

// A log file with every kind of record, narrow or wide.
LogFileContent SampleContent(bool wide)
{
    LogFileContent content;
    content.created = QDateTime(QDate(2026, 1, 2), QTime(13, 4, 5));
    content.creatorVersionText = QStringLiteral("1.2.6.0");
    content.deviceVersion = wide ? Bytes({0x00, 0x07, 0x01, 0x15}) : Bytes({0x00, 0x06, 0x02, 0x01});
    content.hasDiveData = true;
    const int width = wide ? 32 : 16;
    // Records, an erased block between them, and a short tail.
    content.diveData = Pattern(width * 3, 1) + QByteArray(width, char(0xFF)) + Pattern(width * 2, 2);
    if (wide)
        content.logBookEntry = Pattern(32, 7);
    content.memories = {{0xBC, 1, 0x1080, Pattern(128, 3)}, {0xB2, 1, 0x4800, Pattern(48, 4)}};
    content.userItems = {{0x02, QByteArray("buddy")}};
    SRDANData::Item dan;
    dan.id = {'Z', 'P', 'D'};
    dan.type = 3;
    dan.data = QByteArray("42");
    content.danItems = {dan};
    return content;
}

} // namespace

class TestCclFileLoader : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString Path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void roundTripThroughAllThreeForms_data()
    {
        QTest::addColumn<bool>("wide");
        QTest::newRow("narrow") << false;
        QTest::newRow("wide") << true;
    }
    void roundTripThroughAllThreeForms()
    {
        QFETCH(bool, wide);
        const LogFileContent content = SampleContent(wide);
        const QString text = Path(QStringLiteral("text.ccl"));
        const QString binary = Path(QStringLiteral("binary.ccl"));
        const QString secured = Path(QStringLiteral("secured.ccl"));
        QString error;
        QVERIFY2(LogFileWriter::WriteText(text, content, &error), qPrintable(error));
        QVERIFY2(LogFileWriter::WritePlainBinary(binary, content, &error), qPrintable(error));
        QVERIFY2(LogFileWriter::WriteSecured(secured, content, &error), qPrintable(error));
        QCOMPARE(StandardRecordFile::CheckFormat(text), LogFileFormat::Text);
        QCOMPARE(StandardRecordFile::CheckFormat(binary), LogFileFormat::Binary);
        QCOMPARE(StandardRecordFile::CheckFormat(secured), LogFileFormat::Secured);

        // What the lines must be, built here from the content itself.
        const int width = wide ? 32 : 16;
        QStringList expected = {QStringLiteral("Tessaro Version 1.2.6.0"), QStringLiteral("Date 2 January 2026"),
                                QStringLiteral("Time 13:04:05")};
        for (int at = 0; at < content.diveData.size(); at += width)
            expected << WithChecksum(QString::fromLatin1(content.diveData.mid(at, width).toHex()).toUpper());
        expected << WithChecksum(QStringLiteral("02") + QString::fromLatin1(QByteArray("buddy").toHex()).toUpper());
        for (const LogFileMemory &m : content.memories) {
            expected << WithChecksum(QStringLiteral("B0%1%2%3")
                                         .arg(DeviceList::HexText(m.deviceId, 2), DeviceList::HexText(m.memoryId, 2),
                                              DeviceList::HexText(m.startAddress, 8)));
            expected << WithChecksum(QStringLiteral("B1") + QString::fromLatin1(m.data.toHex()));
        }
        expected << WithChecksum(QStringLiteral("D05A50443033") + QString::fromLatin1(QByteArray("42").toHex()).toUpper());

        for (const QString &path : {text, binary, secured}) {
            CclFileLoader loader;
            QCOMPARE(loader.Load(path), CclFileLoader::Ok);
            QCOMPARE(loader.Lines(), expected);
            QCOMPARE(loader.CreatorLine(), QStringLiteral("Tessaro Version 1.2.6.0"));
            QCOMPARE(loader.DateTimeText(), QStringLiteral("2 January 2026 13:04:05"));
        }
        CclFileLoader loader;
        QCOMPARE(loader.Load(secured), CclFileLoader::Ok);
        QCOMPARE(loader.SourceFormat(), LogFileFormat::Secured);
        QCOMPARE(loader.WideBlocks(), wide);
        QCOMPARE(loader.DeviceVersionText(), wide ? QStringLiteral("00.07.01.15") : QStringLiteral("00.06.02.01"));
        QCOMPARE(loader.LogBookEntry(), wide ? Pattern(32, 7) : QByteArray());
        QCOMPARE(loader.Load(binary), CclFileLoader::Ok);
        QCOMPARE(loader.SourceFormat(), LogFileFormat::Binary);
        QCOMPARE(loader.WideBlocks(), wide);
        QCOMPARE(loader.Load(text), CclFileLoader::Ok);
        QCOMPARE(loader.SourceFormat(), LogFileFormat::Text);
        QVERIFY(!loader.IsBinaryOrSecured());
    }

    void memoryFileHoldsHeaderAndBlocksOnly()
    {
        LogFileContent content;
        content.created = QDateTime(QDate(2026, 5, 6), QTime(7, 8, 9));
        content.memories = {{0xB0, 2, 0, Pattern(1024, 5)}};
        const QString path = Path(QStringLiteral("memory.ccx"));
        QString error;
        QVERIFY(LogFileWriter::WriteSecured(path, content, &error));
        StandardRecordFile file;
        SRFileHeader header;
        QVERIFY(file.Load(path, header, StandardRecordFile::LoadMode::SecuredLog));
        QCOMPARE(file.Records().size(), 2);
        QCOMPARE(file.Records().at(0).Type(), RecordType::FileHeader);
        QCOMPARE(file.Records().at(1).Type(), RecordType::MemoryBlock);
        QCOMPARE(SRMemoryBlock(file.Records().at(1).Payload()).Data(), Pattern(1024, 5));
        QCOMPARE(header.CreatorCode(), ContainerCreator::Tessaro);
        QCOMPARE(header.DateTime(), content.created);
        QVERIFY(!header.DeviceVersionKnown());
    }

    // Every creator's own container loads, whatever line its header yields.
    void fileOfEachCreatorLoads_data()
    {
        QTest::addColumn<int>("creatorCode");
        QTest::addColumn<QString>("creatorLine");
        QTest::newRow("parley") << 0 << "Quor Parley Version 1.2.6.0";
        QTest::newRow("depot") << 1 << "Quor Depot Version 1.2.6.0";
        QTest::newRow("test suite") << 2 << "Rix Test Suite Version 1.2.6.0";
        QTest::newRow("tessaro") << 3 << "Tessaro Version 1.2.6.0";
        QTest::newRow("depot pc") << 4 << "Quor Depot PC Version 1.2.6.0";
        QTest::newRow("unknown creator") << 7 << "";
    }
    void fileOfEachCreatorLoads()
    {
        QFETCH(int, creatorCode);
        QFETCH(QString, creatorLine);
        LogFileContent content = SampleContent(true);
        content.creatorCode = quint8(creatorCode);
        const QString binary = Path(QStringLiteral("creator.ccl"));
        const QString secured = Path(QStringLiteral("creator-secured.ccl"));
        QString error;
        QVERIFY2(LogFileWriter::WritePlainBinary(binary, content, &error), qPrintable(error));
        QVERIFY2(LogFileWriter::WriteSecured(secured, content, &error), qPrintable(error));
        for (const QString &path : {binary, secured}) {
            CclFileLoader loader;
            QCOMPARE(loader.Load(path), CclFileLoader::Ok);
            QCOMPARE(loader.CreatorLine(), creatorLine);
            QVERIFY(!loader.Lines().isEmpty());
            QCOMPARE(loader.Lines().first(), creatorLine);
        }
    }

    void extension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("result");
        QTest::newRow("lower case") << "dive.ccl" << int(CclFileLoader::Ok);
        QTest::newRow("upper case") << "DIVE.CCL" << int(CclFileLoader::Ok);
        QTest::newRow("other suffix") << "dive.ccx" << int(CclFileLoader::InvalidExtension);
        QTest::newRow("no suffix") << "dive" << int(CclFileLoader::InvalidExtension);
    }
    void extension()
    {
        QFETCH(QString, name);
        QFETCH(int, result);
        const QString path = Path(name);
        QString error;
        QVERIFY(LogFileWriter::WriteSecured(path, SampleContent(false), &error));
        CclFileLoader loader;
        QCOMPARE(int(loader.Load(path)), result);
        QCOMPARE(loader.ErrorText(), result == CclFileLoader::Ok ? QString() : QStringLiteral("Invalid file extension"));
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("error");
        const QByteArray stream = LogFileWriter::RecordStream(SampleContent(false));
        QByteArray badCrc = StandardRecordFile::PlainContainer(stream);
        badCrc[badCrc.size() - 1] = char(badCrc[badCrc.size() - 1] ^ 1);
        QByteArray tampered = StandardRecordFile::SecuredContainer(stream);
        tampered[40] = char(tampered[40] ^ 1);
        // A memory block too short for its fixed fields cannot be rendered.
        const QByteArray unrenderable = stream + StandardRecord::Create(RecordType::MemoryBlock, Bytes({1})).Encoded();

        QTest::newRow("two bytes") << Bytes({0, 0}) << int(CclFileLoader::InvalidFormat) << "Invalid file format";
        QTest::newRow("binary, bad file crc") << badCrc << int(CclFileLoader::InvalidChecksum) << "Invalid file checksum";
        // A stored file CRC of zero passes the whole-file check, not the load.
        QByteArray zeroCrc = stream;
        StandardRecord::AppendU32(zeroCrc, 0);
        QTest::newRow("binary, zero file crc") << zeroCrc << int(CclFileLoader::OpenOrConvertFailed)
                                               << "Unable to convert the binary file to a QStringList";
        QTest::newRow("secured, tampered") << tampered << int(CclFileLoader::InvalidChecksum) << "Invalid file checksum";
        QTest::newRow("binary, not convertible") << StandardRecordFile::PlainContainer(unrenderable)
                                                 << int(CclFileLoader::OpenOrConvertFailed)
                                                 << "Unable to convert the binary file to a QStringList";
        QTest::newRow("secured, not convertible") << StandardRecordFile::SecuredContainer(unrenderable)
                                                  << int(CclFileLoader::OpenOrConvertFailed)
                                                  << "Unable to convert the secured file to a QStringList";
    }
    void failures()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, result);
        QFETCH(QString, error);
        const QString path = Path(QStringLiteral("failure.ccl"));
        QVERIFY(WriteBytes(path, bytes));
        CclFileLoader loader;
        QCOMPARE(int(loader.Load(path)), result);
        QCOMPARE(loader.ErrorText(), error);
    }

    void textLineChecks_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("badLine");
        const QString good = WithChecksum(QStringLiteral("0612345678"));
        QTest::newRow("all good") << QStringList{QStringLiteral("Tessaro Version 1.2.6.0"), QStringLiteral("Date 1 May 2020"),
                                                 QStringLiteral("Time 1:02:03"), QString(), good, good.toLower()}
                                  << int(CclFileLoader::Ok) << 0;
        // Header and empty lines are not counted: the bad line is data line 2.
        QTest::newRow("three characters") << QStringList{QStringLiteral("Quor Parley Version 1.0.0.0"), good, QString(),
                                                         QStringLiteral("ABC")}
                                          << int(CclFileLoader::LineChecksumFailed) << 2;
        QTest::newRow("wrong checksum") << QStringList{QStringLiteral("Date x"), QStringLiteral("061234567800")}
                                        << int(CclFileLoader::LineChecksumFailed) << 1;
        QTest::newRow("not hex") << QStringList{good, good, QStringLiteral("hello world")}
                                 << int(CclFileLoader::LineChecksumFailed) << 3;
        // Creator texts are matched case-sensitively: this is a data line.
        QTest::newRow("lower-case creator") << QStringList{QStringLiteral("tessaro Version 1.2.6.0")}
                                            << int(CclFileLoader::LineChecksumFailed) << 1;
    }
    void textLineChecks()
    {
        QFETCH(QStringList, lines);
        QFETCH(int, result);
        QFETCH(int, badLine);
        const QString path = Path(QStringLiteral("lines.ccl"));
        QString error;
        QVERIFY(LogFileWriter::WriteTextLines(path, lines, &error));
        CclFileLoader loader;
        QCOMPARE(int(loader.Load(path)), result);
        if (result == CclFileLoader::Ok) {
            QCOMPARE(loader.Lines(), lines);
            QVERIFY(loader.ErrorText().isEmpty());
        } else {
            const QString line = lines.at([&] {
                int data = 0;
                for (int i = 0; i < lines.size(); ++i) {
                    if (CclFileLoader::IsDataLine(lines.at(i)) && ++data == badLine)
                        return i;
                }
                return -1;
            }());
            QCOMPARE(loader.ErrorText(),
                     QStringLiteral("Invalid checksum in file %1 at line %2 - %3").arg(path).arg(badLine).arg(line));
        }
    }

    void textFileWithWindowsLineEnds()
    {
        const QString path = Path(QStringLiteral("crlf.ccl"));
        const QString good = WithChecksum(QStringLiteral("0612345678"));
        QVERIFY(WriteBytes(path, "Tessaro Version 1.2.6.0\r\n" + good.toLatin1() + "\r\n"));
        CclFileLoader loader;
        QCOMPARE(loader.Load(path), CclFileLoader::Ok);
        QCOMPARE(loader.Lines(), QStringList({QStringLiteral("Tessaro Version 1.2.6.0"), good}));
        QCOMPARE(loader.CreatorLine(), QStringLiteral("Tessaro Version 1.2.6.0"));
    }

    void lineClassification_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("data");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("test suite") << "Rix Test Suite Version 1.0.0.0" << false;
        QTest::newRow("parley") << "Quor Parley Version 1.0.0.0" << false;
        QTest::newRow("tessaro") << "Tessaro Version 1.0.0.0" << false;
        QTest::newRow("depot pc") << "Quor Depot PC Version 1.0.0.0" << false;
        QTest::newRow("depot") << "Quor Depot Version 1.0.0.0" << false;
        QTest::newRow("date") << "Date 1 May 2020" << false;
        QTest::newRow("time") << "Time 1:00:00" << false;
        QTest::newRow("record") << "0600" << true;
        QTest::newRow("memory") << "B0010200001000A3" << true;
    }
    void lineClassification()
    {
        QFETCH(QString, line);
        QFETCH(bool, data);
        QCOMPARE(CclFileLoader::IsDataLine(line), data);
    }
};

QTEST_GUILESS_MAIN(TestCclFileLoader)
#include "tst_CclFileLoader.moc"
