#pragma once

#include <QLatin1String>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QWidget>

// The parts of a window the tests look at, found by object name.

inline QPushButton *Button(QWidget *w, const char *name)
{
    return w->findChild<QPushButton *>(QLatin1String(name));
}

// The text of the window's message log ("messagesEdit").
inline QString Messages(QWidget *w)
{
    return w->findChild<QPlainTextEdit *>(QStringLiteral("messagesEdit"))->toPlainText();
}
