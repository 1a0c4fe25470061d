#pragma once

#include "NDKMessage.h"
#include "RemoteSupportConstants.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <map>
#include <memory>

class QTcpServer;
class QTcpSocket;
struct RelayClient;

// The support server: end users join with their user id, support technicians
// join with their name and the staff key and then link to a user id; from
// then on every message of one is passed to the other, re-issued as the
// server's own: the same bytes with the client code of NDKServer and a fresh
// digest, so items of every kind reach the other side unchanged.
//
// Its whole state is the list of connections and, per connection, its role,
// its name and its partner (see docs/remote-support.md). A connection that
// sends anything that does not decode, claims a client type other than an end
// user's or a technician's, changes its client type, or does not start with a
// join is closed; so is one that has not joined within JoinTimeoutMs, and one
// that goes past the limits below.
class RelayServer : public QObject
{
    Q_OBJECT
public:
    static constexpr int JoinTimeoutMs = 30 * 1000;

    // What one relay lets its connections take. Messages are held whole
    // before they are passed on, so the message sizes bound what one
    // connection makes the relay buffer on the way in; what waits to be
    // taken by a slow receiver is bounded on the way out; the total keeps
    // many large senders at once from exhausting the machine.
    struct Limits {
        int maxConnections = 256;
        int maxConnectionsPerAddress = 16;
        // The join is small; nothing larger is buffered for a stranger.
        int maxJoinMessageBytes = 4 * 1024;
        // Technicians send chat and device commands (64 data bytes at most).
        int maxStaffMessageBytes = 64 * 1024;
        // Users send status logs, the largest messages of the protocol.
        int maxUserMessageBytes = RemoteSupportConstants::MaxMessageLength;
        // Bytes passed to one connection and not yet taken by it: one whole
        // largest message and then some.
        qint64 maxQueuedBytes = qint64(RemoteSupportConstants::MaxMessageLength) + 1024 * 1024;
        // Everything buffered for all connections, in and out.
        qint64 maxBufferedBytes = 512LL * 1024 * 1024;
    };

    explicit RelayServer(QObject *parent = nullptr);
    ~RelayServer() override;

    void SetLimits(const Limits &limits) { m_limits = limits; }

    // The key a technician's join must carry. Empty: technicians are not
    // checked (only for trying the relay out on one machine).
    void SetStaffKey(const QString &key) { m_staffKey = key; }
    void SetJoinTimeoutMs(int ms) { m_joinTimeoutMs = ms; }

    bool Listen(const QHostAddress &address, quint16 port);
    quint16 Port() const;
    QString ErrorText() const { return m_errorText; }

    // Connections open now, and end users online (for tests and traces).
    int ConnectionCount() const { return int(m_clients.size()); }
    QStringList UsersOnline() const;
    bool IsLinked(const QString &userId) const;
    // Bytes held for all connections: received parts of messages and what
    // waits to be sent.
    qint64 BufferedBytes() const;

signals:
    // A technician was linked to (or unlinked from) a user.
    void LinkChanged(QString userId, int staffId, bool linked);

private:
    void OnNewConnection();
    void OnReadyRead(QTcpSocket *socket);
    void OnDisconnected(QTcpSocket *socket);
    // Closes a connection at once; the caller must not touch the client after.
    void Drop(RelayClient &client, const QString &reason);
    // Says why, then closes once the words are out.
    void Refuse(RelayClient &client, const NDKMessage &explanation, const QString &reason);

    void HandleJoin(RelayClient &client, const NDKMessage &message);
    void HandleFromUser(RelayClient &client, const NDKMessage &message, const QByteArray &wire);
    void HandleFromStaff(RelayClient &client, const NDKMessage &message, const QByteArray &wire);
    void LinkStaff(RelayClient &staff, const QString &userId);
    void Unlink(RelayClient &staff, const QString &why);
    void SendStatus(RelayClient &staff, uint msgNumber);

    void Send(RelayClient &client, int messageType, uint msgNumber, const QVariantList &items);
    void Forward(RelayClient &to, const QByteArray &wire);
    // Writes to a connection; one that lets too much pile up is closed (from
    // the event loop, so the caller's references stay valid).
    void Write(RelayClient &to, const QByteArray &wire);
    RelayClient *FindUser(const QString &userId) const;
    int ConnectionsFrom(const QHostAddress &address) const;
    static QString Describe(const RelayClient &client);

    QTcpServer *m_server = nullptr;
    std::map<QTcpSocket *, std::unique_ptr<RelayClient>> m_clients;
    QString m_staffKey;
    QString m_errorText;
    int m_nextStaffId = 1;
    int m_joinTimeoutMs = JoinTimeoutMs;
    Limits m_limits;
};
