#include "WaitCursor.h"

#include <QApplication>

WaitCursor::~WaitCursor()
{
    Set(false);
}

void WaitCursor::Set(bool on)
{
    // The override cursors stack: one push per Set(true) that changed
    // anything, one pop per Set(false) that did.
    if (on == m_on)
        return;
    m_on = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
