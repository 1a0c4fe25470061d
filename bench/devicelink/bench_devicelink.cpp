// Device-link throughput against the simulated rebreather.
//
// With 57600-baud line-rate emulation and no device latency, prints the time
// of N 64-byte Reads and M 32-block ReadBlocks divided by the wire-time lower
// bound of the same exchanges ((request + reply bytes) x 10 bits / 57600 s).
// Then, without line-rate emulation, prints the exchanges per second: the
// link's own overhead per exchange. Informational only; nothing fails on it.
//
// Usage: bench_devicelink [reads] [blockReads]   (defaults 1000 and 100)
#include "DeviceList.h"
#include "RebreatherSimulator.h"
#include "RixComms.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr int kReadLength = 64;
constexpr int kBlocks = 32;
constexpr double kBitsPerByte = 10.0;

struct Run {
    double seconds = 0;
    int failures = 0;
};

bool OpenLink(RebreatherSimulator &sim, QSerialPort &port, RixComms &comms)
{
    QString error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return false;
    }
    comms.SetSerialPort(&port);
    comms.SetMessageLevel(0);
    comms.SetDebugEnabled(false);
    if (!comms.OpenComPort(sim.PortPath(), false)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(sim.PortPath()));
        return false;
    }
    return true;
}

Run TimeReads(RixComms &comms, int count)
{
    QByteArray buffer(kReadLength, '\0');
    Run run;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        const quint32 address = quint32((i * kReadLength) % 0x10000);
        if (!comms.Read(DeviceId::DisplayColour, MemoryId::Flash, address, kReadLength,
                        reinterpret_cast<uchar *>(buffer.data())))
            ++run.failures;
    }
    run.seconds = double(timer.nsecsElapsed()) / 1e9;
    return run;
}

Run TimeBlockReads(RixComms &comms, int count)
{
    QByteArray buffer(kBlocks * RixMessage::BlockSize, '\0');
    Run run;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        const quint32 address = 0x10000 + quint32(i) * quint32(buffer.size());
        if (!comms.ReadBlocks(DeviceId::DisplayColour, MemoryId::Profile, address, kBlocks,
                              reinterpret_cast<uchar *>(buffer.data())))
            ++run.failures;
    }
    run.seconds = double(timer.nsecsElapsed()) / 1e9;
    return run;
}

double WireSeconds(int exchanges, int requestBytes, int replyBytes, int baud)
{
    return exchanges * (requestBytes + replyBytes) * kBitsPerByte / baud;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int reads = args.size() > 1 ? args.at(1).toInt() : 1000;
    const int blockReads = args.size() > 2 ? args.at(2).toInt() : 100;
    QTextStream out(stdout);

    const int requestBytes = RixMessage::FrameOverhead;
    const int readReplyBytes = RixMessage::FrameOverhead + kReadLength;
    const int blockReplyBytes = RixMessage::FrameOverhead + kBlocks * RixMessage::BlockSize;

    {
        RebreatherSimulator sim(SimProfile::ColourV2Usb, 1);
        SimTiming timing;
        timing.lineRate = true;
        timing.deviceLatencyMs = 0;
        sim.SetTiming(timing);
        QSerialPort port;
        RixComms comms;
        if (!OpenLink(sim, port, comms))
            return 1;

        const Run r = TimeReads(comms, reads);
        const double rBound = WireSeconds(reads, requestBytes, readReplyBytes, timing.baudRate);
        out << QStringLiteral("Line rate %1 baud, device latency 0 ms\n").arg(timing.baudRate);
        out << QStringLiteral("  %1 x Read of %2 bytes: %3 s, wire lower bound %4 s, ratio %5 (target <= 1.25), failures %6\n")
                   .arg(reads).arg(kReadLength).arg(r.seconds, 0, 'f', 3).arg(rBound, 0, 'f', 3)
                   .arg(r.seconds / rBound, 0, 'f', 3).arg(r.failures);
        out.flush();

        const Run b = TimeBlockReads(comms, blockReads);
        const double bBound = WireSeconds(blockReads, requestBytes, blockReplyBytes, timing.baudRate);
        out << QStringLiteral("  %1 x ReadBlocks of %2 blocks: %3 s, wire lower bound %4 s, ratio %5 (target <= 1.10), failures %6\n")
                   .arg(blockReads).arg(kBlocks).arg(b.seconds, 0, 'f', 3).arg(bBound, 0, 'f', 3)
                   .arg(b.seconds / bBound, 0, 'f', 3).arg(b.failures);
        out.flush();
    }
    {
        RebreatherSimulator sim(SimProfile::ColourV2Usb, 1);
        QSerialPort port;
        RixComms comms;
        if (!OpenLink(sim, port, comms))
            return 1;
        const Run r = TimeReads(comms, reads);
        const Run b = TimeBlockReads(comms, blockReads);
        out << QStringLiteral("No line-rate emulation\n");
        out << QStringLiteral("  Read of %1 bytes: %2 exchanges/s (%3 ms each), failures %4\n")
                   .arg(kReadLength).arg(reads / r.seconds, 0, 'f', 1)
                   .arg(1000.0 * r.seconds / reads, 0, 'f', 3).arg(r.failures);
        out << QStringLiteral("  ReadBlocks of %1 blocks: %2 exchanges/s (%3 ms each), failures %4\n")
                   .arg(kBlocks).arg(blockReads / b.seconds, 0, 'f', 1)
                   .arg(1000.0 * b.seconds / blockReads, 0, 'f', 3).arg(b.failures);
    }
    return 0;
}
