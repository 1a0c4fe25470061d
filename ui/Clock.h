#pragma once

#include <QDateTime>
#include <QDialog>

namespace Ui { class Clock; }
class QTimer;
class WorkerC;

// Shows the computer's clock beside the device's real-time clock, refreshed
// once a second, and forwards SYNCHRONISE to the worker. The window never
// talks to the device itself.
class Clock : public QDialog
{
    Q_OBJECT
public:
    static constexpr int RefreshIntervalMs = 1000;

    // worker: consulted for its work-in-progress flag before each refresh;
    // may be null (the refresh then always asks).
    explicit Clock(WorkerC *worker, QWidget *parent = nullptr);
    ~Clock() override;

    // The text a clock label shows for a date-time.
    static QString ClockText(const QDateTime &dateTime);

signals:
    void ClockReadRTCDateTime();
    void ClockSynchronise();

public slots:
    void OnInitDialog();
    void DisplayDateTime(QDateTime rtcDateTime);
    void CommsDisconnected();
    void on_timer();

private slots:
    void on_synchroniseBtn_clicked();
    void on_closeBtn_clicked();

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Ui::Clock *ui;
    WorkerC *m_worker;
    QTimer *m_timer;
    int m_messageLevel;
    QString m_lastPcText;
};
