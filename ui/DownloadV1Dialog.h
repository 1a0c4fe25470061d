#pragma once

#include <QDialog>
#include <QString>

#include "WaitCursor.h"

namespace Ui { class DownloadV1Dialog; }
class QLabel;
class WorkerC;

// The download window of mono and Colour V1 handsets: asks the worker to
// prepare (range, estimate) as it opens and again when the folder or the
// FULL DOWNLOAD option changes, then to download; shows the worker's
// messages, progress and remaining time. Everything goes to the worker by
// queued signals, except ABORT, which calls the worker's DownloadAbort.
class DownloadV1Dialog : public QDialog
{
    Q_OBJECT
public:
    enum ButtonState { Idle = 1, Downloading = 2, Aborting = 3 };

    // worker: asked for the device record and for aborts; may be null.
    explicit DownloadV1Dialog(WorkerC *worker, bool metricUnits, QWidget *parent = nullptr);
    ~DownloadV1Dialog() override;

    int State() const { return m_buttonState; }
    // A worker step started here has not answered yet: the window stays open.
    bool IsBusy() const { return m_pendingSteps > 0; }
    bool IsPrepared() const { return m_prepared; }

signals:
    void PrepareDownload(QString downloadDir, bool fullDownload);
    void DownloadData(QString downloadDir);

public slots:
    void on_dirBtn_clicked();
    void on_closeBtn_clicked();
    void on_viewDivesBtn_clicked();
    void on_downloadBtn_clicked();
    void ProgressLabelUpdate();
    void on_fullDownLoadCheck_clicked();
    void on_dirEdit_textChanged(QString text);
    void OnInitDialog();
    void PrepareDownloadResult(bool result, QString msg);
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
    // Asks for a preparation, or, while one is still unanswered, for one
    // more as soon as it answers.
    void RequestPreparation();
    void UpdateButtons();

    Ui::DownloadV1Dialog *ui;
    QLabel *m_progressLabel = nullptr;
    WorkerC *m_worker;
    bool m_metricUnits;
    QString m_downloadDir;
    int m_buttonState = Idle;
    int m_estimate = 0;
    int m_pendingSteps = 0;
    bool m_preparing = false;
    bool m_preparationStale = false;
    bool m_failed = false;
    bool m_downloaded = false; // a download has finished well: VIEW DIVES is offered
    bool m_prepared = false;
    bool m_appending = false;
    WaitCursor m_waitCursor;
};
