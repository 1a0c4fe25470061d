// The colour display's change of logging system at 7.00.03: the two
// questions, the log book and system-variables migration and reversion
// (images and, through an upload, on a simulated unit), and a retry after
// an upload that failed once the variables were rewritten.

#include "DownloadCallbacks.h"
#include "LogBookPointerCorrection.h"
#include "LogBookV2.h"
#include "LogBookV2Reader.h"
#include "LogMigration.h"
#include "SimFirmware.h"
#include "SimProfiles.h"
#include "UploadLinkRig.h"
#include "UploadTestFiles.h"
#include "WorkerC.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace UploadTestFiles;

namespace {


QByteArray V1Entry(int dive, int day, int month, int year, int h, int m, int s, int duration, int depth)
{
    QByteArray e(16, char(0xEE));
    e[0] = char(dive >> 8);
    e[1] = char(dive & 0xFF);
    e[2] = char(day);
    e[3] = char(month);
    e[4] = char(year);
    e[5] = char(h);
    e[6] = char(m);
    e[7] = char(s);
    e[8] = char(duration >> 8);
    e[9] = char(duration & 0xFF);
    e[10] = char(depth >> 8);
    e[11] = char(depth & 0xFF);
    return e;
}

// A V1 book of 48 slots: dives 5..14 in ring order (the newest, 14, in slot
// 9 after 10 in slot 5), an entry numbered 0 and the rest erased.
QByteArray V1Book()
{
    QByteArray book;
    const int dives[] = {10, 11, 12, 13, 14, 5, 6, 7, 8, 9};
    for (int i = 0; i < 48; ++i) {
        if (i < 10)
            book += V1Entry(dives[i], 1 + i, 3, 24, 9, 30, i, 1800 + i, 2500 + i);
        else if (i == 10)
            book += V1Entry(0, 1, 1, 20, 0, 0, 0, 0, 0);
        else
            book += QByteArray(16, char(0xFF));
    }
    return book;
}

QByteArray V2Record(int dive, int day, int duration, int depthCm)
{
    QByteArray r(32, char(0xFF));
    r[0] = char(0x70);
    r[1] = char(dive >> 8);
    r[2] = char(dive & 0xFF);
    r[3] = 1;
    r[4] = char(day);
    r[5] = 4;
    r[6] = 25;
    r[7] = 10;
    r[8] = 11;
    r[9] = 12;
    const QByteArray addresses = QByteArray::fromHex("0001000000012000");
    r.replace(10, 8, addresses);
    r[18] = char(duration >> 8);
    r[19] = char(duration & 0xFF);
    r[20] = char(depthCm >> 8);
    r[21] = char(depthCm & 0xFF);
    return r;
}

// Old-layout system variables whose six triples add up to 100.
QByteArray OldVariables()
{
    QByteArray b = Pattern(256, 21);
    const int triples[] = {0x18, 0x1B, 0x1E, 0x21, 0x24, 0x27};
    for (int i = 0; i < 6; ++i) {
        b[triples[i]] = char(21 + i);
        b[triples[i] + 1] = char(35 - i);
        b[triples[i] + 2] = char(100 - (21 + i) - (35 - i));
    }
    b[0x4A] = 0x2C; // next dive 300, little-endian
    b[0x4B] = 0x01;
    return b;
}

quint16 BigEndian16(const QByteArray &b, int at)
{
    return quint16((quint8(b.at(at)) << 8) | quint8(b.at(at + 1)));
}

quint16 LittleEndian16(const QByteArray &b, int at)
{
    return quint16(quint8(b.at(at)) | (quint8(b.at(at + 1)) << 8));
}

} // namespace

class TestLogMigration : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void v2LogBookFromV1();
    void systemVariablesMigration();
    void v1LogBookFromV2_data();
    void v1LogBookFromV2();
    void systemVariablesReversionAndRoundTrip();
    void directionByVersion_data();
    void directionByVersion();
    void questionsBeforeTheChange_data();
    void questionsBeforeTheChange();
    void retryAfterAFailedMigratedUpload();
    void failedRewriteLeavesInvalidCode();
    void refusedLogBookWriteChangesNothing();
    void reversionThroughAnUpload_data();
    void reversionThroughAnUpload();
    void migrationThenV2ReadListsTheV1Dives();
    void reversionThenV1ReadListsTheV2Dives();
    void loggingPointerAdjustment_data();
    void loggingPointerAdjustment();

private:
    QString Firmware(const QByteArray &id, quint32 seed = 1)
    {
        return WriteCcr(m_dir->path(), QStringLiteral("fw%1.ccr").arg(seed), 0,
                        {ColourFirmware(ColourImage(2048, ColourLayout(), seed), id)});
    }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestLogMigration::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestLogMigration::v2LogBookFromV1()
{
    int records = -1, lastDive = -1;
    const QByteArray v1 = V1Book();
    const QByteArray v2 = LogMigration::V2LogBookFromV1(v1, records, lastDive);
    QCOMPARE(v2.size(), 1536);
    QCOMPARE(records, 10);
    QCOMPARE(lastDive, 14);
    // Erased entries (0xFFFF) and dive 0 are left out; the rest in dive order.
    for (int n = 0; n < 10; ++n) {
        const QByteArray r = v2.mid(n * 32, 32);
        const int dive = 5 + n;
        const int slot = dive >= 10 ? dive - 10 : dive;
        const QByteArray e = v1.mid(slot * 16, 16);
        QCOMPARE(quint8(r.at(0)), quint8(0x70));
        QCOMPARE(int(BigEndian16(r, 1)), dive);
        QCOMPARE(quint8(r.at(3)), quint8(0));
        QCOMPARE(r.mid(4, 6), e.mid(2, 6));
        QCOMPARE(r.mid(10, 8), QByteArray(8, '\0'));
        QCOMPARE(r.mid(18, 4), e.mid(8, 4));
        QCOMPARE(r.mid(22, 10), QByteArray(10, char(0xFF)));
    }
    QCOMPARE(v2.mid(320), QByteArray(1536 - 320, char(0xFF)));
}

void TestLogMigration::systemVariablesMigration()
{
    const QByteArray old = OldVariables();
    LogMigration::LogBookResult logBook;
    logBook.migrated = true;
    logBook.diveNumber = 14;
    logBook.logBookPointer = 320;
    const QByteArray n = LogMigration::MigratedSystemVariables(old, logBook);
    QCOMPARE(n.size(), 256);
    QCOMPARE(n.mid(1, 4), QByteArray::fromHex("00010000"));
    QCOMPARE(BigEndian16(n, 5), quint16(320));
    QCOMPARE(n.at(0x07), old.at(0x15));
    QCOMPARE(n.at(0x08), old.at(0x13));
    QCOMPARE(n.at(0x09), old.at(0x14));
    QCOMPARE(n.mid(0x0A, 4), QByteArray::fromHex("63636363"));
    QCOMPARE(n.at(0x0E), old.at(0x16));
    QCOMPARE(n.mid(0x13, 5), QByteArray::fromHex("238CA0FFFF"));
    // Pairs from the old triples (their first two bytes).
    QCOMPARE(n.mid(0x18, 12), old.mid(0x18, 2) + old.mid(0x1B, 2) + old.mid(0x1E, 2) + old.mid(0x21, 2)
                                  + old.mid(0x24, 2) + old.mid(0x27, 2));
    QCOMPARE(n.mid(0x24, 6), QByteArray::fromHex("150015001500"));
    QCOMPARE(n.mid(0x3C, 4), QByteArray(4, char(0xFF)));
    QCOMPARE(LittleEndian16(n, 0x4A), quint16(15)); // the highest migrated dive + 1
    QCOMPARE(n.mid(0x73, 6), old.mid(0x09, 6));
    QCOMPARE(n.at(0x79), old.at(0x07));
    QCOMPARE(n.at(0x7A), old.at(0x08));
    QCOMPARE(quint8(n.at(0x7B)), quint8(0x02));
    QCOMPARE(n.at(0x7C), old.at(0x17));
    QCOMPARE(n.mid(0x7D, 3), QByteArray(3, char(0xFF)));
    // Everything else is kept.
    for (int i : {0x00, 0x0F, 0x10, 0x11, 0x12, 0x2A, 0x3B, 0x40, 0x49, 0x4C, 0x72, 0x80, 0xFF})
        QCOMPARE(n.at(i), old.at(i));

    // A book that was not migrated: pointer 0, next dive from the old field.
    const QByteArray kept = LogMigration::MigratedSystemVariables(old, LogMigration::LogBookResult());
    QCOMPARE(BigEndian16(kept, 5), quint16(0));
    QCOMPARE(LittleEndian16(kept, 0x4A), quint16(301));
}

void TestLogMigration::v1LogBookFromV2_data()
{
    QTest::addColumn<int>("recordCount");
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("lastDive");
    QTest::addColumn<int>("pointer");
    QTest::newRow("no records") << 0 << 0 << 0 << 0x00F0;
    QTest::newRow("3 records") << 3 << 3 << 103 << 0x0120;
    QTest::newRow("50 records, the newest 48 kept") << 50 << 48 << 150 << 0x03F0;
}

void TestLogMigration::v1LogBookFromV2()
{
    QFETCH(int, recordCount);
    QFETCH(int, entries);
    QFETCH(int, lastDive);
    QFETCH(int, pointer);

    // Newest first: dive 100 + recordCount down to 101.
    QVector<QByteArray> records;
    for (int i = recordCount; i >= 1; --i)
        records << V2Record(100 + i, i % 28 + 1, 600 + i, 1234 + i);
    int built = -1, dive = -1;
    const QByteArray v1 = LogMigration::V1LogBookFromV2(records, built, dive);
    QCOMPARE(v1.size(), 768);
    QCOMPARE(built, entries);
    QCOMPARE(dive, lastDive);
    if (recordCount == 0)
        QCOMPARE(v1, QByteArray(768, '\0'));
    // Oldest first, ending with the newest dive.
    const int firstDive = 100 + recordCount - entries + 1;
    for (int n = 0; n < entries; ++n) {
        const QByteArray e = v1.mid(n * 16, 16);
        const int d = firstDive + n;
        QCOMPARE(int(BigEndian16(e, 0)), d);
        QCOMPARE(quint8(e.at(2)), quint8((d - 100) % 28 + 1));
        QCOMPARE(e.mid(3, 5), QByteArray::fromHex("04190A0B0C"));
        QCOMPARE(int(BigEndian16(e, 8)), 600 + d - 100);
        QCOMPARE(int(BigEndian16(e, 10)), 1234 + d - 100);
        QCOMPARE(e.mid(12, 4), QByteArray(4, char(0xFF)));
    }

    LogMigration::LogBookResult logBook;
    logBook.migrated = true;
    logBook.diveNumber = dive;
    logBook.logBookPointer = built * 16 - 16;
    const QByteArray n = LogMigration::RevertedSystemVariables(OldVariables(), logBook);
    QCOMPARE(int(BigEndian16(n, 5)), pointer);
    QCOMPARE(int(LittleEndian16(n, 0x4A)), lastDive);
}

void TestLogMigration::systemVariablesReversionAndRoundTrip()
{
    const QByteArray old = OldVariables();
    LogMigration::LogBookResult notMigrated;
    const QByteArray migrated = LogMigration::MigratedSystemVariables(old, notMigrated);
    const QByteArray reverted = LogMigration::RevertedSystemVariables(migrated, notMigrated);
    QCOMPARE(reverted.mid(1, 4), QByteArray::fromHex("00010000"));
    // The settings the two layouts share come back where the old layout keeps them.
    QCOMPARE(reverted.mid(0x07, 8), old.mid(0x07, 8));
    QCOMPARE(reverted.mid(0x13, 5), old.mid(0x13, 5));
    QCOMPARE(reverted.mid(0x18, 18), old.mid(0x18, 18));
    // Not migrated: pointer and dive field stay as the new layout had them.
    QCOMPARE(reverted.mid(5, 2), migrated.mid(5, 2));
    QCOMPARE(reverted.mid(0x4A, 2), migrated.mid(0x4A, 2));
    QCOMPARE(reverted.mid(0x73, 6), migrated.mid(0x24, 6));
    // Subtractions wrap modulo 256.
    QByteArray odd = migrated;
    odd[0x18] = char(90);
    odd[0x19] = char(20);
    QCOMPARE(quint8(LogMigration::RevertedSystemVariables(odd, notMigrated).at(0x1A)), quint8(246));
}

void TestLogMigration::directionByVersion_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("next");
    QTest::addColumn<int>("direction");
    QTest::newRow("6.99.99 to 7.00.03") << 6099099 << 7000003 << int(LogMigration::Direction::Migration);
    QTest::newRow("7.00.02 to 7.01.04") << 7000002 << 7001004 << int(LogMigration::Direction::Migration);
    QTest::newRow("7.00.03 to 7.00.04") << 7000003 << 7000004 << int(LogMigration::Direction::None);
    QTest::newRow("7.00.03 to 7.00.02") << 7000003 << 7000002 << int(LogMigration::Direction::Reversion);
    QTest::newRow("6.02.11 to 6.02.12") << 6002011 << 6002012 << int(LogMigration::Direction::None);
    QTest::newRow("unknown new version") << 7000002 << -1 << int(LogMigration::Direction::None);
}

void TestLogMigration::directionByVersion()
{
    QFETCH(int, current);
    QFETCH(int, next);
    QFETCH(int, direction);
    QCOMPARE(int(LogMigration::DirectionFor(current, next)), direction);
}

void TestLogMigration::questionsBeforeTheChange_data()
{
    QTest::addColumn<QByteArray>("currentVersion");
    QTest::addColumn<QByteArray>("newVersion");
    QTest::addColumn<int>("firstAnswer");
    QTest::addColumn<int>("confirmation");
    QTest::addColumn<int>("questions");
    QTest::addColumn<int>("confirmations");
    QTest::addColumn<bool>("migrated");
    QTest::newRow("6.99.99 to 7.00.03, accepted") << QByteArray::fromHex("069999") << QByteArray::fromHex("070003")
                                                  << int(WorkerC::ResultYes) << int(WorkerC::ResultYes) << 1 << 1 << true;
    QTest::newRow("declined at stage 1") << QByteArray::fromHex("069999") << QByteArray::fromHex("070003")
                                         << int(WorkerC::ResultNo) << int(WorkerC::ResultYes) << 1 << 0 << false;
    QTest::newRow("declined at stage 2") << QByteArray::fromHex("069999") << QByteArray::fromHex("070003")
                                         << int(WorkerC::ResultYes) << int(WorkerC::ResultNo) << 1 << 1 << false;
    QTest::newRow("7.00.03 to 7.00.04") << QByteArray::fromHex("070003") << QByteArray::fromHex("070004")
                                        << int(WorkerC::ResultNo) << int(WorkerC::ResultNo) << 0 << 0 << false;
}

void TestLogMigration::questionsBeforeTheChange()
{
    QFETCH(QByteArray, currentVersion);
    QFETCH(QByteArray, newVersion);
    QFETCH(int, firstAnswer);
    QFETCH(int, confirmation);
    QFETCH(int, questions);
    QFETCH(int, confirmations);
    QFETCH(bool, migrated);

    const QByteArray book = V1Book();
    const QByteArray variables = OldVariables();
    UploadLinkRig rig(SimProfile::ColourV1Usb, [&](SimulatedBus &bus) {
        SimUnit &display = *bus.Unit(DeviceId::DisplayColour);
        SimProfiles::SetCodeDetails(display, currentVersion);
        display.WriteMemory(MemoryId::Eeprom, 0x100, book);
        QByteArray v = variables;
        v[0] = 0x01; // code valid
        display.WriteMemory(MemoryId::Eeprom, 0, v);
    });
    QVERIFY(rig.started);
    const QByteArray eepromBefore = rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 0, 0x400);
    const QByteArray logBookBefore = rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Profile, 0, 1536);
    UploadData data;
    QVERIFY(rig.Load(Firmware(IdBytes(1, 6, 25, quint8(newVersion.at(0)), quint8(newVersion.at(1)),
                                      quint8(newVersion.at(2)))),
                     data));
    const auto outcome = rig.Upload(data, {firstAnswer}, confirmation);

    QCOMPARE(outcome.questions.size(), questions);
    QCOMPARE(outcome.confirmations, confirmations);
    if (questions)
        QCOMPARE(outcome.questions.first(),
                 QStringLiteral("This Upgrade will change the dive logging system.\n\nIf you want to keep your "
                                "current dive profiles you need to download them now.\n\nDo you want to continue "
                                "with the upgrade?"));
    const bool declined = questions && (firstAnswer != WorkerC::ResultYes || confirmation != WorkerC::ResultYes);
    QCOMPARE(outcome.result.ok, !declined);
    const QByteArray eeprom = rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 0, 0x400);
    const QByteArray logBook = rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Profile, 0, 1536);
    if (declined) {
        QCOMPARE(outcome.result.message, QStringLiteral("Upload not permitted~~~"));
        QCOMPARE(outcome.messages.last(), QStringLiteral("Logging Format Change Check - Aborting Upload"));
        QCOMPARE(eeprom, eepromBefore);
        QCOMPARE(logBook, logBookBefore);
        return;
    }
    if (!migrated) {
        QCOMPARE(logBook, logBookBefore);
        QCOMPARE(eeprom.mid(1, 0xFF), eepromBefore.mid(1, 0xFF));
        return;
    }
    int records = 0, lastDive = 0;
    QCOMPARE(logBook, LogMigration::V2LogBookFromV1(book, records, lastDive));
    QCOMPARE(BigEndian16(eeprom, 5), quint16(320)); // 10 valid entries
    QCOMPARE(LittleEndian16(eeprom, 0x4A), quint16(15));
    QCOMPARE(eeprom.mid(1, 4), QByteArray::fromHex("00010000"));
    QCOMPARE(quint8(eeprom.at(0)), quint8(0x08));
    // The V1 book itself is left where it was.
    QCOMPARE(eeprom.mid(0x100, 768), book);
    QCOMPARE(rig.record.CodeVersionNumber(DeviceId::DisplayColour), 7000003);
}

void TestLogMigration::retryAfterAFailedMigratedUpload()
{
    const QByteArray variables = OldVariables();
    auto setUp = [&](SimulatedBus &bus) {
        SimUnit &display = *bus.Unit(DeviceId::DisplayColour);
        display.WriteMemory(MemoryId::Eeprom, 0x100, V1Book());
        QByteArray v = variables;
        v[0] = 0x01;
        display.WriteMemory(MemoryId::Eeprom, 0, v);
    };
    const QString path = Firmware(IdBytes(1, 6, 25, 0x07, 0x01, 0x04));

    // What one undisturbed upload leaves.
    UploadLinkRig clean(SimProfile::ColourV1Usb, setUp);
    QVERIFY(clean.started);
    UploadData data;
    QVERIFY(clean.Load(path, data));
    SystemVariablesMemory cleanMemory;
    QVERIFY(clean.Upload(data, {}, WorkerC::ResultYes, &cleanMemory).result.ok);
    const QByteArray expected = clean.sim->Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 0, 0x400);

    // The same upload failing part-way through the pages, then run again.
    UploadLinkRig rig(SimProfile::ColourV1Usb, setUp);
    QVERIFY(rig.started);
    SystemVariablesMemory memory;
    rig.sim->WithBus([](SimulatedBus &bus) {
        SimFirmware::RefuseFlashWritesAt(*bus.Unit(DeviceId::DisplayColour), {ColourCodeStart + 16 * 64});
    });
    const auto failed = rig.Upload(data, {}, WorkerC::ResultYes, &memory);
    QVERIFY(!failed.result.ok);
    QVERIFY(rig.Marker(DeviceId::DisplayColour) >= 16);
    // The variables are in the new layout while the old code is still there.
    QVERIFY(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 1, 0xFF) != variables.mid(1, 0xFF));

    rig.sim->WithBus([](SimulatedBus &bus) { SimFirmware::ClearRefusals(*bus.Unit(DeviceId::DisplayColour)); });
    const auto again = rig.Upload(data, {}, WorkerC::ResultYes, &memory);
    QVERIFY2(again.result.ok, qPrintable(again.messages.join('\n')));
    QCOMPARE(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 0, 0x400), expected);
    QVERIFY(memory.serialNumber.isEmpty()); // forgotten once the upload completed
}

void TestLogMigration::failedRewriteLeavesInvalidCode()
{
    const QByteArray variables = OldVariables();
    UploadLinkRig rig(SimProfile::ColourV1Usb, [&](SimulatedBus &bus) {
        QByteArray v = variables;
        v[0] = 0x01;
        bus.Unit(DeviceId::DisplayColour)->WriteMemory(MemoryId::Eeprom, 0, v);
    });
    QVERIFY(rig.started);
    const QByteArray flashBefore = rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1400, 0x400);
    // The second of the four 64-byte blocks of the variables cannot be written.
    rig.sim->WithBus([](SimulatedBus &bus) {
        SimFirmware::RefuseWritesAt(*bus.Unit(DeviceId::DisplayColour), MemoryId::Eeprom, {0x40});
    });
    SystemVariablesMemory memory;
    UploadData data;
    QVERIFY(rig.Load(Firmware(IdBytes(1, 6, 25, 0x07, 0x01, 0x04)), data));
    const auto failed = rig.Upload(data, {}, WorkerC::ResultYes, &memory);
    QVERIFY(!failed.result.ok);
    QCOMPARE(failed.result.message, QStringLiteral("Upload failed"));
    QCOMPARE(failed.messages.last(), QStringLiteral("Log book and Eeprom migration failed"));
    // Half-converted variables under the old code: the code is marked invalid.
    QVERIFY(rig.Marker(DeviceId::DisplayColour) >= 16);
    QVERIFY(!rig.record.CodeValidity(DeviceId::DisplayColour));
    QCOMPARE(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1400, 0x400), flashBefore);

    // Once the unit takes the writes, the same upload converts the original bytes.
    rig.sim->WithBus([](SimulatedBus &bus) { SimFirmware::ClearRefusals(*bus.Unit(DeviceId::DisplayColour)); });
    QVERIFY(rig.Upload(data, {}, WorkerC::ResultYes, &memory).result.ok);
    LogMigration::LogBookResult logBook;
    logBook.migrated = true;
    const QByteArray eeprom = rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 0, 256);
    QByteArray expected = LogMigration::MigratedSystemVariables(variables, logBook);
    expected[0] = char(0x08);
    expected[5] = eeprom.at(5); // the pointer and next dive follow the unit's own V1 book
    expected[6] = eeprom.at(6);
    expected[0x4A] = eeprom.at(0x4A);
    expected[0x4B] = eeprom.at(0x4B);
    QCOMPARE(eeprom, expected);
}

void TestLogMigration::refusedLogBookWriteChangesNothing()
{
    const QByteArray variables = OldVariables();
    UploadLinkRig rig(SimProfile::ColourV1Usb, [&](SimulatedBus &bus) {
        SimUnit &display = *bus.Unit(DeviceId::DisplayColour);
        display.WriteMemory(MemoryId::Eeprom, 0x100, V1Book());
        QByteArray v = variables;
        v[0] = 0x01;
        display.WriteMemory(MemoryId::Eeprom, 0, v);
    });
    QVERIFY(rig.started);
    quint8 bookMemory = 0;
    quint32 bookStart = 0, bookSize = 0;
    QVERIFY(rig.catalogue.GetRegion(DeviceId::DisplayColour, RegionId::LogBook, bookMemory, bookStart, bookSize));
    // The first block of the new log book cannot be written.
    rig.sim->WithBus([&](SimulatedBus &bus) {
        SimFirmware::RefuseWritesAt(*bus.Unit(DeviceId::DisplayColour), bookMemory, {bookStart});
    });
    const QByteArray eepromBefore = rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 0, 0x400);
    const QByteArray flashBefore = rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1000, 2048);
    SystemVariablesMemory memory;
    UploadData data;
    QVERIFY(rig.Load(Firmware(IdBytes(1, 6, 25, 0x07, 0x01, 0x04)), data));
    const auto outcome = rig.Upload(data, {}, WorkerC::ResultYes, &memory);
    QVERIFY(!outcome.result.ok);
    QCOMPARE(outcome.result.message, QStringLiteral("Upload not permitted~~~"));
    QCOMPARE(outcome.messages.last(), QStringLiteral("Log book and Eeprom migration failed"));
    // The refused block was the first write: the marker, the system
    // variables and the code are as they were.
    QCOMPARE(rig.Marker(DeviceId::DisplayColour), quint8(0x01));
    QCOMPARE(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 0, 0x400), eepromBefore);
    QCOMPARE(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1000, 2048), flashBefore);
    QVERIFY(memory.original.isEmpty());
}

void TestLogMigration::reversionThroughAnUpload_data()
{
    // The V2 log book on the unit, newest first, and what the reversion
    // leaves: the log book pointer and the next-dive field.
    QTest::addColumn<QVector<QByteArray>>("records");
    QTest::addColumn<quint16>("pointer");
    QTest::addColumn<quint16>("nextDive");
    QTest::newRow("three dives") << QVector<QByteArray>{V2Record(103, 3, 603, 1237), V2Record(102, 2, 602, 1236),
                                                        V2Record(101, 1, 601, 1235)}
                                 << quint16(0x0120) << quint16(103);
    QTest::newRow("empty log book") << QVector<QByteArray>{} << quint16(0x00F0) << quint16(0);
}

void TestLogMigration::reversionThroughAnUpload()
{
    QFETCH(QVector<QByteArray>, records);
    QFETCH(quint16, pointer);
    QFETCH(quint16, nextDive);

    DeviceList catalogue;
    quint8 bookMemory = 0, eepromMemory = 0, recordMemory = 0;
    quint32 bookStart = 0, bookSize = 0, eepromStart = 0, eepromSize = 0, recordStart = 0, recordSize = 0;
    QVERIFY(catalogue.GetRegion(DeviceId::DisplayColour, RegionId::LogBook, bookMemory, bookStart, bookSize));
    QVERIFY(catalogue.GetRegion(DeviceId::DisplayColour, RegionId::Eeprom, eepromMemory, eepromStart, eepromSize));
    QVERIFY(catalogue.GetRegion(DeviceId::DisplayColour, RegionId::EepromPart12, recordMemory, recordStart,
                                recordSize));
    // The records go into the unit's log book ring, oldest in the first
    // slot, for the download's log book read to find.
    UploadLinkRig rig(SimProfile::ColourV2Usb, [&](SimulatedBus &bus) {
        SimUnit &display = *bus.Unit(DeviceId::DisplayColour);
        display.WriteMemory(bookMemory, bookStart, QByteArray(int(bookSize), char(0xFF)));
        display.WriteMemory(recordMemory, recordStart, QByteArray(int(recordSize), char(0xFF)));
        for (int slot = 0; slot < records.size(); ++slot)
            display.WriteMemory(bookMemory, bookStart + quint32(slot * 32), records.at(records.size() - 1 - slot));
        QByteArray v = OldVariables();
        v[0] = 0x01;
        const int bookPointer = records.size() * 32;
        v[5] = char(bookPointer >> 8);
        v[6] = char(bookPointer & 0xFF);
        display.WriteMemory(eepromMemory, eepromStart, v);
    });
    QVERIFY(rig.started);
    UploadData data;
    // Older code: the date and version questions are answered yes.
    QVERIFY(rig.Load(Firmware(IdBytes(1, 1, 24, 0x07, 0x00, 0x02)), data));
    rig.sim->ClearReceivedFrames();
    const auto outcome = rig.Upload(data, {}, WorkerC::ResultYes);
    QVERIFY2(outcome.result.ok, qPrintable(outcome.messages.join('\n')));
    // The log book was read once: one look at its wrap marker.
    int wrapProbes = 0;
    for (const SimRequest &f : rig.Frames(DeviceId::DisplayColour))
        wrapProbes += (f.opcode & 1) == 1 && f.address == bookStart + LogBookV2Reader::WrapProbeOffset
                      && f.length == 1;
    QCOMPARE(wrapProbes, 1);
    QCOMPARE(outcome.confirmations, 0); // going back asks no logging question
    const QByteArray eeprom = rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 0, 0x400);
    QCOMPARE(BigEndian16(eeprom, 5), pointer);
    QCOMPARE(LittleEndian16(eeprom, 0x4A), nextDive);
    int entries = 0, lastDive = 0;
    QCOMPARE(eeprom.mid(0x100, 768), LogMigration::V1LogBookFromV2(records, entries, lastDive));
    if (records.isEmpty()) {
        QCOMPARE(eeprom.mid(0x100, 768), QByteArray(768, '\0'));
        int zeroBlocks = 0;
        for (const SimRequest &f : rig.Frames(DeviceId::DisplayColour))
            zeroBlocks += f.opcode == 4 && f.address >= 0x100 && f.address < 0x400 && f.payload == QByteArray(64, '\0');
        QCOMPARE(zeroBlocks, 12); // 768 zero bytes, 64 at a time
    }
    QCOMPARE(rig.record.CodeVersionNumber(DeviceId::DisplayColour), 7000002);
}

namespace {

// The dives of a V1 book as the V1 log book read takes them: number -> the
// entry's date, time, duration and depth bytes.
QMap<int, QByteArray> V1Dives(const QByteArray &book)
{
    QMap<int, QByteArray> dives;
    for (int i = 0; i < LogBookPointerCorrection::EntryCount; ++i) {
        const int dive = LogBookPointerCorrection::DiveNumber(book, i);
        if (dive >= 1 && dive <= LogMigration::MaxMigratedDiveNumber)
            dives.insert(dive, book.mid(i * 16 + 2, 10));
    }
    return dives;
}

// The dives of the V2 log book as the log book read lists them (entries
// without dive data kept): number -> date, time, duration and depth bytes.
QMap<int, QByteArray> V2Dives(UploadLinkRig &rig)
{
    LogBookV2 book;
    const DownloadCallbacks none;
    LogBookV2Reader(rig.link, rig.record, rig.catalogue, none).Read(false, book, nullptr, true);
    QMap<int, QByteArray> dives;
    for (int i = 0; i < book.Count(); ++i) {
        const QByteArray raw = book.At(i)->Raw();
        dives.insert(book.At(i)->DiveNumber(), raw.mid(4, 6) + raw.mid(18, 4));
    }
    return dives;
}

} // namespace

void TestLogMigration::migrationThenV2ReadListsTheV1Dives()
{
    // The simulated Colour V1 unit comes with dives in its V1 book.
    UploadLinkRig rig(SimProfile::ColourV1Usb);
    QVERIFY(rig.started);
    const QMap<int, QByteArray> before = V1Dives(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 0x100, 768));
    QVERIFY(!before.isEmpty());
    UploadData data;
    QVERIFY(rig.Load(Firmware(NewerId()), data));
    QVERIFY(rig.Upload(data).result.ok);
    QCOMPARE(rig.record.CodeVersionNumber(DeviceId::DisplayColour), 7001005);
    QCOMPARE(V2Dives(rig), before);
}

void TestLogMigration::reversionThenV1ReadListsTheV2Dives()
{
    // The simulated Colour V2 unit comes with dives in its log book.
    UploadLinkRig rig(SimProfile::ColourV2Usb);
    QVERIFY(rig.started);
    const QMap<int, QByteArray> before = V2Dives(rig);
    QVERIFY(!before.isEmpty());
    UploadData data;
    QVERIFY(rig.Load(Firmware(IdBytes(1, 1, 24, 0x07, 0x00, 0x02)), data));
    // The reversion reads the log book with the download's reader (no stub).
    const auto outcome = rig.Upload(data);
    QVERIFY2(outcome.result.ok, qPrintable(outcome.messages.join('\n')));
    QCOMPARE(rig.record.CodeVersionNumber(DeviceId::DisplayColour), 7000002);
    QCOMPARE(V1Dives(rig.sim->Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 0x100, 768)), before);
}

// After new display code: the logging pointer moves up to the log data start
// the code carries in its relocation block, never down, and never to a value
// outside the log memory (which would put every logged dive out of reach).
void TestLogMigration::loggingPointerAdjustment_data()
{
    QTest::addColumn<quint32>("pointer");
    QTest::addColumn<quint32>("codeLogStart");
    QTest::addColumn<quint32>("expected");

    QTest::newRow("log start above the pointer") << 0x0001BDA0u << 0x00020000u << 0x00020000u;
    QTest::newRow("pointer already past the log start") << 0x00030000u << 0x00020000u << 0x00030000u;
    QTest::newRow("last address of the log memory") << 0x0001BDA0u << 0x01FFFFFFu << 0x01FFFFFFu;
    QTest::newRow("beyond the log memory") << 0x0001BDA0u << 0x11111111u << 0x0001BDA0u;
}

void TestLogMigration::loggingPointerAdjustment()
{
    QFETCH(quint32, pointer);
    QFETCH(quint32, codeLogStart);
    QFETCH(quint32, expected);

    const auto bigEndian = [](quint32 v) {
        QByteArray b(4, '\0');
        for (int i = 0; i < 4; ++i)
            b[i] = char(v >> (24 - 8 * i));
        return b;
    };
    UploadLinkRig rig(SimProfile::ColourV2Usb);
    QVERIFY(rig.started);
    quint8 memoryId = 0;
    quint32 start = 0, size = 0;
    QVERIFY(rig.catalogue.GetRegion(DeviceId::DisplayColour, RegionId::Eeprom, memoryId, start, size));
    const QByteArray before = QByteArray(1, char(0x5A)) + bigEndian(pointer);
    rig.sim->WithBus([&](SimulatedBus &bus) { bus.Unit(DeviceId::DisplayColour)->WriteMemory(memoryId, start, before); });

    quint32 relocation = 0;
    QVERIFY(rig.catalogue.GetRegionStart(DeviceId::DisplayColour, RegionId::LoggingPointers, relocation));
    UploadBlock block;
    block.hasFlash = true;
    block.flashStart = 0;
    block.flashEnd = relocation + 0xFF;
    block.flash = QByteArray(int(block.flashEnd) + 1, char(0xFF));
    for (int i = 0; i < 4; ++i)
        block.flash[int(relocation) + 0x6C + i] = char(codeLogStart >> (8 * i));

    LogMigration(rig.link, rig.catalogue, LogMigration::Hooks()).AdjustLoggingPointer(block);
    QCOMPARE(rig.sim->Memory(DeviceId::DisplayColour, memoryId, start, 5).toHex(),
             (QByteArray(1, char(0x5A)) + bigEndian(expected)).toHex());
}

QTEST_GUILESS_MAIN(TestLogMigration)
#include "tst_LogMigration.moc"
