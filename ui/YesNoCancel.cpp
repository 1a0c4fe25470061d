#include "YesNoCancel.h"
#include "ui_YesNoCancel.h"

#include "QuestionResponse.h"
#include "UniformButtons.h"
#include "WindowStyle.h"

YesNoCancel::YesNoCancel(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::YesNoCancel)
{
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);
}

YesNoCancel::~YesNoCancel()
{
    delete ui;
}

void YesNoCancel::SetQuestion(const QString &question)
{
    ui->question->setText(question);
}

void YesNoCancel::accept()
{
    response = QuestionResponse::Yes;
    QDialog::accept();
}

void YesNoCancel::reject()
{
    response = QuestionResponse::No;
    QDialog::reject();
}

void YesNoCancel::on_yesBtn_clicked()
{
    accept();
}

void YesNoCancel::on_noBtn_clicked()
{
    reject();
}

void YesNoCancel::on_cancelBtn_clicked()
{
    response = QuestionResponse::Cancel;
    QDialog::reject();
}

bool YesNoCancel::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest)
        UniformButtons::Equalise({ui->yesBtn, ui->noBtn, ui->cancelBtn});
    return QDialog::event(event);
}

void YesNoCancel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
