#include "ok.h"
#include "ui_ok.h"

#include "WindowStyle.h"

ok::ok(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ok)
{
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);
}

ok::~ok()
{
    delete ui;
}

void ok::SetStatement(const QString &statement)
{
    ui->statement->setText(statement);
}

void ok::on_okBtn_clicked()
{
    accept();
}

void ok::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
