#pragma once

#include "DiveCellHealth.h"

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QVector>

class QuorLog;

// One dive-log file of the download folder as the dive list shows it: the
// figures of its dive, or the reason it could not be read.
struct DiveListEntry
{
    QString filePath;
    QString fileName;
    QDateTime fileModified;
    bool loaded = false;
    QString error;           // why the file could not be read, when !loaded
    QDateTime diveStart;
    int diveNumber = 0;
    int durationSeconds = 0;
    double greatestDepth = 0.0; // m
    QString handsetSerial;
    DiveCellHealth cells;
    // The list's order, newest first: the dive's start, or for a file that
    // could not be read (or holds no date) the time it was last written; in
    // milliseconds since 1970 (comparing date-times goes through the time
    // zone each time).
    qint64 sortTime = 0;
    static bool NewerFirst(const DiveListEntry &l, const DiveListEntry &r);

    // Loads the file and fills the entry from its identified dive.
    static DiveListEntry FromFile(const QString &path);
    // Fills the entry from a log already loaded (path and file times from
    // the log's file).
    static DiveListEntry FromLog(const QuorLog &log, int loadResult);
};

Q_DECLARE_METATYPE(DiveListEntry)
Q_DECLARE_METATYPE(QVector<DiveListEntry>)
