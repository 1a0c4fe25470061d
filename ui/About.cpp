#include "About.h"
#include "ui_About.h"

#include "AppIdentity.h"
#include "MakerDetails.h"
#include "WindowStyle.h"

About::About(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::About)
{
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);
    ShowTexts();
}

About::~About()
{
    delete ui;
}

void About::ShowTexts()
{
    QStringList lines = MakerDetails::AddressLines;
    lines << tr("Tel:") + QLatin1Char(' ') + MakerDetails::Phone << tr("Fax:") + QLatin1Char(' ') + MakerDetails::Fax;
    ui->aboutText->setText(tr("Tessaro S, Version ") + AppIdentity::ApplicationVersion + QStringLiteral("\n\n")
                           + lines.join(QLatin1Char('\n')));
    ui->homePageLink->setText(QStringLiteral("<a style=\"color: rgb(255, 221, 0);\" href=\"%1\">%2</a>")
                                  .arg(MakerDetails::HomePageUrl, MakerDetails::HomePageText));
}

void About::on_closeBtn_clicked()
{
    accept();
}

void About::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        ShowTexts();
    }
    QDialog::changeEvent(event);
}
