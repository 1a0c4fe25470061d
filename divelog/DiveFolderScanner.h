#pragma once

#include "DiveListEntry.h"

#include <QObject>
#include <QStringList>
#include <QVector>
#include <atomic>

// Reads every dive-log file of a folder for the dive list, away from the
// windows: it lives in a thread of its own (and reads with one helper thread
// per core) and answers with signals, a first row as soon as one file is read
// and then batches, so a long list fills while the window stays live. Files
// that cannot be read come back with their load error like any other entry.
class DiveFolderScanner : public QObject
{
    Q_OBJECT
public:
    explicit DiveFolderScanner(QObject *parent = nullptr);

    // Safe from any thread: scans started with a lower generation stop after
    // the file they are reading.
    void CancelBefore(int generation);

    // The .ccl files of a folder (any case of the suffix), most recently
    // written first, so the newest dives are usually read first.
    static QStringList DiveFiles(const QString &folder);

    // Threads that read files at once: one per processor core.
    static int Readers();

    // A batch is handed over once it holds this many entries or is this old.
    static constexpr int BatchEntries = 64;
    static constexpr int BatchMilliseconds = 100;

public slots:
    // Reads the folder; generation is handed back with every signal so that
    // the caller can tell the answers of an older scan.
    void Scan(const QString &folder, int generation);

signals:
    void ScanStarted(int generation, int files);
    void EntriesFound(int generation, QVector<DiveListEntry> entries);
    void ScanFinished(int generation, int files, bool cancelled);

private:
    std::atomic<int> m_cancelBefore{0};
};
