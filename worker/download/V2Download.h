#pragma once

#include <QCoreApplication>

#include "DownloadState.h"

// The download of a Colour V2 display: the log book read with its
// partition analysis, the memory items for the selected dives, and the
// download and saving of those dives.
class V2Download
{
    Q_DECLARE_TR_FUNCTIONS(V2Download)

public:
    static DownloadOutcome ReadLogBook(const DownloadEnvironment &env, DownloadState &state,
                                       bool fullRead);
    // Rebuilds the variable items and reports the new estimate.
    static void SelectionChanged(const DownloadEnvironment &env, DownloadState &state);
    static DownloadOutcome Download(const DownloadEnvironment &env, DownloadState &state,
                                    const QString &downloadDir);
};
