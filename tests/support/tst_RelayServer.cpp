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

// A message as another implementation may write it: an unsigned char item,
// an item type this program does not know (skipped when reading, so the next
// byte is the next item's type), and bytes after the last item.
QByteArray handMadeMessage(int clientType, int messageType, uint number)
{
    QByteArray body = NDKMessage::EncodeClientCode(clientType);
    body += char(1);
    body += u32(number);
    body += u32(quint32(messageType));
    body += u32(3);
    body += char(NDKMessage::ItemUChar);
    body += char(0xBC);
    body += char(7);
    body += char(NDKMessage::ItemInt);
    body += u32(0x01020304);
    body += QByteArrayLiteral("tail");
    QByteArray wire = u32(quint32(4 + body.size() + NDKMessage::DigestSize)) + body
                      + QByteArray(NDKMessage::DigestSize, '\0');
    wire.replace(wire.size() - NDKMessage::DigestSize, NDKMessage::DigestSize, NDKMessage::DigestOf(wire));
    return wire;
}

// A message of exactly `size` bytes: one byte-array item fills it.
NDKMessage messageOfSize(int clientType, int messageType, int size)
{
    NDKMessage message(clientType, messageType, 0);
    message.addItem(QByteArray(size - NDKMessage::EmptyMessageSize - 5, 'm'));
    return message;
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
    void itemsPassThroughUnchanged_data();
    void itemsPassThroughUnchanged();
    void connectionLimits_data();
    void connectionLimits();
    void messageSizeLimits_data();
    void messageSizeLimits();
    void slowReceiverIsClosed();
    void bufferBudget();

private:
    bool Link(Peer &staff, Peer &user, const QString &userId);

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

bool tst_RelayServer::Link(Peer &staff, Peer &user, const QString &userId)
{
    const int before = user.Count(NDKMessage::QuorResultRequestLink);
    staff.Send(staff.Build(NDKMessage::NDKSupportStaffClient, NDKMessage::QuorCmdRequestLink, 1, {userId}));
    return QTest::qWaitFor([&] { return user.Count(NDKMessage::QuorResultRequestLink) > before; }, WaitMs)
           && m_relay->IsLinked(userId);
}

void tst_RelayServer::itemsPassThroughUnchanged_data()
{
    QTest::addColumn<bool>("fromStaff");
    QTest::newRow("technician to user") << true;
    QTest::newRow("user to technician") << false;
}

void tst_RelayServer::itemsPassThroughUnchanged()
{
    QFETCH(bool, fromStaff);
    auto user = JoinUser(QStringLiteral("diver"));
    QVERIFY(user);
    auto staff = JoinStaff(QStringLiteral("tech"));
    QVERIFY(staff);
    QVERIFY(Link(*staff, *user, QStringLiteral("diver")));

    Peer &sender = fromStaff ? *staff : *user;
    Peer &receiver = fromStaff ? *user : *staff;
    const int type = fromStaff ? NDKMessage::QuorCmdIsDevicePresent : NDKMessage::QuorResultIsDevicePresent;
    const QByteArray sent = handMadeMessage(fromStaff ? NDKMessage::NDKSupportStaffClient
                                                      : NDKMessage::NDKEndUserClient,
                                            type, 21);
    sender.SendRaw(sent);
    const int at = receiver.WaitFor(type, 21);
    QVERIFY(at >= 0);
    QCOMPARE(receiver.undecodable, 0);
    const QByteArray relayed = receiver.rawReceived.at(at);

    // Only the client code (now the server's) and the digest differ.
    QCOMPARE(relayed.size(), sent.size());
    QCOMPARE(relayed.left(4), sent.left(4));
    QCOMPARE(NDKMessage::DecodeClientType(relayed.mid(4, 8)), int(NDKMessage::NDKServer));
    const int tail = NDKMessage::DigestSize;
    QCOMPARE(relayed.mid(12, relayed.size() - 12 - tail), sent.mid(12, sent.size() - 12 - tail));
    QCOMPARE(relayed.right(tail), NDKMessage::DigestOf(relayed));
    QCOMPARE(receiver.received.at(at).items(), (QVariantList{0xBC, 0x01020304}));
}

void tst_RelayServer::connectionLimits_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("perAddress");
    QTest::addColumn<bool>("otherAddressAccepted");

    QTest::newRow("in total") << 2 << 16 << false;
    QTest::newRow("from one address") << 16 << 2 << true;
}

void tst_RelayServer::connectionLimits()
{
    QFETCH(int, total);
    QFETCH(int, perAddress);
    QFETCH(bool, otherAddressAccepted);

    RelayServer::Limits limits;
    limits.maxConnections = total;
    limits.maxConnectionsPerAddress = perAddress;
    m_relay->SetLimits(limits);
    auto first = JoinUser(QStringLiteral("one"));
    QVERIFY(first);
    auto second = JoinUser(QStringLiteral("two"));
    QVERIFY(second);

    // One more from the same address is told why and closed.
    Peer third;
    QVERIFY(third.ConnectTo(m_relay->Port()));
    const int busy = third.WaitFor(NDKMessage::QuorText);
    QVERIFY(busy >= 0);
    QCOMPARE(third.received.at(busy).clientType(), int(NDKMessage::NDKServer));
    QVERIFY(third.received.at(busy).item(0).toString().contains(QStringLiteral("busy")));
    QVERIFY(third.WaitClosed());
    QCOMPARE(m_relay->ConnectionCount(), 2);

    // Another address counts apart from this one, but not apart from the total.
    Peer elsewhere;
    QVERIFY(elsewhere.ConnectTo(m_relay->Port(), QHostAddress(QStringLiteral("127.0.0.2"))));
    if (otherAddressAccepted) {
        QVERIFY(QTest::qWaitFor([&] { return m_relay->ConnectionCount() == 3; }, WaitMs));
        QVERIFY(!elsewhere.closed);
    } else {
        QVERIFY(elsewhere.WaitClosed());
        QCOMPARE(elsewhere.Count(NDKMessage::QuorText), 1);
    }
    QVERIFY(!first->closed && !second->closed);

    // A place that comes free can be taken again.
    first->Socket()->disconnectFromHost();
    QVERIFY(QTest::qWaitFor([&] { return !m_relay->UsersOnline().contains(QStringLiteral("one")); }, WaitMs));
    QVERIFY(JoinUser(QStringLiteral("three")));
}

void tst_RelayServer::messageSizeLimits_data()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("accepted");

    // Limits set by the test: join 4096, technician 8192, user 20000 bytes.
    QTest::newRow("join at its limit") << QStringLiteral("none") << 4096 << true;
    QTest::newRow("join above its limit") << QStringLiteral("none") << 4097 << false;
    QTest::newRow("technician at the limit") << QStringLiteral("staff") << 8192 << true;
    QTest::newRow("technician above the limit") << QStringLiteral("staff") << 8193 << false;
    QTest::newRow("user at the limit") << QStringLiteral("user") << 20000 << true;
    QTest::newRow("user above the limit") << QStringLiteral("user") << 20001 << false;
}

void tst_RelayServer::messageSizeLimits()
{
    QFETCH(QString, role);
    QFETCH(int, size);
    QFETCH(bool, accepted);

    RelayServer::Limits limits;
    limits.maxJoinMessageBytes = 4096;
    limits.maxStaffMessageBytes = 8192;
    limits.maxUserMessageBytes = 20000;
    m_relay->SetLimits(limits);

    std::unique_ptr<Peer> peer;
    int answerType = NDKMessage::QuorText;
    NDKMessage message;
    if (role == QLatin1String("none")) {
        peer = std::make_unique<Peer>();
        QVERIFY(peer->ConnectTo(m_relay->Port()));
        message = NDKMessage(NDKMessage::NDKEndUserClient, NDKMessage::QuorUserJoin, 0);
        message.addItem(QString(size - NDKMessage::EmptyMessageSize - 5, QLatin1Char('u')));
    } else if (role == QLatin1String("staff")) {
        peer = JoinStaff(QStringLiteral("tech"));
        message = messageOfSize(NDKMessage::NDKSupportStaffClient, NDKMessage::QuorText, size);
        answerType = NDKMessage::QuorNotify; // not linked: not delivered
    } else {
        peer = JoinUser(QStringLiteral("diver"));
        message = messageOfSize(NDKMessage::NDKEndUserClient, NDKMessage::QuorText, size);
    }
    QVERIFY(peer);
    const QByteArray wire = message.toByteArray();
    QCOMPARE(wire.size(), size);
    const int before = peer->Count(answerType);
    peer->SendRaw(wire);

    if (!accepted) {
        QVERIFY(peer->WaitClosed());
        QVERIFY(QTest::qWaitFor([&] { return m_relay->ConnectionCount() == 0; }, WaitMs));
        return;
    }
    if (role == QLatin1String("none"))
        QVERIFY(QTest::qWaitFor([&] { return m_relay->UsersOnline().size() == 1; }, WaitMs));
    else
        QVERIFY(QTest::qWaitFor([&] { return peer->Count(answerType) > before; }, WaitMs));
    QVERIFY(!peer->closed);
}

void tst_RelayServer::slowReceiverIsClosed()
{
    RelayServer::Limits limits;
    limits.maxQueuedBytes = 1024 * 1024;
    limits.maxUserMessageBytes = 8 * 1024 * 1024;
    m_relay->SetLimits(limits);
    auto user = JoinUser(QStringLiteral("diver"));
    QVERIFY(user);
    auto staff = JoinStaff(QStringLiteral("tech"));
    QVERIFY(staff);
    QVERIFY(Link(*staff, *user, QStringLiteral("diver")));
    const int linked = user->WaitFor(NDKMessage::QuorResultRequestLink);

    // The technician takes nothing more; the user's results pile up in the
    // network and then in the relay, which gives up on the technician
    // instead of holding ever more for it.
    staff->StopReading();
    NDKMessage result(NDKMessage::NDKEndUserClient, NDKMessage::QuorResultReadBlocks, 3);
    result.addItem(QByteArray(4 * 1024 * 1024, 'r'));
    const QByteArray wire = result.toByteArray();
    for (int i = 0; i < 12; ++i)
        user->SendRaw(wire);

    const int unlinked = user->WaitFor(NDKMessage::QuorResultRequestLink, 0, linked + 1);
    QVERIFY(unlinked >= 0);
    QCOMPARE(user->received.at(unlinked).item(0).toBool(), false);
    QVERIFY(QTest::qWaitFor([&] { return m_relay->ConnectionCount() == 1; }, WaitMs));
    QVERIFY(!user->closed);
    QVERIFY(m_relay->BufferedBytes() <= limits.maxQueuedBytes + wire.size());
}

void tst_RelayServer::bufferBudget()
{
    RelayServer::Limits limits;
    limits.maxBufferedBytes = 256 * 1024;
    limits.maxUserMessageBytes = 200 * 1024;
    m_relay->SetLimits(limits);
    auto first = JoinUser(QStringLiteral("first"));
    QVERIFY(first);
    auto second = JoinUser(QStringLiteral("second"));
    QVERIFY(second);

    const QByteArray wire = messageOfSize(NDKMessage::NDKEndUserClient, NDKMessage::QuorText, 200 * 1024).toByteArray();
    const int part = 150 * 1024;
    first->SendRaw(wire.left(part));
    QVERIFY(QTest::qWaitFor([&] { return m_relay->BufferedBytes() >= part; }, WaitMs));

    // The second half-message would take the relay past its budget: that
    // sender goes, the first one is served.
    second->SendRaw(wire.left(part));
    QVERIFY(second->WaitClosed());
    QVERIFY(!first->closed);
    first->SendRaw(wire.mid(part));
    QVERIFY(first->WaitFor(NDKMessage::QuorText) >= 0); // "not delivered": the message was whole
    QVERIFY(!first->closed);
    QCOMPARE(m_relay->UsersOnline(), QStringList{QStringLiteral("first")});
}

QTEST_GUILESS_MAIN(tst_RelayServer)
#include "tst_RelayServer.moc"
