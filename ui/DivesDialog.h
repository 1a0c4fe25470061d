#pragma once

#include "DiveListEntry.h"

#include <QDialog>
#include <QString>
#include <QThread>
#include <functional>
#include <memory>

namespace Ui { class DivesDialog; }
class DiveFolderScanner;
class DiveListModel;
class DiveProfileView;
class QuorLog;

// Every dive of the download folder: a list read in a thread of its own
// (newest first, damaged files with their load error), the profile and the
// summary of the dive chosen, its UDDF export, and the oxygen-cell report
// over the listed dives.
class DivesDialog : public QDialog
{
    Q_OBJECT
public:
    // Lists folder, by default the download folder of the settings.
    explicit DivesDialog(QWidget *parent = nullptr, const QString &folder = QString());
    ~DivesDialog() override;

    // The window on folder (empty: the download folder), modal over parent,
    // as DIVES and VIEW DIVES open it; returns once it is closed.
    static void Show(QWidget *parent, const QString &folder, bool metricUnits);

    // Lists another folder (an older listing under way is dropped).
    void SetFolder(const QString &folder);
    QString Folder() const { return m_folder; }
    bool IsListing() const { return m_listing; }
    void SetMetricUnits(bool metric);

    DiveListModel *Model() const { return m_model; }
    DiveProfileView *Profile() const;
    // Selects and shows the dive of a listed file; false when not listed.
    bool SelectDive(const QString &filePath);
    // The file of the dive shown, empty when none.
    QString ShownFile() const;

    // Asks whether to replace an existing UDDF file; the window's yes/no
    // question unless replaced (tests answer without a window).
    using OverwriteQuestion = std::function<bool(const QString &question)>;
    void SetOverwriteQuestion(OverwriteQuestion ask) { m_askOverwrite = std::move(ask); }
    // Writes the UDDF file of the dive shown, as the EXPORT UDDF button does;
    // returns UddfExport's result (0 when no dive is shown).
    int ExportShownDive();

signals:
    void ListingFinished(int files);

private slots:
    void on_refreshBtn_clicked();
    void on_cellReportBtn_clicked();
    void on_uddfBtn_clicked();
    void on_savePngBtn_clicked();
    void on_closeBtn_clicked();
    void on_controllerCombo_currentIndexChanged(int index);
    void ScanStarted(int generation, int files);
    void EntriesFound(int generation, QVector<DiveListEntry> entries);
    void ScanFinished(int generation, int files, bool cancelled);

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void FitColumns();
    void ShowRow(int row);
    void ShowNothing(const QString &text);
    void UpdateStatus();
    void MarkDamagedRows(int first, int last);
    QString SummaryText(const QuorLog &log, const DiveListEntry &entry) const;

    Ui::DivesDialog *ui;
    DiveListModel *m_model;
    QThread m_scanThread;
    DiveFolderScanner *m_scanner;
    int m_generation = 0;
    bool m_listing = false;
    int m_files = 0;
    QString m_folder;
    bool m_metric = true;
    std::unique_ptr<QuorLog> m_log;
    QString m_shownFile;
    OverwriteQuestion m_askOverwrite;
};
