// The remote-support window and its session against a support server under
// the test's control on 127.0.0.1: the address lookup, what closes the
// connection, the chat display, the dispatch of device commands to the real
// worker, status-log requests, the keep-alive and the closing question.

#include "AppSettings.h"
#include "DeviceStatus.h"
#include "RemoteSupportConstants.h"
#include "RemoteSupportDialog.h"
#include "RemoteSupportSession.h"
#include "StatusLog.h"
#include "SupportTestKit.h"
#include "YesNo.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace SupportTestKit;

namespace {

QPushButton *button(QWidget &w, const char *name)
{
    return w.findChild<QPushButton *>(QLatin1String(name));
}

QString messages(QWidget &w)
{
    return w.findChild<QPlainTextEdit *>(QStringLiteral("messagesEdit"))->toPlainText();
}

void pointSettingsAt(const EchoServer &echo, const QString &publicAddress, const QString &internalAddress,
                     quint16 port)
{
    AppSettings::SetValue(AppSettings::Key::RemoteSupportIpEchoUrl, echo.Url());
    AppSettings::SetValue(AppSettings::Key::RemoteSupportServerPublicAddress, publicAddress);
    AppSettings::SetValue(AppSettings::Key::RemoteSupportServerInternalAddress, internalAddress);
    AppSettings::SetValue(AppSettings::Key::RemoteSupportServerPort, int(port));
    AppSettings::SetValue(AppSettings::Key::ClientName, QStringLiteral("diver-anna"));
}

// Answers the yes/no question the window asks when it closes.
class QuestionAnswerer : public QObject
{
public:
    explicit QuestionAnswerer(const char *buttonName)
    {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, [this, buttonName] {
            if (auto *question = qobject_cast<YesNo *>(QApplication::activeModalWidget())) {
                asked = question->findChild<QLabel *>(QStringLiteral("question"))->text();
                question->findChild<QPushButton *>(QLatin1String(buttonName))->click();
            }
        });
        m_timer.start();
    }
    QString asked;

private:
    QTimer m_timer;
};

} // namespace

class tst_RemoteSupportDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void addressLookup_data();
    void addressLookup();
    void joinsWithTheUserId_data();
    void joinsWithTheUserId();
    void foreignMessagesCloseTheConnection_data();
    void foreignMessagesCloseTheConnection();
    void continuationFlag();
    void textOutsideLatin1_data();
    void textOutsideLatin1();
    void commandsWithTooFewItemsAreIgnored();
    void linkAndEnhancedLogging();
    void statusLogRequests_data();
    void statusLogRequests();
    void keepAlivePostponedByHandsetCommands_data();
    void keepAlivePostponedByHandsetCommands();
    void unitConnection_data();
    void unitConnection();
    void closingAsks();

private:
    // A window connected to the scripted server; the worker may be null.
    std::unique_ptr<RemoteSupportDialog> OpenConnected(ScriptedServer &server, EchoServer &echo,
                                                       WorkerC *worker = nullptr,
                                                       const QString &serverAddress = QStringLiteral("127.0.0.1"));
};

void tst_RemoteSupportDialog::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Quor"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessaro"));
}

std::unique_ptr<RemoteSupportDialog> tst_RemoteSupportDialog::OpenConnected(ScriptedServer &server,
                                                                          EchoServer &echo, WorkerC *worker,
                                                                          const QString &serverAddress)
{
    pointSettingsAt(echo, serverAddress, QStringLiteral("127.0.0.2"), server.Port());
    auto dialog = std::make_unique<RemoteSupportDialog>(worker);
    if (worker)
        dialog->ConnectWorker(worker);
    dialog->show();
    if (!QTest::qWaitFor([&] { return button(*dialog, "connectBtn")->isEnabled(); }, WaitMs))
        return nullptr;
    button(*dialog, "connectBtn")->click();
    if (!server.WaitForPeer() || server.peer->WaitFor(NDKMessage::QuorUserJoin) < 0)
        return nullptr;
    return dialog;
}

void tst_RemoteSupportDialog::addressLookup_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("serverAddress");

    // The public address is the one the test listens on; the internal one is
    // chosen when the lookup reports the public one (the caller is inside).
    QTest::newRow("outside the maker's network") << QByteArray("192.0.2.99\r\n") << 200 << QStringLiteral("127.0.0.1");
    QTest::newRow("inside the maker's network") << QByteArray(" 127.0.0.1 ") << 200 << QStringLiteral("127.0.0.2");
    QTest::newRow("lookup fails") << QByteArray("down") << 503 << QString();
}

void tst_RemoteSupportDialog::addressLookup()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, status);
    QFETCH(QString, serverAddress);

    EchoServer echo(reply, status);
    pointSettingsAt(echo, QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2"), 6308);
    RemoteSupportDialog dialog(nullptr);
    QVERIFY(!button(dialog, "connectBtn")->isEnabled());
    QVERIFY(messages(dialog).contains(QStringLiteral("Preparing communications...")));
    QVERIFY(messages(dialog).contains(QStringLiteral("Preparation complete.")));

    if (serverAddress.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(messages(dialog).contains(QStringLiteral("No IP Address available")), WaitMs);
        QVERIFY(!button(dialog, "connectBtn")->isEnabled());
        QVERIFY(dialog.Session()->ServerAddress().isEmpty());
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(button(dialog, "connectBtn")->isEnabled(), WaitMs);
        // Enabled with its designed label; only a connection changes it.
        QCOMPARE(button(dialog, "connectBtn")->text(), QStringLiteral("C&ONNECT"));
        QCOMPARE(dialog.Session()->ServerAddress(), serverAddress);
        QCOMPARE(dialog.Session()->ServerPort(), quint16(6308));
    }
    QCOMPARE(echo.requests, 1);
}

void tst_RemoteSupportDialog::joinsWithTheUserId_data()
{
    QTest::addColumn<QString>("serverAddress");
    QTest::newRow("server given by address") << QStringLiteral("127.0.0.1");
    // A name is looked up first, which is part of connecting, not a failure.
    QTest::newRow("server given by name") << QStringLiteral("localhost");
}

void tst_RemoteSupportDialog::joinsWithTheUserId()
{
    QFETCH(QString, serverAddress);
    ScriptedServer server;
    EchoServer echo;
    auto dialog = OpenConnected(server, echo, nullptr, serverAddress);
    QVERIFY(dialog);
    QVERIFY(!messages(*dialog).contains(QStringLiteral("Client socket failed to open.")));
    const int join = server.peer->WaitFor(NDKMessage::QuorUserJoin);
    QCOMPARE(server.peer->received.at(join).clientType(), int(NDKMessage::NDKEndUserClient));
    QCOMPARE(server.peer->received.at(join).items(), QVariantList{QStringLiteral("diver-anna")});
    QTRY_COMPARE_WITH_TIMEOUT(button(*dialog, "connectBtn")->text(), QStringLiteral("DISCONNECT"), WaitMs);
    QVERIFY(messages(*dialog).contains(QStringLiteral("Attempting to connect to Quor Remote Support.")));

    // A changed user id is kept for the next session.
    dialog->findChild<QLineEdit *>(QStringLiteral("userIDEdit"))->setText(QStringLiteral("anna-2"));
    QCOMPARE(dialog->Session()->ClientName(), QStringLiteral("anna-2"));

    // The user disconnects.
    button(*dialog, "connectBtn")->click();
    QVERIFY(server.peer->WaitClosed());
    QTRY_COMPARE_WITH_TIMEOUT(button(*dialog, "connectBtn")->text(), QStringLiteral("CONNECT"), WaitMs);
    QVERIFY(button(*dialog, "connectBtn")->isEnabled());
    dialog.reset();
    QCOMPARE(AppSettings::StringValue(AppSettings::Key::ClientName), QStringLiteral("anna-2"));
    QVERIFY(!AppSettings::Value(AppSettings::Key::GeometryRemoteSupport).toByteArray().isEmpty());
}

void tst_RemoteSupportDialog::foreignMessagesCloseTheConnection_data()
{
    QTest::addColumn<QByteArray>("bytes");

    auto text = [](int clientType) {
        NDKMessage message(clientType, NDKMessage::QuorText, 0);
        message.addItem(QStringLiteral("hello"));
        message.addItem(false);
        return message.toByteArray();
    };
    QByteArray changed = text(NDKMessage::NDKServer);
    changed[27] = char(changed.at(27) ^ 0x01);
    QByteArray smallLength(4, '\0');
    qToLittleEndian<quint32>(51, smallLength.data());
    QByteArray hugeLength(4, '\0');
    qToLittleEndian<quint32>(0x7FFFFFFF, hugeLength.data());

    QTest::newRow("support staff client type") << text(NDKMessage::NDKSupportStaffClient);
    QTest::newRow("end user client type") << text(NDKMessage::NDKEndUserClient);
    QTest::newRow("undefined client type") << text(4711);
    QTest::newRow("changed byte") << changed;
    QTest::newRow("length field 51") << (smallLength + QByteArray(60, '\0'));
    QTest::newRow("length field of 2 GiB") << hugeLength;
}

void tst_RemoteSupportDialog::foreignMessagesCloseTheConnection()
{
    QFETCH(QByteArray, bytes);
    ScriptedServer server;
    EchoServer echo;
    auto dialog = OpenConnected(server, echo);
    QVERIFY(dialog);

    server.peer->SendRaw(bytes);
    QVERIFY(server.peer->WaitClosed());
    QTRY_VERIFY_WITH_TIMEOUT(messages(*dialog).contains(QStringLiteral("Connection closed.")), WaitMs);
    QVERIFY(!messages(*dialog).contains(QStringLiteral("Rcvd:")));
    QCOMPARE(button(*dialog, "connectBtn")->text(), QStringLiteral("CONNECT"));
    QVERIFY(button(*dialog, "connectBtn")->isEnabled());

    // Connecting again starts afresh: nothing of the broken stream is left.
    button(*dialog, "connectBtn")->click();
    QVERIFY(QTest::qWaitFor([&] { return server.peer && !server.peer->closed; }, WaitMs));
    QVERIFY(server.peer->WaitFor(NDKMessage::QuorUserJoin) >= 0);
    server.Send(NDKMessage::QuorText, 0, {QStringLiteral("fresh start"), false});
    QTRY_VERIFY_WITH_TIMEOUT(messages(*dialog).contains(QStringLiteral("Rcvd: fresh start")), WaitMs);
    QVERIFY(dialog->Session()->IsConnected());
}

void tst_RemoteSupportDialog::continuationFlag()
{
    ScriptedServer server;
    EchoServer echo;
    auto dialog = OpenConnected(server, echo);
    QVERIFY(dialog);

    server.Send(NDKMessage::QuorText, 0, {QStringLiteral("Please hold"), false});
    server.Send(NDKMessage::QuorText, 0, {QStringLiteral(" the SET button."), true});
    server.Send(NDKMessage::QuorText, 0, {QStringLiteral("Thanks"), false});
    QTRY_VERIFY_WITH_TIMEOUT(messages(*dialog).contains(QStringLiteral("Thanks")), WaitMs);
    const QStringList lines = messages(*dialog).split(QLatin1Char('\n'));
    const int held = lines.indexOf(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d Rcvd: Please hold the SET button\\.$")));
    QVERIFY2(held >= 0, qPrintable(messages(*dialog)));
    QVERIFY(lines.value(held + 1).endsWith(QStringLiteral(" Rcvd: Thanks")));

    // The user's own chat goes out as text with the flag off.
    dialog->findChild<QLineEdit *>(QStringLiteral("sendMessageEdit"))->setText(QStringLiteral("Done"));
    button(*dialog, "sendBtn")->click();
    const int sent = server.peer->WaitFor(NDKMessage::QuorText);
    QVERIFY(sent >= 0);
    QCOMPARE(server.peer->received.at(sent).items(), (QVariantList{QStringLiteral("Done"), false}));
    QVERIFY(messages(*dialog).contains(QStringLiteral("Sent: Done")));
    QVERIFY(dialog->findChild<QLineEdit *>(QStringLiteral("sendMessageEdit"))->text().isEmpty());
}

void tst_RemoteSupportDialog::textOutsideLatin1_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("sent");

    QTest::newRow("Latin-1 passes unchanged") << QStringLiteral("Grüße, 5 °C") << QStringLiteral("Grüße, 5 °C");
    QTest::newRow("euro sign") << QStringLiteral("costs 5 €, ok") << QStringLiteral("costs 5 ?, ok");
    QTest::newRow("beyond 16 bits: one mark") << QStringLiteral("ok \U0001F600!") << QStringLiteral("ok ?!");
    QTest::newRow("a 0 character") << QStringLiteral("a") + QChar(0) + QStringLiteral("b") << QStringLiteral("a?b");
}

void tst_RemoteSupportDialog::textOutsideLatin1()
{
    QFETCH(QString, typed);
    QFETCH(QString, sent);
    ScriptedServer server;
    EchoServer echo;
    auto dialog = OpenConnected(server, echo);
    QVERIFY(dialog);

    // What the technician reads is what the user's own line shows: no
    // character is lost as an invisible 0 byte.
    dialog->findChild<QLineEdit *>(QStringLiteral("sendMessageEdit"))->setText(typed);
    button(*dialog, "sendBtn")->click();
    const int chat = server.peer->WaitFor(NDKMessage::QuorText);
    QVERIFY(chat >= 0);
    QCOMPARE(server.peer->received.at(chat).item(0).toString(), sent);
    QVERIFY(!server.peer->received.at(chat).item(0).toString().contains(QChar(0)));
    QVERIFY(messages(*dialog).contains(QStringLiteral("Sent: ") + sent));

    // A sender that wrote 0 bytes for characters it could not encode: they
    // show as marks instead of vanishing.
    server.Send(NDKMessage::QuorText, 0, {QStringLiteral("price: ") + QChar(0) + QStringLiteral("20"), false});
    QTRY_VERIFY_WITH_TIMEOUT(messages(*dialog).contains(QStringLiteral("Rcvd: price: ?20")), WaitMs);
}

void tst_RemoteSupportDialog::commandsWithTooFewItemsAreIgnored()
{
    WorkerHarness harness;
    QVERIFY(harness.Connect());
    harness.sim.SetMemory(0xBC, 2, 0x40, QByteArray::fromHex("0123456789abcdef"));
    ScriptedServer server;
    EchoServer echo;
    auto dialog = OpenConnected(server, echo, harness.worker);
    QVERIFY(dialog);
    QSignalSpy reads(dialog.get(), &RemoteSupportDialog::processCmdRead);

    server.Send(NDKMessage::QuorCmdRead, 6, {0xBCu, 2u, 0x40u});
    server.Send(NDKMessage::QuorCmdRead, 7, {0xBCu, 2u, 0x40u, 8u});
    const int result = server.peer->WaitFor(NDKMessage::QuorResultRead, 7);
    QVERIFY(result >= 0);
    const NDKMessage answer = server.peer->received.at(result);
    QCOMPARE(answer.clientType(), int(NDKMessage::NDKEndUserClient));
    QCOMPARE(answer.item(0).toBool(), true);
    QCOMPARE(answer.item(3).toInt(), 8);
    QCOMPARE(answer.item(4).toByteArray(), QByteArray::fromHex("0123456789abcdef"));
    QCOMPARE(reads.size(), 1);
    QCOMPARE(server.peer->Count(NDKMessage::QuorResultRead), 1);
    QVERIFY(dialog->Session()->IsConnected());
}

void tst_RemoteSupportDialog::linkAndEnhancedLogging()
{
    ScriptedServer server;
    EchoServer echo;
    auto dialog = OpenConnected(server, echo);
    QVERIFY(dialog);
    QSignalSpy levels(dialog.get(), &RemoteSupportDialog::setMessageLevel);

    server.Send(NDKMessage::QuorResultRequestLink, 0, {true, 17});
    QTRY_VERIFY_WITH_TIMEOUT(dialog->Session()->IsLinked(), WaitMs);
    QCOMPARE(dialog->Session()->LinkedStaffId(), 17);
    server.Send(NDKMessage::QuorCmdEnhancedLogging, 0, {true});
    QTRY_COMPARE_WITH_TIMEOUT(levels.size(), 1, WaitMs);
    QCOMPARE(levels.at(0).at(0).toInt(), 1);
    server.Send(NDKMessage::QuorCmdEnhancedLogging, 0, {false});
    QTRY_COMPARE_WITH_TIMEOUT(levels.size(), 2, WaitMs);
    QCOMPARE(levels.at(1).at(0).toInt(), 0);
    server.Send(NDKMessage::QuorResultRequestLink, 0, {false, 17});
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->Session()->IsLinked(), WaitMs);
    QCOMPARE(dialog->Session()->LinkedStaffId(), -1);
    QVERIFY(dialog->Session()->IsConnected());
}

void tst_RemoteSupportDialog::statusLogRequests_data()
{
    QTest::addColumn<QVariantList>("request");
    QTest::addColumn<QStringList>("files");

    QTest::newRow("no count: the newest") << QVariantList{} << QStringList{QStringLiteral("Tessaro_2026_03_02.log")};
    QTest::newRow("0: the newest") << QVariantList{0} << QStringList{QStringLiteral("Tessaro_2026_03_02.log")};
    QTest::newRow("1: all, newest first") << QVariantList{1}
                                          << QStringList{QStringLiteral("Tessaro_2026_03_02.log"),
                                                         QStringLiteral("Tessaro_2026_03_01.log")};
    QTest::newRow("2: none") << QVariantList{2} << QStringList{};
}

void tst_RemoteSupportDialog::statusLogRequests()
{
    QFETCH(QVariantList, request);
    QFETCH(QStringList, files);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    for (int day : {1, 2}) {
        const QDateTime when(QDate(2026, 3, day), QTime(10, 0));
        StatusLog log(folder.path(), [when] { return when; }, [] { return quint16(77); });
        log.Write(QtInfoMsg, QStringLiteral("line of day %1").arg(day));
        QFile file(log.FilePath(when.date()));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(when, QFileDevice::FileModificationTime));
    }

    ScriptedServer server;
    EchoServer echo;
    auto dialog = OpenConnected(server, echo);
    QVERIFY(dialog);
    dialog->Session()->SetStatusLogFolder(folder.path());

    server.Send(NDKMessage::QuorCmdRequestLogs, 0, request);
    const int logs = server.peer->WaitFor(NDKMessage::QuorResultRequestLogs);
    QVERIFY(logs >= 0);
    const int inProgress = server.peer->WaitFor(NDKMessage::QuorResultRequestLogsInProgress);
    QVERIFY(inProgress >= 0 && inProgress < logs);
    QCOMPARE(server.peer->received.at(inProgress).itemCount(), 0);

    const NDKMessage answer = server.peer->received.at(logs);
    if (files.isEmpty()) {
        QCOMPARE(answer.itemCount(), 0);
        return;
    }
    QCOMPARE(answer.itemCount(), 1 + 3 * files.size());
    QCOMPARE(answer.item(0).toInt(), files.size());
    for (int i = 0; i < files.size(); ++i) {
        QCOMPARE(answer.item(1 + 3 * i).toString(), files.at(i));
        QFile stored(QDir(folder.path()).filePath(files.at(i)));
        QVERIFY(stored.open(QIODevice::ReadOnly));
        const QByteArray content = stored.readAll();
        QCOMPARE(answer.item(2 + 3 * i).toInt(), content.size());
        QCOMPARE(answer.item(3 + 3 * i).toByteArray(), content); // still scrambled
    }
}

void tst_RemoteSupportDialog::keepAlivePostponedByHandsetCommands_data()
{
    QTest::addColumn<uint>("device");
    QTest::addColumn<bool>("postpones");
    QTest::newRow("colour handset") << 0xBCu << true;
    QTest::newRow("mono handset") << 0xB0u << true;
    QTest::newRow("controller") << 0xB2u << false;
}

void tst_RemoteSupportDialog::keepAlivePostponedByHandsetCommands()
{
    QFETCH(uint, device);
    QFETCH(bool, postpones);

    ScriptedServer server;
    EchoServer echo;
    pointSettingsAt(echo, QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2"), server.Port());
    qint64 now = 1000000;
    RemoteSupportSession session;
    session.SetAddresses({echo.Url(), QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2"), server.Port()});
    session.SetClientName(QStringLiteral("anna"));
    session.SetClock([&now] { return now; });
    session.Start();
    QSignalSpy keepAlives(&session, &RemoteSupportSession::keepAlive);
    QSignalSpy commands(&session, &RemoteSupportSession::processCmdIsDevicePresent);
    QTRY_VERIFY_WITH_TIMEOUT(!session.ServerAddress().isEmpty(), WaitMs);
    session.ToggleConnection();
    QVERIFY(server.WaitForPeer());

    const qint64 start = now;
    now = start + 29000;
    session.onKeepAliveTimer();
    QCOMPARE(keepAlives.size(), 0);
    server.Send(NDKMessage::QuorCmdIsDevicePresent, 1, {device});
    QTRY_COMPARE_WITH_TIMEOUT(commands.size(), 1, WaitMs);

    now = start + 30001;
    session.onKeepAliveTimer();
    QCOMPARE(keepAlives.size(), postpones ? 0 : 1);
    if (!postpones)
        return;
    now = start + 29000 + 30000; // exactly 30 s after the command: not yet
    session.onKeepAliveTimer();
    QCOMPARE(keepAlives.size(), 0);
    now += 1;
    session.onKeepAliveTimer();
    QCOMPARE(keepAlives.size(), 1);
    session.onKeepAliveTimer();
    QCOMPARE(keepAlives.size(), 1);
}

void tst_RemoteSupportDialog::unitConnection_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("buttonText");
    QTest::addColumn<QString>("details");
    QTest::addColumn<bool>("icon");

    QTest::newRow("connected with serial") << 5 << QStringLiteral("ORB-123") << QStringLiteral("CONNECTED")
                                           << QStringLiteral("Serial Number ORB-123") << true;
    QTest::newRow("serial not valid") << 6 << QString() << QStringLiteral("CONNECTED") << QString() << true;
    QTest::newRow("bridge only") << 7 << QString() << QStringLiteral("CONNECTED") << QString() << true;
    QTest::newRow("disconnected") << 1 << QString() << QStringLiteral("RECONNECT") << QString() << false;
    QTest::newRow("verifying") << 4 << QString() << QStringLiteral("VERIFYING...") << QString() << false;
}

void tst_RemoteSupportDialog::unitConnection()
{
    QFETCH(int, status);
    QFETCH(QString, serial);
    QFETCH(QString, buttonText);
    QFETCH(QString, details);
    QFETCH(bool, icon);

    EchoServer echo;
    pointSettingsAt(echo, QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2"), 6308);
    RemoteSupportDialog dialog(nullptr);
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("unitConnectionDetails"))->text(), QStringLiteral("Disconnected"));
    dialog.connectionStatusResult(status, serial);
    QCOMPARE(button(dialog, "unitConnectBtn")->text(), buttonText);
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("unitConnectionDetails"))->text(), details);
    QCOMPARE(!button(dialog, "unitConnectBtn")->icon().isNull(), icon);

    // Without a device record the button asks the main window to reconnect.
    QSignalSpy reconnects(&dialog, &RemoteSupportDialog::reconnect);
    button(dialog, "unitConnectBtn")->click();
    QCOMPARE(reconnects.size(), 1);
}

void tst_RemoteSupportDialog::closingAsks()
{
    EchoServer echo;
    pointSettingsAt(echo, QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2"), 6308);
    RemoteSupportDialog dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    {
        QuestionAnswerer no("noBtn");
        button(dialog, "closeBtn")->click();
        QCOMPARE(no.asked, QStringLiteral("Are you sure you wish to end this support session?"));
    }
    QVERIFY(dialog.isVisible());
    {
        QuestionAnswerer no("noBtn");
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!no.asked.isEmpty());
    }
    QVERIFY(dialog.isVisible());
    {
        QuestionAnswerer yes("yesBtn");
        dialog.close();
        QVERIFY(!yes.asked.isEmpty());
    }
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

QTEST_MAIN(tst_RemoteSupportDialog)
#include "tst_RemoteSupportDialog.moc"
