#pragma once

#include <QString>

#include <functional>

// How a download operation reports to whoever runs it (the worker turns
// these into its signals; tests and tools may record them). Any may be empty.
struct DownloadCallbacks {
    std::function<void(const QString &msg, bool overwriteLastString)> message;
    std::function<void(int progress)> progress;
    std::function<void(int seconds)> timeEstimate;
    std::function<void(const QString &path)> refreshRequired;
    // Reads and clears the abort request.
    std::function<bool()> takeAbort;
    // Asks yes / yes to all / no / no to all; returns the question result code.
    std::function<int(const QString &question)> askYesYesToAllNoNoToAll;

    void Message(const QString &msg, bool overwrite = false) const
    {
        if (message)
            message(msg, overwrite);
    }
    void Progress(int value) const
    {
        if (progress)
            progress(value);
    }
    void TimeEstimate(int seconds) const
    {
        if (timeEstimate)
            timeEstimate(seconds);
    }
    void RefreshRequired(const QString &path) const
    {
        if (refreshRequired)
            refreshRequired(path);
    }
    bool TakeAbort() const { return takeAbort && takeAbort(); }
};
