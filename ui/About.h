#pragma once

#include <QDialog>

namespace Ui { class About; }

// Program version, the maker's contact details and a link to its home page.
class About : public QDialog
{
    Q_OBJECT
public:
    explicit About(QWidget *parent = nullptr);
    ~About() override;

private slots:
    void on_closeBtn_clicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    void ShowTexts();

    Ui::About *ui;
};
