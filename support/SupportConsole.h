#pragma once

#include "NDKMessage.h"
#include "NDKStreamFramer.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

class QTcpSocket;

// The support technician's console: joins the support server as support
// staff, links to an end user, chats, sends device commands and prints their
// results, switches the user's enhanced logging and fetches and decodes the
// user's status logs.
//
// Commands come in as lines (typed, piped or from a script) and run one after
// the other: a command that expects an answer holds the next line back until
// the answer has arrived or AnswerTimeoutMs has passed, so a script reads the
// answers in the order it asked. What the user or the server sends on its own
// (chat, link changes) is printed whenever it arrives.
class SupportConsole : public QObject
{
    Q_OBJECT
public:
    struct Options {
        QString host = QStringLiteral("127.0.0.1");
        quint16 port = 0;
        QString staffName;
        QString staffKey;
        int answerTimeoutMs = 30 * 1000;
        QString saveLogsFolder; // empty: status logs are only printed
    };
    using Output = std::function<void(const QString &line)>;

    SupportConsole(const Options &options, Output output, QObject *parent = nullptr);
    ~SupportConsole() override;

    // Connects and joins; commands wait until the server has accepted the join.
    void Start();
    // Queues one command line.
    void AddLine(const QString &line);
    // No more lines will come: the console finishes once the queue is done.
    void EndOfInput();

    static QStringList HelpLines();

signals:
    // 0 after quit or the end of input; 1 when the server could not be joined;
    // 2 when the connection ended unexpectedly.
    void Finished(int exitCode);

private:
    struct Command;
    static const Command commands[];

    void Print(const QString &line) const { m_output(line); }
    void Finish(int exitCode);
    void RunQueue();
    void Execute(const QString &line);
    void Send(NDKMessage &message);
    // Waits for a message of one of the types; msgNumber 0 matches any number.
    void Expect(QSet<int> types, uint msgNumber, const QString &what);
    void AnswerArrived();

    void OnConnected();
    void OnDisconnected();
    void OnReadyRead();
    void OnMessage(const NDKMessage &message);
    void PrintResult(const NDKMessage &message);
    void PrintLogs(const NDKMessage &message);
    void PrintStatus(const NDKMessage &message);
    void SaveLog(const QString &name, const QByteArray &content);

    // Command handlers: the words after the command name.
    bool CmdHelp(const QStringList &args);
    bool CmdLink(const QStringList &args);
    bool CmdUnlink(const QStringList &args);
    bool CmdUsers(const QStringList &args);
    bool CmdSay(const QStringList &args);
    bool CmdCommand(const QStringList &args);
    bool CmdCommandData(const QStringList &args);
    bool CmdRead(const QStringList &args);
    bool CmdReadBlocks(const QStringList &args);
    bool CmdWrite(const QStringList &args);
    bool CmdWriteVerify(const QStringList &args);
    bool CmdPresent(const QStringList &args);
    bool CmdPort(const QStringList &args);
    bool CmdLogging(const QStringList &args);
    bool CmdLogs(const QStringList &args);
    bool CmdQuit(const QStringList &args);

    bool SendDeviceCommand(int messageType, int resultType, const QVariantList &items);
    bool SendWrite(int messageType, int resultType, const QStringList &args);

    Options m_options;
    Output m_output;
    QTcpSocket *m_socket = nullptr;
    NDKStreamFramer m_framer;
    QStringList m_queue;
    bool m_endOfInput = false;
    bool m_joined = false;
    bool m_quitting = false;
    bool m_finished = false;
    int m_staffId = -1;
    QString m_linkedUser;
    uint m_nextMsgNumber = 1;

    bool m_waiting = false;
    QSet<int> m_expectedTypes;
    uint m_expectedNumber = 0;
    QString m_waitingFor;
    QTimer m_answerTimer;
};
