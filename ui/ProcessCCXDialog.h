#pragma once

#include <QDialog>
#include <QStringList>

#include "WaitCursor.h"

namespace Ui { class ProcessCCXDialog; }

// Lets the user choose .ccx memory images whose dives the worker saves
// again as .ccl files (ProcessCCXFiles), and shows its messages and result.
class ProcessCCXDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ProcessCCXDialog(QWidget *parent = nullptr);
    ~ProcessCCXDialog() override;

    bool IsBusy() const { return m_busy; }
    QString Directory() const { return m_directory; }
    // Sends the files to the worker, as choosing them in the file dialog does.
    void ProcessFiles(const QStringList &ccxFiles);

signals:
    void ProcessCCXFiles(QStringList ccxFiles);

public slots:
    void on_selectBtn_clicked();
    void on_closeBtn_clicked();
    void OnInitDialog();
    void ProcessCCXResult(bool result, QString msg);
    void ProcessCCXMsg(QString msg);

    void accept() override;
    void reject() override;

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void SetBusy(bool on);

    Ui::ProcessCCXDialog *ui;
    QString m_directory;
    bool m_busy = false;
    WaitCursor m_waitCursor;
};
