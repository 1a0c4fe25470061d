// The worker's remote-support slots against simulated rebreathers: what a
// relayed command answers when it cannot or must not reach the unit, and the
// keep-alive's choice of handset.

#include "SupportTestKit.h"

#include <QtTest>

using namespace SupportTestKit;

namespace {

struct Result {
    uint msgNumber = 0;
    bool response = false;
    QString reply;
    QString status;
    int dataLength = -1;
    QByteArray data;
};

// Collects every remote-support result the worker sends, in the test thread.
class ResultRecorder : public QObject
{
public:
    explicit ResultRecorder(WorkerC *worker)
    {
        auto plain = [this](uint n, bool r, const QString &reply, const QString &status) {
            results << Result{n, r, reply, status, -1, {}};
        };
        auto withData = [this](uint n, bool r, const QString &reply, const QString &status, int length,
                               const QByteArray &data) { results << Result{n, r, reply, status, length, data}; };
        connect(worker, &WorkerC::RemoteSupportResultCmdCommand, this, plain);
        connect(worker, &WorkerC::RemoteSupportResultCmdWrite, this, plain);
        connect(worker, &WorkerC::RemoteSupportResultCmdWriteAndVerify, this, plain);
        connect(worker, &WorkerC::RemoteSupportResultCmdIsDevicePresent, this, plain);
        connect(worker, &WorkerC::RemoteSupportResultCmdCommandReturnData, this, withData);
        connect(worker, &WorkerC::RemoteSupportResultCmdRead, this, withData);
        connect(worker, &WorkerC::RemoteSupportResultCmdReadBlocks, this, withData);
    }
    // The result for a message number, waiting for it.
    Result For(uint msgNumber)
    {
        Result found;
        (void)QTest::qWaitFor(
            [&] {
                for (const Result &r : results) {
                    if (r.msgNumber == msgNumber) {
                        found = r;
                        return true;
                    }
                }
                return false;
            },
            WaitMs);
        return found;
    }
    QList<Result> results;
};

using Call = std::function<void(WorkerC *)>;

struct Case {
    const char *name;
    Call call;
    bool response;
    const char *status; // the status starts with this text
    int dataLength;     // -1: a result without data
};

} // namespace

class tst_RemoteSupportWorker : public QObject
{
    Q_OBJECT
private slots:
    void commandsOnAConnectedUnit();
    void commandsWithoutAnOpenPort();
    void keepAliveFallsBackToTheMonoHandset();
};

void tst_RemoteSupportWorker::commandsOnAConnectedUnit()
{
    WorkerHarness harness(SimProfile::ColourV2Usb);
    harness.sim.SetMemory(0xBC, 2, 0x20, QByteArray::fromHex("a1a2a3a4"));
    // A command to which the handset answers with more than a command may return.
    harness.sim.WithBus([](SimulatedBus &bus) {
        bus.Unit(0xBC)->SetHandler(0x2A, [](SimUnit &, const SimRequest &request) {
            return SimReply::Data(request.command, 0, 100, QByteArray(100, 'x'));
        });
    });
    QVERIFY(harness.Connect());
    ResultRecorder recorder(harness.worker);

    const QByteArray two = QByteArray::fromHex("0102");
    const Case cases[] = {
        {"read", [](WorkerC *w) { w->RemoteSupportProcessCmdRead(1, 0xBC, 2, 0x20, 4); }, true, "Command succeded", 4},
        {"read of 0 bytes", [](WorkerC *w) { w->RemoteSupportProcessCmdRead(2, 0xBC, 2, 0x20, 0); }, false,
         "Command failed, read length 0 is outside 1 to 64 bytes", 0},
        {"read of 65 bytes", [](WorkerC *w) { w->RemoteSupportProcessCmdRead(3, 0xBC, 2, 0x20, 65); }, false,
         "Command failed, read length 65 is outside 1 to 64 bytes", 0},
        {"32 blocks", [](WorkerC *w) { w->RemoteSupportProcessCmdReadBlocks(4, 0xBC, 1, 0, 32); }, true,
         "Command succeded", 2048},
        {"33 blocks", [](WorkerC *w) { w->RemoteSupportProcessCmdReadBlocks(5, 0xBC, 2, 0, 33); }, false,
         "Command failed, block count 33 is outside 1 to 32 blocks of 64 bytes", 0},
        {"write of 65 bytes",
         [](WorkerC *w) { w->RemoteSupportProcessCmdWrite(6, 0xBC, 2, 0x380, 65, QByteArray(65, 'x')); }, false,
         "Command failed, write length 65 is outside 1 to 64 bytes", -1},
        {"write with too little data", [two](WorkerC *w) { w->RemoteSupportProcessCmdWrite(7, 0xBC, 2, 0x380, 4, two); },
         false, "Command failed, 2 data bytes given for a write of 4 bytes", -1},
        {"write and verify with too little data",
         [two](WorkerC *w) { w->RemoteSupportProcessCmdWriteAndVerify(8, 0xBC, 2, 0x380, 3, two); }, false,
         "Command failed, 2 data bytes given for a write of 3 bytes", -1},
        {"write and verify", [two](WorkerC *w) { w->RemoteSupportProcessCmdWriteAndVerify(9, 0xBC, 2, 0x380, 2, two); },
         true, "Command succeded", -1},
        {"command returning 100 bytes",
         [](WorkerC *w) { w->RemoteSupportProcessCmdCommandReturnData(10, 0xBC, 0x2A); }, false,
         "Command failed, the unit returned 100 bytes, more than the 64 a command may return", 0},
        {"absent unit", [](WorkerC *w) { w->RemoteSupportProcessCmdIsDevicePresent(11, 0xB6); }, false,
         "Command failed, GetMessage Failed - No valid reply received within timeout.", -1},
    };
    for (const Case &c : cases) {
        const Call call = c.call;
        WorkerC *worker = harness.worker;
        QMetaObject::invokeMethod(worker, [call, worker] { call(worker); }, Qt::QueuedConnection);
    }
    uint number = 0;
    for (const Case &c : cases) {
        const Result r = recorder.For(++number);
        QVERIFY2(r.msgNumber == number, c.name);
        QVERIFY2(r.response == c.response, c.name);
        QVERIFY2(r.status.startsWith(QString::fromLatin1(c.status)), qPrintable(QStringLiteral("%1: %2").arg(
                                                                          QString::fromLatin1(c.name), r.status)));
        QVERIFY2(r.dataLength == c.dataLength, c.name);
        QVERIFY2(r.data.size() == qMax(0, c.dataLength), c.name);
        if (!c.response && QByteArray(c.status).contains("outside"))
            QVERIFY2(r.reply.isEmpty(), c.name); // nothing was exchanged with the unit
    }
    QCOMPARE(recorder.results.at(0).data, QByteArray::fromHex("a1a2a3a4"));
    QCOMPARE(recorder.results.at(0).reply, QStringLiteral("Data Message: Valid data returned"));
    QCOMPARE(harness.sim.Memory(0xBC, 2, 0x380, 2), two);
    QCOMPARE(harness.sim.Memory(0xBC, 2, 0x382, 2), QByteArray::fromHex("ffff")); // the refused writes wrote nothing
}

void tst_RemoteSupportWorker::commandsWithoutAnOpenPort()
{
    WorkerHarness harness;
    QVERIFY(QTest::qWaitFor([&] { return !harness.worker->IsWorkInProgress(); }, WaitMs));
    ResultRecorder recorder(harness.worker);
    WorkerC *worker = harness.worker;
    QMetaObject::invokeMethod(worker, [worker] {
        worker->RemoteSupportProcessCmdRead(1, 0xBC, 2, 0, 4);
        worker->RemoteSupportProcessCmdCommand(2, 0xB8, 0);
        worker->RemoteSupportProcessCmdWrite(3, 0xBC, 2, 0, 1, QByteArray(1, 'x'));
    });
    for (uint n = 1; n <= 3; ++n) {
        const Result r = recorder.For(n);
        QCOMPARE(r.msgNumber, n);
        QCOMPARE(r.response, false);
        QCOMPARE(r.status, QStringLiteral("Command failed, the serial port is not open"));
    }
}

void tst_RemoteSupportWorker::keepAliveFallsBackToTheMonoHandset()
{
    WorkerHarness harness(SimProfile::MonoSerial);
    QVERIFY(harness.Connect());
    harness.sim.ClearReceivedFrames();
    QMetaObject::invokeMethod(harness.worker, "RemoteSupportKeepAlive");
    const auto keepAliveReads = [&](quint8 device) {
        int n = 0;
        for (const SimFrameRecord &frame : harness.sim.ReceivedFrames()) {
            SimRequest request;
            if (SimulatedBus::ParseRequest(frame.bytes, request) && request.deviceId == device
                && request.opcode == 3 && request.address == 0 && request.length == 1)
                ++n;
        }
        return n;
    };
    // The colour handset is asked first (three attempts, no answer), then the mono one.
    QVERIFY(QTest::qWaitFor([&] { return keepAliveReads(0xB0) == 1; }, WaitMs));
    QCOMPARE(keepAliveReads(0xBC), 3);
}

QTEST_GUILESS_MAIN(tst_RemoteSupportWorker)
#include "tst_RemoteSupportWorker.moc"
