#include "YesConfirmation.h"
#include "ui_YesConfirmation.h"

#include "QuestionResponse.h"
#include "UniformButtons.h"
#include "WindowStyle.h"

YesConfirmation::YesConfirmation(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::YesConfirmation)
{
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);
    ui->continueBtn->setEnabled(false);
}

YesConfirmation::~YesConfirmation()
{
    delete ui;
}

void YesConfirmation::accept()
{
}

void YesConfirmation::reject()
{
    response = QuestionResponse::No;
    QDialog::reject();
}

void YesConfirmation::on_lineEdit_textChanged(const QString &arg1)
{
    ui->continueBtn->setEnabled(arg1.toLower() == QLatin1String("yes"));
}

void YesConfirmation::on_continueBtn_clicked()
{
    response = QuestionResponse::Yes;
    QDialog::accept();
}

void YesConfirmation::on_cancelBtn_clicked()
{
    reject();
}

bool YesConfirmation::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest)
        UniformButtons::Equalise({ui->continueBtn, ui->cancelBtn});
    return QDialog::event(event);
}

void YesConfirmation::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
