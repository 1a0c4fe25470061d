// A 64 KiB firmware upload to a simulated colour display with 57600-baud
// line-rate emulation: the elapsed time of the whole upload (checks, stages,
// 1024 verified page writes, ID, re-reading the details) divided by the
// wire-time bound of the exchanges it made ((request + reply bytes) x 10
// bits / 57600 s, replies of silent units counted as nothing). Printed
// beside the same figure for the bare page writes (WriteAndVerify of 64
// bytes, measured in the same run), the floor any upload can reach.
// Informational only; nothing fails on it.
//
// Usage: bench_upload [kibibytes]   (default 64)
#include "CcrBuilder.h"
#include "DeviceList.h"
#include "RBData.h"
#include "RebreatherSimulator.h"
#include "RixComms.h"
#include "RixMessage.h"
#include "SimulatedBus.h"
#include "UploadConstants.h"
#include "UploadFileLoader.h"
#include "UploadProcedure.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QSet>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr double kBitsPerByte = 10.0;
constexpr int kFrameOverhead = RixMessage::FrameOverhead;

// Wire bytes of one request and the reply its unit sends.
double WireSeconds(const QVector<SimFrameRecord> &frames, const QSet<quint8> &silent, int baud)
{
    qint64 bytes = 0;
    for (const SimFrameRecord &f : frames) {
        bytes += f.bytes.size();
        SimRequest request;
        if (!SimulatedBus::ParseRequest(f.bytes, request) || silent.contains(request.deviceId))
            continue;
        const bool read = (request.opcode & 1) == 1;
        const int length = request.length;
        if (request.opcode == SimulatedBus::BridgeIdentifyCommand && request.deviceId == SimulatedBus::BridgeId)
            bytes += kFrameOverhead + 2;           // bridge identification
        else if (read)
            bytes += kFrameOverhead + length;      // data reply
        else
            bytes += kFrameOverhead + 1;           // status reply
    }
    return double(bytes) * kBitsPerByte / double(baud);
}

void SinkMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(SinkMessages);
    const int kib = argc > 1 ? QByteArray(argv[1]).toInt() : 64;
    if (kib < 1 || kib > 124) {
        std::fprintf(stderr, "size must be 1..124 KiB\n");
        return 1;
    }

    // The update file: newer colour display code from its code area.
    QTemporaryDir dir;
    QByteArray image(kib * 1024, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char((i * 7 + 3) & 0x7F);
    CcrBuilder::Block block;
    block.deviceId = DeviceId::DisplayColour;
    block.hexLines = CcrBuilder::DataRecords(0x1000, image)
                     + CcrBuilder::DataRecords(0x200000, QByteArray::fromHex("0106190100070105"));
    block.hexLines << CcrBuilder::EndOfFileRecord();
    const QString file = dir.filePath(QStringLiteral("bench.ccr"));
    QString error;
    if (!CcrBuilder::WriteContainer(file, 0, false, CcrBuilder::UploadLines({block}), true, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const DeviceList catalogue;
    UploadData data;
    const auto loaded = UploadFileLoader(catalogue).Load(file, data, UploadFileLoader::Hooks());
    if (!loaded.ok) {
        std::fprintf(stderr, "load: %s\n", qPrintable(loaded.message));
        return 1;
    }

    RebreatherSimulator sim(SimProfile::ColourV2Usb);
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return 1;
    }
    SimTiming timing;
    timing.lineRate = true;
    sim.SetTiming(timing);
    QSerialPort port;
    RixComms link;
    link.SetSerialPort(&port);
    link.SetMessageLevel(0);
    if (!link.OpenComPort(sim.PortPath(), true)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(sim.PortPath()));
        return 1;
    }
    RBData record;
    record.SetDisplayDeviceId(DeviceId::DisplayColour);
    record.SetPresent(DeviceId::DisplayColour, true);
    record.SetPresent(DeviceId::C1, true);
    record.SetPresent(DeviceId::C2, true);
    auto checkDetails = [&](quint8 id) {
        QByteArray code(8, '\0');
        record.SetCodeDetails(id, link.Read(id, MemoryId::Flash, 0x200000, 8, reinterpret_cast<uchar *>(code.data()))
                                      ? RBData::DecodeCodeDetails(code)
                                      : RBData::FailedCodeDetails());
        uchar marker = 0xFF;
        record.SetCodeValidity(id, link.Read(id, MemoryId::Eeprom, UploadConstants::CodeValidityAddress, 1, &marker)
                                       && marker < UploadConstants::CodeValidBelow);
    };
    checkDetails(DeviceId::DisplayColour);

    // Baseline in the same run: bare verified page writes.
    const int baselinePages = 128;
    sim.ClearReceivedFrames();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < baselinePages; ++i)
        link.WriteAndVerify(DeviceId::DisplayColour, MemoryId::Flash, 0x10000 + quint32(i) * 64, 64,
                            reinterpret_cast<const uchar *>(image.constData() + i * 64));
    const double baselineSeconds = double(timer.nsecsElapsed()) / 1e9;
    const double baselineWire = WireSeconds(sim.ReceivedFrames(), {}, timing.baudRate);

    UploadProcedure::Hooks hooks;
    hooks.checkDetails = checkDetails;
    UploadProcedure procedure(link, record, catalogue, data, hooks);
    UploadProcedure::WriteTimes times;
    sim.ClearReceivedFrames();
    timer.restart();
    const auto result = procedure.Run(times);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const auto frames = sim.ReceivedFrames();
    const double wire = WireSeconds(frames, {DeviceId::DisplayMono}, timing.baudRate);
    // The page-write phase alone, from the frames' arrival times.
    int firstPage = -1, lastPage = -1;
    for (int i = 0; i < frames.size(); ++i) {
        SimRequest request;
        if (SimulatedBus::ParseRequest(frames.at(i).bytes, request) && request.deviceId == DeviceId::DisplayColour
            && request.opcode == 1 && request.address >= 0x1000 && request.address < 0x200000) {
            if (firstPage < 0)
                firstPage = i - 1;
            lastPage = i;
        }
    }
    const double pagesSeconds = firstPage >= 0 ? double(frames.at(lastPage).receivedAtUs - frames.at(firstPage).receivedAtUs) / 1e6 : 0;
    const double pagesWire = firstPage >= 0 ? WireSeconds(frames.mid(firstPage, lastPage - firstPage), {}, timing.baudRate) : 0;
    const bool identical = sim.Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1000, image.size()) == image;

    std::printf("upload of %d KiB (%d pages) at 57600 baud: %s, image %s\n", kib, image.size() / 64,
                result.ok ? "completed" : qPrintable(result.message), identical ? "identical" : "DIFFERS");
    std::printf("  exchanges           %d\n", int(frames.size()));
    std::printf("  elapsed             %8.3f s\n", seconds);
    std::printf("  wire-time bound     %8.3f s\n", wire);
    std::printf("  elapsed / bound     %8.3f   (target at most 1.15)\n", seconds / wire);
    std::printf("  (includes one 500 ms wait for the absent mono display in the presence test)\n");
    std::printf("  page writes alone   %8.3f   (%.3f s / %.3f s)\n", pagesSeconds / pagesWire, pagesSeconds, pagesWire);
    std::printf("baseline, %d bare verified page writes in the same run:\n", baselinePages);
    std::printf("  elapsed / bound     %8.3f   (%.3f s / %.3f s)\n", baselineSeconds / baselineWire,
                baselineSeconds, baselineWire);
    std::printf("learned per-page write time %.4f s (was 0.13)\n", times.shortWriteTime);
    return result.ok && identical ? 0 : 2;
}
