#pragma once

#include <QDialog>

namespace Ui { class YesYesToAllNoNoToAll; }

// Yes / yes to all / no / no to all, for questions repeated over many items.
// YES 4, YES TO ALL 6, NO 5, NO TO ALL 7; Escape and Enter give 5.
class YesYesToAllNoNoToAll : public QDialog
{
    Q_OBJECT
public:
    explicit YesYesToAllNoNoToAll(QWidget *parent = nullptr);
    ~YesYesToAllNoNoToAll() override;

    void SetQuestion(const QString &question);

    int response = -1;

public slots:
    void accept() override;
    void reject() override;

private slots:
    void on_yesBtn_clicked();
    void on_yesToAllBtn_clicked();
    void on_noBtn_clicked();
    void on_noToAllBtn_clicked();

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Ui::YesYesToAllNoNoToAll *ui;
};
