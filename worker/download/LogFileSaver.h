#pragma once

#include <QCoreApplication>

#include "DownloadCallbacks.h"
#include "LogPartitioner.h"
#include "StagedFiles.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

class MemoryList;
struct LogFileContent;

// Writes what a download produced: the .ccx memory image, one .ccl file per
// dive (asking before it replaces a file), and, when the setting is on, a
// UDDF file per saved dive. Every file goes through a temporary file that
// replaces the target only once it is complete.
class LogFileSaver
{
    Q_DECLARE_TR_FUNCTIONS(LogFileSaver)

public:
    // What every file of one download shares.
    struct Download {
        QString directory;
        QString serialNumber;
        QDateTime start;
        QByteArray deviceVersion; // 4 bytes; empty when not known
        bool uddf = false;
    };

    explicit LogFileSaver(const DownloadCallbacks &callbacks);

    // The .ccx path: "<serial>_yyMMdd_hhmmss.ccx", or
    // "<serial>_InvalidDateTime_NNNN.ccx" with the first free number.
    static QString CcxPath(const Download &download);
    // Saves every item of the list. True when the file was written.
    bool SaveCcx(const Download &download, const MemoryList &list, QString *path = nullptr);

    // The .ccl paths for dive names in order; equal names get a counter.
    static QStringList DivePaths(const Download &download, const QStringList &diveNames);
    // Saves one .ccl file per partitioned dive and reports the summary
    // ("No log files found in memory" when there are none), which it returns.
    QString SaveDives(const Download &download, const MemoryList &list, int fixedItems,
                      const QByteArray &logData, const LogPartitioner::Result &partition);

    enum class Outcome { Saved, Skipped };
    // Writes one log file (asking first when askOverwrite and it exists),
    // reports it and converts it to UDDF when asked. Inside SaveDives the
    // files are put in place and reported in batches (see Flush), and the
    // outcome is only known then.
    Outcome WriteLog(const QString &path, const LogFileContent &content, bool uddf,
                     bool askOverwrite);

    // Content shared by every log file of a download.
    static LogFileContent BaseContent(const Download &download, const MemoryList &list,
                                      int fixedItems);

    // A line for the download window beside the files' own reports.
    void Report(const QString &text) const { m_callbacks.Message(text); }

    int SavedCount() const { return m_saved; }
    int SkippedCount() const { return m_skipped; }
    QStringList SavedFiles() const { return m_savedFiles; }
    void LogUddfTimes() const;

private:
    bool ConvertToUddf(const QString &cclPath);
    // Makes the staged files durable, puts them in place and reports every
    // file decided since the last flush, in order: the messages, refresh
    // requests and UDDF files come out as if each file had been written on
    // its own, and a question never overtakes the report of an earlier file.
    void Flush();

    enum class Kind { Staged, Failed, Skipped };
    struct Pending {
        QString path;
        Kind kind;
    };
    StagedFiles m_staged;
    QVector<Pending> m_pending;
    bool m_batch = false;
    bool m_uddf = false;
    Outcome m_lastOutcome = Outcome::Skipped;

    const DownloadCallbacks &m_callbacks;
    bool m_yesToAll = false;
    bool m_noToAll = false;
    int m_saved = 0;
    int m_skipped = 0;
    int m_uddfCount = 0;
    qint64 m_uddfMs = 0;
    QStringList m_savedFiles;
};
