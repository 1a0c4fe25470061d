#pragma once

#include <QCoreApplication>

#include "DownloadState.h"

// The download of a mono or Colour V1 display: the preparation (memory
// list, logging pointer, range from the history, estimate) and the download
// itself (read, break handling, log book pointer correction, .ccx, history
// line, partitioning and .ccl files).
class V1Download
{
    Q_DECLARE_TR_FUNCTIONS(V1Download)

public:
    static DownloadOutcome Prepare(const DownloadEnvironment &env, DownloadState &state,
                                   const QString &downloadDir, bool fullDownload);
    static DownloadOutcome Download(const DownloadEnvironment &env, DownloadState &state,
                                    const QString &downloadDir);

    // Moves each learned per-read time halfway toward what this download
    // measured and stores it in the settings.
    static void LearnReadTimes(const DownloadEnvironment &env, const BlockReader::Result &read);
    // Bytes 4-7 of the display's code version item, or empty.
    static QByteArray DisplayCodeVersion(const MemoryList &list);
};
