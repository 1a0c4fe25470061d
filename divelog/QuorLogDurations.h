#pragma once

#include <QDateTime>
#include <QString>

// Duration and interval texts the dive-log windows show.
class QuorLogDurations
{
public:
    // "mm:ss (mm:ss)" below one hour, else "h:mm:ss (hh:mm:ss)".
    static QString DiveDurationText(int seconds);
    // "hh:mm:ss (hh:mm:ss)" below 100 hours, "> 99:59:59" from there on,
    // "Invalid" when either date-time is invalid.
    static QString IntervalText(const QDateTime &from, const QDateTime &to);
    static QString IntervalText(qint64 seconds);
    // "%1:%2 hh:mm" from a count of minutes; "Not logged" for -1 (the record
    // does not carry it), "Invalid" for 0.
    static QString MinuteCountText(int minutes);

    static constexpr qint64 LongestInterval = 360000; // 100 hours
};
