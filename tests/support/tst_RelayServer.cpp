// The relay server on 127.0.0.1 with raw protocol clients: joining, linking,
// relaying as the server, and closing the connections that misbehave.

#include "RelayServer.h"
#include "RemoteSupportConstants.h"
#include "SupportTestKit.h"

#include <QtEndian>
#include <QtTest>

using namespace SupportTestKit;

namespace {

constexpr char staffKey[] = "test-staff-key";

QByteArray u32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

} // namespace

class tst_RelayServer : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void linkRelayAndUnlink();
    void badMessagesCloseTheSender_data();
    void badMessagesCloseTheSender();
    void clientVanishesMidMessage();
    void refusedJoins_data();
    void refusedJoins();
    void commandsNeedALink();
    void connectionsThatNeverJoinAreClosed();

private:
    std::unique_ptr<Peer> JoinUser(const QString &userId);
    std::unique_ptr<Peer> JoinStaff(const QString &name, int *staffId = nullptr);

    std::unique_ptr<RelayServer> m_relay;
};

void tst_RelayServer::init()
{
    m_relay = std::make_unique<RelayServer>();
    m_relay->SetStaffKey(QString::fromLatin1(staffKey));
    QVERIFY(m_relay->Listen(QHostAddress::LocalHost, 0));
}

void tst_RelayServer::cleanup()
{
    m_relay.reset();
}

std::unique_ptr<Peer> tst_RelayServer::JoinUser(const QString &userId)
{
    auto user = std::make_unique<Peer>();
    if (!user->ConnectTo(m_relay->Port()))
        return nullptr;
    user->Send(user->Build(NDKMessage::NDKEndUserClient, NDKMessage::QuorUserJoin, 0, {userId}));
    if (!QTest::qWaitFor([&] { return m_relay->UsersOnline().contains(userId); }, WaitMs))
        return nullptr;
    return user;
}

std::unique_ptr<Peer> tst_RelayServer::JoinStaff(const QString &name, int *staffId)
{
    auto staff = std::make_unique<Peer>();
    if (!staff->ConnectTo(m_relay->Port()))
        return nullptr;
    staff->Send(staff->Build(NDKMessage::NDKSupportStaffClient, NDKMessage::QuorUserJoin, 0,
                             {name, QString::fromLatin1(staffKey)}));
    const int joined = staff->WaitFor(NDKMessage::QuorNotify);
    if (joined < 0 || staff->received.at(joined).itemCount() < 2)
        return nullptr;
    if (staffId)
        *staffId = staff->received.at(joined).item(1).toInt();
    return staff;
}

void tst_RelayServer::linkRelayAndUnlink()
{
    QSignalSpy links(m_relay.get(), &RelayServer::LinkChanged);
    auto user = JoinUser(QStringLiteral("diver"));
    QVERIFY(user);
    int staffId = -1;
    auto staff = JoinStaff(QStringLiteral("tech"), &staffId);
    QVERIFY(staff);
    QVERIFY(staffId > 0);

    staff->Send(staff->Build(NDKMessage::NDKSupportStaffClient, NDKMessage::QuorCmdRequestLink, 1,
                             {QStringLiteral("diver")}));
    const int userLink = user->WaitFor(NDKMessage::QuorResultRequestLink);
    QVERIFY(userLink >= 0);
    QCOMPARE(user->received.at(userLink).clientType(), int(NDKMessage::NDKServer));
    QCOMPARE(user->received.at(userLink).item(0).toBool(), true);
    QCOMPARE(user->received.at(userLink).item(1).toInt(), staffId);
    const int staffLink = staff->WaitFor(NDKMessage::QuorResultRequestLink);
    QVERIFY(staffLink >= 0);
    QCOMPARE(staff->received.at(staffLink).item(0).toBool(), true);
    QCOMPARE(staff->received.at(staffLink).item(2).toString(), QStringLiteral("diver"));
    QCOMPARE(links.size(), 1);

    // A command goes to the user and its result back, both as the server's.
    staff->Send(staff->Build(NDKMessage::NDKSupportStaffClient, NDKMessage::QuorCmdRead, 5,
                             {0xBCu, 2u, 0x10u, 8u}));
    const int command = user->WaitFor(NDKMessage::QuorCmdRead, 5);
    QVERIFY(command >= 0);
    const NDKMessage relayed = user->received.at(command);
    QCOMPARE(relayed.clientType(), int(NDKMessage::NDKServer));
    QCOMPARE(relayed.items(), (QVariantList{0xBCu, 2u, 0x10u, 8u}));

    user->Send(user->Build(NDKMessage::NDKEndUserClient, NDKMessage::QuorResultRead, 5,
                           {true, QStringLiteral("reply"), QStringLiteral("Command succeded"), 2,
                            QByteArray::fromHex("abcd")}));
    const int result = staff->WaitFor(NDKMessage::QuorResultRead, 5);
    QVERIFY(result >= 0);
    QCOMPARE(staff->received.at(result).clientType(), int(NDKMessage::NDKServer));
    QCOMPARE(staff->received.at(result).item(4).toByteArray(), QByteArray::fromHex("abcd"));

    // The technician leaves: the user is told.
    staff->Socket()->disconnectFromHost();
    const int unlinked = user->WaitFor(NDKMessage::QuorResultRequestLink, 0, userLink + 1);
    QVERIFY(unlinked >= 0);
    QCOMPARE(user->received.at(unlinked).item(0).toBool(), false);
    QVERIFY(user->received.at(unlinked).itemCount() >= 2);
    QCOMPARE(links.size(), 2);
    QCOMPARE(links.at(1).at(2).toBool(), false);
    QVERIFY(!m_relay->IsLinked(QStringLiteral("diver")));
}

void tst_RelayServer::badMessagesCloseTheSender_data()
{
    QTest::addColumn<bool>("joinFirst");
    QTest::addColumn<QByteArray>("bytes");

    NDKMessage text(NDKMessage::NDKEndUserClient, NDKMessage::QuorText, 0);
    text.addItem(QStringLiteral("hello"));
    text.addItem(false);
    QByteArray badDigest = text.toByteArray();
    badDigest[30] = char(badDigest.at(30) ^ 0x20);

    QTest::newRow("changed byte") << true << badDigest;
    QTest::newRow("garbage of a valid length") << true << (u32(60) + QByteArray(56, '\x5A'));
    QTest::newRow("length below the smallest message") << true << (u32(51) + QByteArray(47, '\0'));
    QTest::newRow("length of a gigabyte") << true << u32(1u << 30);
    QTest::newRow("server's client type") << false
                                          << NDKMessage(NDKMessage::NDKServer, NDKMessage::QuorUserJoin, 0).toByteArray();
    QTest::newRow("undefined client type") << false << NDKMessage(4711, NDKMessage::QuorUserJoin, 0).toByteArray();
    QTest::newRow("text before the join") << false << text.toByteArray();
    QTest::newRow("client type changes") << true
                                         << NDKMessage(NDKMessage::NDKSupportStaffClient, NDKMessage::QuorText, 0)
                                                .toByteArray();
    QTest::newRow("second join") << true
                                 << NDKMessage(NDKMessage::NDKEndUserClient, NDKMessage::QuorUserJoin, 0).toByteArray();
}

void tst_RelayServer::badMessagesCloseTheSender()
{
    QFETCH(bool, joinFirst);
    QFETCH(QByteArray, bytes);

    std::unique_ptr<Peer> sender;
    if (joinFirst) {
        sender = JoinUser(QStringLiteral("sender"));
        QVERIFY(sender);
    } else {
        sender = std::make_unique<Peer>();
        QVERIFY(sender->ConnectTo(m_relay->Port()));
    }
    auto bystander = JoinUser(QStringLiteral("bystander"));
    QVERIFY(bystander);

    sender->SendRaw(bytes);
    QVERIFY(sender->WaitClosed());
    QVERIFY(QTest::qWaitFor([&] { return m_relay->UsersOnline() == QStringList{QStringLiteral("bystander")}; },
                            WaitMs));
    QVERIFY(!bystander->closed);
    // The relay goes on serving.
    QVERIFY(JoinUser(QStringLiteral("sender")));
}

void tst_RelayServer::clientVanishesMidMessage()
{
    auto user = JoinUser(QStringLiteral("diver"));
    QVERIFY(user);
    auto staff = JoinStaff(QStringLiteral("tech"));
    QVERIFY(staff);
    staff->Send(staff->Build(NDKMessage::NDKSupportStaffClient, NDKMessage::QuorCmdRequestLink, 1,
                             {QStringLiteral("diver")}));
    const int linked = staff->WaitFor(NDKMessage::QuorResultRequestLink);
    QVERIFY(linked >= 0);

    // Half a large result, then the user is gone.
    NDKMessage result(NDKMessage::NDKEndUserClient, NDKMessage::QuorResultReadBlocks, 9);
    result.addItem(QByteArray(2048, 'x'));
    user->SendRaw(result.toByteArray().left(1000));
    user->Socket()->abort();

    const int unlinked = staff->WaitFor(NDKMessage::QuorResultRequestLink, 0, linked + 1);
    QVERIFY(unlinked >= 0);
    QCOMPARE(staff->received.at(unlinked).item(0).toBool(), false);
    QVERIFY(QTest::qWaitFor([&] { return m_relay->ConnectionCount() == 1; }, WaitMs));
    QCOMPARE(staff->Count(NDKMessage::QuorResultReadBlocks), 0);
    QVERIFY(!staff->closed);
    // The user id is free again.
    QVERIFY(JoinUser(QStringLiteral("diver")));
}

void tst_RelayServer::refusedJoins_data()
{
    QTest::addColumn<int>("clientType");
    QTest::addColumn<QVariantList>("items");
    QTest::addColumn<int>("explanationType");

    QTest::newRow("wrong staff key") << int(NDKMessage::NDKSupportStaffClient)
                                     << QVariantList{QStringLiteral("mallory"), QStringLiteral("guess")}
                                     << int(NDKMessage::QuorNotify);
    QTest::newRow("no staff key") << int(NDKMessage::NDKSupportStaffClient) << QVariantList{QStringLiteral("mallory")}
                                  << int(NDKMessage::QuorNotify);
    QTest::newRow("user id taken") << int(NDKMessage::NDKEndUserClient) << QVariantList{QStringLiteral("diver")}
                                   << int(NDKMessage::QuorText);
    QTest::newRow("empty user id") << int(NDKMessage::NDKEndUserClient) << QVariantList{QStringLiteral("  ")}
                                   << int(NDKMessage::QuorText);
}

void tst_RelayServer::refusedJoins()
{
    QFETCH(int, clientType);
    QFETCH(QVariantList, items);
    QFETCH(int, explanationType);

    auto first = JoinUser(QStringLiteral("diver"));
    QVERIFY(first);
    Peer peer;
    QVERIFY(peer.ConnectTo(m_relay->Port()));
    peer.Send(peer.Build(clientType, NDKMessage::QuorUserJoin, 0, items));
    // The reason arrives before the connection closes.
    QVERIFY(peer.WaitFor(explanationType) >= 0);
    QVERIFY(peer.WaitClosed());
    QCOMPARE(m_relay->UsersOnline(), QStringList{QStringLiteral("diver")});
    QVERIFY(!first->closed);
}

void tst_RelayServer::commandsNeedALink()
{
    auto staff = JoinStaff(QStringLiteral("tech"));
    QVERIFY(staff);
    staff->Send(staff->Build(NDKMessage::NDKSupportStaffClient, NDKMessage::QuorCmdRead, 12, {0xBCu, 2u, 0u, 1u}));
    const int notice = staff->WaitFor(NDKMessage::QuorNotify, 12);
    QVERIFY(notice >= 0);
    QVERIFY(staff->received.at(notice).item(0).toString().contains(QStringLiteral("Not linked")));

    staff->Send(staff->Build(NDKMessage::NDKSupportStaffClient, NDKMessage::QuorCmdRequestLink, 13,
                             {QStringLiteral("nobody")}));
    const int refused = staff->WaitFor(NDKMessage::QuorResultRequestLink);
    QVERIFY(refused >= 0);
    QCOMPARE(staff->received.at(refused).item(0).toBool(), false);
    QVERIFY(!staff->closed);

    // A user's chat with no technician gets an answer instead of vanishing.
    auto user = JoinUser(QStringLiteral("diver"));
    QVERIFY(user);
    user->Send(user->Build(NDKMessage::NDKEndUserClient, NDKMessage::QuorText, 0, {QStringLiteral("hello?"), false}));
    const int answer = user->WaitFor(NDKMessage::QuorText);
    QVERIFY(answer >= 0);
    QVERIFY(user->received.at(answer).item(0).toString().contains(QStringLiteral("not delivered")));

    // The list of users online.
    staff->Send(staff->Build(NDKMessage::NDKSupportStaffClient, NDKMessage::QuorCmdGetRemoteSupportStatus, 14, {}));
    const int status = staff->WaitFor(NDKMessage::QuorResultGetRemoteSupportStatus, 14);
    QVERIFY(status >= 0);
    QCOMPARE(staff->received.at(status).items(), (QVariantList{1, QStringLiteral("diver"), false}));
}

void tst_RelayServer::connectionsThatNeverJoinAreClosed()
{
    m_relay->SetJoinTimeoutMs(200);
    Peer silent;
    QVERIFY(silent.ConnectTo(m_relay->Port()));
    QVERIFY(silent.WaitClosed());
    QVERIFY(QTest::qWaitFor([&] { return m_relay->ConnectionCount() == 0; }, WaitMs));
}

QTEST_GUILESS_MAIN(tst_RelayServer)
#include "tst_RelayServer.moc"
