#pragma once

#include <QDialog>

namespace Ui { class YesNo; }

// Yes/no question. YES gives 4 (accept), NO and Escape give 5 (reject).
class YesNo : public QDialog
{
    Q_OBJECT
public:
    explicit YesNo(QWidget *parent = nullptr);
    ~YesNo() override;

    void SetQuestion(const QString &question);

    int response = -1;

public slots:
    void accept() override;
    void reject() override;

private slots:
    void on_yesBtn_clicked();
    void on_noBtn_clicked();

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Ui::YesNo *ui;
};
