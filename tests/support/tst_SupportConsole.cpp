// The technician's console against a support server under the test's
// control: joining, one command at a time, answers that never come, status
// logs from the other end, and messages it must not accept.

#include "StatusLog.h"
#include "SupportConsole.h"
#include "SupportTestKit.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace SupportTestKit;

namespace {

struct ConsoleRun {
    explicit ConsoleRun(quint16 port, int answerTimeoutMs = WaitMs, const QString &saveLogs = QString())
    {
        SupportConsole::Options options;
        options.port = port;
        options.staffName = QStringLiteral("tech");
        options.staffKey = QStringLiteral("key");
        options.answerTimeoutMs = answerTimeoutMs;
        options.saveLogsFolder = saveLogs;
        console = std::make_unique<SupportConsole>(options, [this](const QString &line) { output << line; });
        QObject::connect(console.get(), &SupportConsole::Finished, [this](int code) { exitCode = code; });
        console->Start();
    }
    bool Printed(const QString &text)
    {
        return QTest::qWaitFor(
            [&] {
                for (const QString &line : output) {
                    if (line.contains(text))
                        return true;
                }
                return false;
            },
            WaitMs);
    }
    bool WaitFinished() { return QTest::qWaitFor([this] { return exitCode >= 0; }, WaitMs); }

    std::unique_ptr<SupportConsole> console;
    QStringList output;
    int exitCode = -1;
};

// Accepts the console's join the way the relay does.
bool acceptJoin(ScriptedServer &server)
{
    if (!server.WaitForPeer())
        return false;
    const int join = server.peer->WaitFor(NDKMessage::QuorUserJoin);
    if (join < 0 || server.peer->received.at(join).clientType() != NDKMessage::NDKSupportStaffClient
        || server.peer->received.at(join).item(1).toString() != QLatin1String("key"))
        return false;
    server.Send(NDKMessage::QuorNotify, 0, {QStringLiteral("Joined as support staff 4."), 4});
    return true;
}

} // namespace

class tst_SupportConsole : public QObject
{
    Q_OBJECT
private slots:
    void refusedJoin();
    void oneCommandAtATime();
    void unansweredCommandTimesOut();
    void statusLogsAreDecodedAndSavedInsideTheFolder();
    void foreignMessagesEndTheConsole();
    void endOfInputQuits();
};

void tst_SupportConsole::refusedJoin()
{
    ScriptedServer server;
    ConsoleRun run(server.Port());
    QVERIFY(server.WaitForPeer());
    QVERIFY(server.peer->WaitFor(NDKMessage::QuorUserJoin) >= 0);
    server.Send(NDKMessage::QuorNotify, 0, {QStringLiteral("Support staff key refused.")});
    QVERIFY(run.Printed(QStringLiteral("server: Support staff key refused.")));
    server.peer->Socket()->disconnectFromHost();
    QVERIFY(run.WaitFinished());
    QCOMPARE(run.exitCode, 1);
}

void tst_SupportConsole::oneCommandAtATime()
{
    ScriptedServer server;
    ConsoleRun run(server.Port());
    run.console->AddLine(QStringLiteral("read 0xBC 2 0x10 4"));
    run.console->AddLine(QStringLiteral("present 188"));
    QVERIFY(acceptJoin(server));

    const int read = server.peer->WaitFor(NDKMessage::QuorCmdRead);
    QVERIFY(read >= 0);
    const NDKMessage command = server.peer->received.at(read);
    QCOMPARE(command.items(), (QVariantList{0xBCu, 2u, 0x10u, 4u}));
    // The next line waits for the answer to this one.
    QCOMPARE(server.peer->Count(NDKMessage::QuorCmdIsDevicePresent), 0);
    server.Send(NDKMessage::QuorResultRead, command.msgNumber(),
                {true, QStringLiteral("Data Message: Valid data returned"), QStringLiteral("Command succeded"), 4,
                 QByteArray::fromHex("0a0b0c0d")});
    QVERIFY(run.Printed(QStringLiteral("QuorResultRead: response true")));
    QVERIFY(run.Printed(QStringLiteral("  0000: 0a 0b 0c 0d")));

    const int present = server.peer->WaitFor(NDKMessage::QuorCmdIsDevicePresent);
    QVERIFY(present >= 0);
    QCOMPARE(server.peer->received.at(present).items(), QVariantList{0xBCu});
    QVERIFY(server.peer->received.at(present).msgNumber() > command.msgNumber());
    server.Send(NDKMessage::QuorResultIsDevicePresent, server.peer->received.at(present).msgNumber(),
                {true, QStringLiteral("Status Message: No error."), QStringLiteral("Command succeded")});
    QVERIFY(run.Printed(QStringLiteral("QuorResultIsDevicePresent: response true")));

    run.console->AddLine(QStringLiteral("read 0xBC"));
    run.console->AddLine(QStringLiteral("write 0xBC 2 0 0g"));
    run.console->AddLine(QStringLiteral("fly away"));
    QVERIFY(run.Printed(QStringLiteral("usage: read DEV MEM ADDR LEN")));
    QVERIFY(run.Printed(QStringLiteral("usage: write DEV MEM ADDR BYTES")));
    QVERIFY(run.Printed(QStringLiteral("unknown command 'fly'")));
}

void tst_SupportConsole::unansweredCommandTimesOut()
{
    ScriptedServer server;
    ConsoleRun run(server.Port(), 200);
    QVERIFY(acceptJoin(server));
    run.console->AddLine(QStringLiteral("port"));
    run.console->AddLine(QStringLiteral("say still there?"));
    QVERIFY(run.Printed(QStringLiteral("no answer to #1 QuorCmdGetPortDetails within 0.2 s")));
    QVERIFY(server.peer->WaitFor(NDKMessage::QuorText) >= 0);
}

void tst_SupportConsole::statusLogsAreDecodedAndSavedInsideTheFolder()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString saveIn = folder.path() + QStringLiteral("/logs");
    StatusLog log(folder.path() + QStringLiteral("/source"), [] { return QDateTime(QDate(2026, 5, 6), QTime(7, 8, 9, 10)); },
                  [] { return quint16(4000); });
    log.Write(QtInfoMsg, QStringLiteral("Starting Windows Tessaro Version 1.2.6.0"));
    QFile file(log.FilePath(QDate(2026, 5, 6)));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();

    ScriptedServer server;
    ConsoleRun run(server.Port(), WaitMs, saveIn);
    QVERIFY(acceptJoin(server));
    run.console->AddLine(QStringLiteral("logs all"));
    const int request = server.peer->WaitFor(NDKMessage::QuorCmdRequestLogs);
    QVERIFY(request >= 0);
    QCOMPARE(server.peer->received.at(request).items(), QVariantList{1});
    server.Send(NDKMessage::QuorResultRequestLogsInProgress, 0, {});
    // A name that tries to leave the folder is cut to its last part. The
    // count in item 0 is that of a sender that counts the files before the
    // last one: every file the message carries is still read.
    server.Send(NDKMessage::QuorResultRequestLogs, 0,
                {1, QStringLiteral("../escaped.log"), int(content.size()), content, QStringLiteral("Tessaro_2026_05_06.log"),
                 int(content.size()), content});
    QVERIFY(run.Printed(QStringLiteral("2 status log files received")));
    QVERIFY(run.Printed(QStringLiteral("07:08:09:010 MSG Starting Windows Tessaro Version 1.2.6.0")));
    QVERIFY(run.Printed(QStringLiteral("saved as")));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(saveIn + QStringLiteral("/Tessaro_2026_05_06.log")), WaitMs);
    QVERIFY(QFile::exists(saveIn + QStringLiteral("/escaped.log")));
    QVERIFY(!QFile::exists(folder.path() + QStringLiteral("/escaped.log")));
}

void tst_SupportConsole::foreignMessagesEndTheConsole()
{
    ScriptedServer server;
    ConsoleRun run(server.Port());
    QVERIFY(acceptJoin(server));
    server.Send(NDKMessage::QuorText, 0, {QStringLiteral("from a user, not the server"), false},
                NDKMessage::NDKEndUserClient);
    QVERIFY(run.WaitFinished());
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.Printed(QStringLiteral("a message of client type NDKEndUserClient arrived: closing")));
    QVERIFY(server.peer->WaitClosed());
}

void tst_SupportConsole::endOfInputQuits()
{
    ScriptedServer server;
    ConsoleRun run(server.Port());
    run.console->AddLine(QStringLiteral("users"));
    run.console->EndOfInput();
    QVERIFY(acceptJoin(server));
    const int users = server.peer->WaitFor(NDKMessage::QuorCmdGetRemoteSupportStatus);
    QVERIFY(users >= 0);
    QVERIFY(run.exitCode < 0); // still waiting for the answer
    server.Send(NDKMessage::QuorResultGetRemoteSupportStatus, server.peer->received.at(users).msgNumber(),
                {2, QStringLiteral("anna"), true, QStringLiteral("ben"), false});
    QVERIFY(run.Printed(QStringLiteral("2 end users online")));
    QVERIFY(run.Printed(QStringLiteral("  anna (linked)")));
    QVERIFY(run.WaitFinished());
    QCOMPARE(run.exitCode, 0);
    QVERIFY(server.peer->WaitClosed());
}

QTEST_GUILESS_MAIN(tst_SupportConsole)
#include "tst_SupportConsole.moc"
