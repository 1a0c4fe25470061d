#include "RelayServer.h"

#include "NDKStreamFramer.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

// One connection and what the relay knows about it.
struct RelayClient {
    enum class Role { None, User, Staff };

    QTcpSocket *socket = nullptr;
    NDKStreamFramer framer;
    Role role = Role::None;
    int clientType = NDKMessage::NDKUndefinedClient;
    QString userId;    // an end user's id
    QString staffName; // a technician's name
    int staffId = -1;  // a technician's id, given by the relay
    RelayClient *partner = nullptr;
    QTimer joinTimer;
    bool closing = false; // refused: the last words are on their way out
};

namespace {

// What the relay takes from a socket in one go; messages are put together
// from such pieces.
constexpr qint64 socketReadBufferBytes = 64 * 1024;

// Compares two keys in a time that does not depend on where they differ.
bool sameKey(const QString &given, const QString &expected)
{
    const QByteArray a = QCryptographicHash::hash(given.toUtf8(), QCryptographicHash::Sha256);
    const QByteArray b = QCryptographicHash::hash(expected.toUtf8(), QCryptographicHash::Sha256);
    char difference = 0;
    for (int i = 0; i < a.size(); ++i)
        difference |= char(a.at(i) ^ b.at(i));
    return difference == 0;
}

} // namespace

RelayServer::RelayServer(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &RelayServer::OnNewConnection);
}

RelayServer::~RelayServer()
{
    for (auto &entry : m_clients) {
        entry.first->disconnect(this);
        entry.first->abort();
        entry.first->deleteLater();
    }
}

bool RelayServer::Listen(const QHostAddress &address, quint16 port)
{
    if (!m_server->listen(address, port)) {
        m_errorText = m_server->errorString();
        return false;
    }
    qInfo().noquote() << QStringLiteral("relay: listening on %1 port %2")
                             .arg(m_server->serverAddress().toString())
                             .arg(m_server->serverPort());
    return true;
}

quint16 RelayServer::Port() const
{
    return m_server->serverPort();
}

QStringList RelayServer::UsersOnline() const
{
    QStringList users;
    for (const auto &entry : m_clients) {
        if (entry.second->role == RelayClient::Role::User)
            users << entry.second->userId;
    }
    users.sort();
    return users;
}

bool RelayServer::IsLinked(const QString &userId) const
{
    const RelayClient *user = FindUser(userId);
    return user && user->partner;
}

int RelayServer::ConnectionsFrom(const QHostAddress &address) const
{
    int count = 0;
    for (const auto &entry : m_clients) {
        if (entry.first->peerAddress().isEqual(address))
            ++count;
    }
    return count;
}

qint64 RelayServer::BufferedBytes() const
{
    qint64 bytes = 0;
    for (const auto &entry : m_clients)
        bytes += entry.second->framer.Buffered() + entry.first->bytesToWrite();
    return bytes;
}

RelayClient *RelayServer::FindUser(const QString &userId) const
{
    for (const auto &entry : m_clients) {
        RelayClient *client = entry.second.get();
        if (client->role == RelayClient::Role::User && !client->closing && client->userId == userId)
            return client;
    }
    return nullptr;
}

QString RelayServer::Describe(const RelayClient &client)
{
    const QString peer = QStringLiteral("%1:%2")
                             .arg(client.socket->peerAddress().toString())
                             .arg(client.socket->peerPort());
    switch (client.role) {
    case RelayClient::Role::User:
        return QStringLiteral("user '%1' (%2)").arg(client.userId, peer);
    case RelayClient::Role::Staff:
        return QStringLiteral("support staff %1 '%2' (%3)").arg(client.staffId).arg(client.staffName, peer);
    case RelayClient::Role::None:
        break;
    }
    return QStringLiteral("connection %1").arg(peer);
}

// ------------------------------------------------------------ connections

void RelayServer::OnNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        const QHostAddress peer = socket->peerAddress();
        QString refusal;
        if (int(m_clients.size()) >= m_limits.maxConnections)
            refusal = QStringLiteral("%1 connections open, the most the relay takes").arg(m_clients.size());
        else if (ConnectionsFrom(peer) >= m_limits.maxConnectionsPerAddress)
            refusal = QStringLiteral("%1 connections open from that address, the most it may have")
                          .arg(m_limits.maxConnectionsPerAddress);
        if (!refusal.isEmpty()) {
            qWarning().noquote() << QStringLiteral("relay: refusing connection %1:%2 - %3")
                                        .arg(peer.toString())
                                        .arg(socket->peerPort())
                                        .arg(refusal);
            // The user's program shows the server's words before "Connection closed.".
            NDKMessage busy(NDKMessage::NDKServer, NDKMessage::QuorText, 0);
            busy.addItem(QStringLiteral("Quor Remote Support is busy. Please try again in a few minutes."));
            busy.addItem(false);
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            socket->write(busy.toByteArray());
            socket->disconnectFromHost();
            continue;
        }

        auto client = std::make_unique<RelayClient>();
        client->socket = socket;
        socket->setReadBufferSize(socketReadBufferBytes);
        client->framer.SetMaxMessageLength(m_limits.maxJoinMessageBytes);
        client->joinTimer.setSingleShot(true);
        // Dropped from the event loop: the timer belongs to the client that goes.
        connect(&client->joinTimer, &QTimer::timeout, this, [this, socket] {
            QMetaObject::invokeMethod(this, [this, socket] {
                const auto it = m_clients.find(socket);
                if (it != m_clients.end() && it->second->role == RelayClient::Role::None)
                    Drop(*it->second, QStringLiteral("no join within %1 ms").arg(m_joinTimeoutMs));
            }, Qt::QueuedConnection);
        });
        client->joinTimer.start(m_joinTimeoutMs);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { OnDisconnected(socket); });
        qInfo().noquote() << "relay:" << Describe(*client) << "connected";
        m_clients.emplace(socket, std::move(client));
    }
}

void RelayServer::OnDisconnected(QTcpSocket *socket)
{
    const auto it = m_clients.find(socket);
    if (it == m_clients.end())
        return;
    RelayClient &client = *it->second;
    qInfo().noquote() << "relay:" << Describe(client) << "disconnected";
    if (client.partner) {
        RelayClient &partner = *client.partner;
        partner.partner = nullptr;
        client.partner = nullptr;
        if (client.role == RelayClient::Role::User) {
            Send(partner, NDKMessage::QuorResultRequestLink, 0,
                 {false, partner.staffId, client.userId, QStringLiteral("The user left the session.")});
            emit LinkChanged(client.userId, partner.staffId, false);
        } else {
            Send(partner, NDKMessage::QuorResultRequestLink, 0, {false, client.staffId});
            emit LinkChanged(partner.userId, client.staffId, false);
        }
    }
    socket->disconnect(this);
    m_clients.erase(it);
    socket->deleteLater();
}

void RelayServer::Drop(RelayClient &client, const QString &reason)
{
    QTcpSocket *socket = client.socket;
    qWarning().noquote() << "relay: closing" << Describe(client) << "-" << reason;
    OnDisconnected(socket); // unlinks and forgets the client
    socket->abort();
}

void RelayServer::Refuse(RelayClient &client, const NDKMessage &explanation, const QString &reason)
{
    qWarning().noquote() << "relay: refusing" << Describe(client) << "-" << reason;
    client.closing = true;
    client.joinTimer.stop();
    client.socket->write(explanation.toByteArray());
    client.socket->disconnectFromHost();
}

void RelayServer::OnReadyRead(QTcpSocket *socket)
{
    const auto it = m_clients.find(socket);
    if (it == m_clients.end())
        return;
    RelayClient &client = *it->second;
    const QByteArray bytes = socket->readAll();
    if (client.closing)
        return;
    client.framer.Append(bytes);
    if (BufferedBytes() > m_limits.maxBufferedBytes) {
        Drop(client, QStringLiteral("the relay holds more than %1 bytes for its connections")
                         .arg(m_limits.maxBufferedBytes));
        return;
    }
    for (;;) {
        QByteArray raw;
        const NDKStreamFramer::Result result = client.framer.Next(raw);
        if (result == NDKStreamFramer::Result::NeedMore)
            return;
        if (result == NDKStreamFramer::Result::BadLength) {
            Drop(client, client.framer.ErrorText());
            return;
        }
        NDKMessage message;
        if (!message.fromByteArray(raw)) {
            Drop(client, QStringLiteral("a message that does not decode"));
            return;
        }
        const int type = message.clientType();
        if (type != NDKMessage::NDKEndUserClient && type != NDKMessage::NDKSupportStaffClient) {
            Drop(client, QStringLiteral("a message of client type %1").arg(message.clientTypeName()));
            return;
        }
        if (client.role == RelayClient::Role::None) {
            HandleJoin(client, message);
        } else if (type != client.clientType) {
            Drop(client, QStringLiteral("a change of client type"));
            return;
        } else if (client.role == RelayClient::Role::User) {
            HandleFromUser(client, message, raw);
        } else {
            HandleFromStaff(client, message, raw);
        }
        // A handler may have closed the connection.
        const auto again = m_clients.find(socket);
        if (again == m_clients.end() || again->second->closing)
            return;
    }
}

// ------------------------------------------------------------------ joins

void RelayServer::HandleJoin(RelayClient &client, const NDKMessage &message)
{
    if (message.messageType() != NDKMessage::QuorUserJoin) {
        Drop(client, QStringLiteral("%1 before a join").arg(message.messageTypeName()));
        return;
    }
    client.joinTimer.stop();
    client.clientType = message.clientType();

    if (client.clientType == NDKMessage::NDKEndUserClient) {
        const QString userId = message.item(0).toString().trimmed();
        NDKMessage refusal(NDKMessage::NDKServer, NDKMessage::QuorText, 0);
        if (userId.isEmpty()) {
            refusal.addItem(QStringLiteral("A user id is needed to join Quor Remote Support."));
            refusal.addItem(false);
            Refuse(client, refusal, QStringLiteral("join without a user id"));
            return;
        }
        if (FindUser(userId)) {
            refusal.addItem(QStringLiteral("The user id %1 is already connected to Quor Remote "
                                           "Support. Please choose another user id.")
                                .arg(userId));
            refusal.addItem(false);
            Refuse(client, refusal, QStringLiteral("user id '%1' already connected").arg(userId));
            return;
        }
        client.role = RelayClient::Role::User;
        client.userId = userId;
        client.framer.SetMaxMessageLength(m_limits.maxUserMessageBytes);
        qInfo().noquote() << "relay:" << Describe(client) << "joined";
        return;
    }

    const QString name = message.item(0).toString().trimmed();
    if (!m_staffKey.isEmpty() && !sameKey(message.item(1).toString(), m_staffKey)) {
        NDKMessage refusal(NDKMessage::NDKServer, NDKMessage::QuorNotify, 0);
        refusal.addItem(QStringLiteral("Support staff key refused."));
        Refuse(client, refusal, QStringLiteral("wrong staff key from '%1'").arg(name));
        return;
    }
    client.role = RelayClient::Role::Staff;
    client.staffName = name;
    client.framer.SetMaxMessageLength(m_limits.maxStaffMessageBytes);
    client.staffId = m_nextStaffId++;
    qInfo().noquote() << "relay:" << Describe(client) << "joined";
    Send(client, NDKMessage::QuorNotify, 0,
         {QStringLiteral("Joined as support staff %1.").arg(client.staffId), client.staffId});
}

// ---------------------------------------------------------- from end users

void RelayServer::HandleFromUser(RelayClient &client, const NDKMessage &message, const QByteArray &wire)
{
    if (message.messageType() == NDKMessage::QuorUserJoin) {
        Drop(client, QStringLiteral("a second join"));
        return;
    }
    if (client.partner) {
        Forward(*client.partner, wire);
        return;
    }
    if (message.messageType() == NDKMessage::QuorText) {
        Send(client, NDKMessage::QuorText, 0,
             {QStringLiteral("No support technician has joined this session yet; your message was "
                             "not delivered."),
              false});
    }
}

// -------------------------------------------------------- from technicians

void RelayServer::HandleFromStaff(RelayClient &client, const NDKMessage &message, const QByteArray &wire)
{
    switch (message.messageType()) {
    case NDKMessage::QuorUserJoin:
        Drop(client, QStringLiteral("a second join"));
        return;
    case NDKMessage::QuorCmdRequestLink: {
        const QString userId = message.item(0).toString().trimmed();
        const bool link = message.itemCount() < 2 || message.item(1).toBool();
        if (link) {
            LinkStaff(client, userId);
        } else {
            const QString linkedUser = client.partner ? client.partner->userId : userId;
            Unlink(client, QStringLiteral("unlinked by the technician"));
            Send(client, NDKMessage::QuorResultRequestLink, message.msgNumber(),
                 {false, client.staffId, linkedUser, QStringLiteral("Unlinked.")});
        }
        return;
    }
    case NDKMessage::QuorCmdGetRemoteSupportStatus:
        SendStatus(client, message.msgNumber());
        return;
    default:
        break;
    }
    if (client.partner) {
        Forward(*client.partner, wire);
        return;
    }
    Send(client, NDKMessage::QuorNotify, message.msgNumber(),
         {QStringLiteral("Not linked to a user: %1 was not delivered.").arg(message.messageTypeName())});
}

void RelayServer::LinkStaff(RelayClient &staff, const QString &userId)
{
    RelayClient *user = FindUser(userId);
    const auto refuse = [&](const QString &why) {
        Send(staff, NDKMessage::QuorResultRequestLink, 0, {false, staff.staffId, userId, why});
    };
    if (!user) {
        refuse(QStringLiteral("No user %1 is connected.").arg(userId));
        return;
    }
    if (user->partner && user->partner != &staff) {
        refuse(QStringLiteral("User %1 is already linked to support staff %2.")
                   .arg(userId)
                   .arg(user->partner->staffId));
        return;
    }
    if (staff.partner && staff.partner != user)
        Unlink(staff, QStringLiteral("the technician linked to another user"));
    staff.partner = user;
    user->partner = &staff;
    qInfo().noquote() << "relay:" << Describe(staff) << "linked to" << Describe(*user);
    Send(*user, NDKMessage::QuorResultRequestLink, 0, {true, staff.staffId});
    Send(staff, NDKMessage::QuorResultRequestLink, 0, {true, staff.staffId, userId});
    emit LinkChanged(userId, staff.staffId, true);
}

void RelayServer::Unlink(RelayClient &staff, const QString &why)
{
    if (!staff.partner)
        return;
    RelayClient &user = *staff.partner;
    qInfo().noquote() << "relay:" << Describe(staff) << "unlinked from" << Describe(user) << "-" << why;
    user.partner = nullptr;
    staff.partner = nullptr;
    Send(user, NDKMessage::QuorResultRequestLink, 0, {false, staff.staffId});
    emit LinkChanged(user.userId, staff.staffId, false);
}

void RelayServer::SendStatus(RelayClient &staff, uint msgNumber)
{
    QVariantList items;
    const QStringList users = UsersOnline();
    items << int(users.size());
    for (const QString &userId : users)
        items << userId << IsLinked(userId);
    Send(staff, NDKMessage::QuorResultGetRemoteSupportStatus, msgNumber, items);
}

// ---------------------------------------------------------------- sending

void RelayServer::Send(RelayClient &client, int messageType, uint msgNumber, const QVariantList &items)
{
    NDKMessage message(NDKMessage::NDKServer, messageType, msgNumber);
    for (const QVariant &value : items)
        message.addItem(value);
    Write(client, message.toByteArray());
}

void RelayServer::Forward(RelayClient &to, const QByteArray &wire)
{
    // Only the client code and the digest change: item types the relay does
    // not know, unsigned chars and trailing bytes arrive as they were sent.
    Write(to, NDKMessage::Reseal(wire, NDKMessage::NDKServer));
}

void RelayServer::Write(RelayClient &to, const QByteArray &wire)
{
    if (to.closing)
        return;
    to.socket->write(wire);
    if (to.socket->bytesToWrite() <= m_limits.maxQueuedBytes)
        return;
    to.closing = true;
    const QPointer<QTcpSocket> socket = to.socket;
    QMetaObject::invokeMethod(this, [this, socket] {
        if (!socket)
            return;
        const auto it = m_clients.find(socket.data());
        if (it != m_clients.end())
            Drop(*it->second, QStringLiteral("more than %1 bytes wait to be sent to it")
                                  .arg(m_limits.maxQueuedBytes));
    }, Qt::QueuedConnection);
}
