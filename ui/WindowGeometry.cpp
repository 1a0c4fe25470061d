#include "WindowGeometry.h"

#include <QDataStream>
#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QPoint>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

// How the toolkit lays out a saved geometry (QWidget::saveGeometry): a magic
// number, a version, then rectangles and screen details. Version 2 added the
// screen width, version 3 the client geometry.
constexpr quint32 savedGeometryMagic = 0x1D9D0CB;
constexpr quint16 newestSavedGeometryVersion = 3;
// Screen numbers are small; anything else is not a saved geometry.
constexpr qint32 largestScreenNumber = 255;

const char fitterName[] = "WindowGeometryFitter";

bool withinLimit(qint64 value)
{
    return value >= -qint64(WindowGeometry::CoordinateLimit) && value <= qint64(WindowGeometry::CoordinateLimit);
}

bool plausibleRect(const QRect &rect, bool mayBeEmpty)
{
    // Width and height straight from the stored corners, so that nothing
    // overflows whatever the corners hold.
    const qint64 width = qint64(rect.right()) - rect.left() + 1;
    const qint64 height = qint64(rect.bottom()) - rect.top() + 1;
    if (!withinLimit(rect.left()) || !withinLimit(rect.top()) || !withinLimit(rect.right())
        || !withinLimit(rect.bottom()))
        return false;
    if (width <= 0 || height <= 0)
        return mayBeEmpty;
    return width <= WindowGeometry::CoordinateLimit && height <= WindowGeometry::CoordinateLimit;
}

qint64 overlapArea(const QRect &a, const QRect &b)
{
    // QRect::width() and height() overflow int for a hostile frame spanning
    // the whole coordinate range, so the edges are taken one by one.
    const qint64 left = std::max<qint64>(a.left(), b.left());
    const qint64 right = std::min<qint64>(qint64(a.right()) + 1, qint64(b.right()) + 1);
    const qint64 top = std::max<qint64>(a.top(), b.top());
    const qint64 bottom = std::min<qint64>(qint64(a.bottom()) + 1, qint64(b.bottom()) + 1);
    if (right <= left || bottom <= top)
        return 0;
    return (right - left) * (bottom - top);
}

// One axis: a length between minimum and the room there is (the minimum
// wins when the room is smaller), placed inside the room where it fits and at
// the room's start where it does not.
void fitAxis(qint64 start, qint64 length, qint64 minimum, qint64 roomStart, qint64 room, qint64 *fittedStart,
             qint64 *fittedLength)
{
    qint64 fitted = std::min(length, room);
    fitted = std::max(fitted, minimum);
    fitted = std::max<qint64>(fitted, 1);
    qint64 place = roomStart;
    if (fitted < room)
        place = std::clamp(start, roomStart, roomStart + room - fitted);
    *fittedStart = place;
    *fittedLength = fitted;
}

QList<QRect> availableAreas(int *primary)
{
    QList<QRect> areas;
    *primary = 0;
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (int i = 0; i < screens.size(); ++i) {
        areas << screens.at(i)->availableGeometry();
        if (screens.at(i) == QGuiApplication::primaryScreen())
            *primary = i;
    }
    return areas;
}

// The frame around the client area. Before a window is shown its frame is
// not known yet; a title bar's height is then assumed, so a window restored
// at the top of a screen does not end up with its title bar above it.
QMargins frameMargins(const QWidget *window)
{
    if (window->isVisible())
        return QMargins(window->geometry().left() - window->frameGeometry().left(),
                        window->geometry().top() - window->frameGeometry().top(),
                        window->frameGeometry().right() - window->geometry().right(),
                        window->frameGeometry().bottom() - window->geometry().bottom());
    if (window->windowFlags() & Qt::FramelessWindowHint)
        return QMargins();
    return QMargins(0, window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window), 0, 0);
}

QSize minimumClientSize(QWidget *window)
{
    if (QLayout *layout = window->layout())
        layout->activate();
    return window->minimumSize().expandedTo(window->minimumSizeHint()).expandedTo(QSize(1, 1));
}

// Puts the window's frame where frame says, fitted on a screen.
void placeFitted(QWidget *window, const QRect &frame)
{
    int primary = 0;
    const QList<QRect> screens = availableAreas(&primary);
    if (screens.isEmpty())
        return;
    const QMargins margins = frameMargins(window);
    const QSize extra(margins.left() + margins.right(), margins.top() + margins.bottom());
    const QRect fitted = WindowGeometry::Fit(frame, minimumClientSize(window) + extra, screens, primary);
    const QSize clientSize = fitted.size() - extra;
    if (window->size() != clientSize)
        window->resize(clientSize);
    // A window that was never moved is placed by the toolkit (a dialog over
    // its parent); it is moved only when it would not lie whole on a screen.
    if (window->pos() != fitted.topLeft())
        window->move(fitted.topLeft());
}

// Fits its window again each time it is shown, once the window system has
// had a chance to tell the size of the frame.
class ShowFitter : public QObject
{
public:
    explicit ShowFitter(QWidget *window)
        : QObject(window)
    {
        setObjectName(QLatin1String(fitterName));
        window->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            QPointer<QWidget> window = qobject_cast<QWidget *>(watched);
            QTimer::singleShot(0, this, [window] {
                if (window && window->isVisible())
                    WindowGeometry::FitOnScreen(window);
            });
        }
        return false;
    }
};

void keepFittedWhenShown(QWidget *window)
{
    if (!window->findChild<ShowFitter *>(QLatin1String(fitterName), Qt::FindDirectChildrenOnly))
        new ShowFitter(window);
}

// The toolkit restores a maximised or full-screen state with the geometry;
// the windows decide their state themselves.
void clearRestoredState(QWidget *window)
{
    const Qt::WindowStates state = window->windowState();
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        window->setWindowState(state & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
}

// Only a real "true" maximises; any other text a settings file may hold
// does not.
bool storedTrue(const QVariant &value)
{
    if (value.userType() == QMetaType::Bool)
        return value.toBool();
    if (value.userType() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        return text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || text == QLatin1String("1");
    }
    return false;
}

bool restoreSaved(QWidget *window, AppSettings::Key key)
{
    const QVariant stored = AppSettings::Value(key);
    if (stored.userType() != QMetaType::QByteArray)
        return false;
    const QByteArray bytes = stored.toByteArray();
    if (!WindowGeometry::IsPlausibleSavedGeometry(bytes) || !window->restoreGeometry(bytes))
        return false;
    clearRestoredState(window);
    return true;
}

} // namespace

QRect WindowGeometry::Fit(const QRect &frame, const QSize &minimum, const QList<QRect> &screens, int primary)
{
    if (screens.isEmpty())
        return frame;
    int chosen = -1;
    qint64 largestOverlap = 0;
    for (int i = 0; i < screens.size(); ++i) {
        const qint64 overlap = overlapArea(frame, screens.at(i));
        if (overlap > largestOverlap) {
            largestOverlap = overlap;
            chosen = i;
        }
    }
    if (chosen < 0)
        chosen = primary >= 0 && primary < screens.size() ? primary : 0;
    const QRect area = screens.at(chosen);

    const qint64 width = qint64(frame.right()) - frame.left() + 1;
    const qint64 height = qint64(frame.bottom()) - frame.top() + 1;
    qint64 x = 0;
    qint64 y = 0;
    qint64 fittedWidth = 0;
    qint64 fittedHeight = 0;
    fitAxis(frame.left(), width, minimum.width(), area.left(), area.width(), &x, &fittedWidth);
    fitAxis(frame.top(), height, minimum.height(), area.top(), area.height(), &y, &fittedHeight);
    return QRect(int(x), int(y), int(fittedWidth), int(fittedHeight));
}

bool WindowGeometry::IsPlausibleSavedGeometry(const QByteArray &bytes)
{
    QDataStream stream(bytes);
    stream.setVersion(QDataStream::Qt_4_0);
    quint32 magic = 0;
    quint16 major = 0;
    quint16 minor = 0;
    stream >> magic >> major >> minor;
    if (stream.status() != QDataStream::Ok || magic != savedGeometryMagic || major < 1
        || major > newestSavedGeometryVersion)
        return false;

    QRect frame;
    QRect normal;
    qint32 screen = 0;
    quint8 maximized = 0;
    quint8 fullScreen = 0;
    qint32 screenWidth = 0;
    QRect client(0, 0, 1, 1);
    stream >> frame >> normal >> screen >> maximized >> fullScreen;
    if (major >= 2)
        stream >> screenWidth;
    if (major >= 3)
        stream >> client;
    if (stream.status() != QDataStream::Ok)
        return false;
    // The normal geometry of a window that was never shown normal is empty.
    return plausibleRect(frame, false) && plausibleRect(client, false) && plausibleRect(normal, true)
           && screen >= -1 && screen <= largestScreenNumber && withinLimit(screenWidth) && screenWidth >= 0;
}

void WindowGeometry::FitOnScreen(QWidget *window)
{
    if (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized))
        return;
    const QMargins margins = frameMargins(window);
    placeFitted(window, QRect(window->pos(), window->size().grownBy(margins)));
}

void WindowGeometry::Restore(QWidget *window, AppSettings::Key key)
{
    keepFittedWhenShown(window);
    if (restoreSaved(window, key))
        FitOnScreen(window);
}

void WindowGeometry::Save(const QWidget *window, AppSettings::Key key)
{
    AppSettings::SetValue(key, window->saveGeometry());
}

void WindowGeometry::RestoreMainWindow(QWidget *window)
{
    keepFittedWhenShown(window);
    restoreSaved(window, AppSettings::Key::GeometryMain);

    const QMargins margins = frameMargins(window);
    QRect frame(window->pos(), window->size().grownBy(margins));
    const QVariant position = AppSettings::Value(AppSettings::Key::GeometryMainPos);
    if (position.userType() == QMetaType::QPoint) {
        const QPoint point = position.toPoint();
        if (withinLimit(point.x()) && withinLimit(point.y()))
            frame.moveTopLeft(point);
    }
    const QVariant size = AppSettings::Value(AppSettings::Key::GeometryMainSize);
    if (size.userType() == QMetaType::QSize) {
        const QSize stored = size.toSize();
        if (stored.width() > 0 && stored.height() > 0 && stored.width() <= CoordinateLimit
            && stored.height() <= CoordinateLimit)
            frame.setSize(stored.grownBy(margins));
    }
    placeFitted(window, frame);

    if (storedTrue(AppSettings::Value(AppSettings::Key::GeometryMainMaximized)))
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

void WindowGeometry::SaveMainWindow(const QWidget *window)
{
    AppSettings::SetValue(AppSettings::Key::GeometryMain, window->saveGeometry());
    const bool maximized = window->isMaximized();
    AppSettings::SetValue(AppSettings::Key::GeometryMainMaximized, maximized);
    // A maximised window stores the place it returns to, not the whole
    // screen. The position is that of the frame, like pos(); the normal
    // geometry is the client area, so the frame's offset is taken off.
    QPoint position = window->pos();
    QSize size = window->size();
    if (maximized && window->normalGeometry().isValid()) {
        const QPoint frameOffset = window->geometry().topLeft() - window->frameGeometry().topLeft();
        position = window->normalGeometry().topLeft() - frameOffset;
        size = window->normalGeometry().size();
    }
    AppSettings::SetValue(AppSettings::Key::GeometryMainPos, position);
    AppSettings::SetValue(AppSettings::Key::GeometryMainSize, size);
}
