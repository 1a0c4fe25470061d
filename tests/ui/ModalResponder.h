#pragma once

#include <QApplication>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers the modal windows a test opens: every 50 ms the handler sees the
// active modal window (if any) and may press its buttons.
class ModalResponder : public QObject
{
public:
    explicit ModalResponder(std::function<void(QWidget *)> handler)
        : m_handler(std::move(handler))
    {
        m_timer.setInterval(50);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (QWidget *modal = QApplication::activeModalWidget())
                m_handler(modal);
        });
        m_timer.start();
    }

private:
    std::function<void(QWidget *)> m_handler;
    QTimer m_timer;
};
