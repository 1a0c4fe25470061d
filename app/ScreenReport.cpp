#include "ScreenReport.h"

#include <QDebug>
#include <QGuiApplication>
#include <QScreen>

namespace {

struct OrientationEntry {
    Qt::ScreenOrientation orientation;
    const char *name;
};

const OrientationEntry OrientationNames[] = {
    {Qt::PrimaryOrientation, "Primary"},
    {Qt::PortraitOrientation, "Portrait"},
    {Qt::LandscapeOrientation, "Landscape"},
    {Qt::InvertedPortraitOrientation, "Inverted portrait"},
    {Qt::InvertedLandscapeOrientation, "Inverted landscape"},
};

QString N(qreal value)
{
    return QString::number(value);
}

QString Line(const QString &label, const QStringList &items)
{
    return label + QLatin1Char(' ') + items.join(QLatin1Char(' '));
}

QStringList Rect(const QRect &r)
{
    return {N(r.x()), N(r.y()), N(r.width()), QStringLiteral("x"), N(r.height())};
}

QStringList Size(const QSize &s)
{
    return {N(s.width()), QStringLiteral("x"), N(s.height())};
}

} // namespace

QString ScreenReport::OrientationName(int orientation)
{
    for (const OrientationEntry &entry : OrientationNames) {
        if (entry.orientation == orientation)
            return QLatin1String(entry.name);
    }
    return QStringLiteral("Unknown");
}

QStringList ScreenReport::ScreenLines(const QScreen *screen)
{
    const QSizeF physical = screen->physicalSize();
    return {
        Line(QStringLiteral("Information for screen:"), {screen->name()}),
        Line(QStringLiteral("  Available geometry:"), Rect(screen->availableGeometry())),
        Line(QStringLiteral("  Available size:"), Size(screen->availableSize())),
        Line(QStringLiteral("  Available virtual geometry:"), Rect(screen->availableVirtualGeometry())),
        Line(QStringLiteral("  Available virtual size:"), Size(screen->availableVirtualSize())),
        Line(QStringLiteral("  Depth:"), {N(screen->depth()), QStringLiteral("bits")}),
        Line(QStringLiteral("  Geometry:"), Rect(screen->geometry())),
        Line(QStringLiteral("  Logical DPI:"), {N(screen->logicalDotsPerInch())}),
        Line(QStringLiteral("  Logical DPI X:"), {N(screen->logicalDotsPerInchX())}),
        Line(QStringLiteral("  Logical DPI Y:"), {N(screen->logicalDotsPerInchY())}),
        Line(QStringLiteral("  Orientation:"), {OrientationName(screen->orientation())}),
        Line(QStringLiteral("  Physical DPI:"), {N(screen->physicalDotsPerInch())}),
        Line(QStringLiteral("  Physical DPI X:"), {N(screen->physicalDotsPerInchX())}),
        Line(QStringLiteral("  Physical DPI Y:"), {N(screen->physicalDotsPerInchY())}),
        Line(QStringLiteral("  Physical size:"),
             {N(physical.width()), QStringLiteral("x"), N(physical.height()), QStringLiteral("mm")}),
        Line(QStringLiteral("  Primary orientation:"), {OrientationName(screen->primaryOrientation())}),
        Line(QStringLiteral("  Refresh rate:"), {N(screen->refreshRate()), QStringLiteral("Hz")}),
        Line(QStringLiteral("  Size:"), Size(screen->size())),
        Line(QStringLiteral("  Virtual geometry:"), Rect(screen->virtualGeometry())),
        Line(QStringLiteral("  Virtual size:"), Size(screen->virtualSize())),
    };
}

QStringList ScreenReport::Lines(const QList<QScreen *> &screens, const QScreen *primary)
{
    QStringList lines;
    lines << Line(QStringLiteral("Number of screens:"), {N(screens.size())});
    lines << Line(QStringLiteral("Primary screen:"), {primary ? primary->name() : QString()});
    for (const QScreen *screen : screens)
        lines << ScreenLines(screen);
    return lines;
}

void ScreenReport::Log()
{
    const QStringList lines = Lines(QGuiApplication::screens(), QGuiApplication::primaryScreen());
    for (const QString &line : lines)
        qDebug().noquote() << line;
}
