#include "UploadDialog.h"
#include "ui_UploadDialog.h"

#include "AppSettings.h"
#include "UniformButtons.h"
#include "WindowGeometry.h"
#include "WindowStyle.h"
#include "ok.h"

#include <QApplication>
#include <QDebug>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>

namespace {

QString ChooseWithFileDialog(QWidget *parent, const QString &folder)
{
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setViewMode(QFileDialog::List);
    dialog.setNameFilter(UploadDialog::tr("Update Files (*.ccr)"));
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

} // namespace

UploadDialog::UploadDialog(QWidget *parent)
    : QDialog(parent), ui(new Ui::UploadDialog), m_chooser(ChooseWithFileDialog)
{
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);

    // The bar's own text is hidden; a centred white label laid into the bar
    // carries the progress text.
    m_progressLabel = new QLabel(ui->progressBar);
    m_progressLabel->setObjectName(QStringLiteral("progressLabel"));
    m_progressLabel->setAlignment(Qt::AlignCenter);
    m_progressLabel->setStyleSheet(QStringLiteral("QLabel { color: white; background: transparent; }"));
    auto *barLayout = new QHBoxLayout(ui->progressBar);
    barLayout->setContentsMargins(0, 0, 0, 0);
    barLayout->addWidget(m_progressLabel);
    connect(ui->progressBar, &QProgressBar::valueChanged, this, &UploadDialog::ProgressLabelUpdate);

    WindowGeometry::Restore(this, AppSettings::Key::GeometryUpload);
    UpdateButtons();
}

UploadDialog::~UploadDialog()
{
    WindowGeometry::Save(this, AppSettings::Key::GeometryUpload);
    delete ui;
}

QString UploadDialog::EstimatedTimeText(int seconds)
{
    return tr("Estimated Time %1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString UploadDialog::RemainingTimeText(int seconds)
{
    return tr("Remaining Time %1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QStringList UploadDialog::MessageLines(const QString &msg)
{
    return msg.split(QStringLiteral("~~~"), Qt::SkipEmptyParts);
}

void UploadDialog::UpdateButtons()
{
    ui->selectBtn->setEnabled(!loading && !uploading);
    ui->closeBtn->setEnabled(!loading && !uploading);
    ui->uploadBtn->setEnabled(loaded && !uploading);
}

void UploadDialog::AppendMessage(const QString &msg)
{
    for (const QString &line : MessageLines(msg))
        ui->messagesEdit->appendPlainText(line);
}

void UploadDialog::SetBusyCursor(bool busy)
{
    if (busy) {
        setCursor(Qt::WaitCursor);
        ui->messagesEdit->viewport()->setCursor(Qt::WaitCursor);
    } else {
        setCursor(Qt::ArrowCursor);
        ui->messagesEdit->viewport()->setCursor(Qt::ArrowCursor);
    }
    QCoreApplication::processEvents();
}

void UploadDialog::on_selectBtn_clicked()
{
    ui->messagesEdit->clear();
    loading = true;
    loaded = false;
    m_estimateSeconds = 0;
    ui->progressBar->setValue(0);
    m_progressLabel->clear();
    UpdateButtons();

    const QString folder = AppSettings::StringValue(AppSettings::Key::UploadDirectory);
    const QString file = m_chooser ? m_chooser(this, folder) : QString();
    if (file.isEmpty()) {
        loading = false;
        UpdateButtons();
        return;
    }
    const QFileInfo info(file);
    AppSettings::SetValue(AppSettings::Key::UploadDirectory, info.absolutePath());
    AppendMessage(tr("Opening ") + info.fileName());
    SetBusyCursor(true);
    emit LoadUploadFile(info.absoluteFilePath());
}

void UploadDialog::LoadUploadFileResult(bool result, QString msg)
{
    if (!result)
        qDebug().noquote() << msg;
    AppendMessage(msg);
    loading = false;
    loaded = result;
    SetBusyCursor(false);
    UpdateButtons();
}

void UploadDialog::on_uploadBtn_clicked()
{
    uploading = true;
    UpdateButtons();
    SetBusyCursor(true);
    ui->progressBar->setValue(0);
    AppendMessage(tr("Uploading file"));
    emit UploadFile();
}

void UploadDialog::UploadFileProgress(double progress)
{
    ui->progressBar->setValue(int(progress * 1000.0));
}

void UploadDialog::UploadFileMsg(QString msg)
{
    AppendMessage(msg);
}

void UploadDialog::UploadTimeEstimate(int seconds)
{
    m_estimateSeconds = seconds;
    if (seconds != 0)
        m_progressLabel->setText(EstimatedTimeText(seconds));
}

void UploadDialog::ProgressLabelUpdate()
{
    const int maximum = ui->progressBar->maximum();
    if (maximum <= 0)
        return;
    const double fraction = double(ui->progressBar->value()) / double(maximum);
    if (fraction >= 1.0) {
        m_progressLabel->setText(tr("Completed"));
    } else if (m_estimateSeconds != 0) {
        const int remaining = int((1.0 - fraction) * double(m_estimateSeconds));
        m_progressLabel->setText(RemainingTimeText(remaining));
    } else {
        m_progressLabel->clear();
    }
}

void UploadDialog::UploadFileResult(bool result, QString msg)
{
    Q_UNUSED(result)
    AppendMessage(msg);
    uploading = false;
    SetBusyCursor(false);
    UpdateButtons();
}

void UploadDialog::CommsDisconnected()
{
    SetBusyCursor(false);
    ok::Show(this, tr("Disconnected.  Reconnect and try again."), WindowStyle::WindowIconPath());
    accept();
}

void UploadDialog::on_closeBtn_clicked()
{
    accept();
}

void UploadDialog::accept()
{
    // The window cannot be closed while an upload runs.
    if (uploading)
        return;
    SetBusyCursor(false);
    QDialog::accept();
}

void UploadDialog::reject()
{
    if (uploading)
        return;
    SetBusyCursor(false);
    QDialog::reject();
}

bool UploadDialog::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest)
        UniformButtons::Equalise({ui->selectBtn, ui->uploadBtn, ui->closeBtn});
    return QDialog::event(event);
}

void UploadDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        ProgressLabelUpdate();
    }
    QDialog::changeEvent(event);
}
