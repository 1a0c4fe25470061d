// Downloads end to end: dives generated from plans are laid into a simulated
// handset's log memories (SimLogMemory, as the handset stores them), the
// worker runs in its own thread and reads them through the real serial-port
// code, and the files it writes are loaded back and compared with the plans.

#include "DeviceList.h"
#include "LogBookV2.h"
#include "LogRecordGenerator.h"
#include "QuorLog.h"
#include "QuorLogSession.h"
#include "RebreatherSimulator.h"
#include "RixComms.h"
#include "LogFileWriter.h"
#include "SimulatedPortEnumerator.h"
#include "StandardRecordFile.h"
#include "SimLogMemory.h"
#include "WorkerC.h"

#include <QtTest>


#include <cmath>
#include <functional>
#include <memory>

Q_DECLARE_METATYPE(SimProfile)

namespace {

using Format = SimLogMemory::Format;

DivePlan Plan(int number, const QDateTime &powerOn, int minutes, double depth, bool wide)
{
    DivePlan plan;
    plan.wide = wide;
    plan.powerOn = powerOn;
    plan.diveNumber = number;
    plan.sequence = 0; // the first dive of its power-on
    plan.sampleInterval = 10;
    plan.surfaceBefore = 30;
    plan.surfaceAfter = 30;
    const double t = minutes * 60.0;
    plan.profile = {{0, 0}, {t * 0.2, depth}, {t * 0.8, depth}, {t, 0}};
    return plan;
}

// Dives an hour apart from a given start.
QVector<DivePlan> Day(const QDateTime &first, int count, bool wide, int firstNumber = 1)
{
    QVector<DivePlan> plans;
    for (int i = 0; i < count; ++i)
        plans << Plan(firstNumber + i, first.addSecs(qint64(i) * 3600), 4 + i % 3, 9.0 + 3 * i, wide);
    return plans;
}

class Probe : public QObject
{
    Q_OBJECT
public:
    QStringList messages;
    QList<int> progress;
    QList<int> estimates;
    QStringList refreshed;
    QStringList questions;
    QList<QPair<bool, QString>> prepareResults, logBookResults, downloadResults;
    QList<int> answers; // yes/no-to-all answers, in order; NO when they run out
    bool opened = false;
    std::function<void()> onFirstProgress;

    void Attach(WorkerC *w)
    {
        connect(w, &WorkerC::OpenComPortResult, this, [this](bool r) { opened = r; });
        connect(w, qOverload<QString, bool>(&WorkerC::DownloadDownloadMsg), this,
                [this](const QString &m, bool) { messages << m; });
        connect(w, &WorkerC::DownloadDownloadProgress, this, [this](int p) {
            if (progress.isEmpty() && onFirstProgress)
                onFirstProgress();
            progress << p;
        });
        connect(w, &WorkerC::DownloadDownloadTimeEstimate, this, [this](int s) { estimates << s; });
        connect(w, &WorkerC::DownloadRefreshRequired, this, [this](const QString &f) { refreshed << f; });
        connect(w, &WorkerC::DownloadV1PrepareDownloadResult, this,
                [this](bool r, const QString &m) { prepareResults << qMakePair(r, m); });
        connect(w, &WorkerC::DownloadV2ReadLogBookResult, this,
                [this](bool r, const QString &m) { logBookResults << qMakePair(r, m); });
        connect(w, &WorkerC::DownloadDownloadResult, this,
                [this](bool r, const QString &m) { downloadResults << qMakePair(r, m); });
        connect(w, &WorkerC::AskYesYesToAllNoNoToAllQuestion, this, [this, w](const QString &q) {
            questions << q;
            w->AnswerYesYesToAllNoNoToAllQuestion(answers.isEmpty() ? int(WorkerC::ResultNo) : answers.takeFirst());
        });
    }
};

class Rig
{
public:
    explicit Rig(SimProfile profile) : sim(profile)
    {
        QString error;
        simStarted = sim.Start(&error);
        worker = new WorkerC(std::make_shared<SimulatedPortEnumerator>());
        worker->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
        QObject::connect(&thread, &QThread::started, worker, &WorkerC::Start);
        probe.Attach(worker);
        thread.start();
    }
    ~Rig()
    {
        thread.quit();
        thread.wait();
    }
    bool Connect()
    {
        if (!simStarted || !QTest::qWaitFor([this] { return !worker->IsWorkInProgress(); }, 10000))
            return false;
        QMetaObject::invokeMethod(worker, "SetMessageLevel", Q_ARG(int, 0));
        QMetaObject::invokeMethod(worker, "OpenComPort", Q_ARG(QString, sim.PortPath()),
                                  Q_ARG(QString, QStringLiteral("sim")), Q_ARG(bool, true));
        return QTest::qWaitFor([this] { return probe.opened; }, 20000)
               && worker->RBDataSnapshot().IsHandsetPresent();
    }
    bool PrepareV1(bool full = false)
    {
        const int before = probe.prepareResults.size();
        QMetaObject::invokeMethod(worker, "DownloadV1PrepareDownload", Q_ARG(QString, dir.path()), Q_ARG(bool, full));
        return QTest::qWaitFor([&] { return probe.prepareResults.size() > before; }, 30000)
               && probe.prepareResults.last().first;
    }
    bool ReadLogBook(bool full = false)
    {
        const int before = probe.logBookResults.size();
        QMetaObject::invokeMethod(worker, "DownloadV2ReadLogBook", Q_ARG(bool, full));
        return QTest::qWaitFor([&] { return probe.logBookResults.size() > before; }, 30000);
    }
    bool SelectionChanged()
    {
        const int before = probe.estimates.size();
        QMetaObject::invokeMethod(worker, "DownloadV2DownloadSelectionChanged");
        return QTest::qWaitFor([&] { return probe.estimates.size() > before; }, 30000);
    }
    bool Download(const char *slot)
    {
        const int before = probe.downloadResults.size();
        QMetaObject::invokeMethod(worker, slot, Q_ARG(QString, dir.path()));
        return QTest::qWaitFor([&] { return probe.downloadResults.size() > before; }, 60000);
    }
    // Lays the plans into the handset's log memory (everything else it
    // held there is erased).
    bool Lay(SimLogMemory &memory)
    {
        const bool laid = sim.LoadLogMemory(memory);
        if (!laid)
            qWarning().noquote() << memory.Error();
        return laid;
    }
    QStringList Files(const QString &pattern) const
    {
        return QDir(dir.path()).entryList({pattern}, QDir::Files, QDir::Name);
    }

    RebreatherSimulator sim;
    bool simStarted = false;
    WorkerC *worker = nullptr;
    Probe probe;
    QThread thread;
    QTemporaryDir dir;
};

QStringList ContentLines(const QString &path);

// The session of a saved file against its plan.
void CheckAgainstPlan(const QString &path, const DivePlan &plan)
{
    QuorLog log;
    const int loaded = log.Load(path);
    if (loaded != QuorLog::Success) {
        const QStringList lines = ContentLines(path);
        const QStringList expected = LogRecordGenerator::TextLines(LogRecordGenerator::DiveData({plan}), plan.wide);
        for (int i = 0; i < 8 && i < lines.size(); ++i)
            qWarning().noquote() << lines.at(i) << (i < expected.size() ? expected.at(i) : QString());
    }
    QVERIFY2(loaded == QuorLog::Success, qPrintable(path + QStringLiteral(": ") + log.ErrorText()));
    const QuorLogSession *session = log.IdentifiedSession();
    QVERIFY(session);
    QCOMPARE(session->DiveNumber(), plan.diveNumber);
    QCOMPARE(session->DiveStartDateTime(), plan.DiveStart());
    QVERIFY(std::fabs((session->DiveEndTime() - session->DiveStartTime()) - plan.DiveLength()) <= plan.sampleInterval);
    QCOMPARE(session->Summary().greatestDepth, plan.profile.at(1).depth);

    // Sample count: the same as the plan's session loaded on its own.
    QTemporaryDir dir;
    const QString reference = dir.filePath(QStringLiteral("reference.ccl"));
    QString error;
    QVERIFY(LogFileWriter::WriteSecured(reference, LogRecordGenerator::LogFile(plan), &error));
    QuorLog ref;
    QCOMPARE(ref.Load(reference), int(QuorLog::Success));
    QCOMPARE(session->Samples().size(), ref.IdentifiedSession()->Samples().size());
}

// The dive data and memory lines of a file, without its creation date.
QStringList ContentLines(const QString &path)
{
    StandardRecordFile file;
    QStringList lines;
    SRFileHeader header;
    bool wide = false;
    if (!file.ConvertToLines(path, lines, header, wide, StandardRecordFile::LoadMode::SecuredLog))
        return {QStringLiteral("unreadable: ") + file.LastError()};
    lines = lines.mid(3);
    // The display's system variables hold its running clock.
    const int clock = lines.indexOf(QRegularExpression(QStringLiteral("B0BC0200000000.*")));
    if (clock >= 0)
        lines.erase(lines.begin() + clock, lines.begin() + clock + 2);
    return lines;
}

QString SerialOf(WorkerC *w)
{
    return w->RBDataSnapshot().SerialNumber(w->RBDataSnapshot().DisplayDeviceId());
}

// The file a dive's start second names.
QString DiveFile(const QString &serial, const DivePlan &plan)
{
    return serial + QLatin1Char('_') + plan.DiveStart().toString(QStringLiteral("yyMMdd_hhmmss")) + QStringLiteral(".ccl");
}

// Start addresses of the reads the handset received for one memory.
QList<quint32> ReadAddresses(const QVector<SimFrameRecord> &frames, quint8 deviceId, quint8 memoryId)
{
    QList<quint32> addresses;
    for (const SimFrameRecord &f : frames) {
        if (f.bytes.size() < 9 || quint8(f.bytes.at(4)) != deviceId)
            continue;
        const quint8 command = quint8(f.bytes.at(5));
        const quint8 code = command & 0x3F;
        if (code == 0 || (code != RixComms::ReadCode(memoryId) && code != RixComms::BlockReadCode(memoryId)))
            continue;
        addresses << ((quint32(command & 0xC0) << 18) | (quint32(quint8(f.bytes.at(6))) << 16)
                      | (quint32(quint8(f.bytes.at(7))) << 8) | quint8(f.bytes.at(8)));
    }
    return addresses;
}

} // namespace

class TestDownload : public QObject
{
    Q_OBJECT

private slots:
    void colourV1DivesInDivesOut();
    void colourV1LoggingBreak_data();
    void colourV1LoggingBreak();
    void overwriteAnswersCoverLaterFiles_data();
    void overwriteAnswersCoverLaterFiles();
    void monoDiveStraddlesTheWrap();
    void colourV2DivesInDivesOut();
    void colourV2Rings_data();
    void colourV2Rings();
    void colourV2VirginUnit();
    void colourV2LogDataStartOutsideItsMemory_data();
    void colourV2LogDataStartOutsideItsMemory();
    void nothingLoggedEndsAtOnce();
    void unplugAndAbortSaveNothing_data();
    void unplugAndAbortSaveNothing();
    void faultsGiveTheSameFiles();
    void ccxImageIsProcessedAgain();
};

void TestDownload::colourV1DivesInDivesOut()
{
    Rig rig(SimProfile::ColourV1Usb);
    const QDateTime day(QDate(2026, 5, 2), QTime(9, 0, 0));
    const QVector<DivePlan> first{Plan(11, day, 6, 18.0, false), Plan(12, day.addSecs(3 * 3600), 5, 12.0, false)};
    SimLogMemory before(Format::ColourV1, first);
    QVERIFY(rig.Lay(before));
    QVERIFY(rig.Connect());
    QCOMPARE(rig.worker->RBDataSnapshot().DisplayLoggingFormat(), int(RBData::LoggingFormatColourV1));
    QVERIFY(rig.PrepareV1());
    QVERIFY(!rig.probe.estimates.isEmpty());
    QVERIFY(rig.Download("DownloadV1DownloadData"));
    QCOMPARE(rig.probe.downloadResults.last(), qMakePair(true, QString()));
    QCOMPARE(rig.probe.progress.last(), 100);

    const QString serial = SerialOf(rig.worker);
    const QStringList ccl = rig.Files(QStringLiteral("*.ccl"));
    QCOMPARE(ccl, QStringList({serial + QStringLiteral("_260502_090030.ccl"), serial + QStringLiteral("_260502_120030.ccl")}));
    QCOMPARE(rig.Files(QStringLiteral("*.ccx")).size(), 1);
    QVERIFY(rig.probe.messages.contains(QStringLiteral("2 log files found in memory.  0 skipped - 2 saved")));
    for (int i = 0; i < first.size(); ++i)
        CheckAgainstPlan(rig.dir.filePath(ccl.at(i)), first.at(i));
    QCOMPARE(rig.probe.refreshed.size(), 2);
    const quint32 lastFinish = before.LoggingPointer() - 1;
    QFile history(rig.dir.filePath(serial + QStringLiteral("_DownloadHistory.dat")));
    QVERIFY(history.open(QIODevice::ReadOnly));
    QVERIFY(history.readAll().contains(QByteArray("0x") + DeviceList::HexText(lastFinish, 8).toLatin1()));
    history.close();

    // New dives: the next download starts at the block that held the last
    // finish and asks before replacing the files it already has.
    const QVector<DivePlan> later = first + QVector<DivePlan>{Plan(13, day.addDays(1), 7, 24.0, false)};
    SimLogMemory after(Format::ColourV1, later);
    QVERIFY(rig.Lay(after));
    rig.probe.answers = {WorkerC::ResultNoToAll};
    QVERIFY(rig.PrepareV1());
    rig.sim.ClearReceivedFrames();
    QVERIFY(rig.Download("DownloadV1DownloadData"));
    QCOMPARE(rig.probe.downloadResults.last(), qMakePair(true, QString()));
    const QList<quint32> reads = ReadAddresses(rig.sim.ReceivedFrames(), 0xBC, MemoryId::Profile);
    QVERIFY(!reads.isEmpty());
    QCOMPARE(reads.first(), lastFinish & ~quint32(0x7FF));
    QVERIFY(rig.Files(QStringLiteral("*.ccl")).contains(serial + QStringLiteral("_260503_090030.ccl")));
    CheckAgainstPlan(rig.dir.filePath(serial + QStringLiteral("_260503_090030.ccl")), later.last());
    // Only the re-read dive's file existed: one question, answered NO TO ALL.
    QCOMPARE(rig.probe.questions.size(), 1);
}

void TestDownload::colourV1LoggingBreak_data()
{
    QTest::addColumn<bool>("pointerOnBlockBoundary");
    QTest::newRow("pointer inside a block") << false;
    // The handset's last record filled its 2 KiB block: the pointer names
    // the next, erased block.
    QTest::newRow("pointer on a block boundary") << true;
}

// Logging stopped after the second dive and restarted blocks later: the
// download finds the break, searches the restart, skips the erased blocks
// between, still saves every dive and puts the log book right in the unit.
void TestDownload::colourV1LoggingBreak()
{
    QFETCH(bool, pointerOnBlockBoundary);
    Rig rig(SimProfile::ColourV1Usb);
    const QVector<DivePlan> plans = Day(QDateTime(QDate(2026, 6, 1), QTime(9, 0, 0)), 3, false);
    SimLogMemory::Layout layout;
    layout.breakAfterSessions = 2;
    layout.breakGapBlocks = 4;
    SimLogMemory memory(Format::ColourV1, plans, layout);
    QVERIFY(rig.Lay(memory));
    const quint16 bookPointer = memory.LogBookPointer();
    if (pointerOnBlockBoundary) {
        const quint32 pointer = (memory.LoggingPointer() + 0x7FF) & ~quint32(0x7FF);
        QVERIFY(pointer != memory.LoggingPointer());
        rig.sim.SetMemory(0xBC, MemoryId::Eeprom, 1,
                          QByteArray(1, char(pointer >> 24)) + char(pointer >> 16) + char(pointer >> 8) + char(pointer));
    }
    QVERIFY(rig.Connect());
    QVERIFY(rig.PrepareV1(true));
    rig.sim.ClearReceivedFrames();
    QVERIFY(rig.Download("DownloadV1DownloadData"));
    QCOMPARE(rig.probe.downloadResults.last(), qMakePair(true, QString()));

    const QString serial = SerialOf(rig.worker);
    QCOMPARE(rig.Files(QStringLiteral("*.ccl")).size(), plans.size());
    for (const DivePlan &plan : plans)
        CheckAgainstPlan(rig.dir.filePath(DiveFile(serial, plan)), plan);

    // Logging restarted at the third session's block; the restart search
    // stops at the erased block below it, and the blocks between the break
    // and that one are never read.
    const quint32 restart = memory.Sessions().at(2).start;
    QCOMPARE(restart & 0x7FF, quint32(0));
    const QList<quint32> reads = ReadAddresses(rig.sim.ReceivedFrames(), 0xBC, MemoryId::Profile);
    for (quint32 skipped = restart - 3 * 2048; skipped < restart - 2048; skipped += 64)
        QVERIFY2(!reads.contains(skipped), qPrintable(DeviceList::HexText(skipped, 8)));
    QVERIFY(reads.contains(restart));

    // The 48-entry book holds three dives and erased entries, which read
    // as the highest dive number: it is sorted, rewritten with bytes 12-15
    // cleared, and the pointer names the first entry after the dives.
    const QByteArray book = rig.sim.Memory(0xBC, MemoryId::Eeprom, 0x100, 48 * 16);
    for (int k = 0; k < plans.size(); ++k) {
        QCOMPARE(int((quint8(book.at(k * 16)) << 8) | quint8(book.at(k * 16 + 1))), plans.at(k).diveNumber);
        QCOMPARE(book.mid(k * 16 + 12, 4), QByteArray(4, '\0'));
    }
    QCOMPARE(book.mid(plans.size() * 16, 12), QByteArray(12, char(0xFF)));
    const QByteArray pointer = rig.sim.Memory(0xBC, MemoryId::Eeprom, 5, 2);
    const quint16 corrected = quint16((quint8(pointer.at(0)) << 8) | quint8(pointer.at(1)));
    QCOMPARE(corrected, quint16(0x100 + 16 * plans.size()));
    QVERIFY(corrected != bookPointer);
}

void TestDownload::overwriteAnswersCoverLaterFiles_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("overwritten");
    QTest::newRow("yes to all") << int(WorkerC::ResultYesToAll) << true;
    QTest::newRow("no to all") << int(WorkerC::ResultNoToAll) << false;
}

// The first overwrite question's "to all" answer decides every later file
// of the download without asking again.
void TestDownload::overwriteAnswersCoverLaterFiles()
{
    QFETCH(int, answer);
    QFETCH(bool, overwritten);
    Rig rig(SimProfile::ColourV1Usb);
    const QVector<DivePlan> plans = Day(QDateTime(QDate(2026, 6, 2), QTime(8, 0, 0)), 3, false);
    SimLogMemory memory(Format::ColourV1, plans);
    QVERIFY(rig.Lay(memory));
    QVERIFY(rig.Connect());
    QVERIFY(rig.PrepareV1());
    QVERIFY(rig.Download("DownloadV1DownloadData"));
    const QString serial = SerialOf(rig.worker);
    const QByteArray stale("not a log file");
    for (const DivePlan &plan : plans) {
        QFile file(rig.dir.filePath(DiveFile(serial, plan)));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(stale);
    }

    rig.probe.questions.clear();
    rig.probe.refreshed.clear();
    rig.probe.answers = {answer};
    QVERIFY(rig.PrepareV1(true));
    QVERIFY(rig.Download("DownloadV1DownloadData"));
    QCOMPARE(rig.probe.downloadResults.last(), qMakePair(true, QString()));
    QCOMPARE(rig.probe.questions,
             QStringList{QStringLiteral("File %1 exists, Do you wish to overwrite it?").arg(DiveFile(serial, plans.first()))});
    QVERIFY(rig.probe.messages.contains(overwritten ? QStringLiteral("3 log files found in memory.  0 skipped - 3 saved")
                                                    : QStringLiteral("3 log files found in memory.  3 skipped - 0 saved")));
    QCOMPARE(rig.probe.refreshed.size(), overwritten ? plans.size() : 0);
    for (const DivePlan &plan : plans) {
        const QString path = rig.dir.filePath(DiveFile(serial, plan));
        if (overwritten) {
            CheckAgainstPlan(path, plan);
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), stale);
        }
    }
}

// The mono ring has wrapped and a dive runs over its end: the scan from the
// logging pointer goes round, and that dive is saved whole.
void TestDownload::monoDiveStraddlesTheWrap()
{
    Rig rig(SimProfile::MonoSerial);
    const QVector<DivePlan> plans = Day(QDateTime(QDate(2026, 7, 1), QTime(8, 0, 0)), 3, false);
    SimLogMemory::Layout layout;
    layout.firstOffset = 0x10000 - quint32(LogRecordGenerator::DiveData({plans.first()}).size()) - 0x200;
    SimLogMemory memory(Format::Mono, plans, layout);
    QVERIFY(rig.Lay(memory));
    const SimLogMemory::Session &straddling = memory.Sessions().at(1);
    QVERIFY(straddling.start + straddling.length > memory.RingStart() + memory.RingSize());
    QVERIFY(memory.RingWrapped());
    QVERIFY(rig.Connect());
    QVERIFY(rig.PrepareV1());
    QVERIFY(rig.Download("DownloadV1DownloadData"));
    QCOMPARE(rig.probe.downloadResults.last(), qMakePair(true, QString()));
    const QString serial = SerialOf(rig.worker);
    QStringList expected;
    for (const DivePlan &plan : plans)
        expected << DiveFile(serial, plan);
    QCOMPARE(rig.Files(QStringLiteral("*.ccl")), expected);
    for (const DivePlan &plan : plans)
        CheckAgainstPlan(rig.dir.filePath(DiveFile(serial, plan)), plan);
    // A mono download keeps no history.
    QVERIFY(rig.Files(QStringLiteral("*.dat")).isEmpty());
    QCOMPARE(rig.Files(QStringLiteral("*.ccx")).size(), 1);
}

void TestDownload::colourV2DivesInDivesOut()
{
    Rig rig(SimProfile::ColourV2Usb);
    const QDateTime day(QDate(2026, 8, 9), QTime(10, 0, 0));
    const QVector<DivePlan> plans{Plan(21, day, 5, 20.0, true), Plan(22, day.addSecs(5400), 6, 14.0, true),
                                  Plan(23, day.addSecs(10800), 4, 9.0, true)};
    SimLogMemory memory(Format::ColourV2, plans);
    QVERIFY(rig.Lay(memory));
    QVERIFY(rig.Connect());
    QCOMPARE(rig.worker->RBDataSnapshot().DisplayLoggingFormat(), int(RBData::LoggingFormatColourV2));
    QVERIFY(rig.ReadLogBook());
    QCOMPARE(rig.probe.logBookResults.last(), qMakePair(true, QStringLiteral("Log book read completed")));
    LogBookV2 *book = rig.worker->GetLogBookV2();
    QCOMPARE(book->Count(), 3);
    QCOMPARE(book->At(0)->DiveNumber(), 23); // newest first
    for (int k = 0; k < 3; ++k)
        QVERIFY(book->At(k)->AreDownloadLocationsValid() && book->At(k)->inMemory);

    // Select the oldest and the newest.
    book->SelectOne(21, true);
    book->SelectOne(23, true);
    QVERIFY(rig.SelectionChanged());
    QVERIFY(rig.Download("DownloadV2DownloadData"));
    QCOMPARE(rig.probe.downloadResults.last(), qMakePair(true, QString()));
    const QString serial = SerialOf(rig.worker);
    QCOMPARE(rig.Files(QStringLiteral("*.ccl")), QStringList({DiveFile(serial, plans.at(0)), DiveFile(serial, plans.at(2))}));
    QVERIFY(rig.Files(QStringLiteral("*.ccx")).isEmpty());
    CheckAgainstPlan(rig.dir.filePath(DiveFile(serial, plans.at(0))), plans.at(0));
    CheckAgainstPlan(rig.dir.filePath(DiveFile(serial, plans.at(2))), plans.at(2));

    // New dives after that download: only the one not on the computer.
    QVERIFY(rig.ReadLogBook());
    book->MarkDownloadedBefore(rig.dir.path());
    QVERIFY(book->SelectNewDives());
    QVERIFY(!book->IsSelected(21) && book->IsSelected(22) && !book->IsSelected(23));
    QVERIFY(rig.SelectionChanged());
    QVERIFY(rig.Download("DownloadV2DownloadData"));
    QCOMPARE(rig.Files(QStringLiteral("*.ccl")).size(), 3);
    CheckAgainstPlan(rig.dir.filePath(DiveFile(serial, plans.at(1))), plans.at(1));
}

void TestDownload::colourV2Rings_data()
{
    QTest::addColumn<SimProfile>("profile");
    QTest::addColumn<int>("dives");
    QTest::addColumn<int>("firstLogBookSlot");
    QTest::addColumn<quint32>("ringSize");     // 0: the whole region
    QTest::addColumn<quint32>("fromRingEnd");  // where the first session starts, back from the ring's end; 0: at its start
    QTest::addColumn<bool>("countTurns");

    // Over Bluetooth the whole ring of 2048 records is 32 block reads.
    QTest::newRow("log book wrapped") << SimProfile::ColourV2Bluetooth << 4 << 2046 << 0u << 0u << false;
    QTest::newRow("dive straddles the log data wrap") << SimProfile::ColourV2Usb << 3 << 0 << 0u << 0x900u << false;
    QTest::newRow("dives pushed out of memory") << SimProfile::ColourV2Usb << 8 << 0 << 0x2000u << 0u << true;
}

// Every dive of the log book is listed; those still in the log data ring
// are downloaded whole, the others are marked out of memory and get no file.
void TestDownload::colourV2Rings()
{
    QFETCH(SimProfile, profile);
    QFETCH(int, dives);
    QFETCH(int, firstLogBookSlot);
    QFETCH(quint32, ringSize);
    QFETCH(quint32, fromRingEnd);
    QFETCH(bool, countTurns);
    Rig rig(profile);
    const QVector<DivePlan> plans = Day(QDateTime(QDate(2026, 9, 1), QTime(7, 0, 0)), dives, true);
    SimLogMemory::Layout layout;
    layout.firstLogBookSlot = firstLogBookSlot;
    layout.ringSize = ringSize;
    layout.countTurns = countTurns;
    if (fromRingEnd)
        layout.firstOffset = (ringSize ? ringSize : 0x1FF0000) - fromRingEnd;
    SimLogMemory memory(Format::ColourV2, plans, layout);
    QVERIFY(rig.Lay(memory));
    QCOMPARE(memory.LogBookWrapped(), firstLogBookSlot + dives > 2048);
    if (fromRingEnd) {
        const SimLogMemory::Session &s = memory.Sessions().at(1);
        QVERIFY2(s.start + s.length > SimLogMemory::ProfileMemoryEnd, "the second dive straddles the wrap");
    }
    bool anyGone = false;
    for (const SimLogMemory::Session &s : memory.Sessions())
        anyGone = anyGone || !s.intact;
    QCOMPARE(anyGone, countTurns);

    QVERIFY(rig.Connect());
    QVERIFY(rig.ReadLogBook());
    QCOMPARE(rig.probe.logBookResults.last(), qMakePair(true, QStringLiteral("Log book read completed")));
    LogBookV2 *book = rig.worker->GetLogBookV2();
    QCOMPARE(book->Count(), dives);
    QVERIFY(book->SelectAllDives());
    // The oldest dive's power-on data is taken from the start of the ring:
    // with the sessions near its end, that is the whole 32 MiB ring.
    if (fromRingEnd)
        QVERIFY(book->SelectOne(plans.first().diveNumber, false));
    QVERIFY(rig.SelectionChanged());
    QVERIFY(rig.Download("DownloadV2DownloadData"));
    QCOMPARE(rig.probe.downloadResults.last(), qMakePair(true, QString()));

    const QString serial = SerialOf(rig.worker);
    int inMemory = 0;
    QVector<bool> kept(dives, false); // by plan, oldest first
    for (const SimLogMemory::Session &s : memory.Sessions()) {
        const DivePlan &plan = plans.at(s.plan);
        const LogBookRecord *record = book->At(dives - 1 - s.plan); // newest first
        QVERIFY(record);
        QCOMPARE(record->DiveNumber(), plan.diveNumber);
        const QString path = rig.dir.filePath(DiveFile(serial, plan));
        if (!s.intact)
            QVERIFY2(!record->inMemory, qPrintable(QString::number(plan.diveNumber)));
        kept[s.plan] = record->inMemory;
        QVERIFY2(record->AreDownloadLocationsValid(), qPrintable(QString::number(plan.diveNumber)));
        const QString gone = QStringLiteral("Dive %1 is no longer in the handset's memory, no file saved")
                                 .arg(plan.diveNumber);
        if (record->inMemory && record->selected) {
            ++inMemory;
            CheckAgainstPlan(path, plan);
        } else {
            QVERIFY2(!QFile::exists(path), qPrintable(path));
        }
        // A selected dive that got no file is named in the window's messages.
        QCOMPARE(rig.probe.messages.contains(gone), record->selected && !record->inMemory);
    }
    QVERIFY(inMemory > 0);
    // Only the oldest dives are given up, never one newer than a dive that
    // is kept; the newest is always kept.
    QVERIFY(kept.last());
    for (int i = 1; i < dives; ++i)
        QVERIFY2(kept[i] || !kept[i - 1], qPrintable(QStringLiteral("dive %1 given up, an older one kept").arg(i + 1)));
    if (!countTurns)
        QCOMPARE(inMemory, fromRingEnd ? dives - 1 : dives);
}

void TestDownload::colourV2LogDataStartOutsideItsMemory_data()
{
    QTest::addColumn<quint32>("stored");
    QTest::newRow("past the top of the log memory") << 0x11111111u;
    QTest::newRow("below the log data region") << 0x00000100u;
}

// A log data start outside the log data memory in the Services Relocation
// block (damaged or foreign code) counts as unset: the dives stay in memory
// and download whole.
void TestDownload::colourV2LogDataStartOutsideItsMemory()
{
    QFETCH(quint32, stored);
    Rig rig(SimProfile::ColourV2Usb);
    const QDateTime day(QDate(2026, 8, 10), QTime(9, 0, 0));
    const QVector<DivePlan> plans{Plan(31, day, 5, 18.0, true), Plan(32, day.addSecs(7200), 4, 12.0, true)};
    SimLogMemory memory(Format::ColourV2, plans);
    QVERIFY(rig.Lay(memory));
    DeviceList catalogue;
    quint8 memoryId = 0;
    quint32 start = 0, size = 0;
    QVERIFY(catalogue.GetRegion(DeviceId::DisplayColour, RegionId::LoggingPointers, memoryId, start, size));
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char(stored >> (8 * i));
    rig.sim.WithBus([&](SimulatedBus &bus) {
        bus.Unit(DeviceId::DisplayColour)
            ->WriteMemory(memoryId, start + SimLogMemory::ServicesRelocationOffset + SimLogMemory::LogDataStartOffset, bytes);
    });

    QVERIFY(rig.Connect());
    QVERIFY(rig.ReadLogBook());
    QCOMPARE(rig.probe.logBookResults.last(), qMakePair(true, QStringLiteral("Log book read completed")));
    LogBookV2 *book = rig.worker->GetLogBookV2();
    QCOMPARE(book->Count(), 2);
    for (int k = 0; k < 2; ++k)
        QVERIFY(book->At(k)->AreDownloadLocationsValid() && book->At(k)->inMemory);
    QVERIFY(book->SelectAllDives());
    QVERIFY(rig.SelectionChanged());
    QVERIFY(rig.Download("DownloadV2DownloadData"));
    QCOMPARE(rig.probe.downloadResults.last(), qMakePair(true, QString()));
    const QString serial = SerialOf(rig.worker);
    for (const DivePlan &plan : plans)
        CheckAgainstPlan(rig.dir.filePath(DiveFile(serial, plan)), plan);
}

void TestDownload::colourV2VirginUnit()
{
    Rig rig(SimProfile::ColourV2Usb);
    SimLogMemory nothing(Format::ColourV2, {});
    QVERIFY(rig.Lay(nothing));
    QVERIFY(rig.Connect());
    QVERIFY(rig.ReadLogBook());
    QCOMPARE(rig.probe.logBookResults.last(), qMakePair(false, QStringLiteral("Log book read completed, No Logged Data")));
    QCOMPARE(rig.worker->GetLogBookV2()->Count(), 0);
}

void TestDownload::nothingLoggedEndsAtOnce()
{
    Rig rig(SimProfile::ColourV1Usb);
    SimLogMemory nothing(Format::ColourV1, {});
    QVERIFY(rig.Lay(nothing));
    QVERIFY(rig.Connect());
    QVERIFY(rig.PrepareV1());
    QVERIFY(rig.Download("DownloadV1DownloadData"));
    QCOMPARE(rig.probe.downloadResults.last(), qMakePair(true, QStringLiteral("No data in memory to download")));
    QVERIFY(QDir(rig.dir.path()).entryList(QDir::Files).isEmpty());
}

void TestDownload::unplugAndAbortSaveNothing_data()
{
    QTest::addColumn<bool>("abort");
    QTest::newRow("unplugged") << false;
    QTest::newRow("aborted") << true;
}

void TestDownload::unplugAndAbortSaveNothing()
{
    QFETCH(bool, abort);
    Rig rig(SimProfile::ColourV1Usb);
    SimLogMemory memory(Format::ColourV1, {Plan(1, QDateTime(QDate(2026, 5, 2), QTime(9, 0, 0)), 20, 18.0, false)});
    QVERIFY(rig.Lay(memory));
    QVERIFY(rig.Connect());
    QVERIFY(rig.PrepareV1());
    if (abort)
        rig.probe.onFirstProgress = [&] { rig.worker->DownloadAbort(); };
    else
        rig.sim.UnplugAfterFrames(rig.sim.ReceivedFrameCount() + 30);
    QVERIFY(rig.Download("DownloadV1DownloadData"));
    QCOMPARE(rig.probe.downloadResults.last(),
             abort ? qMakePair(true, QStringLiteral("Download aborted")) : qMakePair(false, QStringLiteral("Download failed")));
    QVERIFY2(QDir(rig.dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty(),
             qPrintable(QDir(rig.dir.path()).entryList(QDir::Files | QDir::Hidden).join(' ')));
}

void TestDownload::faultsGiveTheSameFiles()
{
    const QDateTime day(QDate(2026, 5, 2), QTime(9, 0, 0));
    const QVector<DivePlan> plans{Plan(1, day, 4, 18.0, false), Plan(2, day.addSecs(3600), 3, 9.0, false)};
    QMap<QString, QStringList> clean;
    for (bool faulty : {false, true}) {
        Rig rig(SimProfile::ColourV1Usb);
        SimLogMemory memory(Format::ColourV1, plans);
        QVERIFY(rig.Lay(memory));
        QVERIFY(rig.Connect());
        if (faulty) {
            SimFaultRates rates;
            rates.noReply = rates.truncatedReply = rates.corruptChecksum = rates.wrongHeader = rates.statusError =
                rates.chunkedReply = rates.delayedReply = 0.01 / 7;
            rates.delayMs = 600;
            rig.sim.SetFaultRates(rates);
            SimTiming timing;
            timing.lineRate = true;
            rig.sim.SetTiming(timing);
        }
        QVERIFY(rig.PrepareV1(true));
        QVERIFY(rig.Download("DownloadV1DownloadData"));
        QCOMPARE(rig.probe.downloadResults.last(), qMakePair(true, QString()));
        for (const QString &name : rig.Files(QStringLiteral("*.ccl"))) {
            const QStringList lines = ContentLines(rig.dir.filePath(name));
            if (!faulty)
                clean.insert(name, lines);
            else
                QCOMPARE(lines, clean.value(name));
        }
        QCOMPARE(clean.size(), 2);
    }
}

void TestDownload::ccxImageIsProcessedAgain()
{
    Rig rig(SimProfile::ColourV1Usb);
    const QDateTime day(QDate(2026, 5, 2), QTime(9, 0, 0));
    SimLogMemory memory(Format::ColourV1, {Plan(1, day, 4, 18.0, false), Plan(2, day.addSecs(3600), 3, 9.0, false)});
    QVERIFY(rig.Lay(memory));
    QVERIFY(rig.Connect());
    QVERIFY(rig.PrepareV1());
    QVERIFY(rig.Download("DownloadV1DownloadData"));
    const QStringList ccl = rig.Files(QStringLiteral("*.ccl"));
    QCOMPARE(ccl.size(), 2);
    QMap<QString, QStringList> original;
    for (const QString &name : ccl) {
        original.insert(name, ContentLines(rig.dir.filePath(name)));
        QVERIFY(QFile::remove(rig.dir.filePath(name)));
    }

    QList<QPair<bool, QString>> results;
    QStringList messages;
    QObject::connect(rig.worker, &WorkerC::ProcessCCXResult, &rig.probe,
                     [&](bool r, const QString &m) { results << qMakePair(r, m); });
    QObject::connect(rig.worker, &WorkerC::ProcessCCXMsg, &rig.probe, [&](const QString &m) { messages << m; });
    const QStringList ccx{rig.dir.filePath(rig.Files(QStringLiteral("*.ccx")).first())};
    QMetaObject::invokeMethod(rig.worker, "ProcessCCXFiles", Q_ARG(QStringList, ccx));
    QVERIFY(QTest::qWaitFor([&] { return !results.isEmpty(); }, 30000));
    QVERIFY2(results.first().first, qPrintable(results.first().second));
    QCOMPARE(rig.Files(QStringLiteral("*.ccl")), ccl);
    for (const QString &name : ccl)
        QCOMPARE(ContentLines(rig.dir.filePath(name)), original.value(name));
    QVERIFY(messages.contains(QStringLiteral("2 log files found in memory.  0 skipped - 2 saved")));
}

QTEST_GUILESS_MAIN(TestDownload)
#include "tst_Download.moc"
