#include "Clock.h"
#include "ui_Clock.h"

#include "AppSettings.h"
#include "UniformButtons.h"
#include "WindowGeometry.h"
#include "WindowStyle.h"
#include "WorkerC.h"
#include "ok.h"

#include <QDebug>
#include <QTimer>

#include <algorithm>

Clock::Clock(WorkerC *worker, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::Clock)
    , m_worker(worker)
    , m_timer(new QTimer(this))
    , m_messageLevel(AppSettings::IntValue(AppSettings::Key::MessageLevel))
{
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);
    WindowGeometry::Restore(this, AppSettings::Key::GeometryClock);
    m_timer->setInterval(RefreshIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &Clock::on_timer);
    // Runs once the caller has connected the window and started it.
    QTimer::singleShot(0, this, &Clock::OnInitDialog);
}

Clock::~Clock()
{
    m_timer->stop();
    WindowGeometry::Save(this, AppSettings::Key::GeometryClock);
    delete ui;
}

QString Clock::ClockText(const QDateTime &dateTime)
{
    return dateTime.toString(QStringLiteral("d MMMM yyyy\nhh:mm:ss")).toUpper();
}

void Clock::OnInitDialog()
{
    if (m_messageLevel >= 1)
        qDebug() << "Clock::OnInitDialog()";
    ui->pcClock->clear();
    ui->rbClock->clear();
    m_lastPcText.clear();
    emit ClockReadRTCDateTime();
    m_timer->start();
}

void Clock::on_timer()
{
    if (m_messageLevel >= 1)
        qDebug() << "Clock::on_timer()- Started";
    if (m_worker && m_worker->IsWorkInProgress()) {
        if (m_messageLevel >= 1)
            qDebug() << "Clock::on_timer() - Blocked by work in progress";
        return;
    }
    emit ClockReadRTCDateTime();
    if (m_messageLevel >= 1)
        qDebug() << "Clock::on_timer() - Completed";
}

void Clock::DisplayDateTime(QDateTime rtcDateTime)
{
    const QDateTime now = QDateTime::currentDateTime();
    if (!rtcDateTime.isValid()) {
        ui->rbClock->setText(tr("Invalid Date / Time"));
    } else {
        // Clocks within a second of each other are shown as one, so equal
        // clocks never appear to flicker apart.
        const qint64 difference = now.secsTo(rtcDateTime);
        ui->rbClock->setText(ClockText(difference >= -1 && difference <= 1 ? now : rtcDateTime));
    }
    const QString pcText = ClockText(now);
    if (pcText != m_lastPcText) {
        ui->pcClock->setText(pcText);
        m_lastPcText = pcText;
    }
}

void Clock::CommsDisconnected()
{
    m_timer->stop();
    ok::Show(this, tr("Disconnected.  Reconnect and try again."), QStringLiteral(":/Quor.ico"));
    close();
}

void Clock::on_synchroniseBtn_clicked()
{
    emit ClockSynchronise();
}

void Clock::on_closeBtn_clicked()
{
    m_timer->stop();
    close();
}

bool Clock::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest) {
        for (QLabel *label : {ui->pcClock, ui->rbClock}) {
            const QSize hint = label->sizeHint();
            const QSize wanted(hint.width() + 10, std::max(hint.height(), UniformButtons::MinimumHeight));
            if (label->minimumSize() != wanted)
                label->setMinimumSize(wanted);
        }
        UniformButtons::Equalise({ui->synchroniseBtn, ui->closeBtn});
    }
    return QDialog::event(event);
}

void Clock::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
