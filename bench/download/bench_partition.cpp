// Partitioning and saving a full Colour V1 log memory (0x1FF0000 bytes)
// holding 2000 dives: seconds and peak memory, beside a plain copy of the
// same buffer measured in the same run as the baseline.

#include "DownloadCallbacks.h"
#include "LogFileSaver.h"
#include "LogPartitioner.h"
#include "LogRecordGenerator.h"
#include "MemoryList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {

long PeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    constexpr qint64 MemorySize = 0x1FF0000;
    constexpr int Dives = 2000;

    DivePlan plan;
    plan.wide = false;
    // About 16 KiB a dive, so that 2000 dives fill the memory.
    plan.sampleInterval = 1;
    plan.profile = {{0, 0}, {120, 15}, {780, 15}, {900, 0}};
    QByteArray memory;
    memory.reserve(int(MemorySize));
    for (int i = 0; i < Dives && memory.size() < MemorySize - 0x8000; ++i) {
        plan.diveNumber = i + 1;
        plan.powerOn = QDateTime(QDate(2024, 1, 1), QTime(8, 0, 0)).addSecs(qint64(i) * 3600);
        memory += LogRecordGenerator::DiveData({plan});
    }
    const int used = memory.size();
    memory.append(QByteArray(int(MemorySize) - used, char(0xFF)));
    const long before = PeakKiB();

    QElapsedTimer copyTimer;
    copyTimer.start();
    QByteArray copy = memory;
    copy.detach();
    const double copySeconds = copyTimer.nsecsElapsed() / 1e9;
    copy.clear();

    QTemporaryDir dir;
    DownloadCallbacks callbacks;
    LogFileSaver::Download download;
    download.directory = dir.path();
    download.serialNumber = QStringLiteral("23C0041712");
    download.start = QDateTime::currentDateTime();
    download.deviceVersion = QByteArray::fromHex("00070002");
    MemoryList fixed;

    QElapsedTimer timer;
    timer.start();
    const LogPartitioner::Result partition = LogPartitioner::Run(memory, true, 0);
    const double scanSeconds = timer.nsecsElapsed() / 1e9;
    LogFileSaver saver(callbacks);
    saver.SaveDives(download, fixed, 0, memory, partition);
    const double totalSeconds = timer.nsecsElapsed() / 1e9;

    std::printf("Log memory 0x%llX bytes (%d bytes of dives), %d dives found, %d saved\n",
                static_cast<unsigned long long>(MemorySize), used, int(partition.dives.size()), saver.SavedCount());
    std::printf("Baseline: copying the memory once      %8.3f s\n", copySeconds);
    std::printf("Partitioning                           %8.3f s\n", scanSeconds);
    std::printf("Partitioning and saving                %8.3f s   (target under 3 s)\n", totalSeconds);
    std::printf("Peak memory %ld MiB (%ld MiB before the run) = %.2f x the memory size (target under 3)\n",
                PeakKiB() / 1024, before / 1024, double(PeakKiB()) * 1024.0 / double(MemorySize));
    return 0;
}
