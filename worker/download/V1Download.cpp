#include "V1Download.h"

#include "AppSettings.h"
#include "DeviceList.h"
#include "LogBookPointerCorrection.h"
#include "LogFileSaver.h"
#include "LogPartitioner.h"
#include "RBData.h"
#include "RixComms.h"

#include <QDebug>
#include <QElapsedTimer>

namespace {

void LogLines(const QStringList &lines)
{
    for (const QString &line : lines)
        qDebug().noquote() << line;
}

} // namespace

QByteArray V1Download::DisplayCodeVersion(const MemoryList &list)
{
    const MemoryBlock *code = list.FirstOfType(MemoryBlock::DisplayCodeVersion);
    if (!code || !code->done || code->buffer.size() < 8)
        return QByteArray();
    return code->buffer.mid(4, 4);
}

void V1Download::LearnReadTimes(const DownloadEnvironment &env, const BlockReader::Result &read)
{
    qDebug().noquote() << QString::asprintf("Previous download times, BT %0.6f - Short %0.6f",
                                            env.bluetoothReadTime, env.shortReadTime);
    if (read.bluetoothTimed > 0) {
        const double mean = read.bluetoothMs / read.bluetoothTimed / 1000.0;
        env.bluetoothReadTime += 0.5 * (mean - env.bluetoothReadTime);
        AppSettings::SetValue(AppSettings::Key::DownloadBtReadTime, env.bluetoothReadTime);
    }
    if (read.shortTimed > 0) {
        const double mean = read.shortMs / read.shortTimed / 1000.0;
        env.shortReadTime += 0.5 * (mean - env.shortReadTime);
        AppSettings::SetValue(AppSettings::Key::DownloadShortReadTime, env.shortReadTime);
    }
    qDebug().noquote() << QString::asprintf("Adjusted download times, BT %0.6f - Short %0.6f",
                                            env.bluetoothReadTime, env.shortReadTime);
}

DownloadOutcome V1Download::Prepare(const DownloadEnvironment &env, DownloadState &state,
                                    const QString &downloadDir, bool fullDownload)
{
    state.downloadDir = downloadDir;
    const quint8 display = env.record.DisplayDeviceId();
    if (!state.memoryListBuilt) {
        qDebug() << "V1 Logging - Fixed memory assignement";
        state.memoryList.AssignFixedV1(display, env.record, env.catalogue);
        state.memoryListBuilt = true;
        LogLines(state.memoryList.Lines());
    }

    quint8 logMemory = 0;
    quint32 logStart = 0, logSize = 0;
    env.catalogue.GetRegion(display, 13, logMemory, logStart, logSize);
    if (display == DeviceId::DisplayColour) {
        if (!state.pointers.ReadColour(env.link, env.catalogue))
            return {false, tr("Unable to read the logging pointers")};
        const DownloadHistory::Entry history =
            fullDownload ? DownloadHistory::Entry()
                         : DownloadHistory::ReadLast(DownloadHistory::FilePath(
                             downloadDir, env.record.SerialNumber(display)));
        state.range = DownloadHistory::Decide(logStart, logSize, state.pointers.logging,
                                              fullDownload, history);
    } else {
        if (!state.pointers.ReadMono(env.link, env.catalogue))
            return {false, tr("Unable to read the logging pointer")};
        state.range.start = logStart;
        state.range.finish = logStart + logSize - 1;
    }

    const int old = state.memoryList.IndexOfType(MemoryBlock::DisplayLogData, display);
    if (old >= 0)
        state.memoryList.RemoveAt(old);
    // A cleared range (nothing logged, or out of bounds) reads nothing.
    if (state.range.finish > state.range.start || state.range.start != 0)
        state.memoryList.FindOrAdd(MemoryBlock::DisplayLogData, display, logMemory, state.range.start,
                                   qint32(state.range.finish - state.range.start + 1));

    state.counts = ReadCounts();
    const bool bluetooth = env.link.IsBluetooth();
    for (int i = 0; i < state.memoryList.Count(); ++i) {
        const ReadCounts c = BlockReader::CountReads(*state.memoryList.At(i), bluetooth);
        qDebug().noquote() << QStringLiteral("Mem %1 %2 blocks").arg(i).arg(c.total);
        state.counts += c;
    }
    qDebug().noquote() << QStringLiteral("Total %1 blocks").arg(state.counts.total);
    state.estimate = BlockReader::EstimateSeconds(state.counts, env.bluetoothReadTime, env.shortReadTime);
    qDebug().noquote() << QString::asprintf("Estimated download time %d (s)", state.estimate);
    env.callbacks.TimeEstimate(state.estimate);
    return {true, tr("Preparation completed")};
}

DownloadOutcome V1Download::Download(const DownloadEnvironment &env, DownloadState &state,
                                     const QString &downloadDir)
{
    state.downloadDir = downloadDir;
    state.displayId = env.record.DisplayDeviceId();
    state.downloadStart = QDateTime::currentDateTime();
    state.savedFiles.clear();
    QElapsedTimer stopwatch;
    stopwatch.start();

    if (state.range.start == state.range.finish)
        return {true, tr("No data in memory to download")};

    env.callbacks.Message(tr("Download started"));
    env.callbacks.Progress(0);

    BlockReader::Options options;
    options.bluetooth = env.link.IsBluetooth();
    options.logDataStart = state.logDataStart;
    options.colourV1Break = env.record.DisplayLoggingFormat() == RBData::LoggingFormatColourV1;
    options.loggingPointer = state.pointers.logging;
    env.catalogue.GetRegionStart(state.displayId, 13, options.logMemoryStart);
    BlockReader reader(env.link, env.callbacks);
    const BlockReader::Result read = reader.ReadAll(state.memoryList, options);
    if (read.outcome != BlockReader::Outcome::Completed)
        return {read.outcome == BlockReader::Outcome::Aborted, read.message};

    MemoryBlock *log = state.memoryList.FirstOfType(MemoryBlock::DisplayLogData, state.displayId);
    state.downloadedFinish = state.range.finish;
    if (log && read.breakFound) {
        state.range.finish = log->startAddress + quint32(log->length) - 1;
        if (MemoryBlock *book = state.memoryList.FirstOfType(MemoryBlock::DisplayLogBook)) {
            LogBookPointerCorrection::Run(env.link, book->buffer, state.pointers.logBook,
                                          book->startAddress);
        } else {
            qDebug() << "Log Book Pointer Correction";
            qDebug() << "Unable to locate the Log Book memory";
        }
    }

    qDebug().noquote() << QString::asprintf("Actual download time %d (s) - Estimated %d (s)",
                                            int(stopwatch.elapsed() / 1000), state.estimate);
    LearnReadTimes(env, read);

    if (env.callbacks.TakeAbort())
        return {true, tr("Download aborted")};
    env.callbacks.Message(tr("Download complete, saving files to ") + downloadDir, true);

    const QString serial = env.record.SerialNumber(state.displayId);
    LogFileSaver::Download download;
    download.directory = downloadDir;
    download.serialNumber = serial;
    download.start = state.downloadStart;
    download.deviceVersion = DisplayCodeVersion(state.memoryList);
    download.uddf = AppSettings::BoolValue(AppSettings::Key::DownloadUddf);
    state.displayCodeVersion = download.deviceVersion;

    LogFileSaver saver(env.callbacks);
    QString ccxPath;
    const bool ccxSaved = saver.SaveCcx(download, state.memoryList, &ccxPath);
    if (ccxSaved)
        state.savedFiles << ccxPath;

    // The history marks what has been kept: without the memory image on
    // disk the next download must read this part again.
    if (state.displayId == DeviceId::DisplayColour) {
        if (!ccxSaved) {
            qDebug() << "Download history not updated, the memory file was not saved";
        } else {
            const QString path = DownloadHistory::FilePath(downloadDir, serial);
            if (!DownloadHistory::Append(path, DownloadHistory::Line(state.downloadStart, state.range.start,
                                                                     state.downloadedFinish,
                                                                     state.pointers.logging)))
                qDebug() << "Download fault, Unable to open the history file";
        }
    }

    if (!log) {
        env.callbacks.Message(tr("Unable to locate the Log Data memory"));
        return {true, tr("Partioning failed")};
    }
    const LogPartitioner::Result partition =
        LogPartitioner::Run(log->buffer, state.displayId == DeviceId::DisplayColour, state.pointers.logging);
    saver.SaveDives(download, state.memoryList, state.memoryList.FixedCount(), log->buffer, partition);
    state.savedFiles << saver.SavedFiles();
    return {true, QString()};
}
