#include "DownloadV1Dialog.h"
#include "ui_DownloadV1Dialog.h"

#include "AppSettings.h"
#include "DownloadFolder.h"
#include "DeviceList.h"
#include "DivesDialog.h"
#include "DownloadDialogCommon.h"
#include "UniformButtons.h"
#include "WindowGeometry.h"
#include "WindowStyle.h"
#include "WorkerC.h"
#include "ok.h"

#include <QDebug>
#include <QFileDialog>
#include <QLabel>
#include <QTimer>

#include <algorithm>

DownloadV1Dialog::DownloadV1Dialog(WorkerC *worker, bool metricUnits, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DownloadV1Dialog)
    , m_worker(worker)
    , m_metricUnits(metricUnits)
{
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);
    m_progressLabel = DownloadDialogCommon::InstallProgressLabel(ui->progressBar);
    if (m_progressLabel)
        connect(ui->progressBar, &QProgressBar::valueChanged, this, &DownloadV1Dialog::ProgressLabelUpdate);
    WindowGeometry::Restore(this, AppSettings::Key::GeometryDownloadV1);
    m_downloadDir = DownloadFolder::Current();
    ui->dirEdit->setText(m_downloadDir);
    ui->progressBar->setValue(0);
    UpdateButtons();
    // Runs once the caller has connected the window and started it.
    QTimer::singleShot(0, this, &DownloadV1Dialog::OnInitDialog);
}

DownloadV1Dialog::~DownloadV1Dialog()
{
    WindowGeometry::Save(this, AppSettings::Key::GeometryDownloadV1);
    delete ui;
}

void DownloadV1Dialog::OnInitDialog()
{
    const bool colour = m_worker && m_worker->RBDataSnapshot().DisplayDeviceId() == DeviceId::DisplayColour;
    ui->fullDownLoadCheck->setVisible(colour);
    RequestPreparation();
}

void DownloadV1Dialog::RequestPreparation()
{
    if (m_preparing) {
        // One preparation at a time; the newest folder and option follow it.
        m_preparationStale = true;
        return;
    }
    m_preparing = true;
    m_preparationStale = false;
    ++m_pendingSteps;
    UpdateButtons();
    emit PrepareDownload(m_downloadDir, ui->fullDownLoadCheck->isChecked());
}

void DownloadV1Dialog::PrepareDownloadResult(bool result, QString msg)
{
    if (!result) {
        DownloadDialogCommon::AppendMessage(ui->messagesEdit, msg, false);
        m_failed = true;
    } else {
        qDebug().noquote() << "DownloadV1Dialog::PrepareDownloadResult() -" << msg;
    }
    m_preparing = false;
    m_pendingSteps = std::max(0, m_pendingSteps - 1);
    m_prepared = true;
    if (m_preparationStale && !m_failed)
        RequestPreparation();
    UpdateButtons();
}

void DownloadV1Dialog::on_dirEdit_textChanged(QString text)
{
    // The folder is made when a download starts, not at every keystroke of
    // a path being typed.
    m_downloadDir = DownloadFolder::Resolve(text);
    if (m_prepared)
        RequestPreparation();
    else if (m_preparing)
        m_preparationStale = true;
}

void DownloadV1Dialog::on_dirBtn_clicked()
{
    m_downloadDir = DownloadFolder::Resolve(ui->dirEdit->text());
    DownloadDialogCommon::EnsureFolder(m_downloadDir);
    const QString chosen = QFileDialog::getExistingDirectory(
        this, tr("Select Directory"), m_downloadDir, QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (!chosen.isEmpty() && chosen != ui->dirEdit->text())
        ui->dirEdit->setText(chosen); // prepares again through on_dirEdit_textChanged
}

void DownloadV1Dialog::on_fullDownLoadCheck_clicked()
{
    RequestPreparation();
}

void DownloadV1Dialog::on_downloadBtn_clicked()
{
    if (m_buttonState == Idle) {
        DownloadDialogCommon::EnsureFolder(m_downloadDir);
        ++m_pendingSteps;
        if (!ui->messagesEdit->document()->isEmpty())
            ui->messagesEdit->appendPlainText(QString());
        m_buttonState = Downloading;
        m_waitCursor.Set(true);
        UpdateButtons();
        emit DownloadData(m_downloadDir);
    } else if (m_buttonState == Downloading) {
        if (m_worker)
            m_worker->DownloadAbort();
        m_waitCursor.Set(false);
        m_buttonState = Aborting;
        UpdateButtons();
    }
}

void DownloadV1Dialog::DownloadResult(bool result, QString msg)
{
    if (!msg.isEmpty())
        DownloadDialogCommon::AppendMessage(ui->messagesEdit, msg, false);
    m_pendingSteps = std::max(0, m_pendingSteps - 1);
    m_buttonState = Idle;
    if (!result)
        m_failed = true;
    else
        m_downloaded = true;
    UpdateButtons();
    m_waitCursor.Set(false);
}

void DownloadV1Dialog::DownloadMsg(QString msg, bool overwriteLastString)
{
    if (msg.isEmpty() || m_appending)
        return;
    m_appending = true;
    DownloadDialogCommon::AppendMessage(ui->messagesEdit, msg, overwriteLastString);
    m_appending = false;
}

void DownloadV1Dialog::DownloadProgress(int progress)
{
    ui->progressBar->setValue(progress);
}

void DownloadV1Dialog::DownloadTimeEstimate(int seconds)
{
    m_estimate = seconds;
    if (seconds != 0 && m_progressLabel)
        m_progressLabel->setText(DownloadDialogCommon::MinutesSeconds(tr("Estimated Time %1:%2"), seconds));
}

void DownloadV1Dialog::ProgressLabelUpdate()
{
    if (!m_progressLabel)
        return;
    const QString text = DownloadDialogCommon::ProgressText(ui->progressBar->value(), ui->progressBar->maximum(),
                                                            m_estimate, tr("Download Completed"),
                                                            tr("Remaining Time %1:%2"));
    if (!text.isEmpty())
        m_progressLabel->setText(text);
}

void DownloadV1Dialog::UpdateButtons()
{
    static const char *const texts[] = {"", QT_TR_NOOP("&DOWNLOAD"), QT_TR_NOOP("&ABORT"), QT_TR_NOOP("&ABORTING")};
    ui->downloadBtn->setText(tr(texts[m_buttonState]));
    // Until a preparation has answered there is nothing to download from.
    const bool waitingForRange = m_buttonState == Idle && m_preparing;
    ui->downloadBtn->setEnabled(m_buttonState != Aborting && !m_failed && !waitingForRange);
    ui->dirBtn->setEnabled(!m_failed);
    ui->closeBtn->setEnabled(m_buttonState == Idle && !IsBusy());
    ui->viewDivesBtn->setVisible(m_downloaded);
    ui->viewDivesBtn->setEnabled(m_buttonState == Idle && !IsBusy());
}

void DownloadV1Dialog::CommsDisconnected()
{
    m_waitCursor.Set(false);
    ok::Show(this, tr("Disconnected.  Reconnect and try again."), QStringLiteral(":/Quor.ico"));
    accept();
}

void DownloadV1Dialog::on_viewDivesBtn_clicked()
{
    DivesDialog::Show(this, m_downloadDir, m_metricUnits);
}

void DownloadV1Dialog::on_closeBtn_clicked()
{
    DownloadFolder::Store(m_downloadDir);
    close();
}

void DownloadV1Dialog::accept()
{
    if (!IsBusy())
        QDialog::accept();
}

void DownloadV1Dialog::reject()
{
    if (!IsBusy())
        QDialog::reject();
}

bool DownloadV1Dialog::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest) {
        UniformButtons::MakeRoomForIconPadding(ui->dirBtn);
        UniformButtons::FitEach({ui->downloadBtn, ui->closeBtn}, 10);
    }
    return QDialog::event(event);
}

void DownloadV1Dialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        UpdateButtons();
    }
    QDialog::changeEvent(event);
}
