// The worker in its own thread, talking through the real serial-port code to
// simulated rebreathers on pseudo-terminals.

#include "LogCollector.h"
#include "DeviceList.h"
#include "RebreatherSimulator.h"
#include "RixComms.h"
#include "RtcClock.h"
#include "SimClockUnit.h"
#include "SimulatedPortEnumerator.h"
#include "WorkerC.h"

#include <QtTest>

#include <atomic>
#include <functional>
#include <limits>
#include <memory>

namespace {

// How long a wait on a condition may take before the test gives up: it
// costs nothing when the condition comes, and a busy machine gets its time.
constexpr int kPatienceMs = 60000;

// Lives in the test thread; every worker signal reaches it queued, so the
// recorded lists are only touched by the test thread.
class WorkerProbe : public QObject
{
    Q_OBJECT
public:
    QList<int> statuses;
    QStringList serials;
    QList<bool> openResults;
    QList<bool> closeResults;
    QStringList searchMessages;
    QStringList searchEnds; // "finished", "cancelled", "aborted", "accepted"
    QString acceptedLocation;
    QStringList questions;
    QList<int> synchRequired;
    QList<QDateTime> displayedTimes;
    QList<int> deviceStatus;
    QStringList generalMessages;
    int portCountChanges = 0;
    // Answers given to DEVICE FOUND, in order; NEXT DEVICE when they run out.
    QList<int> answers;
    std::function<void()> beforeAnswer;
    // Runs when a search end arrives, before the end is handed back to the
    // worker as handled (as the main window does).
    std::function<void()> onSearchEnd;

    void Attach(WorkerC *w)
    {
        connect(w, &WorkerC::ConnectionStatusResult, this, [this](int s, const QString &serial) {
            statuses << s;
            serials << serial;
        });
        connect(w, &WorkerC::OpenComPortResult, this, [this](bool r) { openResults << r; });
        connect(w, &WorkerC::CloseComPortResult, this, [this](bool r) { closeResults << r; });
        connect(w, &WorkerC::ComPortSearchMsg, this, [this](const QString &m) { searchMessages << m; });
        const auto ended = [this, w](const QString &how) {
            searchEnds << how;
            if (onSearchEnd)
                onSearchEnd();
            w->ComPortSearchEndHandled();
        };
        connect(w, &WorkerC::ComPortSearchFinished, this, [ended] { ended("finished"); });
        connect(w, &WorkerC::ComPortSearchCancelled, this, [ended] { ended("cancelled"); });
        connect(w, &WorkerC::ComPortSearchAborted, this, [ended] { ended("aborted"); });
        connect(w, &WorkerC::ComPortSearchAccepted, this,
                [this, ended](const QString &location, const QString &) {
                    acceptedLocation = location;
                    ended("accepted");
                });
        connect(w, &WorkerC::GeneralMsg, this, [this](const QString &m) { generalMessages << m; });
        connect(w, &WorkerC::AskCancelNextConnectQuestion, this, [this, w](const QString &detail) {
            questions << detail;
            if (beforeAnswer)
                beforeAnswer();
            const int answer = answers.isEmpty() ? WorkerC::ResultNextDevice : answers.takeFirst();
            w->AnswerCancelNextConnectQuestion(answer);
        });
        connect(w, &WorkerC::ClockSynchRequired, this, [this](int d) { synchRequired << d; });
        connect(w, &WorkerC::ClockDisplayDateTime, this,
                [this](const QDateTime &dt) { displayedTimes << dt; });
        connect(w, &WorkerC::DeviceStatusResult, this, [this](int s) { deviceStatus << s; });
        connect(w, &WorkerC::NumberOfComPortsChanged, this, [this] { ++portCountChanges; });
    }
};

// A worker started in its own thread the way the main window starts it.
class WorkerRig
{
public:
    explicit WorkerRig(std::shared_ptr<SimulatedPortEnumerator> ports =
                           std::make_shared<SimulatedPortEnumerator>(),
                       std::function<QDateTime()> computerClock = nullptr)
        : m_ports(std::move(ports))
    {
        worker = new WorkerC(m_ports);
        if (computerClock)
            worker->SetComputerClock(std::move(computerClock));
        worker->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::finished, worker, &QObject::deleteLater);
        QObject::connect(&m_thread, &QThread::started, worker, &WorkerC::Start);
        probe.Attach(worker);
        m_thread.start();
        started = QTest::qWaitFor([this] { return !worker->IsWorkInProgress(); }, kPatienceMs);
        QMetaObject::invokeMethod(worker, "SetMessageLevel", Q_ARG(int, 0));
    }
    ~WorkerRig()
    {
        m_thread.quit();
        m_thread.wait();
    }

    void Open(const QString &path)
    {
        QMetaObject::invokeMethod(worker, "OpenComPort", Q_ARG(QString, path),
                                  Q_ARG(QString, QStringLiteral("test port")), Q_ARG(bool, true));
    }
    bool WaitForOpenResult(int timeoutMs = kPatienceMs)
    {
        return QTest::qWaitFor([this] { return !probe.openResults.isEmpty(); }, timeoutMs);
    }
    bool WaitForSearchEnd(int ends = 1, int timeoutMs = kPatienceMs)
    {
        return QTest::qWaitFor([this, ends] { return probe.searchEnds.size() >= ends; }, timeoutMs)
               && QTest::qWaitFor([this] { return !worker->IsWorkInProgress(); }, timeoutMs);
    }
    // Waits until the worker's ping has run n more times (each run asks for
    // the port list) and everything it sent has arrived.
    bool WaitForPings(int n, int timeoutMs = kPatienceMs)
    {
        const int target = m_ports->EnumerationCount() + n;
        return QTest::qWaitFor([this, target] { return m_ports->EnumerationCount() >= target; }, timeoutMs)
               && WaitIdle(timeoutMs);
    }
    bool WaitForStatusCount(int n, int timeoutMs = kPatienceMs)
    {
        return QTest::qWaitFor([this, n] { return probe.statuses.size() >= n; }, timeoutMs);
    }
    // Waits until everything queued to the worker so far has run and its
    // signals have reached the probe.
    bool WaitIdle(int timeoutMs = kPatienceMs)
    {
        auto seen = std::make_shared<bool>(false);
        WorkerProbe *probePtr = &probe;
        QMetaObject::invokeMethod(
            worker,
            [probePtr, seen] { QMetaObject::invokeMethod(probePtr, [seen] { *seen = true; }); },
            Qt::QueuedConnection);
        return QTest::qWaitFor([seen] { return *seen; }, timeoutMs);
    }

    WorkerC *worker = nullptr;
    WorkerProbe probe;
    bool started = false; // the start-up step has run

private:
    std::shared_ptr<SimulatedPortEnumerator> m_ports;
    QThread m_thread;
};

std::unique_ptr<RebreatherSimulator> StartSimulator(SimProfile profile)
{
    auto sim = std::make_unique<RebreatherSimulator>(profile);
    QString error;
    if (!sim->Start(&error))
        qWarning() << "simulator did not start:" << error;
    return sim;
}

constexpr int EepromErased = 1 << 30;

int LocalUtcOffset()
{
    return QDateTime::currentDateTime().offsetFromUtc();
}

SimClockUnit *ClockOf(SimulatedBus &bus)
{
    return dynamic_cast<SimClockUnit *>(bus.Unit(DeviceId::Rtc));
}

// Reads of the code-details region (Flash 0x200000) sent to a unit.
int CodeDetailReads(const RebreatherSimulator &sim, quint8 deviceId)
{
    int count = 0;
    for (const SimFrameRecord &f : sim.ReceivedFrames()) {
        if (f.bytes.size() < 10)
            continue;
        const quint8 id = quint8(f.bytes.at(4));
        const quint8 cmd = quint8(f.bytes.at(5)) & 0x3F;
        const quint32 addr = (quint32(quint8(f.bytes.at(6))) << 16)
                             | (quint32(quint8(f.bytes.at(7))) << 8) | quint8(f.bytes.at(8));
        if (id == deviceId && cmd == 1 && addr == 0x200000)
            ++count;
    }
    return count;
}

} // namespace

Q_DECLARE_METATYPE(SimProfile)

class TestWorkerC : public QObject
{
    Q_OBJECT

private slots:
    void openIdentifiesHandset_data();
    void openIdentifiesHandset();
    void loggingFormatByDisplayCode_data();
    void loggingFormatByDisplayCode();
    void reopenWhileConnectedIdentifiesAgain();
    void openFailure();
    void closeAfterConnect();
    void unplugWhileConnected();
    void lostIdentificationReply_data();
    void lostIdentificationReply();
    void lostPresenceReplyDuringConnection_data();
    void lostPresenceReplyDuringConnection();
    void lostPingReplyKeepsConnection();
    void bridgeOnly();
    void deviceStatusFromUnits_data();
    void deviceStatusFromUnits();

    void searchOrder();
    void searchSkipsPortWithoutBridge();
    void searchAnswer_data();
    void searchAnswer();
    void nextDeviceOnLastPortRestoresPreviousPort();
    void abortBeforeSearchStarts();
    void abortDuringSearchClosesPortUnderTest();
    void staleAbortDoesNotEndNextSearch();

    void portCountChange();

    void blankRtcTreatedAsAbsent();
    void clockDriftAsksForSynchronisation_data();
    void clockDriftAsksForSynchronisation();
    void clockReadShowsRtcOrInvalid_data();
    void clockReadShowsRtcOrInvalid();
    void synchroniseKeepsEepromBehindRtc_data();
    void synchroniseKeepsEepromBehindRtc();
    void synchroniseOnlyWithinClockYears_data();
    void synchroniseOnlyWithinClockYears();
    void clockTraceLinesFollowMessageLevel_data();
    void clockTraceLinesFollowMessageLevel();

    void initTestCase();
    void cleanupTestCase();
};

void TestWorkerC::initTestCase()
{
    LogCollector::Install();
}

void TestWorkerC::cleanupTestCase()
{
    LogCollector::Uninstall();
}

void TestWorkerC::openIdentifiesHandset_data()
{
    QTest::addColumn<SimProfile>("profile");
    QTest::addColumn<int>("format");
    QTest::newRow("mono") << SimProfile::MonoSerial << int(RBData::LoggingFormatMono);
    QTest::newRow("colour 07.00.02") << SimProfile::ColourV1Usb << int(RBData::LoggingFormatColourV1);
    QTest::newRow("colour 07.01.04") << SimProfile::ColourV2Usb << int(RBData::LoggingFormatColourV2);
}

void TestWorkerC::openIdentifiesHandset()
{
    QFETCH(SimProfile, profile);
    QFETCH(int, format);

    auto sim = StartSimulator(profile);
    WorkerRig rig;
    rig.Open(sim->PortPath());
    QVERIFY(rig.WaitForOpenResult());

    QCOMPARE(rig.probe.openResults, QList<bool>{true});
    QCOMPARE(rig.probe.statuses, (QList<int>{2, 4, 5}));
    QCOMPARE(rig.probe.serials.last(), QString::fromLatin1(SimProfileFacts::HandsetSerial));
    QVERIFY(rig.worker->IsPortOpen());

    const RBData rb = rig.worker->RBDataSnapshot();
    QVERIFY(rb.IsValid());
    QVERIFY(rb.IsHandsetPresent());
    QVERIFY(rb.IsPresent(DeviceId::C1));
    QVERIFY(rb.IsPresent(DeviceId::C2));
    QVERIFY(rb.IsPresent(DeviceId::Rtc));
    QCOMPARE(rb.DisplayLoggingFormat(), format);
    const quint8 display = rb.DisplayDeviceId();
    QCOMPARE(rb.SerialNumber(display), QString::fromLatin1(SimProfileFacts::HandsetSerial));
    QCOMPARE(rb.UserName(display), QString::fromLatin1(SimProfileFacts::UserName));
    QCOMPARE(rb.HardwareConfig(display), SimProfileFacts::HardwareConfig);
    QVERIFY(rb.CodeValidity(display));
    QVERIFY(rb.CodeDetailsValid(display));
    QCOMPARE(rb.OverallStatus(), int(RBData::StatusGood));
    QCOMPARE(rig.probe.deviceStatus, QList<int>{1});

    // The mono handset's format needs no version: its code details are read
    // once (for the record), a colour handset's twice.
    const int expectedReads = format == RBData::LoggingFormatMono ? 1 : 2;
    QCOMPARE(CodeDetailReads(*sim, display), expectedReads);
}

void TestWorkerC::loggingFormatByDisplayCode_data()
{
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<int>("format");
    QTest::newRow("7.0.2") << QByteArray::fromHex("070002") << int(RBData::LoggingFormatColourV1);
    QTest::newRow("7.0.3") << QByteArray::fromHex("070003") << int(RBData::LoggingFormatColourV2);
    QTest::newRow("10.0.0") << QByteArray::fromHex("100000") << int(RBData::LoggingFormatColourV2);
}

void TestWorkerC::loggingFormatByDisplayCode()
{
    QFETCH(QByteArray, version);
    QFETCH(int, format);

    auto sim = StartSimulator(SimProfile::ColourV1Usb);
    sim->WithBus([&version](SimulatedBus &bus) {
        SimProfiles::SetCodeDetails(*bus.Unit(DeviceId::DisplayColour), version);
    });
    WorkerRig rig;
    rig.Open(sim->PortPath());
    QVERIFY(rig.WaitForOpenResult());
    QCOMPARE(rig.worker->RBDataSnapshot().DisplayLoggingFormat(), format);
}

void TestWorkerC::reopenWhileConnectedIdentifiesAgain()
{
    auto mono = StartSimulator(SimProfile::MonoSerial);
    auto colour = StartSimulator(SimProfile::ColourV2Usb);
    WorkerRig rig;
    rig.Open(mono->PortPath());
    QVERIFY(rig.WaitForOpenResult());
    rig.probe.statuses.clear();
    rig.probe.openResults.clear();

    // Opening another port without closing first (the link closes the old one).
    rig.Open(colour->PortPath());
    QVERIFY(rig.WaitForOpenResult());
    QCOMPARE(rig.probe.statuses, (QList<int>{2, 4, 5}));
    const RBData rb = rig.worker->RBDataSnapshot();
    QCOMPARE(rb.DisplayDeviceId(), DeviceId::DisplayColour);
    QCOMPARE(rb.DisplayLoggingFormat(), int(RBData::LoggingFormatColourV2));
}

void TestWorkerC::openFailure()
{
    WorkerRig rig;
    rig.Open(QStringLiteral("/dev/tessaro-no-such-port"));
    QVERIFY(rig.WaitForOpenResult());
    QCOMPARE(rig.probe.openResults, QList<bool>{false});
    QCOMPARE(rig.probe.statuses, (QList<int>{2, 1}));
    QVERIFY(!rig.worker->IsPortOpen());
    QVERIFY(!rig.worker->RBDataSnapshot().IsValid());
}

void TestWorkerC::closeAfterConnect()
{
    auto sim = StartSimulator(SimProfile::MonoSerial);
    WorkerRig rig;
    rig.Open(sim->PortPath());
    QVERIFY(rig.WaitForOpenResult());
    rig.probe.statuses.clear();

    QMetaObject::invokeMethod(rig.worker, "CloseComPort");
    QVERIFY(QTest::qWaitFor([&] { return !rig.probe.closeResults.isEmpty(); }, kPatienceMs));
    QCOMPARE(rig.probe.statuses, (QList<int>{8, 1}));
    QCOMPARE(rig.probe.closeResults, QList<bool>{true});
    QVERIFY(!rig.worker->IsPortOpen());
    QVERIFY(!rig.worker->RBDataSnapshot().IsValid());
}

void TestWorkerC::unplugWhileConnected()
{
    auto sim = StartSimulator(SimProfile::MonoSerial);
    WorkerRig rig;
    rig.Open(sim->PortPath());
    QVERIFY(rig.WaitForOpenResult());
    rig.probe.statuses.clear();

    sim->Unplug();
    // The next ping finds the bridge silent.
    QVERIFY(rig.WaitForStatusCount(2));
    QCOMPARE(rig.probe.statuses, (QList<int>{8, 1}));
    QCOMPARE(rig.probe.closeResults, QList<bool>{true});
    QVERIFY(!rig.worker->IsPortOpen());
    QVERIFY(!rig.worker->RBDataSnapshot().IsValid());
}

void TestWorkerC::lostIdentificationReply_data()
{
    QTest::addColumn<int>("lostReplies");
    QTest::addColumn<bool>("connects");
    QTest::addColumn<QList<int>>("statuses");

    // Over Bluetooth the first frame after opening is often dropped.
    QTest::newRow("first reply lost") << 1 << true << QList<int>{2, 4, 5};
    QTest::newRow("two replies lost") << 2 << true << QList<int>{2, 4, 5};
    QTest::newRow("no reply at all") << 3 << false << QList<int>{2, 1};
}

void TestWorkerC::lostIdentificationReply()
{
    QFETCH(int, lostReplies);
    QFETCH(bool, connects);
    QFETCH(QList<int>, statuses);

    auto sim = StartSimulator(SimProfile::ColourV2Bluetooth);
    for (int i = 0; i < lostReplies; ++i)
        sim->QueueFault(SimFault::NoReply);
    WorkerRig rig;
    rig.Open(sim->PortPath());
    QVERIFY(rig.WaitForOpenResult());
    QCOMPARE(rig.probe.openResults, QList<bool>{connects});
    QCOMPARE(rig.probe.statuses, statuses);
    QCOMPARE(rig.worker->IsPortOpen(), connects);

    int bridgeType = -2;
    QObject::connect(rig.worker, &WorkerC::RemoteSupportResultCmdGetPortDetails, &rig.probe,
                     [&bridgeType](uint, bool, bool, int type, int) { bridgeType = type; });
    QMetaObject::invokeMethod(rig.worker, "RemoteSupportProcessCmdGetPortDetails", Q_ARG(uint, 1));
    QTRY_VERIFY_WITH_TIMEOUT(bridgeType != -2, kPatienceMs);
    if (connects) {
        // The download path can be chosen: Bluetooth handset, log book format.
        QCOMPARE(bridgeType, int(RixComms::BridgeBluetoothHandset));
        QCOMPARE(rig.worker->RBDataSnapshot().DisplayLoggingFormat(), int(RBData::LoggingFormatColourV2));
        return;
    }
    // The state matches RECONNECT and stays there: no ping finds a bridge
    // behind a port that was closed.
    QCOMPARE(bridgeType, -1);
    const int frames = sim->ReceivedFrameCount();
    QVERIFY(rig.WaitForPings(2));
    QCOMPARE(rig.probe.statuses, statuses);
    QCOMPARE(sim->ReceivedFrameCount(), frames);
}

void TestWorkerC::lostPresenceReplyDuringConnection_data()
{
    QTest::addColumn<quint8>("unit");
    QTest::newRow("handset") << DeviceId::DisplayMono;
    QTest::newRow("C1") << DeviceId::C1;
    QTest::newRow("C2") << DeviceId::C2;
    QTest::newRow("clock") << DeviceId::Rtc;
}

void TestWorkerC::lostPresenceReplyDuringConnection()
{
    QFETCH(quint8, unit);

    auto sim = StartSimulator(SimProfile::MonoSerial);
    sim->WithBus([unit](SimulatedBus &bus) {
        ClockOf(bus)->SetOffsetSeconds(LocalUtcOffset());
        // The first presence reply of the unit is lost on the way.
        auto first = std::make_shared<std::atomic<bool>>(true);
        bus.Unit(unit)->SetHandler(0, [first](SimUnit &u, const SimRequest &r) {
            return first->exchange(false) ? SimReply::Silent() : u.DefaultHandle(r);
        });
    });
    WorkerRig rig;
    rig.Open(sim->PortPath());
    QVERIFY(rig.WaitForOpenResult());
    QCOMPARE(rig.probe.statuses, (QList<int>{2, 4, 5}));
    const RBData rb = rig.worker->RBDataSnapshot();
    QVERIFY(rb.IsPresent(unit));
    QCOMPARE(rb.OverallStatus(), int(RBData::StatusGood));
    QCOMPARE(rig.probe.deviceStatus, QList<int>{1});
}

void TestWorkerC::lostPingReplyKeepsConnection()
{
    auto sim = StartSimulator(SimProfile::MonoSerial);
    sim->WithBus([](SimulatedBus &bus) { ClockOf(bus)->SetOffsetSeconds(LocalUtcOffset()); });
    WorkerRig rig;
    rig.Open(sim->PortPath());
    QVERIFY(rig.WaitForOpenResult());
    QVERIFY(rig.WaitIdle());
    rig.probe.statuses.clear();

    // The next ping's reply is lost; its retry and the following ping are answered.
    sim->ClearReceivedFrames();
    sim->QueueFault(SimFault::NoReply);
    QVERIFY(sim->WaitForFrames(3, kPatienceMs));
    QVERIFY(rig.WaitIdle());
    QCOMPARE(rig.probe.statuses, QList<int>{});
    QVERIFY(rig.worker->IsPortOpen());
    QVERIFY(rig.worker->RBDataSnapshot().IsValid());
}

void TestWorkerC::bridgeOnly()
{
    auto sim = StartSimulator(SimProfile::BluetoothBridgeOnly);
    WorkerRig rig;
    rig.Open(sim->PortPath());
    QVERIFY(rig.WaitForOpenResult());
    QCOMPARE(rig.probe.statuses, (QList<int>{2, 4, 7}));
    const RBData rb = rig.worker->RBDataSnapshot();
    QVERIFY(rb.IsValid());
    QVERIFY(!rb.IsHandsetPresent());
    QCOMPARE(rb.DisplayLoggingFormat(), int(RBData::LoggingFormatUndefined));
}

using BusChange = std::function<void(SimulatedBus &)>;
Q_DECLARE_METATYPE(BusChange)

void TestWorkerC::deviceStatusFromUnits_data()
{
    QTest::addColumn<BusChange>("change");
    QTest::addColumn<quint8>("unit");
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("overall");

    QTest::newRow("C2 serial differs") << BusChange([](SimulatedBus &bus) {
        SimProfiles::SetSerialNumber(*bus.Unit(DeviceId::C2), QStringLiteral("23C0041799"));
    }) << DeviceId::C1 << int(RBData::FieldSerialNumber) << 3 << 3;
    QTest::newRow("C1 code not valid") << BusChange([](SimulatedBus &bus) {
        bus.Unit(DeviceId::C1)->WriteMemory(MemoryId::Eeprom, 0, QByteArray(1, '\x10'));
    }) << DeviceId::C1 << int(RBData::FieldCodeValidity) << 3 << 3;
    QTest::newRow("display runs other code") << BusChange([](SimulatedBus &bus) {
        SimProfiles::SetCodeDetails(*bus.Unit(DeviceId::DisplayMono), QByteArray::fromHex("070105"));
    }) << DeviceId::DisplayMono << int(RBData::FieldCodeVersion) << 2 << 2;
    QTest::newRow("C2 missing") << BusChange([](SimulatedBus &bus) {
        bus.RemoveUnit(DeviceId::C2);
    }) << DeviceId::DisplayMono << int(RBData::FieldSerialNumber) << 1 << 1;
}

void TestWorkerC::deviceStatusFromUnits()
{
    QFETCH(BusChange, change);
    QFETCH(quint8, unit);
    QFETCH(int, field);
    QFETCH(int, cell);
    QFETCH(int, overall);

    auto sim = StartSimulator(SimProfile::MonoSerial);
    sim->WithBus(change);
    WorkerRig rig;
    rig.Open(sim->PortPath());
    QVERIFY(rig.WaitForOpenResult());
    QCOMPARE(rig.probe.deviceStatus, QList<int>{overall});
    const RBData rb = rig.worker->RBDataSnapshot();
    QCOMPARE(rb.FieldStatus(unit, RBData::StatusField(field)), cell);
    QCOMPARE(rb.OverallStatus(), overall);
}

void TestWorkerC::searchOrder()
{
    auto ports = std::make_shared<SimulatedPortEnumerator>(QList<SerialPortDescription>{
        {"COM3", "gone", "/dev/tessaro-none-3"},
        {"COM12", "gone", "/dev/tessaro-none-12"},
        {"SIMX", "gone", "/dev/tessaro-none-x"},
        {"COM4", "gone", "/dev/tessaro-none-4"},
    });
    WorkerRig rig(ports);
    QMetaObject::invokeMethod(rig.worker, "ComPortSearchStart");
    QVERIFY(rig.WaitForSearchEnd());

    QStringList checked;
    for (const QString &m : rig.probe.searchMessages)
        if (m.startsWith(QLatin1String("Checking ")))
            checked << m.mid(9);
    QCOMPARE(checked, (QStringList{"COM3", "COM4", "COM12", "SIMX"}));
    QCOMPARE(rig.probe.searchEnds, QStringList{"finished"});
    QCOMPARE(rig.probe.statuses, (QList<int>{9, 1}));
    QVERIFY(rig.probe.questions.isEmpty());
}

void TestWorkerC::searchSkipsPortWithoutBridge()
{
    auto empty = StartSimulator(SimProfile::Empty);
    auto ports = std::make_shared<SimulatedPortEnumerator>(
        QList<SerialPortDescription>{{"COM1", "Simulated cable", empty->PortPath()}});
    WorkerRig rig(ports);
    QMetaObject::invokeMethod(rig.worker, "ComPortSearchStart");
    QVERIFY(rig.WaitForSearchEnd());
    QVERIFY(empty->ReceivedFrameCount() > 0); // the port was opened and identification tried
    QVERIFY(rig.probe.questions.isEmpty());
    QCOMPARE(rig.probe.searchEnds, QStringList{"finished"});
    QVERIFY(!rig.worker->IsPortOpen());
}

void TestWorkerC::searchAnswer_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QList<int>>("statuses");
    QTest::addColumn<bool>("portOpen");

    QTest::newRow("connect") << int(WorkerC::ResultConnect) << "accepted" << QList<int>{9, 4, 5}
                             << true;
    // Closing DEVICE FOUND without a button answers cancel.
    QTest::newRow("cancel") << int(WorkerC::ResultCancel) << "cancelled" << QList<int>{9, 1}
                            << false;
    QTest::newRow("next device") << int(WorkerC::ResultNextDevice) << "finished"
                                 << QList<int>{9, 1} << false;
}

void TestWorkerC::searchAnswer()
{
    QFETCH(int, answer);
    QFETCH(QString, end);
    QFETCH(QList<int>, statuses);
    QFETCH(bool, portOpen);

    auto empty = StartSimulator(SimProfile::Empty);
    auto mono = StartSimulator(SimProfile::MonoSerial);
    auto colour = StartSimulator(SimProfile::ColourV2Usb);
    auto ports = std::make_shared<SimulatedPortEnumerator>(QList<SerialPortDescription>{
        {"COM2", "Simulated cable", empty->PortPath()},
        {"COM7", "Simulated rebreather", mono->PortPath()},
        {"COM9", "Simulated rebreather", colour->PortPath()},
    });
    WorkerRig rig(ports);
    rig.probe.answers = {answer};
    QMetaObject::invokeMethod(rig.worker, "ComPortSearchStart");
    QVERIFY(rig.WaitForSearchEnd());

    const QString serial = QString::fromLatin1(SimProfileFacts::HandsetSerial);
    QCOMPARE(rig.probe.questions.first(), QStringLiteral("ORBITA / ") + serial);
    QCOMPARE(rig.probe.searchEnds, QStringList{end});
    QCOMPARE(rig.probe.statuses, statuses);
    QCOMPARE(rig.worker->IsPortOpen(), portOpen);
    if (answer == WorkerC::ResultConnect) {
        QCOMPARE(rig.probe.acceptedLocation, mono->PortPath());
        QCOMPARE(rig.probe.serials.last(), serial);
        QVERIFY(rig.worker->RBDataSnapshot().IsValid());
        QCOMPARE(rig.probe.questions.size(), 1);
    } else if (answer == WorkerC::ResultCancel) {
        QCOMPARE(rig.probe.questions.size(), 1);
    } else {
        // NEXT DEVICE goes on to the colour handset.
        QCOMPARE(rig.probe.questions,
                 (QStringList{QStringLiteral("ORBITA / ") + serial,
                              QStringLiteral("ORBITA 2020 / ") + serial}));
    }
}

void TestWorkerC::nextDeviceOnLastPortRestoresPreviousPort()
{
    auto previous = StartSimulator(SimProfile::MonoSerial);
    auto other = StartSimulator(SimProfile::MonoSerial);
    auto ports = std::make_shared<SimulatedPortEnumerator>(
        QList<SerialPortDescription>{{"COM5", "Simulated rebreather", other->PortPath()}});
    WorkerRig rig(ports);
    rig.Open(previous->PortPath());
    QVERIFY(rig.WaitForOpenResult());
    rig.probe.statuses.clear();

    rig.probe.answers = {WorkerC::ResultNextDevice};
    QMetaObject::invokeMethod(rig.worker, "ComPortSearchStart");
    QVERIFY(rig.WaitForSearchEnd());
    QCOMPARE(rig.probe.searchEnds, QStringList{"finished"});
    QCOMPARE(rig.probe.statuses, (QList<int>{9, 1}));
    QCOMPARE(rig.probe.searchMessages.last(), QStringLiteral("Restoring original com port"));
    QVERIFY(rig.worker->IsPortOpen());

    // The reopened port is the previous one: the next ping talks to it and
    // finds the handset again.
    previous->ClearReceivedFrames();
    QVERIFY(rig.WaitForStatusCount(4));
    QCOMPARE(rig.probe.statuses.mid(2), (QList<int>{4, 5}));
    QVERIFY(previous->ReceivedFrameCount() > 0);
}

void TestWorkerC::abortBeforeSearchStarts()
{
    auto mono = StartSimulator(SimProfile::MonoSerial);
    auto ports = std::make_shared<SimulatedPortEnumerator>(
        QList<SerialPortDescription>{{"COM5", "Simulated rebreather", mono->PortPath()}});
    WorkerRig rig(ports);
    rig.worker->ComPortSearchAbort(); // from this (the window's) thread
    QMetaObject::invokeMethod(rig.worker, "ComPortSearchStart");
    QVERIFY(rig.WaitForSearchEnd());
    QCOMPARE(rig.probe.statuses, (QList<int>{10, 9, 1}));
    QCOMPARE(rig.probe.searchEnds, QStringList{"aborted"});
    QCOMPARE(mono->ReceivedFrameCount(), 0);
    QVERIFY(rig.probe.questions.isEmpty());
}

void TestWorkerC::abortDuringSearchClosesPortUnderTest()
{
    auto first = StartSimulator(SimProfile::MonoSerial);
    auto second = StartSimulator(SimProfile::MonoSerial);
    auto ports = std::make_shared<SimulatedPortEnumerator>(QList<SerialPortDescription>{
        {"COM5", "Simulated rebreather", first->PortPath()},
        {"COM6", "Simulated rebreather", second->PortPath()},
    });
    WorkerRig rig(ports);
    rig.probe.beforeAnswer = [&rig] { rig.worker->ComPortSearchAbort(); };
    rig.probe.answers = {WorkerC::ResultNextDevice};
    QMetaObject::invokeMethod(rig.worker, "ComPortSearchStart");
    QVERIFY(rig.WaitForSearchEnd());

    QCOMPARE(rig.probe.searchEnds, QStringList{"aborted"});
    QCOMPARE(rig.probe.statuses, (QList<int>{9, 10, 1}));
    QCOMPARE(rig.probe.questions.size(), 1);
    QCOMPARE(second->ReceivedFrameCount(), 0);
    // No unit stays connected on a port nobody accepted.
    QVERIFY(!rig.worker->IsPortOpen());
    QVERIFY(rig.WaitForPings(2));
    QCOMPARE(rig.probe.statuses, (QList<int>{9, 10, 1}));
}

void TestWorkerC::staleAbortDoesNotEndNextSearch()
{
    auto mono = StartSimulator(SimProfile::MonoSerial);
    auto ports = std::make_shared<SimulatedPortEnumerator>(
        QList<SerialPortDescription>{{"COM5", "Simulated rebreather", mono->PortPath()}});
    WorkerRig rig(ports);
    // ABORT clicked after the worker had finished, before the window knew.
    bool abortSent = false;
    rig.probe.onSearchEnd = [&] {
        if (!abortSent) {
            rig.worker->ComPortSearchAbort();
            abortSent = true;
        }
    };
    QMetaObject::invokeMethod(rig.worker, "ComPortSearchStart");
    QVERIFY(rig.WaitForSearchEnd(1));
    QCOMPARE(rig.probe.searchEnds, QStringList{"finished"});

    QMetaObject::invokeMethod(rig.worker, "ComPortSearchStart");
    QVERIFY(rig.WaitForSearchEnd(2));
    QCOMPARE(rig.probe.searchEnds, (QStringList{"finished", "finished"}));
    // The second search went through the port and found the handset again.
    QCOMPARE(rig.probe.questions.size(), 2);
    QCOMPARE(rig.probe.searchMessages.count(QStringLiteral("Checking COM5")), 2);
}

void TestWorkerC::portCountChange()
{
    auto ports = std::make_shared<SimulatedPortEnumerator>(
        QList<SerialPortDescription>{{"COM1", "first", "/dev/tessaro-none-1"}});
    WorkerRig rig(ports);
    // The first count is only stored.
    QVERIFY(rig.started);
    QVERIFY(rig.WaitForPings(1));
    QCOMPARE(rig.probe.portCountChanges, 0);

    ports->AddPort({"COM2", "plugged in", "/dev/tessaro-none-2"});
    QVERIFY(rig.WaitForPings(1));
    QCOMPARE(rig.probe.portCountChanges, 1);
    // Later pings count the same ports and say nothing.
    QVERIFY(rig.WaitForPings(2));
    QCOMPARE(rig.probe.portCountChanges, 1);
}

void TestWorkerC::blankRtcTreatedAsAbsent()
{
    auto sim = StartSimulator(SimProfile::MonoSerial);
    sim->WithBus([](SimulatedBus &bus) {
        SimClockUnit *clock = ClockOf(bus);
        clock->SetOffsetSeconds(LocalUtcOffset() + 3600); // would ask, if it were read
        clock->SetFixedRegisters(QByteArray(7, '\xFF'));
    });
    WorkerRig rig;
    rig.Open(sim->PortPath());
    QVERIFY(rig.WaitForOpenResult());
    QVERIFY(!rig.worker->RBDataSnapshot().IsPresent(DeviceId::Rtc));
    QVERIFY(rig.probe.synchRequired.isEmpty());
}

void TestWorkerC::clockDriftAsksForSynchronisation_data()
{
    QTest::addColumn<qint64>("driftSecs");
    QTest::addColumn<bool>("asks");
    QTest::newRow("in step") << qint64(0) << false;
    QTest::newRow("100 s ahead") << qint64(100) << false;
    QTest::newRow("300 s ahead") << qint64(300) << true;
    QTest::newRow("300 s behind") << qint64(-300) << true;
    // More seconds than an int holds: the report keeps its sign.
    QTest::newRow("72 years ahead") << qint64(72) * 365 * 86400 << true;
}

void TestWorkerC::clockDriftAsksForSynchronisation()
{
    QFETCH(qint64, driftSecs);
    QFETCH(bool, asks);

    auto sim = StartSimulator(SimProfile::MonoSerial);
    sim->WithBus([driftSecs](SimulatedBus &bus) {
        ClockOf(bus)->SetOffsetSeconds(LocalUtcOffset() + driftSecs);
    });
    WorkerRig rig;
    rig.Open(sim->PortPath());
    QVERIFY(rig.WaitForOpenResult());
    QVERIFY(rig.WaitIdle());
    if (asks) {
        QCOMPARE(rig.probe.synchRequired.size(), 1);
        const qint64 reportable = qBound<qint64>(std::numeric_limits<int>::min(), driftSecs,
                                                 std::numeric_limits<int>::max());
        QVERIFY2(qAbs(rig.probe.synchRequired.first() - reportable) <= 2,
                 qPrintable(QString::number(rig.probe.synchRequired.first())));
    } else {
        QVERIFY(rig.probe.synchRequired.isEmpty());
    }
}

void TestWorkerC::clockReadShowsRtcOrInvalid_data()
{
    QTest::addColumn<QByteArray>("fixedRegisters"); // empty: the running clock
    QTest::addColumn<bool>("flaggedInvalid");
    QTest::addColumn<bool>("valid");

    QTest::newRow("running") << QByteArray() << false << true;
    QTest::newRow("flagged not valid") << QByteArray() << true << false;
    // A register digit above 9 is no time at all, not some other time.
    QTest::newRow("minute units digit A") << QByteArray::fromHex("453A1205020624") << false << false;
    QTest::newRow("year tens digit A") << QByteArray::fromHex("453012050206A4") << false << false;
}

void TestWorkerC::clockReadShowsRtcOrInvalid()
{
    QFETCH(QByteArray, fixedRegisters);
    QFETCH(bool, flaggedInvalid);
    QFETCH(bool, valid);

    auto sim = StartSimulator(SimProfile::MonoSerial);
    sim->WithBus([](SimulatedBus &bus) { ClockOf(bus)->SetOffsetSeconds(LocalUtcOffset()); });
    WorkerRig rig;
    rig.Open(sim->PortPath());
    QVERIFY(rig.WaitForOpenResult());

    sim->WithBus([&](SimulatedBus &bus) {
        ClockOf(bus)->SetInvalid(flaggedInvalid);
        ClockOf(bus)->SetFixedRegisters(fixedRegisters);
    });
    QMetaObject::invokeMethod(rig.worker, "ClockReadRTCDateTime");
    QVERIFY(QTest::qWaitFor([&] { return rig.probe.displayedTimes.size() == 1; }, kPatienceMs));
    const QDateTime shown = rig.probe.displayedTimes.first();
    QCOMPARE(shown.isValid(), valid);
    if (valid)
        QVERIFY(qAbs(shown.secsTo(QDateTime::currentDateTime())) <= 2);
}

void TestWorkerC::synchroniseKeepsEepromBehindRtc_data()
{
    QTest::addColumn<int>("rtcDrift");    // RTC minus computer before
    QTest::addColumn<int>("eepromOffset"); // EEPROM minus RTC before
    QTest::addColumn<int>("expectedEepromOffset"); // EEPROM minus computer after

    QTest::newRow("EEPROM two minutes behind keeps its offset") << 3600 << -120 << -120;
    QTest::newRow("EEPROM ahead of the RTC is matched to it") << 3600 << 60 << 0;
    QTest::newRow("RTC behind the computer") << -600 << -30 << -30;
    // No EEPROM time stored (erased): it is matched to the new RTC time.
    QTest::newRow("EEPROM time erased") << 3600 << int(EepromErased) << 0;
}

void TestWorkerC::synchroniseKeepsEepromBehindRtc()
{
    QFETCH(int, rtcDrift);
    QFETCH(int, eepromOffset);
    QFETCH(int, expectedEepromOffset);

    auto sim = StartSimulator(SimProfile::MonoSerial);
    sim->WithBus([rtcDrift](SimulatedBus &bus) {
        ClockOf(bus)->SetOffsetSeconds(LocalUtcOffset() + rtcDrift);
    });
    const QDateTime eepromBefore =
        QDateTime::currentDateTime().addSecs(rtcDrift + eepromOffset);
    if (eepromOffset == EepromErased)
        sim->SetMemory(DeviceId::DisplayMono, MemoryId::Eeprom, 42, QByteArray(6, '\xFF'));
    else
        sim->SetMemory(DeviceId::DisplayMono, MemoryId::Eeprom, 42,
                   QByteArray::fromHex(QStringLiteral("%1%2%3%4%5%6")
                                           .arg(eepromBefore.date().day(), 2, 16, QLatin1Char('0'))
                                           .arg(eepromBefore.date().month(), 2, 16, QLatin1Char('0'))
                                           .arg(eepromBefore.date().year() - 2000, 2, 16, QLatin1Char('0'))
                                           .arg(eepromBefore.time().hour(), 2, 16, QLatin1Char('0'))
                                           .arg(eepromBefore.time().minute(), 2, 16, QLatin1Char('0'))
                                           .arg(eepromBefore.time().second(), 2, 16, QLatin1Char('0'))
                                           .toLatin1()));
    WorkerRig rig;
    rig.Open(sim->PortPath());
    QVERIFY(rig.WaitForOpenResult());

    QMetaObject::invokeMethod(rig.worker, "ClockSynchronise");
    QVERIFY(rig.WaitIdle());
    const QDateTime now = QDateTime::currentDateTime();

    // The RTC now follows the computer.
    qint64 rtcOffset = 0;
    sim->WithBus([&rtcOffset](SimulatedBus &bus) { rtcOffset = ClockOf(bus)->OffsetSeconds(); });
    QVERIFY(qAbs(rtcOffset - LocalUtcOffset()) <= 1);

    const QByteArray e = sim->Memory(DeviceId::DisplayMono, MemoryId::Eeprom, 42, 6);
    const QDateTime eepromAfter(QDate(2000 + quint8(e.at(2)), quint8(e.at(1)), quint8(e.at(0))),
                                QTime(quint8(e.at(3)), quint8(e.at(4)), quint8(e.at(5))));
    QVERIFY2(eepromAfter.isValid(), e.toHex().constData());
    QVERIFY(qAbs(now.secsTo(eepromAfter) - expectedEepromOffset) <= 2);
    QVERIFY(eepromAfter <= now);
}

void TestWorkerC::synchroniseOnlyWithinClockYears_data()
{
    QTest::addColumn<QDateTime>("computerTime");
    QTest::addColumn<bool>("synchronised");

    QTest::newRow("2100 would wrap to 00") << QDateTime(QDate(2100, 1, 1), QTime(10, 0)) << false;
    QTest::newRow("1999 would wrap to 99") << QDateTime(QDate(1999, 12, 31), QTime(10, 0)) << false;
    QTest::newRow("2099 is held") << QDateTime(QDate(2099, 6, 1), QTime(10, 0)) << true;
}

void TestWorkerC::synchroniseOnlyWithinClockYears()
{
    QFETCH(QDateTime, computerTime);
    QFETCH(bool, synchronised);

    auto sim = StartSimulator(SimProfile::MonoSerial);
    sim->WithBus([](SimulatedBus &bus) { ClockOf(bus)->SetOffsetSeconds(LocalUtcOffset()); });
    const qint64 shift = QDateTime::currentDateTime().secsTo(computerTime);
    WorkerRig rig(std::make_shared<SimulatedPortEnumerator>(),
                  [shift] { return QDateTime::currentDateTime().addSecs(shift); });
    rig.Open(sim->PortPath());
    QVERIFY(rig.WaitForOpenResult());
    QVERIFY(rig.WaitIdle());
    const QByteArray eepromBefore = sim->Memory(DeviceId::DisplayMono, MemoryId::Eeprom, 42, 6);
    sim->ClearReceivedFrames();

    QMetaObject::invokeMethod(rig.worker, "ClockSynchronise");
    QVERIFY(rig.WaitIdle());
    const QByteArray registers = sim->Memory(DeviceId::Rtc, MemoryId::Buffer, 2, 7);
    if (synchronised) {
        QVERIFY(rig.probe.generalMessages.isEmpty());
        QCOMPARE(quint8(registers.at(6)), quint8(0x99));
        return;
    }
    // Refused with a message that names the computer's time; nothing written.
    QCOMPARE(rig.probe.generalMessages.size(), 1);
    QVERIFY2(rig.probe.generalMessages.first().contains(QString::number(computerTime.date().year())),
             qPrintable(rig.probe.generalMessages.first()));
    int writes = 0;
    for (const SimFrameRecord &f : sim->ReceivedFrames()) {
        const quint8 opcode = quint8(f.bytes.at(5)) & 0x3F;
        writes += opcode != 0 && opcode % 2 == 0 ? 1 : 0;
    }
    QCOMPARE(writes, 0);
    QCOMPARE(sim->Memory(DeviceId::DisplayMono, MemoryId::Eeprom, 42, 6), eepromBefore);
    QVERIFY(qAbs(RtcClock::DecodeRegisters(registers).secsTo(QDateTime::currentDateTime())) <= 2);
}

void TestWorkerC::clockTraceLinesFollowMessageLevel_data()
{
    QTest::addColumn<int>("level");
    QTest::newRow("level 0") << 0;
    QTest::newRow("level 1") << 1;
}

void TestWorkerC::clockTraceLinesFollowMessageLevel()
{
    QFETCH(int, level);

    // A dead clock chip: the test and the comparison both have something to say.
    auto sim = StartSimulator(SimProfile::MonoSerial);
    sim->WithBus([](SimulatedBus &bus) { ClockOf(bus)->SetFixedRegisters(QByteArray(7, '\xFF')); });
    WorkerRig rig;
    QMetaObject::invokeMethod(rig.worker, "SetMessageLevel", Q_ARG(int, level));
    QVERIFY(rig.WaitIdle());
    LogCollector::Take();
    rig.Open(sim->PortPath());
    QVERIFY(rig.WaitForOpenResult());
    QVERIFY(rig.WaitIdle());
    QStringList clockLines;
    for (const QString &line : LogCollector::Take()) {
        if (line.startsWith(QLatin1String("Worker::TestRTC")) || line.startsWith(QLatin1String("Worker::CompareClocks"))
            || line.startsWith(QLatin1String("Compare Clocks")))
            clockLines << line;
    }
    if (level == 0) {
        QCOMPARE(clockLines, QStringList());
    } else {
        QVERIFY(clockLines.contains(QStringLiteral("Worker::TestRTC - All bytes 2-9 0xFF")));
        QVERIFY(clockLines.contains(QStringLiteral("Worker::CompareClocks - RTC not present, compare aborted")));
    }
}

QTEST_MAIN(TestWorkerC)
#include "tst_WorkerC.moc"
