#pragma once

#include <QDialog>

namespace Ui { class CancelNextConnect; }

// DEVICE FOUND during the port search: CANCEL 1, CONNECT 3, NEXT DEVICE 2.
// Closing the window or Escape counts as CANCEL. There is no default button,
// so a stray Enter neither connects nor ends the search.
class CancelNextConnect : public QDialog
{
    Q_OBJECT
public:
    explicit CancelNextConnect(QWidget *parent = nullptr);
    ~CancelNextConnect() override;

    void SetDeviceDetails(const QString &details);

    int response = -1;

public slots:
    void accept() override;
    void reject() override;

private slots:
    void on_cancelBtn_clicked();
    void on_nextBtn_clicked();
    void on_connectBtn_clicked();

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Ui::CancelNextConnect *ui;
};
