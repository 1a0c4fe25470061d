#pragma once

#include <QDialog>
#include <QString>

#include <functional>

namespace Ui { class UploadDialog; }
class QLabel;

// The window in which the user picks an update file and writes it to the
// connected device. It does no device work itself: it asks the worker to
// load the file and then to upload it, and shows the worker's messages,
// progress and time estimate.
class UploadDialog : public QDialog
{
    Q_OBJECT
public:
    // Opens the file chooser in `folder`; returns the chosen file or an
    // empty text when the user cancels.
    using FileChooser = std::function<QString(QWidget *parent, const QString &folder)>;

    explicit UploadDialog(QWidget *parent = nullptr);
    ~UploadDialog() override;

    // Replaces the file dialog (tests, scripted runs).
    void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }

    bool IsLoading() const { return loading; }
    bool IsLoaded() const { return loaded; }
    bool IsUploading() const { return uploading; }

    // "Estimated Time" / "Remaining Time" texts: whole minutes, then the
    // seconds as two digits.
    static QString EstimatedTimeText(int seconds);
    static QString RemainingTimeText(int seconds);
    // The message pieces a worker text shows as lines ("~~~" separates them).
    static QStringList MessageLines(const QString &msg);

signals:
    void LoadUploadFile(QString filename);
    void UploadFile();

public slots:
    void LoadUploadFileResult(bool result, QString msg);
    void UploadFileProgress(double progress);
    void UploadFileResult(bool result, QString msg);
    void UploadFileMsg(QString msg);
    void UploadTimeEstimate(int seconds);
    void CommsDisconnected();
    void ProgressLabelUpdate();

    void accept() override;
    void reject() override;

private slots:
    void on_selectBtn_clicked();
    void on_uploadBtn_clicked();
    void on_closeBtn_clicked();

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void UpdateButtons();
    void AppendMessage(const QString &msg);
    void SetBusyCursor(bool busy);

    Ui::UploadDialog *ui;
    QLabel *m_progressLabel = nullptr;
    FileChooser m_chooser;
    bool loading = false;
    bool loaded = false;
    bool uploading = false;
    int m_estimateSeconds = 0;
};
