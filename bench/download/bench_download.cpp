// A Colour V1 download of 256 KiB of log data from a simulated rebreather
// that paces its replies as a 57600-baud line would, over a serial (USB
// handset) and a Bluetooth bridge: the worker in its own thread, the real
// serial-port code. Prints the elapsed time beside the wire-time bound of
// the exchanges made (every request and reply byte at 10 bits a byte),
// worked out in the same run from the frames the simulator received.

#include "LogRecordGenerator.h"
#include "RebreatherSimulator.h"
#include "RixComms.h"
#include "SimLogMemory.h"
#include "SimulatedPortEnumerator.h"
#include "WorkerC.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr quint32 LogStart = 0x10000;
constexpr quint32 LogBytes = 256 * 1024;
constexpr double BitsPerByte = 10.0;
constexpr double Baud = 57600.0;

bool WaitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

// Dives enough to fill more than the bytes read.
QVector<DivePlan> Plans()
{
    QVector<DivePlan> plans;
    quint64 bytes = 0;
    for (int i = 0; bytes < LogBytes + 0x1000; ++i) {
        DivePlan plan;
        plan.diveNumber = i + 1;
        plan.sequence = 0;
        plan.powerOn = QDateTime(QDate(2026, 3, 1), QTime(8, 0, 0)).addSecs(qint64(i) * 7200);
        plan.sampleInterval = 2;
        plan.profile = {{0, 0}, {120, 20}, {1500, 20}, {1800, 0}};
        bytes += quint64(LogRecordGenerator::DiveData({plan}).size());
        plans << plan;
    }
    return plans;
}

struct Figures {
    bool ok = false;
    QString error;
    int exchanges = 0;
    double wireSeconds = 0;
    double readSeconds = 0;  // until the last read's progress
    double totalSeconds = 0; // until the result, files saved
};

Figures Run(quint8 bridgeType, const QVector<DivePlan> &plans)
{
    Figures f;
    RebreatherSimulator sim(SimProfile::ColourV1Usb);
    if (!sim.Start(&f.error))
        return f;
    sim.WithBus([&](SimulatedBus &bus) { bus.Bridge().type = bridgeType; });
    SimLogMemory memory(SimLogMemory::Format::ColourV1, plans);
    if (!sim.LoadLogMemory(memory)) {
        f.error = memory.Error();
        return f;
    }
    // Exactly the bytes to read: the logging pointer LogBytes on from the start.
    const quint32 pointer = LogStart + LogBytes;
    sim.SetMemory(0xBC, MemoryId::Eeprom, 1,
                  QByteArray(1, char(pointer >> 24)) + char(pointer >> 16) + char(pointer >> 8) + char(pointer));
    SimTiming timing;
    timing.lineRate = true;
    sim.SetTiming(timing);

    QThread thread;
    auto *worker = new WorkerC(std::make_shared<SimulatedPortEnumerator>());
    worker->moveToThread(&thread);
    QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
    QObject::connect(&thread, &QThread::started, worker, &WorkerC::Start);
    QObject context;
    bool opened = false, prepared = false, finished = false, result = false;
    QString message;
    qint64 lastReadNs = 0;
    QElapsedTimer timer;
    QObject::connect(worker, &WorkerC::OpenComPortResult, &context, [&](bool r) { opened = r; });
    QObject::connect(worker, &WorkerC::DownloadV1PrepareDownloadResult, &context, [&](bool r, const QString &) { prepared = r; });
    QObject::connect(worker, &WorkerC::DownloadDownloadProgress, &context, [&](int p) {
        if (p == 100 && lastReadNs == 0)
            lastReadNs = timer.nsecsElapsed();
    });
    QObject::connect(worker, &WorkerC::DownloadDownloadResult, &context, [&](bool r, const QString &m) {
        f.totalSeconds = timer.nsecsElapsed() / 1e9;
        result = r;
        message = m;
        finished = true;
    });
    thread.start();
    QTemporaryDir dir;
    const auto stop = [&] {
        thread.quit();
        thread.wait();
    };
    if (!WaitFor([&] { return !worker->IsWorkInProgress(); }, 10000)) {
        f.error = QStringLiteral("the worker did not start");
        stop();
        return f;
    }
    QMetaObject::invokeMethod(worker, "SetMessageLevel", Q_ARG(int, 0));
    QMetaObject::invokeMethod(worker, "OpenComPort", Q_ARG(QString, sim.PortPath()), Q_ARG(QString, QStringLiteral("bench")),
                              Q_ARG(bool, true));
    if (!WaitFor([&] { return opened; }, 30000)) {
        f.error = QStringLiteral("no connection");
        stop();
        return f;
    }
    QMetaObject::invokeMethod(worker, "DownloadV1PrepareDownload", Q_ARG(QString, dir.path()), Q_ARG(bool, true));
    if (!WaitFor([&] { return prepared; }, 30000)) {
        f.error = QStringLiteral("no preparation");
        stop();
        return f;
    }
    // Let the ping that may follow the preparation pass before counting.
    WaitFor([&] { return !worker->IsWorkInProgress(); }, 5000);
    sim.ClearReceivedFrames();
    timer.start();
    QMetaObject::invokeMethod(worker, "DownloadV1DownloadData", Q_ARG(QString, dir.path()));
    if (!WaitFor([&] { return finished; }, 600000) || !result) {
        f.error = QStringLiteral("download failed: ") + message;
        stop();
        return f;
    }
    f.readSeconds = lastReadNs / 1e9;
    stop();

    const QVector<SimFrameRecord> frames = sim.ReceivedFrames();
    qint64 bytes = 0;
    sim.WithBus([&](SimulatedBus &bus) {
        for (const SimFrameRecord &frame : frames) {
            SimRequest request;
            bytes += frame.bytes.size();
            if (SimulatedBus::ParseRequest(frame.bytes, request))
                bytes += SimulatedBus::BuildReply(bus.Answer(request), request.deviceId).size();
        }
    });
    f.exchanges = frames.size();
    f.wireSeconds = double(bytes) * BitsPerByte / Baud;
    f.ok = true;
    return f;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const QVector<DivePlan> plans = Plans();
    std::printf("Colour V1 download of %u KiB of log data at 57600 baud (line-rate emulation)\n", LogBytes / 1024);
    std::printf("%-10s %9s %14s %12s %14s %12s %10s\n", "link", "exchanges", "wire bound s", "reading s", "read / wire",
                "download s", "all / wire");
    const struct {
        const char *name;
        quint8 bridgeType;
    } links[] = {{"serial", RixComms::BridgeUsbHandset}, {"Bluetooth", RixComms::BridgeBluetoothHandset}};
    int status = 0;
    for (const auto &link : links) {
        const Figures f = Run(link.bridgeType, plans);
        if (!f.ok) {
            std::printf("%-10s failed: %s\n", link.name, qPrintable(f.error));
            status = 1;
            continue;
        }
        std::printf("%-10s %9d %14.3f %12.3f %14.3f %12.3f %10.3f   (target read / wire at most 1.10)\n", link.name,
                    f.exchanges, f.wireSeconds, f.readSeconds, f.readSeconds / f.wireSeconds, f.totalSeconds,
                    f.totalSeconds / f.wireSeconds);
    }
    return status;
}
