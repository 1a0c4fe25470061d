#include "ok.h"
#include "ui_ok.h"

#include "WindowStyle.h"

#include <QIcon>

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

void ok::Show(QWidget *parent, const QString &statement, const QString &iconPath)
{
    ok message(parent);
    message.SetStatement(statement);
    message.setWindowIcon(QIcon(iconPath));
    message.setModal(true);
    message.exec();
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
