#include "V2Download.h"

#include "AppSettings.h"
#include "DeviceList.h"
#include "LogBookV2Reader.h"
#include "RBData.h"
#include "RixComms.h"
#include "V1Download.h"
#include "V2DownloadPlan.h"
#include "V2LogSaver.h"

#include <QDebug>
#include <QElapsedTimer>

DownloadOutcome V2Download::ReadLogBook(const DownloadEnvironment &env, DownloadState &state,
                                        bool fullRead)
{
    env.callbacks.Message(fullRead ? tr("Log book read started (full)")
                                   : tr("Log book read started"));
    if (!state.memoryListBuilt) {
        qDebug() << "V2 Logging - Fixed memory assignement";
        state.memoryList.AssignFixedV2(env.record, env.catalogue);
        state.memoryListBuilt = true;
        for (const QString &line : state.memoryList.Lines())
            qDebug().noquote() << line;
    }
    state.logBook.Clear();
    state.logBookRead = false;
    MemoryBlock *bookItem = state.memoryList.FirstOfType(MemoryBlock::DisplayLogBook);
    if (!bookItem)
        return {false, tr("Unable to locate the Log Book memory")};
    bookItem->buffer.fill(char(0xFF));
    bookItem->done = false;

    LogBookV2Reader reader(env.link, env.record, env.catalogue, env.callbacks);
    const LogBookV2Reader::Result read = reader.Read(fullRead, state.logBook, &bookItem->buffer);
    state.logDataStart = read.logDataStart;
    state.logDataSize = read.logDataSize;
    state.pointers.logging = read.loggingPointer;
    state.pointers.logBook = read.logBookPointer;
    if (!read.ok)
        return {false, read.message};

    bookItem->done = true;
    for (const QString &line : state.logBook.Summary())
        qDebug().noquote() << line;
    V2DownloadPlan::Analyse(state.logBook, state.pointers.logging, state.logDataStart);
    V2DownloadPlan::CheckBounds(state.logBook, state.pointers.logging, state.logDataStart,
                                state.logDataSize);
    state.logBookRead = true;
    return {true, tr("Log book read completed")};
}

void V2Download::SelectionChanged(const DownloadEnvironment &env, DownloadState &state)
{
    state.divesToDownload =
        V2DownloadPlan::AssignVariableItems(state.memoryList, state.logBook, state.logDataStart);
    state.counts = BlockReader::CountAll(state.memoryList, env.link.IsBluetooth());
    state.estimate = BlockReader::EstimateSeconds(state.counts, env.bluetoothReadTime, env.shortReadTime);
    qDebug().noquote() << QString::asprintf("Estimated download time %d (s)", state.estimate);
    env.callbacks.TimeEstimate(state.estimate);
}

DownloadOutcome V2Download::Download(const DownloadEnvironment &env, DownloadState &state,
                                     const QString &downloadDir)
{
    state.downloadDir = downloadDir;
    state.displayId = DeviceId::DisplayColour;
    state.downloadStart = QDateTime::currentDateTime();
    state.savedFiles.clear();
    QElapsedTimer stopwatch;
    stopwatch.start();

    env.callbacks.Message(tr("Download started"));
    env.callbacks.Progress(0);
    BlockReader::Options options;
    options.bluetooth = env.link.IsBluetooth();
    options.logDataStart = state.logDataStart;
    options.incompatibleBridgeText = false;
    BlockReader reader(env.link, env.callbacks);
    const BlockReader::Result read = reader.ReadAll(state.memoryList, options);
    if (read.outcome == BlockReader::Outcome::Failed)
        return {false, tr("Download failed")};

    qDebug().noquote() << QString::asprintf("Actual download time %d (s) - Estimated %d (s)",
                                            int(stopwatch.elapsed() / 1000), state.estimate);
    V1Download::LearnReadTimes(env, read);
    if (read.outcome == BlockReader::Outcome::Aborted || env.callbacks.TakeAbort())
        return {true, tr("Download aborted")};

    LogFileSaver::Download download;
    download.directory = downloadDir;
    download.serialNumber = env.record.SerialNumber(DeviceId::DisplayColour);
    download.start = state.downloadStart;
    download.deviceVersion = V1Download::DisplayCodeVersion(state.memoryList);
    download.uddf = AppSettings::BoolValue(AppSettings::Key::DownloadUddf);
    state.displayCodeVersion = download.deviceVersion;
    env.callbacks.Message(tr("Download complete, saving files"));
    LogFileSaver saver(env.callbacks);
    V2LogSaver::Save(saver, download, state.memoryList, state.logBook);
    state.savedFiles = saver.SavedFiles();
    return {true, QString()};
}
