#pragma once

#include <QDialog>

namespace Ui { class YesConfirmation; }

// Typed confirmation before an operation that loses dive profiles: CONTINUE
// is enabled only while the edit holds the word "yes" (any case, no blanks).
// CONTINUE gives 4; CANCEL, Escape and Enter give 5. accept() is inert so
// that no keyboard path can confirm.
class YesConfirmation : public QDialog
{
    Q_OBJECT
public:
    explicit YesConfirmation(QWidget *parent = nullptr);
    ~YesConfirmation() override;

    int response = -1;

public slots:
    void accept() override;
    void reject() override;

private slots:
    void on_lineEdit_textChanged(const QString &arg1);
    void on_continueBtn_clicked();
    void on_cancelBtn_clicked();

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Ui::YesConfirmation *ui;
};
