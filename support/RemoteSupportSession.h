#pragma once

#include "NDKMessage.h"
#include "NDKStreamFramer.h"

#include <QAbstractSocket>
#include <QObject>
#include <QString>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QTcpSocket;
class QTimer;

// The end user's side of a remote-support session, without any window: finds
// out which address of the support server to use, connects, joins with the
// user id, chats, carries the technician's device commands to the worker (as
// signals) and sends their results back, sends the status logs on request and
// keeps the handset awake. RemoteSupportDialog shows it; tests drive it
// directly.
//
// Lives in the GUI thread; the socket and the address lookup are its own.
class RemoteSupportSession : public QObject
{
    Q_OBJECT
public:
    // Where the session looks for its server.
    struct ServerAddresses {
        QString ipEchoUrl;       // answers a GET with the caller's public address
        QString publicAddress;   // the support server as seen from outside
        QString internalAddress; // the same server from inside its own network
        quint16 port = 0;
    };

    // Milliseconds on a clock that never goes back (tests replace it).
    using Clock = std::function<qint64()>;

    explicit RemoteSupportSession(QObject *parent = nullptr);
    ~RemoteSupportSession() override;

    void SetAddresses(const ServerAddresses &addresses) { m_addresses = addresses; }
    void SetMessageLevel(int level) { m_messageLevel = level; }
    int MessageLevel() const { return m_messageLevel; }
    void SetClientName(const QString &name) { m_clientName = name; }
    QString ClientName() const { return m_clientName; }
    // Folder whose "*.log" files are sent on request (the status-log folder
    // by default).
    void SetStatusLogFolder(const QString &folder) { m_statusLogFolder = folder; }
    QString StatusLogFolder() const { return m_statusLogFolder; }
    void SetClock(Clock clock);

    // Opening: starts the address lookup and the keep-alive timer.
    void Start();
    // The connect button: connects, or disconnects when connected.
    void ToggleConnection();
    // Sends a chat line; false (and nothing sent) while not connected.
    bool SendChat(const QString &text);
    // Sends one message as this end user; dropped while not connected.
    bool SendMessage(const NDKMessage &message);

    bool IsConnected() const;
    QAbstractSocket::SocketState SocketState() const;
    QString ServerAddress() const { return m_serverAddress; }
    quint16 ServerPort() const { return m_serverPort; }
    bool IsLinked() const { return m_linked; }
    int LinkedStaffId() const { return m_linkedStaffId; }

    // The greatest number of bytes of status logs one message carries.
    static qint64 MaxStatusLogBytes();

signals:
    // A new line for the message area, already prefixed with the time.
    void MessageAdded(QString line);
    // Text that continues the last line of the message area.
    void MessageContinued(QString text);
    // The connect button: whether it offers to disconnect, whether it is
    // enabled. Sent when the connection changes state.
    void ConnectButtonChanged(bool disconnect, bool enabled);
    // The connect button is enabled or disabled and keeps its label: while
    // the address is looked up and while a connection attempt starts.
    void ConnectButtonEnabled(bool enabled);

    void processCmdCommand(uint msgNumber, uchar deviceid, uchar command);
    void processCmdCommandReturnData(uint msgNumber, uchar deviceid, uchar command);
    void processCmdRead(uint msgNumber, uchar deviceid, uchar memory, uint address, ushort length);
    void processCmdReadBlocks(uint msgNumber, uchar deviceid, uchar memory, uint address,
                              ushort length);
    void processCmdWrite(uint msgNumber, uchar deviceid, uchar memory, uint address, ushort length,
                         QByteArray data);
    void processCmdWriteAndVerify(uint msgNumber, uchar deviceid, uchar memory, uint address,
                                  ushort length, QByteArray data);
    void processCmdIsDevicePresent(uint msgNumber, uchar deviceid);
    void processCmdGetPortDetails(uint msgNumber);
    void keepAlive();
    void setMessageLevel(int level);

public slots:
    void resultCmdCommand(uint msgNumber, bool response, QString reply, QString status);
    void resultCmdCommandReturnData(uint msgNumber, bool response, QString reply, QString status,
                                    int dataLength, QByteArray data);
    void resultCmdRead(uint msgNumber, bool response, QString reply, QString status,
                       int dataLength, QByteArray data);
    void resultCmdReadBlocks(uint msgNumber, bool response, QString reply, QString status,
                             int dataLength, QByteArray data);
    void resultCmdWrite(uint msgNumber, bool response, QString reply, QString status);
    void resultCmdWriteAndVerify(uint msgNumber, bool response, QString reply, QString status);
    void resultCmdIsDevicePresent(uint msgNumber, bool response, QString reply, QString status);
    void resultCmdGetPortDetails(uint msgNumber, bool portOpen, bool bridgeDetailsValid,
                                 int bridgeType, int bridgeVersion);

    void connected();
    void disconnected();
    void socketError(QAbstractSocket::SocketError socketError);
    void readyRead();
    void onKeepAliveTimer();
    void getIPFinished(QNetworkReply *reply);

private:
    struct Dispatch;
    static const Dispatch dispatchTable[];

    void AddMessage(const QString &text);
    void SetConnectButton(bool disconnect, bool enabled);
    void EnableConnectButton(bool enabled);
    void CloseConnection(const char *reason);
    void Handle(const NDKMessage &message);
    bool Trace() const { return m_messageLevel >= 1; }
    void HandsetCommandSeen(uchar deviceid);

    // One handler per message type the session acts on.
    void OnText(const NDKMessage &m);
    void OnCommand(const NDKMessage &m);
    void OnCommandReturnData(const NDKMessage &m);
    void OnRead(const NDKMessage &m);
    void OnReadBlocks(const NDKMessage &m);
    void OnWrite(const NDKMessage &m);
    void OnWriteAndVerify(const NDKMessage &m);
    void OnIsDevicePresent(const NDKMessage &m);
    void OnGetPortDetails(const NDKMessage &m);
    void OnRequestLogs(const NDKMessage &m);
    void OnRequestLink(const NDKMessage &m);
    void OnEnhancedLogging(const NDKMessage &m);
    void OnIgnored(const NDKMessage &m);

    void SendStatusLogs(int howMany);
    void SendResult(int messageType, uint msgNumber, const QVariantList &items,
                    const QString &trace);

    ServerAddresses m_addresses;
    QString m_serverAddress;
    quint16 m_serverPort = 0;
    QString m_clientName;
    QString m_statusLogFolder;
    bool m_linked = false;
    int m_linkedStaffId = -1;
    int m_messageLevel = 0;

    QTcpSocket *m_socket = nullptr;
    QNetworkAccessManager *m_network = nullptr;
    NDKStreamFramer m_framer;
    QTimer *m_keepAliveTimer = nullptr;
    Clock m_clock;
    qint64 m_lastKeepAliveMs = 0;
};
