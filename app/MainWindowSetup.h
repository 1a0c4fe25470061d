#pragma once

#include <QWidget>
#include <functional>

// What start-up adds to the main window once it exists: the "ContextHelp"
// action on Shift+F1 and the window flags (window with minimise, maximise and
// close buttons, no other hints).
class MainWindowSetup
{
public:
    static Qt::WindowFlags WindowFlags();
    static void Apply(QWidget &window, const std::function<void()> &contextHelp);
};
