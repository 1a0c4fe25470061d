#pragma once

#include <QDialog>

namespace Ui { class YesNoCancel; }

// Yes/no/cancel question. YES 4, NO 5, CANCEL 1; Escape gives 5 (no), so a
// keyboard dismissal never reads as a cancel of the whole operation.
class YesNoCancel : public QDialog
{
    Q_OBJECT
public:
    explicit YesNoCancel(QWidget *parent = nullptr);
    ~YesNoCancel() override;

    void SetQuestion(const QString &question);

    int response = -1;

public slots:
    void accept() override;
    void reject() override;

private slots:
    void on_yesBtn_clicked();
    void on_noBtn_clicked();
    void on_cancelBtn_clicked();

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Ui::YesNoCancel *ui;
};
