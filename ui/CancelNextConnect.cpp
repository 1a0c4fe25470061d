#include "CancelNextConnect.h"
#include "ui_CancelNextConnect.h"

#include "QuestionResponse.h"
#include "UniformButtons.h"
#include "WindowStyle.h"

CancelNextConnect::CancelNextConnect(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::CancelNextConnect)
{
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);
}

CancelNextConnect::~CancelNextConnect()
{
    delete ui;
}

void CancelNextConnect::SetDeviceDetails(const QString &details)
{
    ui->deviceDetails->setText(details);
}

void CancelNextConnect::accept()
{
    response = QuestionResponse::Connect;
    QDialog::accept();
}

void CancelNextConnect::reject()
{
    response = QuestionResponse::Cancel;
    QDialog::reject();
}

void CancelNextConnect::on_cancelBtn_clicked()
{
    response = QuestionResponse::Cancel;
    QDialog::accept();
}

void CancelNextConnect::on_nextBtn_clicked()
{
    response = QuestionResponse::NextDevice;
    QDialog::accept();
}

void CancelNextConnect::on_connectBtn_clicked()
{
    accept();
}

bool CancelNextConnect::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest)
        UniformButtons::Equalise({ui->cancelBtn, ui->connectBtn, ui->nextBtn});
    return QDialog::event(event);
}

void CancelNextConnect::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
