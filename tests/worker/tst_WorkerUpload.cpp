// Uploads through the worker in its own thread, the way the windows drive
// them: the load and upload slots, the questions through the worker's wait
// mechanism, the signals, the device record and the learned write time.

#include "AppSettings.h"
#include "RebreatherSimulator.h"
#include "SimFirmware.h"
#include "SimProfiles.h"
#include "SimulatedPortEnumerator.h"
#include "UploadTestFiles.h"
#include "WorkerC.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace UploadTestFiles;

namespace {

// Lives in the test thread; the worker's signals reach it queued.
class UploadProbe : public QObject
{
public:
    QStringList messages;
    QList<double> progress;
    QList<int> estimates;
    QList<QPair<bool, QString>> loadResults;
    QList<QPair<bool, QString>> uploadResults;
    QStringList questions;
    int confirmations = 0;
    QList<int> deviceStatus;
    QList<int> answers; // yes/no answers in order; yes when they run out
    int confirmation = WorkerC::ResultYes;

    void Attach(WorkerC *w)
    {
        connect(w, &WorkerC::UploadUploadFileMsg, this, [this](const QString &m) { messages << m; });
        connect(w, &WorkerC::UploadUploadFileProgress, this, [this](double p) { progress << p; });
        connect(w, &WorkerC::UploadUploadTimeEstimate, this, [this](int s) { estimates << s; });
        connect(w, &WorkerC::UploadLoadUploadFileResult, this,
                [this](bool r, const QString &m) { loadResults << qMakePair(r, m); });
        connect(w, &WorkerC::UploadUploadFileResult, this,
                [this](bool r, const QString &m) { uploadResults << qMakePair(r, m); });
        connect(w, &WorkerC::DeviceStatusResult, this, [this](int s) { deviceStatus << s; });
        connect(w, &WorkerC::AskYesNoQuestion, this, [this, w](const QString &q) {
            questions << q;
            w->AnswerYesNoQuestion(answers.isEmpty() ? int(WorkerC::ResultYes) : answers.takeFirst());
        });
        connect(w, &WorkerC::AskYesConfirmation, this, [this, w] {
            ++confirmations;
            w->AnswerYesConfirmation(confirmation);
        });
    }
};

class WorkerRig
{
public:
    WorkerRig()
    {
        worker = new WorkerC(std::make_shared<SimulatedPortEnumerator>());
        worker->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::finished, worker, &QObject::deleteLater);
        QObject::connect(&m_thread, &QThread::started, worker, &WorkerC::Start);
        probe.Attach(worker);
        m_thread.start();
        started = QTest::qWaitFor([this] { return !worker->IsWorkInProgress(); }, 10000);
    }
    ~WorkerRig()
    {
        m_thread.quit();
        m_thread.wait();
    }
    bool Open(const QString &path)
    {
        bool opened = false;
        bool answered = false;
        const auto connection = QObject::connect(worker, &WorkerC::OpenComPortResult, &probe, [&](bool r) {
            opened = r;
            answered = true;
        });
        QMetaObject::invokeMethod(worker, "OpenComPort", Q_ARG(QString, path), Q_ARG(QString, QString()),
                                  Q_ARG(bool, true));
        const bool done = QTest::qWaitFor([&] { return answered; }, 15000);
        QObject::disconnect(connection);
        return done && opened;
    }
    bool Load(const QString &path)
    {
        const int before = probe.loadResults.size();
        QMetaObject::invokeMethod(worker, "UploadLoadUploadFile", Q_ARG(QString, path));
        return QTest::qWaitFor([&] { return probe.loadResults.size() > before; }, 15000);
    }
    bool Upload()
    {
        const int before = probe.uploadResults.size();
        QMetaObject::invokeMethod(worker, "UploadUploadFile");
        return QTest::qWaitFor([&] { return probe.uploadResults.size() > before; }, 30000);
    }

    WorkerC *worker = nullptr;
    UploadProbe probe;
    bool started = false;

private:
    QThread m_thread;
};

QString ColourFirmwareFile(const QString &dir, const QByteArray &id, int size = 4096)
{
    return WriteCcr(dir, QStringLiteral("update.ccr"), 0, {ColourFirmware(ColourImage(size, ColourLayout(), 4), id)});
}

} // namespace

class TestWorkerUpload : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void migratingUploadThroughTheWorker();
    void uploadWithoutALoadedFile();
    void loadRefusedByTheConnectedUnits();
    void failedUploadShowsInvalidCode();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestWorkerUpload::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    AppSettings::SetValue(AppSettings::Key::UploadShortWriteTime, 0.13);
    AppSettings::SetValue(AppSettings::Key::UploadBtWriteTime, 0.13);
}

void TestWorkerUpload::migratingUploadThroughTheWorker()
{
    RebreatherSimulator sim(SimProfile::ColourV1Usb); // code 07.00.02: Colour V1
    QVERIFY(sim.Start());
    WorkerRig rig;
    QVERIFY(rig.started);
    QVERIFY(rig.Open(sim.PortPath()));
    QCOMPARE(rig.worker->RBDataSnapshot().DisplayLoggingFormat(), int(RBData::LoggingFormatColourV1));

    QVERIFY(rig.Load(ColourFirmwareFile(m_dir->path(), NewerId())));
    QCOMPARE(rig.probe.loadResults.last(), qMakePair(true, QString()));
    QCOMPARE(rig.probe.messages, (QStringList{"Firmware Upgrade", "Config Absent", "Eeprom Absent"}));
    // 50 pages x 0.13 s.
    QCOMPARE(rig.probe.estimates, QList<int>{6});

    rig.probe.messages.clear();
    QVERIFY(rig.Upload());
    QCOMPARE(rig.probe.uploadResults.last(), qMakePair(true, QStringLiteral("Upload complete")));
    // The logging-system change was asked, in both stages, through the worker.
    QCOMPARE(rig.probe.questions.size(), 1);
    QVERIFY(rig.probe.questions.first().startsWith(QStringLiteral("This Upgrade will change the dive logging system.")));
    QCOMPARE(rig.probe.confirmations, 1);
    QCOMPARE(rig.probe.messages, QStringList{"Upload complete - Verifying data"});
    QCOMPARE(rig.probe.progress.size(), 50);
    QCOMPARE(rig.probe.progress.last(), 1.0);
    QVERIFY(!rig.worker->IsWorkInProgress());

    // The record follows the new code: version, valid code, the V2 format.
    const RBData record = rig.worker->RBDataSnapshot();
    QCOMPARE(record.CodeVersionNumber(DeviceId::DisplayColour), 7001005);
    QVERIFY(record.CodeValidity(DeviceId::DisplayColour));
    QCOMPARE(record.DisplayLoggingFormat(), int(RBData::LoggingFormatColourV2));
    QVERIFY(!rig.probe.deviceStatus.isEmpty());
    // 50 units written: the per-unit time was learned and stored.
    QVERIFY(AppSettings::DoubleValue(AppSettings::Key::UploadShortWriteTime) < 0.13);
    QCOMPARE(AppSettings::DoubleValue(AppSettings::Key::UploadBtWriteTime), 0.13);
}

void TestWorkerUpload::uploadWithoutALoadedFile()
{
    WorkerRig rig;
    QVERIFY(rig.started);
    QVERIFY(rig.Upload());
    QCOMPARE(rig.probe.uploadResults.last(),
             qMakePair(false, QStringLiteral("Upload not permitted~~~No update file loaded")));

    // A failed load leaves nothing to upload either.
    QVERIFY(rig.Load(m_dir->filePath(QStringLiteral("update.hex"))));
    QCOMPARE(rig.probe.loadResults.last(), qMakePair(false, QStringLiteral("Invalid file extension")));
    QVERIFY(rig.Upload());
    QVERIFY(!rig.probe.uploadResults.last().first);
    QVERIFY(rig.probe.estimates.isEmpty());
}

void TestWorkerUpload::loadRefusedByTheConnectedUnits()
{
    RebreatherSimulator sim(SimProfile::ColourV2Usb);
    QVERIFY(sim.Start());
    WorkerRig rig;
    QVERIFY(rig.Open(sim.PortPath()));
    BlockContent mono;
    mono.deviceId = DeviceId::DisplayMono;
    mono.flash.insert(0x4100, Pattern(256, 1));
    QVERIFY(rig.Load(WriteCcr(m_dir->path(), QStringLiteral("mono.ccr"), 0, {mono})));
    QCOMPARE(rig.probe.loadResults.last(), qMakePair(false, QStringLiteral("Upload not permitted~~~")));
    QCOMPARE(rig.probe.messages.last(), QStringLiteral("Error, Code is for a mono display - Colour display connected"));
    QVERIFY(rig.probe.estimates.isEmpty());
    QVERIFY(!rig.worker->IsWorkInProgress());
}

void TestWorkerUpload::failedUploadShowsInvalidCode()
{
    RebreatherSimulator sim(SimProfile::ColourV2Usb);
    QVERIFY(sim.Start());
    sim.WithBus([](SimulatedBus &bus) {
        SimFirmware::RefuseFlashWritesAt(*bus.Unit(DeviceId::DisplayColour), {0x1800});
    });
    WorkerRig rig;
    QVERIFY(rig.Open(sim.PortPath()));
    QVERIFY(rig.Load(ColourFirmwareFile(m_dir->path(), NewerId())));
    QVERIFY(rig.probe.loadResults.last().first);
    rig.probe.deviceStatus.clear();
    QVERIFY(rig.Upload());
    QCOMPARE(rig.probe.uploadResults.last(), qMakePair(false, QStringLiteral("Upload failed")));
    const RBData record = rig.worker->RBDataSnapshot();
    QVERIFY(!record.CodeValidity(DeviceId::DisplayColour));
    QCOMPARE(record.FieldStatus(DeviceId::DisplayColour, RBData::FieldCodeValidity), int(RBData::StatusError));
    QCOMPARE(rig.probe.deviceStatus, QList<int>{int(RBData::StatusError)});
    // 18 pages were written before the refusal: too few to learn from.
    QCOMPARE(AppSettings::DoubleValue(AppSettings::Key::UploadShortWriteTime), 0.13);
}

QTEST_GUILESS_MAIN(TestWorkerUpload)
#include "tst_WorkerUpload.moc"
