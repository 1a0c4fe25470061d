#pragma once

#include <QDialog>

namespace Ui { class PrivateSettingsDialog; }

// Advanced settings, reached only by a key chord: debug message level, full
// log book read, the folder of the status logs, and the window that saves
// the dives of .ccx memory images again (opened by whoever shows this one).
class PrivateSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PrivateSettingsDialog(QWidget *parent = nullptr);
    ~PrivateSettingsDialog() override;

    void SetMessageLevel(int level);
    void SetFullLogBookRead(bool on);
    int MessageLevel() const { return m_messageLevel; }
    bool FullLogBookRead() const { return m_fullLogBookRead; }

signals:
    void ProcessCCXRequested();

private slots:
    void on_okBtn_clicked();
    void on_cancelBtn_clicked();
    void on_showBtn_clicked();
    void on_processCcxBtn_clicked();

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Ui::PrivateSettingsDialog *ui;
    int m_messageLevel = 0;
    bool m_fullLogBookRead = false;
};
