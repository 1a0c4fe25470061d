#include "QuorLogDurations.h"

#include "DeviceList.h"

#include <QTime>

QString QuorLogDurations::DiveDurationText(int seconds)
{
    if (seconds < 0)
        seconds = 0;
    const QTime time = QTime(0, 0).addSecs(seconds);
    if (seconds < 3600)
        return time.toString(QStringLiteral("mm:ss")) + QStringLiteral(" (mm:ss)");
    return time.toString(QStringLiteral("h:mm:ss")) + QStringLiteral(" (hh:mm:ss)");
}

QString QuorLogDurations::IntervalText(qint64 seconds)
{
    if (seconds >= LongestInterval)
        return QStringLiteral("> 99:59:59");
    return DeviceList::DurationText(double(seconds)) + QStringLiteral(" (hh:mm:ss)");
}

QString QuorLogDurations::IntervalText(const QDateTime &from, const QDateTime &to)
{
    if (!from.isValid() || !to.isValid())
        return QStringLiteral("Invalid");
    return IntervalText(from.secsTo(to));
}

QString QuorLogDurations::MinuteCountText(int minutes)
{
    if (minutes < 0)
        return QStringLiteral("Not logged");
    if (minutes == 0)
        return QStringLiteral("Invalid");
    return QStringLiteral("%1:%2 hh:mm").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}
