// The upload procedure against simulated rebreathers through the real
// serial-port code: verified page writes, code-validity stages, SBL
// protection, device safety on interruptions, the questions, the CO2
// sensor's bootloader, the ID/configuration/EEPROM data, the logging
// pointer and the write-time learning.

#include "SimFirmware.h"
#include "SimProfiles.h"
#include "UploadLinkRig.h"
#include "UploadTestFiles.h"
#include "WorkerC.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace UploadTestFiles;

Q_DECLARE_METATYPE(SimProfile)


class TestUploadProcedure : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void firmwareWritesAVerifiedImage_data();
    void firmwareWritesAVerifiedImage();
    void stagesAndSblProtection_data();
    void stagesAndSblProtection();
    void unwrittenPagesSkipped();
    void versionAndDateQuestions_data();
    void versionAndDateQuestions();
    void deviceChecks_data();
    void deviceChecks();
    void co2SensorEntersItsBootloader_data();
    void co2SensorEntersItsBootloader();
    void idConfigAndEeprom();
    void refusedDataWriteAfterThePages_data();
    void refusedDataWriteAfterThePages();
    void loggingPointerAdjustment_data();
    void loggingPointerAdjustment();
    void colourTheme_data();
    void colourTheme();
    void learnedWriteTime_data();
    void learnedWriteTime();

private:
    QString Write(const QString &name, int containerType, const QVector<BlockContent> &blocks,
                  bool exempt = false)
    {
        return WriteCcr(m_dir->path(), name, containerType, blocks, exempt);
    }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestUploadProcedure::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestUploadProcedure::firmwareWritesAVerifiedImage_data()
{
    QTest::addColumn<SimProfile>("profile");
    QTest::addColumn<quint8>("display");
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint8>("validMarker");
    QTest::newRow("colour display and C1") << SimProfile::ColourV2Usb << DeviceId::DisplayColour
                                           << ColourCodeStart << quint8(0x08);
    QTest::newRow("mono display and C1") << SimProfile::MonoSerial << DeviceId::DisplayMono
                                         << quint32(0x4100) << quint8(0x00);
}

void TestUploadProcedure::firmwareWritesAVerifiedImage()
{
    QFETCH(SimProfile, profile);
    QFETCH(quint8, display);
    QFETCH(quint32, start);
    QFETCH(quint8, validMarker);

    UploadLinkRig rig(profile);
    QVERIFY(rig.started);
    BlockContent displayBlock;
    displayBlock.deviceId = display;
    const QByteArray image = display == DeviceId::DisplayColour ? ColourImage(4096, ColourLayout(), 3)
                                                                : Pattern(4096, 3);
    if (display == DeviceId::DisplayColour)
        displayBlock.flash = ColourCode(image);
    else
        displayBlock.flash.insert(start, image);
    displayBlock.id = NewerId();
    BlockContent c1;
    c1.deviceId = DeviceId::C1;
    const QByteArray c1Image = Pattern(1024, 4);
    c1.flash.insert(0x2100, c1Image);
    c1.id = NewerId();

    UploadData data;
    QString message;
    QVERIFY2(rig.Load(Write("fw.ccr", 0, {displayBlock, c1}), data, &message), qPrintable(message));
    const auto outcome = rig.Upload(data);

    QVERIFY2(outcome.result.ok, qPrintable(outcome.messages.join('\n')));
    QCOMPARE(outcome.result.message, QStringLiteral("Upload complete"));
    QVERIFY(outcome.messages.contains(QStringLiteral("Upload complete - Verifying data")));
    QVERIFY(outcome.questions.isEmpty());
    QVERIFY(FlashHolds(*rig.sim, display, displayBlock.flash));
    QCOMPARE(rig.sim->Memory(DeviceId::C1, MemoryId::Flash, 0x2100, c1Image.size()), c1Image);
    QCOMPARE(rig.sim->Memory(display, MemoryId::Flash, 0x200000, 8), NewerId());
    QCOMPARE(rig.Marker(display), validMarker);
    QCOMPARE(rig.Marker(DeviceId::C1), quint8(0x00));
    // Both units went through the invalid marker before their pages.
    QVERIFY(quint8(rig.MarkerWrites(display).at(0)) >= 16);
    QCOMPARE(quint8(rig.MarkerWrites(DeviceId::C1).at(0)), quint8(0xFF));
    // Progress rises to 1 over the display's pages and C1's 16.
    QCOMPARE(outcome.progress.size(), display == DeviceId::DisplayColour ? 50 + 16 : 64 + 16);
    QVERIFY(std::is_sorted(outcome.progress.cbegin(), outcome.progress.cend()));
    QCOMPARE(outcome.progress.last(), 1.0);
    // The record was read again: the new code, valid.
    QCOMPARE(rig.record.CodeVersionNumber(display), 7001005);
    QVERIFY(rig.record.CodeValidity(display));
}

void TestUploadProcedure::stagesAndSblProtection_data()
{
    QTest::addColumn<SimProfile>("profile");
    QTest::addColumn<bool>("exempt");
    QTest::addColumn<bool>("sblWritten");
    QTest::addColumn<QByteArray>("markers");
    // Start of programming (0x01 OR 0xF2), SBL, TFT start, TFT end, end.
    QTest::newRow("USB handset") << SimProfile::ColourV2Usb << false << true
                                 << QByteArray::fromHex("F3FFFBF808");
    QTest::newRow("Bluetooth handset") << SimProfile::ColourV2Bluetooth << false << false
                                       << QByteArray::fromHex("F3FBF808");
    QTest::newRow("USB handset, exempt file") << SimProfile::ColourV2Usb << true << true
                                              << QByteArray::fromHex("F308");
}

void TestUploadProcedure::stagesAndSblProtection()
{
    QFETCH(SimProfile, profile);
    QFETCH(bool, exempt);
    QFETCH(bool, sblWritten);
    QFETCH(QByteArray, markers);

    UploadLinkRig rig(profile);
    QVERIFY(rig.started);
    const QByteArray before = rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1400, 0x400);
    const QByteArray image = ColourImage(4096, StagedLayout(), 5);
    UploadData data;
    QVERIFY(rig.Load(Write("fw.ccr", 0, {ColourFirmware(image, NewerId())}, exempt), data));
    rig.sim->ClearReceivedFrames();
    const auto outcome = rig.Upload(data);
    QVERIFY2(outcome.result.ok, qPrintable(outcome.messages.join('\n')));

    QCOMPARE(rig.MarkerWrites(DeviceId::DisplayColour), markers);
    const QByteArray sbl = rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1400, 0x400);
    QCOMPARE(sbl, sblWritten ? image.mid(0x400, 0x400) : before);
    // Everything outside the SBL range is written either way.
    QCOMPARE(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1000, 0x80), image.left(0x80));
    QCOMPARE(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1800, 0x800), image.mid(0x800));
    int pageWrites = 0;
    int ramPresets = 0;
    for (const auto &f : rig.Frames(DeviceId::DisplayColour)) {
        pageWrites += f.opcode == 2 && f.address >= 0x1000 && f.address < 0x2000;
        ramPresets += f.opcode == 6;
    }
    QCOMPARE(pageWrites, sblWritten ? 2 + 48 : 2 + 32);
    QCOMPARE(ramPresets, exempt ? 0 : 3);
    if (!exempt)
        QCOMPARE(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Ram, 0x2A5, 6),
                 QByteArray::fromHex("FFFF17000017"));
    // SBL pages count toward the progress even when skipped.
    QCOMPARE(outcome.progress.last(), 1.0);
}

void TestUploadProcedure::unwrittenPagesSkipped()
{
    UploadLinkRig rig(SimProfile::ColourV2Usb);
    QVERIFY(rig.started);
    const QByteArray before = rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1080, 0x380);
    rig.sim->SetMemory(DeviceId::DisplayColour, MemoryId::Flash, 0x1400, QByteArray(0xC00, char(0x77)));
    // The logging-pointers block, code at 0x1400-0x17FF, a hole, 100 bytes at 0x1C00.
    BlockContent fw = ColourFirmware(ColourImage(2048, ColourLayout(), 6), NewerId());
    fw.flash.insert(0x1C00, Pattern(100, 7));
    UploadData data;
    QVERIFY(rig.Load(Write("fw.ccr", 0, {fw}), data));
    rig.sim->ClearReceivedFrames();
    const auto outcome = rig.Upload(data);
    QVERIFY(outcome.result.ok);

    int pageWrites = 0;
    for (const auto &f : rig.Frames(DeviceId::DisplayColour))
        pageWrites += f.opcode == 2 && f.address < 0x200000;
    QCOMPARE(pageWrites, 2 + 16 + 2);
    QCOMPARE(outcome.progress.size(), pageWrites);
    // The unit's own blocks and the hole in the code are left as they were.
    QCOMPARE(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1080, 0x380), before);
    QCOMPARE(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1800, 0x400),
             QByteArray(0x400, char(0x77)));
    // The last page is filled up with zero bytes.
    QCOMPARE(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1C40, 64),
             Pattern(100, 7).mid(64) + QByteArray(28, '\0'));
    QVERIFY(FlashHolds(*rig.sim, DeviceId::DisplayColour, fw.flash));
}

void TestUploadProcedure::versionAndDateQuestions_data()
{
    // The unit holds 14/03/24, version 07.01.04.
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<bool>("exempt");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("questionStarts");
    QTest::addColumn<bool>("ok");

    const QString date = QStringLiteral("The new code date for Display Colour is older than the current code date!");
    const QString version = QStringLiteral("The new code version for Display Colour is older than the current code version!");
    const QString invalid = QStringLiteral("An invalid code date was encountered!");
    QTest::newRow("newer date and version") << NewerId() << false << QList<int>{}
                                            << QStringList{} << true;
    QTest::newRow("older date, newer version") << IdBytes(1, 1, 24, 7, 1, 5) << false << QList<int>{WorkerC::ResultYes}
                                               << QStringList{date} << true;
    QTest::newRow("older date and version, both accepted")
        << IdBytes(1, 1, 24, 7, 1, 3) << false << QList<int>{WorkerC::ResultYes, WorkerC::ResultYes} << QStringList{date, version} << true;
    QTest::newRow("older date refused") << IdBytes(1, 1, 24, 7, 1, 3) << false << QList<int>{WorkerC::ResultNo}
                                        << QStringList{date} << false;
    QTest::newRow("older version refused") << IdBytes(1, 1, 24, 7, 1, 3) << false << QList<int>{WorkerC::ResultYes, WorkerC::ResultNo}
                                           << QStringList{date, version} << false;
    QTest::newRow("lower version, later date") << IdBytes(1, 6, 25, 7, 1, 3) << false << QList<int>{}
                                               << QStringList{} << true;
    QTest::newRow("invalid new date refused") << IdBytes(0, 13, 25, 7, 1, 5) << false << QList<int>{WorkerC::ResultNo}
                                              << QStringList{invalid} << false;
    QTest::newRow("exempt file asks nothing") << IdBytes(1, 1, 24, 7, 1, 3) << true << QList<int>{WorkerC::ResultNo}
                                              << QStringList{} << true;
}

void TestUploadProcedure::versionAndDateQuestions()
{
    QFETCH(QByteArray, id);
    QFETCH(bool, exempt);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, questionStarts);
    QFETCH(bool, ok);

    UploadLinkRig rig(SimProfile::ColourV2Usb);
    QVERIFY(rig.started);
    const QByteArray before = rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1000, 2048);
    UploadData data;
    QVERIFY(rig.Load(Write("fw.ccr", 0, {ColourFirmware(ColourImage(2048, ColourLayout(), 2), id)}, exempt),
                     data));
    rig.sim->ClearReceivedFrames();
    const auto outcome = rig.Upload(data, answers);
    QCOMPARE(outcome.questions.size(), questionStarts.size());
    for (int i = 0; i < questionStarts.size(); ++i)
        QVERIFY2(outcome.questions.at(i).startsWith(questionStarts.at(i)), qPrintable(outcome.questions.at(i)));
    QCOMPARE(outcome.result.ok, ok);
    if (!ok) {
        QCOMPARE(outcome.result.message, QStringLiteral("Upload not permitted~~~"));
        QCOMPARE(outcome.messages.last(), QStringLiteral("Error, Code Version & Date checks"));
        // Nothing was written.
        for (const auto &f : rig.Frames(DeviceId::DisplayColour))
            QVERIFY((f.opcode & 1) == 1 || f.opcode == 0);
        QCOMPARE(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1000, 2048), before);
        QCOMPARE(rig.Marker(DeviceId::DisplayColour), quint8(0x01));
    }
    if (questionStarts.size() == 2)
        QVERIFY(outcome.questions.at(1).contains(QStringLiteral("\n\nNew Version 01.00.07.01.03, Current Version 01.00.07.01.04\n\n")));
}

void TestUploadProcedure::deviceChecks_data()
{
    QTest::addColumn<SimProfile>("profile");
    QTest::addColumn<quint8>("blockUnit");
    QTest::addColumn<bool>("removeC2");
    QTest::addColumn<QString>("loadFailure");
    QTest::addColumn<QString>("uploadFailure");
    QTest::newRow("mono code, colour display")
        << SimProfile::ColourV2Usb << DeviceId::DisplayMono << false
        << "Error, Code is for a mono display - Colour display connected"
        << "Error, Mono Code - Colour display connected";
    QTest::newRow("colour code, mono display")
        << SimProfile::MonoSerial << DeviceId::DisplayColour << false
        << "Error, Code is for a Colour display - Mono display connected"
        << "Error, Colour Code - Mono display connected";
    QTest::newRow("display code, no display")
        << SimProfile::BluetoothBridgeOnly << DeviceId::DisplayColour << false
        << "Error, Incompatible display connected" << "Error, Incompatible display connected";
    QTest::newRow("C2 code, C2 missing") << SimProfile::ColourV2Usb << DeviceId::C2 << true
                                         << "Missing device - C2" << "Missing device - C2";
}

void TestUploadProcedure::deviceChecks()
{
    QFETCH(SimProfile, profile);
    QFETCH(quint8, blockUnit);
    QFETCH(bool, removeC2);
    QFETCH(QString, loadFailure);
    QFETCH(QString, uploadFailure);

    UploadLinkRig rig(profile, [removeC2](SimulatedBus &bus) {
        if (removeC2)
            bus.RemoveUnit(DeviceId::C2);
    });
    QVERIFY(rig.started);
    BlockContent block;
    block.deviceId = blockUnit;
    quint32 start = 0;
    QVERIFY(rig.catalogue.GetRegionStart(blockUnit, RegionId::CodeArea, start));
    block.flash.insert(start, Pattern(256, 1));
    UploadData data;
    QVERIFY(rig.Load(Write("fw.ccr", 0, {block}), data));

    UploadProcedure procedure(rig.link, rig.record, rig.catalogue, data, UploadProcedure::Hooks());
    QString failure;
    QVERIFY(!procedure.CheckDevicesForLoad(failure));
    QCOMPARE(failure, loadFailure);

    rig.sim->ClearReceivedFrames();
    const auto outcome = rig.Upload(data);
    QVERIFY(!outcome.result.ok);
    QCOMPARE(outcome.result.message, QStringLiteral("Upload not permitted~~~"));
    QCOMPARE(outcome.messages, QStringList{uploadFailure});
    for (quint8 id : {DeviceId::DisplayColour, DeviceId::DisplayMono, DeviceId::C1, DeviceId::C2})
        for (const auto &f : rig.Frames(id))
            QVERIFY((f.opcode & 1) == 1 || f.opcode == 0);
}

void TestUploadProcedure::co2SensorEntersItsBootloader_data()
{
    QTest::addColumn<bool>("alreadyInBootloader");
    QTest::addColumn<bool>("answersCommands");
    QTest::newRow("application running") << false << true;
    QTest::newRow("already in its bootloader") << true << true;
    QTest::newRow("does not take the commands") << false << false;
}

void TestUploadProcedure::co2SensorEntersItsBootloader()
{
    QFETCH(bool, alreadyInBootloader);
    QFETCH(bool, answersCommands);

    UploadLinkRig rig(SimProfile::ColourV2Usb, [&](SimulatedBus &bus) {
        if (answersCommands) {
            SimFirmware::AddCo2Sensor(bus, QByteArray::fromHex("010203"));
        } else {
            SimUnit &plain = bus.AddUnit(DeviceId::Co2Sensor);
            plain.WriteMemory(MemoryId::Flash, SimFirmware::Co2LastWordAddress, QByteArray::fromHex("0F20"));
        }
        if (alreadyInBootloader)
            bus.Unit(DeviceId::Co2Sensor)->WriteMemory(MemoryId::Flash, SimFirmware::Co2LastWordAddress,
                                                       QByteArray::fromHex("1140"));
    });
    QVERIFY(rig.started);
    BlockContent co2;
    co2.deviceId = DeviceId::Co2Sensor;
    const QByteArray image = Pattern(0x400, 12);
    co2.flash.insert(0x800, image);
    UploadData data;
    QVERIFY(rig.Load(Write("co2.ccr", 1, {co2}), data));
    rig.sim->ClearReceivedFrames();
    const auto outcome = rig.Upload(data);

    int bufferWrites = 0;
    for (const auto &f : rig.Frames(DeviceId::Co2Sensor))
        bufferWrites += f.opcode == 10;
    QCOMPARE(bufferWrites, alreadyInBootloader ? 0 : 2);
    if (!answersCommands) {
        QVERIFY(!outcome.result.ok);
        QCOMPARE(outcome.messages, QStringList{"Error, Unable to set CO2 sensor mode correctly."});
        return;
    }
    QVERIFY2(outcome.result.ok, qPrintable(outcome.messages.join('\n')));
    QCOMPARE(rig.sim->Memory(DeviceId::Co2Sensor, MemoryId::Flash, SimFirmware::Co2LastWordAddress, 2),
             QByteArray::fromHex("1140"));
    QCOMPARE(rig.sim->Memory(DeviceId::Co2Sensor, MemoryId::Flash, 0x800, image.size()), image);
    QVERIFY(UploadProcedure::Co2WordMeansBootloader(0x1140));
    QVERIFY(!UploadProcedure::Co2WordMeansBootloader(0x0F20));
}

void TestUploadProcedure::idConfigAndEeprom()
{
    UploadLinkRig rig(SimProfile::ColourV2Usb);
    QVERIFY(rig.started);
    const QByteArray eepromBefore = rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 0, 0x40);
    BlockContent fw = ColourFirmware(ColourImage(2048, ColourLayout(), 13), NewerId());
    const QByteArray config = QByteArray::fromHex("1C19") + Pattern(12, 14);
    fw.config = config;
    fw.eeprom.insert(0x00, 0x00);  // the code-validity marker: not the file's to set
    fw.eeprom.insert(0x21, 0xA1);
    fw.eeprom.insert(0x2F, 0xAF);
    UploadData data;
    QVERIFY(rig.Load(Write("fw.ccr", 0, {fw}), data));
    const auto outcome = rig.Upload(data);
    QVERIFY2(outcome.result.ok, qPrintable(outcome.messages.join('\n')));

    QCOMPARE(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x200000, 8), NewerId());
    QCOMPARE(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x300000, 14), config);
    QByteArray expected = eepromBefore;
    expected[0] = char(0x08);
    expected[0x21] = char(0xA1);
    expected[0x2F] = char(0xAF);
    QCOMPARE(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 0, 0x40), expected);
    // Progress counts the pages and the EEPROM bytes.
    QCOMPARE(outcome.progress.last(), 1.0);
    QCOMPARE(data.EstimateUnits(), 2 + 16 + 3);
}

void TestUploadProcedure::refusedDataWriteAfterThePages_data()
{
    QTest::addColumn<quint8>("memoryId");
    QTest::addColumn<quint32>("address");
    QTest::addColumn<QString>("message");
    QTest::newRow("ID") << quint8(MemoryId::Flash) << quint32(0x200000) << "ID write failed.  Error - ";
    QTest::newRow("configuration") << quint8(MemoryId::Flash) << quint32(0x300000) << "Config write failed.  Error - ";
    QTest::newRow("EEPROM") << quint8(MemoryId::Eeprom) << quint32(0x20) << "Eeprom write failed.  Error - ";
}

void TestUploadProcedure::refusedDataWriteAfterThePages()
{
    QFETCH(quint8, memoryId);
    QFETCH(quint32, address);
    QFETCH(QString, message);

    UploadLinkRig rig(SimProfile::ColourV2Usb);
    QVERIFY(rig.started);
    BlockContent fw = ColourFirmware(ColourImage(2048, ColourLayout(), 18), NewerId());
    fw.config = QByteArray::fromHex("1C19") + Pattern(12, 19);
    fw.eeprom.insert(0x21, 0xA1);
    UploadData data;
    QVERIFY(rig.Load(Write("fw.ccr", 0, {fw}), data));
    rig.sim->WithBus([&](SimulatedBus &bus) {
        SimFirmware::RefuseWritesAt(*bus.Unit(DeviceId::DisplayColour), memoryId, {address});
    });
    const auto outcome = rig.Upload(data);
    QVERIFY(!outcome.result.ok);
    QCOMPARE(outcome.result.message, QStringLiteral("Upload failed"));
    QVERIFY2(outcome.messages.last().startsWith(message), qPrintable(outcome.messages.join('\n')));
    // The pages are there, but the unit's code stays marked invalid.
    QVERIFY(FlashHolds(*rig.sim, DeviceId::DisplayColour, fw.flash));
    QVERIFY(rig.Marker(DeviceId::DisplayColour) >= 16);
    QVERIFY(!rig.record.CodeValidity(DeviceId::DisplayColour));
}

void TestUploadProcedure::loggingPointerAdjustment_data()
{
    QTest::addColumn<quint32>("current");
    QTest::addColumn<quint32>("newLogStart");
    QTest::addColumn<quint32>("after");
    QTest::newRow("new start beyond the pointer") << quint32(0x00010000) << quint32(0x00020000) << quint32(0x00020000);
    QTest::newRow("pointer beyond the new start") << quint32(0x00030000) << quint32(0x00020000) << quint32(0x00030000);
}

void TestUploadProcedure::loggingPointerAdjustment()
{
    QFETCH(quint32, current);
    QFETCH(quint32, newLogStart);
    QFETCH(quint32, after);

    UploadLinkRig rig(SimProfile::ColourV2Usb);
    QVERIFY(rig.started);
    QByteArray pointer(4, '\0');
    for (int i = 0; i < 4; ++i)
        pointer[i] = char(current >> (24 - 8 * i));
    rig.sim->SetMemory(DeviceId::DisplayColour, MemoryId::Eeprom, 1, pointer);
    ColourLayout layout;
    layout.logStart = newLogStart;
    UploadData data;
    QVERIFY(rig.Load(Write("fw.ccr", 0, {ColourFirmware(ColourImage(2048, layout, 15), NewerId())}), data));
    QVERIFY(rig.Upload(data).result.ok);
    QByteArray expected(4, '\0');
    for (int i = 0; i < 4; ++i)
        expected[i] = char(after >> (24 - 8 * i));
    QCOMPARE(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 1, 4), expected);
}

void TestUploadProcedure::colourTheme_data()
{
    QTest::addColumn<SimProfile>("profile");
    QTest::addColumn<QString>("failure");
    QTest::newRow("colour display") << SimProfile::ColourV2Usb << QString();
    QTest::newRow("mono display") << SimProfile::MonoSerial << "Missing device - Display Colour";
}

void TestUploadProcedure::colourTheme()
{
    QFETCH(SimProfile, profile);
    QFETCH(QString, failure);

    UploadLinkRig rig(profile);
    QVERIFY(rig.started);
    const QByteArray themeData = Pattern(128, 16);
    const QString path = QDir(m_dir->path()).filePath(QStringLiteral("theme.ccr"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(CcrBuilder::ColourThemeLines({"a", "b", "c", "d"}, themeData).join('\n').toLatin1());
    file.close();
    UploadData data;
    QVERIFY(rig.Load(path, data));

    UploadProcedure procedure(rig.link, rig.record, rig.catalogue, data, UploadProcedure::Hooks());
    QString loadFailure;
    QCOMPARE(procedure.CheckDevicesForLoad(loadFailure), failure.isEmpty());
    QCOMPARE(loadFailure, failure);

    rig.sim->ClearReceivedFrames();
    const auto outcome = rig.Upload(data);
    if (!failure.isEmpty()) {
        QVERIFY(!outcome.result.ok);
        QCOMPARE(outcome.result.message, QStringLiteral("Upload not permitted~~~"));
        QCOMPARE(outcome.messages, QStringList{failure});
        for (quint8 id : {DeviceId::DisplayColour, DeviceId::DisplayMono})
            for (const auto &f : rig.Frames(id))
                QVERIFY((f.opcode & 1) == 1 || f.opcode == 0);
        return;
    }
    QVERIFY(outcome.result.ok);
    QCOMPARE(outcome.progress, (QList<double>{0.5, 1.0}));
    QCOMPARE(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1380, 128), themeData);
    QCOMPARE(rig.MarkerWrites(DeviceId::DisplayColour), QByteArray());
}

void TestUploadProcedure::learnedWriteTime_data()
{
    QTest::addColumn<double>("previous");
    QTest::addColumn<qint64>("totalMs");
    QTest::addColumn<int>("units");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<double>("learned");
    QTest::newRow("40 units in 8 s") << 0.13 << qint64(8000) << 40 << true << 0.1825;
    QTest::newRow("21 units") << 0.13 << qint64(2100) << 21 << true << 0.1075;
    QTest::newRow("20 units") << 0.13 << qint64(8000) << 20 << false << 0.13;
    QTest::newRow("no time measured") << 0.13 << qint64(0) << 40 << false << 0.13;
}

void TestUploadProcedure::learnedWriteTime()
{
    QFETCH(double, previous);
    QFETCH(qint64, totalMs);
    QFETCH(int, units);
    QFETCH(bool, changed);
    QFETCH(double, learned);
    double result = -1;
    QCOMPARE(UploadProcedure::LearnedWriteTime(previous, totalMs, units, result), changed);
    QVERIFY(qAbs(result - learned) < 1e-12);
}

QTEST_GUILESS_MAIN(TestUploadProcedure)
#include "tst_UploadProcedure.moc"
