#include "MainDialog.h"

MainDialog::MainDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Tessaro"));
}

void MainDialog::on_contextHelp()
{
}
