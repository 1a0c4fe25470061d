#include "ProcessCCXDialog.h"
#include "ui_ProcessCCXDialog.h"

#include "AppSettings.h"
#include "DownloadDialogCommon.h"
#include "UniformButtons.h"
#include "WindowStyle.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>

ProcessCCXDialog::ProcessCCXDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ProcessCCXDialog)
    , m_directory(AppSettings::StringValue(AppSettings::Key::ProcessCcxDirectory))
{
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);
    QTimer::singleShot(0, this, &ProcessCCXDialog::OnInitDialog);
}

ProcessCCXDialog::~ProcessCCXDialog()
{
    delete ui;
}

void ProcessCCXDialog::OnInitDialog()
{
    ui->selectBtn->setEnabled(!m_busy);
}

void ProcessCCXDialog::on_selectBtn_clicked()
{
    QFileDialog dialog(this, tr("Select Memory Images"), m_directory, tr("CCX Files (*.ccx)"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setViewMode(QFileDialog::List);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    ProcessFiles(dialog.selectedFiles());
}

void ProcessCCXDialog::ProcessFiles(const QStringList &ccxFiles)
{
    if (ccxFiles.isEmpty() || m_busy)
        return;
    m_directory = QFileInfo(ccxFiles.first()).absolutePath();
    SetBusy(true);
    if (!ui->messagesEdit->document()->isEmpty())
        ui->messagesEdit->appendPlainText(QString());
    emit ProcessCCXFiles(ccxFiles);
}

void ProcessCCXDialog::ProcessCCXMsg(QString msg)
{
    if (!msg.isEmpty())
        DownloadDialogCommon::AppendMessage(ui->messagesEdit, msg, false);
}

void ProcessCCXDialog::ProcessCCXResult(bool result, QString msg)
{
    Q_UNUSED(result)
    if (!msg.isEmpty())
        DownloadDialogCommon::AppendMessage(ui->messagesEdit, msg, false);
    SetBusy(false);
}

void ProcessCCXDialog::SetBusy(bool on)
{
    if (on == m_busy)
        return;
    m_busy = on;
    ui->selectBtn->setEnabled(!on);
    ui->closeBtn->setEnabled(!on);
    m_waitCursor.Set(on);
}

void ProcessCCXDialog::on_closeBtn_clicked()
{
    AppSettings::SetValue(AppSettings::Key::ProcessCcxDirectory, m_directory);
    close();
}

void ProcessCCXDialog::accept()
{
    if (!m_busy)
        QDialog::accept();
}

void ProcessCCXDialog::reject()
{
    if (!m_busy)
        QDialog::reject();
}

bool ProcessCCXDialog::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest)
        UniformButtons::Equalise({ui->selectBtn, ui->closeBtn});
    return QDialog::event(event);
}

void ProcessCCXDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
