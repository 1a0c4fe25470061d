#pragma once

#include <QList>
#include <QStringList>

class QScreen;

// The start-up report on the screens: how many, which is primary, and every
// geometry, size, depth, resolution and orientation of each one. Items on a
// line are separated by one blank.
class ScreenReport
{
public:
    static QStringList Lines(const QList<QScreen *> &screens, const QScreen *primary);
    static QStringList ScreenLines(const QScreen *screen);
    static QString OrientationName(int orientation); // a Qt::ScreenOrientation value
    // Writes the report of the application's screens at debug level.
    static void Log();
};
