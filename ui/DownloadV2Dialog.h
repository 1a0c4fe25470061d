#pragma once

#include <QDialog>
#include <QString>

#include "WaitCursor.h"

namespace Ui { class DownloadV2Dialog; }
class LogBookV2;
class QLabel;
class QTreeWidgetItem;
class WorkerC;

// The download window of Colour V2 handsets: asks the worker to read the log
// book as it opens, lists the dives (newest first) for the user to tick,
// tells the worker when the choice changes, asks before overwriting dives
// already in the folder, and then asks the worker to download the chosen
// dives. The list works on the worker's LogBookV2, only while the worker is
// idle. ABORT calls the worker's DownloadAbort; everything else is queued.
class DownloadV2Dialog : public QDialog
{
    Q_OBJECT
public:
    enum ButtonState { Idle = 1, Downloading = 2, Aborting = 3 };
    enum Column { ColumnDiveNumber, ColumnDateTime, ColumnDuration, ColumnMaxDepth, ColumnLocation, ColumnCount };

    // worker: owns the log book and takes aborts; may be null (no list).
    DownloadV2Dialog(WorkerC *worker, bool metricUnits, bool fullLogBookRead, QWidget *parent = nullptr);
    ~DownloadV2Dialog() override;

    int State() const { return m_buttonState; }
    bool IsBusy() const { return m_pendingSteps > 0; }

signals:
    void ReadLogBook(bool fullDownload);
    void DownloadData(QString downloadDir);
    void DownloadSelectionChanged();

public slots:
    void on_dirBtn_clicked();
    void on_closeBtn_clicked();
    void on_viewDivesBtn_clicked();
    void on_dirEdit_editingFinished();
    void on_downloadBtn_clicked();
    void on_logBook_itemChanged(QTreeWidgetItem *item, int column);
    void ProgressLabelUpdate();
    void on_allDivesBtn_clicked();
    void on_newDivesBtn_clicked();
    void on_clearDivesBtn_clicked();
    void OnInitDialog();
    void ReadLogBookResult(bool result, QString msg);
    void DownloadProgress(int progress);
    void DownloadResult(bool result, QString msg);
    void DownloadMsg(QString msg, bool overwriteLastString);
    void DownloadTimeEstimate(int seconds);
    void CommsDisconnected();

    void accept() override;
    void reject() override;

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void SetUpColumns();
    void FillList();
    // "PC" for a dive saved before, "Quor Handset" for one only on the unit.
    static QString LocationText(bool downloadedBefore);
    // Column texts of a record (metres or feet by the units setting).
    static QString DurationText(double seconds, bool endValid);
    static QString DepthText(double metres, bool endValid, bool metric);
    static QString DateTimeText(const QDateTime &start);
    // Sets every row's tick from its record (without taking it as a user choice).
    void ShowSelection();
    void SelectionOperation(const char *logLine, bool (LogBookV2::*operation)());
    // Asks before overwriting dives already in the folder; unticks the ones
    // the user keeps. False when no dive is left to download.
    bool CheckOverwrites();
    void UpdateButtons();

    Ui::DownloadV2Dialog *ui;
    QLabel *m_progressLabel = nullptr;
    WorkerC *m_worker;
    LogBookV2 *m_logBook = nullptr;
    bool m_metricUnits;
    bool m_fullLogBookRead;
    QString m_downloadDir;
    int m_buttonState = Idle;
    int m_estimate = 0;
    int m_pendingSteps = 0;
    bool m_failed = false;
    bool m_downloaded = false; // a download has finished well: VIEW DIVES is offered
    bool m_started = false;
    bool m_updating = false;
    WaitCursor m_waitCursor;
};
