#pragma once

#include "CliProgress.h"

#include <QObject>
#include <QStringList>
#include <QThread>

#include <memory>

class RebreatherSimulator;
class WorkerC;

// Runs the worker in its own thread exactly as the windows do: opens the
// port (or an in-process simulated rebreather), lets the worker identify
// the handset, then drives one operation through the worker's slots and
// signals, answering its questions from the command-line flags.
class CliSession : public QObject
{
    Q_OBJECT
public:
    struct Options {
        QString port;          // device path; empty with simulate
        QString simulate;      // simulator profile name
        QString directory;     // download folder
        bool yesToAll = false;
        bool noToAll = false;
        bool full = false;
        bool uddf = false;
        QString dives = QStringLiteral("new"); // V2: new, all, or numbers
        QString updateFile;    // upload: the .ccr file
        bool yes = false;      // upload: answer its yes/no questions yes
        bool acceptProfileLoss = false; // upload: the typed confirmation
    };

    explicit CliSession(const Options &options);
    ~CliSession() override;

    // Each returns the process exit code.
    int Download();
    int ClockSync();
    int Upload();

    QStringList SavedFiles() const { return m_saved; }
    QString LastError() const { return m_error; }

private:
    int Connect();
    int DownloadV1();
    int DownloadV2();
    // Waits (running the event loop) until done() holds; false on time-out.
    template <typename Done> bool WaitFor(Done done, int timeoutMs);
    void Print(const QString &line);
    int Fail(int code, const QString &message);
    int AnswerOverwrite(const QString &question);
    void PrintPieces(const QString &msg);
    // The result of a worker operation: the one the session waits for.
    void TakeResult(bool ok, const QString &msg);

    Options m_options;
    std::unique_ptr<RebreatherSimulator> m_simulator;
    WorkerC *m_worker = nullptr;
    QThread m_thread;
    CliProgress m_progress;
    QStringList m_saved;
    QString m_error;

    bool m_opened = false;
    bool m_openResult = false;
    int m_results = 0;
    bool m_result = false;
    QString m_message;
    int m_estimates = 0;
};
