#pragma once

#include "BlockReader.h"
#include "DownloadCallbacks.h"
#include "DownloadHistory.h"
#include "LogBookV2.h"
#include "LoggingPointers.h"
#include "MemoryList.h"

#include <QDateTime>
#include <QString>

class DeviceList;
class RBData;
class RixComms;

// What the download operations keep between their steps (preparation and
// download, log book read, selection and download). Owned by the worker;
// cleared with the device record.
struct DownloadState {
    MemoryList memoryList;
    LogBookV2 logBook;
    bool memoryListBuilt = false;
    bool logBookRead = false;

    QString downloadDir;
    QDateTime downloadStart;
    quint8 displayId = 0;
    LoggingPointers pointers;
    quint32 logDataStart = 0;
    quint32 logDataSize = 0;
    DownloadHistory::Range range;
    quint32 downloadedFinish = 0;
    ReadCounts counts;
    int estimate = 0;
    QByteArray displayCodeVersion; // 4 bytes for the file headers
    int divesToDownload = 0;
    QStringList savedFiles;        // files the last download wrote

    void Clear()
    {
        memoryList.Clear();
        logBook.Clear();
        memoryListBuilt = false;
        logBookRead = false;
        logDataStart = 0;
        logDataSize = 0;
        range = DownloadHistory::Range();
    }
};

// What an operation works with: the link, the device record, the
// catalogue, where it reports, and the learned per-read times.
struct DownloadEnvironment {
    RixComms &link;
    const RBData &record;
    const DeviceList &catalogue;
    const DownloadCallbacks &callbacks;
    double &bluetoothReadTime;
    double &shortReadTime;
};

// An operation's answer: the result flag and the message for the window.
struct DownloadOutcome {
    bool result = false;
    QString message;
};
