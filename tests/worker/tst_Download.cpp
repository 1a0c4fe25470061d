// Downloads end to end: dives generated from plans are put into a simulated
// handset's memory as the handset stores them, the worker runs in its own
// thread and reads them through the real serial-port code, and the files it
// writes are loaded back and compared with the plans.

#include "DeviceList.h"
#include "LogBookV2.h"
#include "LogRecordGenerator.h"
#include "QuorLog.h"
#include "QuorLogSession.h"
#include "RebreatherSimulator.h"
#include "RecordScrambler.h"
#include "RixComms.h"
#include "LogFileWriter.h"
#include "SimulatedPortEnumerator.h"
#include "StandardRecordFile.h"
#include "WorkerC.h"
#include "HandsetLogFixture.h"

#include <QtTest>

#include <cmath>
#include <functional>
#include <memory>

namespace {

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

} // namespace

class TestDownload : public QObject
{
    Q_OBJECT

private slots:
    void colourV1DivesInDivesOut();
    void monoDivesInDivesOut();
    void colourV2DivesInDivesOut();
    void colourV2VirginUnit();
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
    QVector<DivePlan> first{Plan(11, day, 6, 18.0, false), Plan(12, day.addSecs(3 * 3600), 5, 12.0, false)};
    QByteArray data = LogRecordGenerator::DiveData(first);
    PlaceColourV1(rig.sim, data);
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
    QFile history(rig.dir.filePath(serial + QStringLiteral("_DownloadHistory.dat")));
    QVERIFY(history.open(QIODevice::ReadOnly));
    QVERIFY(history.readAll().contains(QByteArray("0x") + DeviceList::HexText(LogStart + quint32(data.size()) - 1, 8).toLatin1()));
    history.close();

    // New dives: the next download starts at the block that held the last
    // finish and asks before replacing the files it already has.
    const QVector<DivePlan> later{Plan(13, day.addDays(1), 7, 24.0, false)};
    const quint32 lastFinish = LogStart + quint32(data.size()) - 1;
    data += LogRecordGenerator::DiveData(later);
    PlaceColourV1(rig.sim, data);
    rig.probe.answers = {WorkerC::ResultNoToAll};
    QVERIFY(rig.PrepareV1());
    rig.sim.ClearReceivedFrames();
    QVERIFY(rig.Download("DownloadV1DownloadData"));
    QCOMPARE(rig.probe.downloadResults.last(), qMakePair(true, QString()));
    quint32 firstLogRead = 0xFFFFFFFF;
    for (const SimFrameRecord &f : rig.sim.ReceivedFrames()) {
        const quint8 command = quint8(f.bytes.at(5));
        if (quint8(f.bytes.at(4)) == 0xBC && (command & 0x3F) != 0 && (command & 0x3F) == RixComms::ReadCode(MemoryId::Profile)) {
            firstLogRead = (quint32(command & 0xC0) << 18) | (quint32(quint8(f.bytes.at(6))) << 16)
                           | (quint32(quint8(f.bytes.at(7))) << 8) | quint8(f.bytes.at(8));
            break;
        }
    }
    QCOMPARE(firstLogRead, lastFinish & ~quint32(0x7FF));
    QVERIFY(rig.Files(QStringLiteral("*.ccl")).contains(serial + QStringLiteral("_260503_090030.ccl")));
    CheckAgainstPlan(rig.dir.filePath(serial + QStringLiteral("_260503_090030.ccl")), later.first());
    // Only the re-read dive's file existed: one question, answered NO TO ALL.
    QCOMPARE(rig.probe.questions.size(), 1);
}

void TestDownload::monoDivesInDivesOut()
{
    Rig rig(SimProfile::MonoSerial);
    const QDateTime day(QDate(2026, 7, 1), QTime(8, 0, 0));
    const QVector<DivePlan> plans{Plan(1, day, 4, 10.0, false), Plan(2, day.addSecs(7200), 4, 15.0, false)};
    const QByteArray data = LogRecordGenerator::DiveData(plans);
    // The ring wraps: the older session lies at its end, the newer at its start.
    const QByteArray older = LogRecordGenerator::DiveData({plans.at(0)});
    const QByteArray newer = LogRecordGenerator::DiveData({plans.at(1)});
    const quint32 olderAt = 0x10000 - quint32(older.size());
    rig.sim.SetMemory(0xB0, MemoryId::Flash, LogStart, QByteArray(0x10000, char(0xFF))); // only these dives
    PlaceMono(rig.sim, older, olderAt, quint32(newer.size()));
    PlaceMono(rig.sim, newer, 0, quint32(newer.size()));
    Q_UNUSED(data)
    QVERIFY(rig.Connect());
    QVERIFY(rig.PrepareV1());
    QVERIFY(rig.Download("DownloadV1DownloadData"));
    QCOMPARE(rig.probe.downloadResults.last(), qMakePair(true, QString()));
    const QString serial = SerialOf(rig.worker);
    const QStringList ccl = rig.Files(QStringLiteral("*.ccl"));
    QCOMPARE(ccl, QStringList({serial + QStringLiteral("_260701_080030.ccl"), serial + QStringLiteral("_260701_100030.ccl")}));
    CheckAgainstPlan(rig.dir.filePath(ccl.at(0)), plans.at(0));
    CheckAgainstPlan(rig.dir.filePath(ccl.at(1)), plans.at(1));
    // A mono download keeps no history.
    QVERIFY(rig.Files(QStringLiteral("*.dat")).isEmpty());
    QCOMPARE(rig.Files(QStringLiteral("*.ccx")).size(), 1);
}

void TestDownload::colourV2DivesInDivesOut()
{
    Rig rig(SimProfile::ColourV2Usb);
    const QDateTime day(QDate(2026, 8, 9), QTime(10, 0, 0));
    QVector<DivePlan> plans{Plan(21, day, 5, 20.0, true), Plan(22, day.addSecs(5400), 6, 14.0, true),
                            Plan(23, day.addSecs(10800), 4, 9.0, true)};
    PlaceV2(rig.sim, LayoutV2(plans));
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
    QCOMPARE(rig.Files(QStringLiteral("*.ccl")),
             QStringList({serial + QStringLiteral("_260809_100030.ccl"), serial + QStringLiteral("_260809_130030.ccl")}));
    QVERIFY(rig.Files(QStringLiteral("*.ccx")).isEmpty());
    CheckAgainstPlan(rig.dir.filePath(serial + QStringLiteral("_260809_100030.ccl")), plans.at(0));
    CheckAgainstPlan(rig.dir.filePath(serial + QStringLiteral("_260809_130030.ccl")), plans.at(2));

    // New dives after that download: only the one not on the computer.
    QVERIFY(rig.ReadLogBook());
    book->MarkDownloadedBefore(rig.dir.path());
    QVERIFY(book->SelectNewDives());
    QVERIFY(!book->IsSelected(21) && book->IsSelected(22) && !book->IsSelected(23));
    QVERIFY(rig.SelectionChanged());
    QVERIFY(rig.Download("DownloadV2DownloadData"));
    QCOMPARE(rig.Files(QStringLiteral("*.ccl")).size(), 3);
    CheckAgainstPlan(rig.dir.filePath(serial + QStringLiteral("_260809_113030.ccl")), plans.at(1));
}

void TestDownload::colourV2VirginUnit()
{
    Rig rig(SimProfile::ColourV2Usb);
    rig.sim.SetMemory(0xBC, MemoryId::Eeprom, 1, QByteArray(6, '\0'));
    QVERIFY(rig.Connect());
    QVERIFY(rig.ReadLogBook());
    QCOMPARE(rig.probe.logBookResults.last(), qMakePair(false, QStringLiteral("Log book read completed, No Logged Data")));
    QCOMPARE(rig.worker->GetLogBookV2()->Count(), 0);
}

void TestDownload::nothingLoggedEndsAtOnce()
{
    Rig rig(SimProfile::ColourV1Usb);
    PlaceColourV1(rig.sim, QByteArray());
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
    const QDateTime day(QDate(2026, 5, 2), QTime(9, 0, 0));
    PlaceColourV1(rig.sim, LogRecordGenerator::DiveData({Plan(1, day, 20, 18.0, false)}));
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
    const QByteArray data = LogRecordGenerator::DiveData({Plan(1, day, 4, 18.0, false), Plan(2, day.addSecs(3600), 3, 9.0, false)});
    QMap<QString, QStringList> clean;
    for (bool faulty : {false, true}) {
        Rig rig(SimProfile::ColourV1Usb);
        PlaceColourV1(rig.sim, data);
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
    const QVector<DivePlan> plans{Plan(1, day, 4, 18.0, false), Plan(2, day.addSecs(3600), 3, 9.0, false)};
    PlaceColourV1(rig.sim, LogRecordGenerator::DiveData(plans));
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
