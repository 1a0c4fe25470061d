#pragma once

#include "AppSettings.h"

#include <QByteArray>
#include <QList>
#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

// Saving and restoring the size and place of every window. A settings file
// can hold anything (values of another screen layout, of another program
// version, edited by hand, damaged), so nothing stored is applied as it
// stands: a window always ends up whole on one of the attached screens, never
// larger than that screen's free area, and never smaller than its own minimum.
class WindowGeometry
{
public:
    // Dialogs: restores the geometry saved under key. A dialog with nothing
    // usable stored keeps its designed size and is centred as usual.
    static void Restore(QWidget *window, AppSettings::Key key);
    static void Save(const QWidget *window, AppSettings::Key key);

    // The main window: the saved geometry, then the stored position, size and
    // maximised state (each only when it holds a usable value); the window is
    // fitted on a screen even when nothing is stored, since its designed size
    // may not fit a small screen.
    static void RestoreMainWindow(QWidget *window);
    static void SaveMainWindow(const QWidget *window);

    // Moves and shrinks the window so that it lies whole on one screen's free
    // area. Windows keep being fitted each time they are shown, once the
    // window system has told the size of their frame.
    static void FitOnScreen(QWidget *window);

    // The rule itself. frame: where the window (with its frame) would go;
    // minimum: the smallest frame size the window allows; screens: the free
    // area of each attached screen; primary: index of the primary screen.
    // The result lies on the screen that shows most of frame (the primary
    // screen when none shows any of it), no larger than that screen's free
    // area unless minimum is larger, in which case its top left corner is
    // that of the free area so that the title bar stays reachable.
    // Coordinates of any size are handled without overflow.
    static QRect Fit(const QRect &frame, const QSize &minimum, const QList<QRect> &screens, int primary);

    // Whether bytes hold a window geometry as the toolkit saves it, with
    // sizes and positions that any screen could have. Anything else (empty,
    // cut short, foreign bytes, absurd rectangles) is not handed to the
    // toolkit at all.
    static bool IsPlausibleSavedGeometry(const QByteArray &bytes);

    // Largest coordinate or size taken from a settings file; far beyond any
    // real desktop, far below where arithmetic on it could overflow.
    static constexpr int CoordinateLimit = 1 << 20;
};
