#include "MainWindowSetup.h"

#include <QAction>
#include <QKeySequence>

Qt::WindowFlags MainWindowSetup::WindowFlags()
{
    return Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint
           | Qt::WindowCloseButtonHint;
}

void MainWindowSetup::Apply(QWidget &window, const std::function<void()> &contextHelp)
{
    auto *action = new QAction(&window);
    action->setObjectName(QStringLiteral("ContextHelp"));
    action->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    QObject::connect(action, &QAction::triggered, &window, [contextHelp] {
        if (contextHelp)
            contextHelp();
    });
    window.addAction(action);
    window.setWindowFlags(WindowFlags());
}
