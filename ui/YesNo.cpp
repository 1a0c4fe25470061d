#include "YesNo.h"
#include "ui_YesNo.h"

#include "QuestionResponse.h"
#include "UniformButtons.h"
#include "WindowStyle.h"

YesNo::YesNo(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::YesNo)
{
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);
}

YesNo::~YesNo()
{
    delete ui;
}

void YesNo::SetQuestion(const QString &question)
{
    ui->question->setText(question);
}

void YesNo::accept()
{
    response = QuestionResponse::Yes;
    QDialog::accept();
}

void YesNo::reject()
{
    response = QuestionResponse::No;
    QDialog::reject();
}

void YesNo::on_yesBtn_clicked()
{
    accept();
}

void YesNo::on_noBtn_clicked()
{
    reject();
}

bool YesNo::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest)
        UniformButtons::Equalise({ui->yesBtn, ui->noBtn});
    return QDialog::event(event);
}

void YesNo::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
