#include "YesYesToAllNoNoToAll.h"
#include "ui_YesYesToAllNoNoToAll.h"

#include "QuestionResponse.h"
#include "UniformButtons.h"
#include "WindowStyle.h"

#include <QDebug>

YesYesToAllNoNoToAll::YesYesToAllNoNoToAll(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::YesYesToAllNoNoToAll)
{
    qDebug() << "YesYesToAllNoNoToAll Creating";
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);
    qDebug() << "YesYesToAllNoNoToAll Created";
}

YesYesToAllNoNoToAll::~YesYesToAllNoNoToAll()
{
    qDebug() << "YesYesToAllNoNoToAll Destructor";
    delete ui;
    qDebug() << "YesYesToAllNoNoToAll UI Deleted";
}

void YesYesToAllNoNoToAll::SetQuestion(const QString &question)
{
    ui->question->setText(question);
}

void YesYesToAllNoNoToAll::accept()
{
    qDebug() << "YesYesToAllNoNoToAll accept()";
    response = QuestionResponse::Yes;
    QDialog::accept();
}

void YesYesToAllNoNoToAll::reject()
{
    qDebug() << "YesYesToAllNoNoToAll reject()";
    response = QuestionResponse::No;
    QDialog::reject();
}

void YesYesToAllNoNoToAll::on_yesBtn_clicked()
{
    qDebug() << "YesYesToAllNoNoToAll on_yesBtn_clicked";
    accept();
}

void YesYesToAllNoNoToAll::on_yesToAllBtn_clicked()
{
    qDebug() << "YesYesToAllNoNoToAll on_yesToAllBtn_clicked";
    response = QuestionResponse::YesToAll;
    QDialog::accept();
}

void YesYesToAllNoNoToAll::on_noBtn_clicked()
{
    qDebug() << "YesYesToAllNoNoToAll on_noBtn_clicked";
    reject();
}

void YesYesToAllNoNoToAll::on_noToAllBtn_clicked()
{
    qDebug() << "YesYesToAllNoNoToAll on_noToAllBtn_clicked";
    response = QuestionResponse::NoToAll;
    QDialog::reject();
}

bool YesYesToAllNoNoToAll::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest)
        UniformButtons::Equalise({ui->yesBtn, ui->yesToAllBtn, ui->noBtn, ui->noToAllBtn});
    return QDialog::event(event);
}

void YesYesToAllNoNoToAll::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
