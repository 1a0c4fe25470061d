#include "PrivateSettingsDialog.h"
#include "ui_PrivateSettingsDialog.h"

#include "StatusLog.h"
#include "UniformButtons.h"
#include "WindowStyle.h"

#include <QDesktopServices>
#include <QUrl>

PrivateSettingsDialog::PrivateSettingsDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::PrivateSettingsDialog)
{
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);
}

PrivateSettingsDialog::~PrivateSettingsDialog()
{
    delete ui;
}

void PrivateSettingsDialog::SetMessageLevel(int level)
{
    m_messageLevel = level;
    ui->messageLevel->setValue(level);
}

void PrivateSettingsDialog::SetFullLogBookRead(bool on)
{
    m_fullLogBookRead = on;
    ui->checkBoxEnableFullLogBookRead->setChecked(on);
}

void PrivateSettingsDialog::on_okBtn_clicked()
{
    m_messageLevel = ui->messageLevel->value();
    m_fullLogBookRead = ui->checkBoxEnableFullLogBookRead->isChecked();
    accept();
}

void PrivateSettingsDialog::on_cancelBtn_clicked()
{
    reject();
}

void PrivateSettingsDialog::on_showBtn_clicked()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(StatusLog::DefaultFolder()));
}

void PrivateSettingsDialog::on_processCcxBtn_clicked()
{
    emit ProcessCCXRequested();
}

bool PrivateSettingsDialog::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest)
        UniformButtons::Equalise({ui->showBtn, ui->processCcxBtn, ui->okBtn, ui->cancelBtn});
    return QDialog::event(event);
}

void PrivateSettingsDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
