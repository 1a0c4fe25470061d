#include "RemoteSupportSession.h"

#include "RemoteSupportConstants.h"
#include "StatusLog.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpSocket>
#include <QTime>
#include <QTimer>
#include <QUrl>

#include <limits>

namespace {

constexpr quint8 monoHandsetId = 0xB0;
constexpr quint8 colourHandsetId = 0xBC;

// The address lookup answers with a short text; anything longer is not an address.
constexpr qint64 maxAddressReplyBytes = 256;

QString number6(uint msgNumber)
{
    return QStringLiteral("%1").arg(msgNumber, 6, 10, QLatin1Char('0'));
}

QString hex(quint64 value, int digits = 2)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

QString trueFalse(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString byteList(const QByteArray &data)
{
    QString out;
    out.reserve(data.size() * 5);
    for (char byte : data)
        out += QLatin1Char(' ') + hex(quint8(byte));
    return out;
}

// Item conversions: a value that does not fit its parameter is saturated,
// so an oversized length stays oversized instead of wrapping to a small one.
uchar toUChar(const QVariant &v)
{
    return uchar(v.toUInt() & 0xFF);
}

uint toUInt(const QVariant &v)
{
    return v.toUInt();
}

ushort toUShort(const QVariant &v)
{
    const qlonglong value = v.toLongLong();
    if (value < 0 || value > std::numeric_limits<ushort>::max())
        return std::numeric_limits<ushort>::max();
    return ushort(value);
}

qint64 monotonicMs()
{
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer.elapsed();
}

// Per file: type bytes and length fields of its three items (name, size, content).
constexpr qint64 perFileOverhead = 5 + 5 + 5;

} // namespace

struct RemoteSupportSession::Dispatch {
    int messageType;
    int minItems;
    void (RemoteSupportSession::*handler)(const NDKMessage &);
};

const RemoteSupportSession::Dispatch RemoteSupportSession::dispatchTable[] = {
    {NDKMessage::QuorText, 2, &RemoteSupportSession::OnText},
    {NDKMessage::QuorCmdCommand, 2, &RemoteSupportSession::OnCommand},
    {NDKMessage::QuorCmdCommandReturnData, 2, &RemoteSupportSession::OnCommandReturnData},
    {NDKMessage::QuorCmdRead, 4, &RemoteSupportSession::OnRead},
    {NDKMessage::QuorCmdReadBlocks, 4, &RemoteSupportSession::OnReadBlocks},
    {NDKMessage::QuorCmdWrite, 5, &RemoteSupportSession::OnWrite},
    {NDKMessage::QuorCmdWriteAndVerify, 5, &RemoteSupportSession::OnWriteAndVerify},
    {NDKMessage::QuorCmdIsDevicePresent, 1, &RemoteSupportSession::OnIsDevicePresent},
    {NDKMessage::QuorCmdGetPortDetails, 0, &RemoteSupportSession::OnGetPortDetails},
    {NDKMessage::QuorCmdRequestLogs, 0, &RemoteSupportSession::OnRequestLogs},
    {NDKMessage::QuorResultRequestLink, 2, &RemoteSupportSession::OnRequestLink},
    {NDKMessage::QuorCmdEnhancedLogging, 1, &RemoteSupportSession::OnEnhancedLogging},
    {NDKMessage::QuorResultGetRemoteSupportStatus, 0, &RemoteSupportSession::OnIgnored},
};

RemoteSupportSession::RemoteSupportSession(QObject *parent)
    : QObject(parent)
    , m_serverPort(RemoteSupportConstants::ServerPort)
    , m_statusLogFolder(StatusLog::DefaultFolder())
    , m_clock(&monotonicMs)
{
    m_addresses.port = RemoteSupportConstants::ServerPort;
}

RemoteSupportSession::~RemoteSupportSession()
{
    // The socket goes with the session; its last signals must not reach a
    // half-destroyed object.
    if (m_socket)
        m_socket->disconnect(this);
}

void RemoteSupportSession::SetClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock(&monotonicMs);
    m_lastKeepAliveMs = m_clock();
}

// ---------------------------------------------------------------- opening

void RemoteSupportSession::Start()
{
    EnableConnectButton(false);
    AddMessage(tr("Preparing communications..."));

    m_network = new QNetworkAccessManager(this);
    connect(m_network, &QNetworkAccessManager::finished, this, &RemoteSupportSession::getIPFinished);
    QNetworkRequest request{QUrl(m_addresses.ipEchoUrl)};
    // A lookup that never answers must not leave the window waiting forever.
    request.setTransferTimeout(RemoteSupportConstants::AddressLookupTimeoutMs);
    m_network->get(request);
    AddMessage(tr("Preparation complete."));

    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &RemoteSupportSession::connected);
    connect(m_socket, &QTcpSocket::disconnected, this, &RemoteSupportSession::disconnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &RemoteSupportSession::readyRead);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, &RemoteSupportSession::socketError);

    m_keepAliveTimer = new QTimer(this);
    m_keepAliveTimer->setInterval(RemoteSupportConstants::KeepAliveTickMs);
    connect(m_keepAliveTimer, &QTimer::timeout, this, &RemoteSupportSession::onKeepAliveTimer);
    m_lastKeepAliveMs = m_clock();
    m_keepAliveTimer->start();
}

void RemoteSupportSession::getIPFinished(QNetworkReply *reply)
{
    if (reply->error() == QNetworkReply::NoError) {
        const QString address = QString::fromLatin1(reply->read(maxAddressReplyBytes)).trimmed();
        qDebug().noquote() << "IP Address reported" << address;
        if (!m_addresses.publicAddress.isEmpty() && address == m_addresses.publicAddress) {
            m_serverAddress = m_addresses.internalAddress;
            qDebug().noquote() << "Using the support server's internal address" << m_serverAddress;
        } else {
            m_serverAddress = m_addresses.publicAddress;
        }
        m_serverPort = m_addresses.port;
        EnableConnectButton(true);
    } else {
        qDebug().noquote() << "No IP Address available -" << reply->errorString();
        AddMessage(tr("No IP Address available"));
    }
    reply->deleteLater();
}

// ------------------------------------------------------------- connection

bool RemoteSupportSession::IsConnected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

QAbstractSocket::SocketState RemoteSupportSession::SocketState() const
{
    return m_socket ? m_socket->state() : QAbstractSocket::UnconnectedState;
}

void RemoteSupportSession::ToggleConnection()
{
    if (!m_socket)
        return;
    EnableConnectButton(false);
    if (IsConnected()) {
        m_socket->disconnectFromHost();
        SetConnectButton(false, true);
        qDebug() << "User disconnected from the support server";
        return;
    }
    m_socket->abort();
    m_framer.Clear();
    m_socket->connectToHost(m_serverAddress, m_serverPort, QIODevice::ReadWrite);
    // A server given by name is looked up first; that is part of connecting.
    const QAbstractSocket::SocketState state = m_socket->state();
    if (state == QAbstractSocket::ConnectingState || state == QAbstractSocket::HostLookupState) {
        AddMessage(tr("Attempting to connect to Quor Remote Support."));
    } else {
        AddMessage(tr("Client socket failed to open."));
        EnableConnectButton(true);
    }
}

void RemoteSupportSession::connected()
{
    qDebug() << "Connected to the support server, Attempting join";
    m_framer.Clear();
    NDKMessage join(NDKMessage::NDKEndUserClient, NDKMessage::QuorUserJoin, 0);
    join.addItem(NDKMessage::ToLatin1Text(m_clientName));
    SendMessage(join);
    SetConnectButton(true, true);
}

void RemoteSupportSession::disconnected()
{
    AddMessage(tr("Connection closed."));
    // Nothing of this connection may be taken for the start of the next one.
    m_framer.Clear();
    m_linked = false;
    m_linkedStaffId = -1;
    SetConnectButton(false, true);
}

void RemoteSupportSession::socketError(QAbstractSocket::SocketError socketError)
{
    switch (socketError) {
    case QAbstractSocket::ConnectionRefusedError:
        AddMessage(tr("Quor Remote Support connection refused. Please check the host name and port "
                      "settings."));
        break;
    case QAbstractSocket::HostNotFoundError:
        AddMessage(tr("Quor Remote Support not found. Please check the host name and port settings."));
        break;
    case QAbstractSocket::RemoteHostClosedError:
        break;
    default:
        AddMessage(tr("The following connection error occured: %1").arg(m_socket->errorString()));
        break;
    }
    SetConnectButton(false, true);
}

void RemoteSupportSession::CloseConnection(const char *reason)
{
    qDebug() << reason;
    m_socket->close();
    m_framer.Clear();
    SetConnectButton(false, true);
}

// --------------------------------------------------------------- messages

void RemoteSupportSession::AddMessage(const QString &text)
{
    const QString line = QTime::currentTime().toString(QStringLiteral("hh:mm:ss ")) + text;
    qDebug().noquote() << line;
    emit MessageAdded(line);
}

void RemoteSupportSession::SetConnectButton(bool disconnect, bool enabled)
{
    emit ConnectButtonChanged(disconnect, enabled);
}

void RemoteSupportSession::EnableConnectButton(bool enabled)
{
    emit ConnectButtonEnabled(enabled);
}

bool RemoteSupportSession::SendMessage(const NDKMessage &message)
{
    if (!IsConnected())
        return false;
    const QByteArray wire = message.toByteArray();
    if (Trace()) {
        qDebug() << "RemoteSupportDialog::sendMessageToServer()";
        qDebug().noquote() << "Sending Type:" << message.clientTypeName()
                           << "Header:" << NDKMessage::HeaderDump(wire) << "Size:" << wire.size()
                           << "bytes" << "Message content:" << message.messageTypeName();
    }
    m_socket->write(wire);
    m_socket->flush();
    return true;
}

bool RemoteSupportSession::SendChat(const QString &text)
{
    if (!IsConnected())
        return false;
    // The line shows what the technician will read.
    const QString sent = NDKMessage::ToLatin1Text(text);
    NDKMessage chat(NDKMessage::NDKEndUserClient, NDKMessage::QuorText, 0);
    chat.addItem(sent);
    chat.addItem(false);
    SendMessage(chat);
    AddMessage(tr("Sent: ") + sent);
    return true;
}

void RemoteSupportSession::readyRead()
{
    m_framer.Append(m_socket->readAll());
    for (;;) {
        QByteArray raw;
        const NDKStreamFramer::Result result = m_framer.Next(raw);
        if (result == NDKStreamFramer::Result::NeedMore)
            return;
        if (result == NDKStreamFramer::Result::BadLength) {
            qDebug().noquote() << m_framer.ErrorText();
            CloseConnection("Invalid message, closing connection");
            return;
        }
        NDKMessage message;
        if (!message.fromByteArray(raw)) {
            CloseConnection("Invalid message, closing connection");
            return;
        }
        if (message.clientType() != NDKMessage::NDKServer) {
            CloseConnection("Invalid client type, closing connection");
            return;
        }
        Handle(message);
        // A handler may have ended the connection.
        if (!IsConnected())
            return;
    }
}

void RemoteSupportSession::Handle(const NDKMessage &message)
{
    for (const Dispatch &entry : dispatchTable) {
        if (entry.messageType != message.messageType())
            continue;
        // A message with fewer items than its type needs is ignored.
        if (message.itemCount() < entry.minItems) {
            qDebug().noquote() << "Ignored" << message.messageTypeName() << "with"
                               << message.itemCount() << "items";
            return;
        }
        (this->*entry.handler)(message);
        return;
    }
    qDebug() << "Undefined message type - Not handled";
}

// --------------------------------------------------------------- handlers

void RemoteSupportSession::OnText(const NDKMessage &m)
{
    const QString text = NDKMessage::ShownText(m.item(0).toString());
    if (m.item(1).toBool()) {
        qDebug().noquote() << "Rcvd (continued):" << text;
        emit MessageContinued(text);
    } else {
        AddMessage(tr("Rcvd: %1").arg(text));
    }
}

void RemoteSupportSession::HandsetCommandSeen(uchar deviceid)
{
    // A command to the handset keeps it awake as well as the keep-alive does.
    if (deviceid == monoHandsetId || deviceid == colourHandsetId)
        m_lastKeepAliveMs = m_clock();
}

void RemoteSupportSession::OnCommand(const NDKMessage &m)
{
    const uchar device = toUChar(m.item(0));
    const uchar command = toUChar(m.item(1));
    qDebug().noquote() << QStringLiteral("Rcvd from Remote Support - (%1) QuorCmdCommand: Device - %2, Command - %3")
                              .arg(number6(m.msgNumber()), hex(device), hex(command));
    HandsetCommandSeen(device);
    emit processCmdCommand(m.msgNumber(), device, command);
}

void RemoteSupportSession::OnCommandReturnData(const NDKMessage &m)
{
    const uchar device = toUChar(m.item(0));
    const uchar command = toUChar(m.item(1));
    qDebug().noquote() << QStringLiteral("Rcvd from Remote Support - (%1) QuorCmdCommandReturnData: Device - %2, Command - %3")
                              .arg(number6(m.msgNumber()), hex(device), hex(command));
    HandsetCommandSeen(device);
    emit processCmdCommandReturnData(m.msgNumber(), device, command);
}

void RemoteSupportSession::OnRead(const NDKMessage &m)
{
    const uchar device = toUChar(m.item(0));
    const uchar memory = toUChar(m.item(1));
    const uint address = toUInt(m.item(2));
    const ushort length = toUShort(m.item(3));
    qDebug().noquote() << QStringLiteral("Rcvd from Remote Support - (%1) QuorCmdRead: Device - %2, Memory - %3, Address - %4, Length - %5")
                              .arg(number6(m.msgNumber()), hex(device), hex(memory), hex(address, 8),
                                   hex(length, 4));
    HandsetCommandSeen(device);
    emit processCmdRead(m.msgNumber(), device, memory, address, length);
}

void RemoteSupportSession::OnReadBlocks(const NDKMessage &m)
{
    const uchar device = toUChar(m.item(0));
    const uchar memory = toUChar(m.item(1));
    const uint address = toUInt(m.item(2));
    const ushort length = toUShort(m.item(3));
    qDebug().noquote() << QStringLiteral("Rcvd from Remote Support - (%1) QuorCmdReadBlocks: Device - %2, Memory - %3, Address - %4, Length - %5")
                              .arg(number6(m.msgNumber()), hex(device), hex(memory), hex(address, 8),
                                   hex(length, 4));
    HandsetCommandSeen(device);
    emit processCmdReadBlocks(m.msgNumber(), device, memory, address, length);
}

void RemoteSupportSession::OnWrite(const NDKMessage &m)
{
    const uchar device = toUChar(m.item(0));
    const uchar memory = toUChar(m.item(1));
    const uint address = toUInt(m.item(2));
    const ushort length = toUShort(m.item(3));
    const QByteArray data = m.item(4).toByteArray();
    qDebug().noquote() << QStringLiteral("Rcvd from Remote Support - (%1) QuorCmdWrite: Device - %2, Memory - %3, Address - %4, Length - %5, Data -%6")
                              .arg(number6(m.msgNumber()), hex(device), hex(memory), hex(address, 8),
                                   hex(length, 4), byteList(data));
    HandsetCommandSeen(device);
    emit processCmdWrite(m.msgNumber(), device, memory, address, length, data);
}

void RemoteSupportSession::OnWriteAndVerify(const NDKMessage &m)
{
    const uchar device = toUChar(m.item(0));
    const uchar memory = toUChar(m.item(1));
    const uint address = toUInt(m.item(2));
    const ushort length = toUShort(m.item(3));
    const QByteArray data = m.item(4).toByteArray();
    qDebug().noquote() << QStringLiteral("Rcvd from Remote Support - (%1) QuorCmdWriteAndVerify: Device - %2, Memory - %3, Address - %4, Length - %5, Data -%6")
                              .arg(number6(m.msgNumber()), hex(device), hex(memory), hex(address, 8),
                                   hex(length, 4), byteList(data));
    HandsetCommandSeen(device);
    emit processCmdWriteAndVerify(m.msgNumber(), device, memory, address, length, data);
}

void RemoteSupportSession::OnIsDevicePresent(const NDKMessage &m)
{
    const uchar device = toUChar(m.item(0));
    qDebug().noquote() << QStringLiteral("Rcvd from Remote Support - (%1) QuorCmdIsDevicePresent: Device - %2")
                              .arg(number6(m.msgNumber()), hex(device));
    HandsetCommandSeen(device);
    emit processCmdIsDevicePresent(m.msgNumber(), device);
}

void RemoteSupportSession::OnGetPortDetails(const NDKMessage &m)
{
    qDebug().noquote() << QStringLiteral("Rcvd from Remote Support - (%1) QuorCmdGetPortDetails:")
                              .arg(number6(m.msgNumber()));
    emit processCmdGetPortDetails(m.msgNumber());
}

void RemoteSupportSession::OnRequestLogs(const NDKMessage &m)
{
    const int howMany = m.itemCount() > 0 ? m.item(0).toInt() : 0;
    SendStatusLogs(howMany);
}

void RemoteSupportSession::OnRequestLink(const NDKMessage &m)
{
    m_linked = m.item(0).toBool();
    if (m_linked) {
        m_linkedStaffId = m.item(1).toInt();
        qDebug() << "Linked to Support Staff" << m_linkedStaffId;
        AddMessage(tr("A support technician has joined this session."));
    } else {
        m_linkedStaffId = -1;
        qDebug() << "Unlinked";
        AddMessage(tr("The support technician has left this session."));
    }
}

void RemoteSupportSession::OnEnhancedLogging(const NDKMessage &m)
{
    const bool on = m.item(0).toBool();
    qDebug() << "Rcvd from Remote Support - QuorCmdEnhancedLogging:" << on;
    m_messageLevel = on ? 1 : 0;
    emit setMessageLevel(m_messageLevel);
}

void RemoteSupportSession::OnIgnored(const NDKMessage &)
{
}

// ------------------------------------------------------------ status logs

qint64 RemoteSupportSession::MaxStatusLogBytes()
{
    return RemoteSupportConstants::MaxMessageLength - NDKMessage::EmptyMessageSize - 5;
}

void RemoteSupportSession::SendStatusLogs(int howMany)
{
    qDebug() << "Rcvd from Remote Support - QuorCmdRequestLogs:";
    SendMessage(NDKMessage(NDKMessage::NDKEndUserClient, NDKMessage::QuorResultRequestLogsInProgress, 0));

    const QFileInfoList files = QDir(m_statusLogFolder)
                                    .entryInfoList({QStringLiteral("*.log")}, QDir::Files, QDir::Time);
    if (files.isEmpty()) {
        qDebug() << "No log file available";
        return;
    }
    int wanted = 0;
    if (howMany == 0)
        wanted = 1;
    else if (howMany == 1)
        wanted = int(files.size());

    NDKMessage logs(NDKMessage::NDKEndUserClient, NDKMessage::QuorResultRequestLogs, 0);
    int added = 0;
    qint64 bytes = 0;
    for (int i = 0; i < wanted; ++i) {
        QFile file(files.at(i).absoluteFilePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // The current day's log grows while it is read: the size sent is
        // that of the content sent.
        const QByteArray content = file.read(MaxStatusLogBytes());
        const QString name = files.at(i).fileName();
        const qint64 cost = perFileOverhead + name.size() + content.size();
        if (bytes + cost > MaxStatusLogBytes() || !file.atEnd()) {
            qDebug().noquote() << "Status log" << name << "left out: too large for one message";
            continue;
        }
        bytes += cost;
        ++added;
        // Item 0 counts the files the message carries.
        if (added == 1)
            logs.addItem(added);
        else
            logs.setItem(0, added);
        logs.addItem(name);
        logs.addItem(int(content.size()));
        logs.addItem(content);
    }
    SendMessage(logs);
    qDebug().noquote() << QStringLiteral("Sent to Remote Support - QuorResultRequestLogs: %1 Files").arg(added);
}

// ---------------------------------------------------------------- results

void RemoteSupportSession::SendResult(int messageType, uint msgNumber, const QVariantList &items,
                                      const QString &trace)
{
    NDKMessage result(NDKMessage::NDKEndUserClient, messageType, msgNumber);
    for (const QVariant &value : items)
        result.addItem(value);
    SendMessage(result);
    qDebug().noquote() << QStringLiteral("Sent to support server - (%1) %2: %3")
                              .arg(number6(msgNumber), NDKMessage::MessageTypeName(messageType), trace);
}

void RemoteSupportSession::resultCmdCommand(uint msgNumber, bool response, QString reply,
                                            QString status)
{
    SendResult(NDKMessage::QuorResultCommand, msgNumber, {response, reply, status},
               QStringLiteral("Response - %1, Reply - %2, Status - %3")
                   .arg(trueFalse(response), reply, status));
}

void RemoteSupportSession::resultCmdCommandReturnData(uint msgNumber, bool response, QString reply,
                                                      QString status, int dataLength,
                                                      QByteArray data)
{
    SendResult(NDKMessage::QuorResultCommandReturnData, msgNumber,
               {response, reply, status, dataLength, data},
               QStringLiteral("Response - %1, Reply - %2, Status - %3, Length - %4, Data -%5")
                   .arg(trueFalse(response), reply, status)
                   .arg(dataLength)
                   .arg(byteList(data)));
}

void RemoteSupportSession::resultCmdRead(uint msgNumber, bool response, QString reply,
                                         QString status, int dataLength, QByteArray data)
{
    SendResult(NDKMessage::QuorResultRead, msgNumber, {response, reply, status, dataLength, data},
               QStringLiteral("Response - %1, Reply - %2, Status - %3, Length - %4, Data -%5")
                   .arg(trueFalse(response), reply, status)
                   .arg(dataLength)
                   .arg(byteList(data)));
}

void RemoteSupportSession::resultCmdReadBlocks(uint msgNumber, bool response, QString reply,
                                               QString status, int dataLength, QByteArray data)
{
    SendResult(NDKMessage::QuorResultReadBlocks, msgNumber,
               {response, reply, status, dataLength, data},
               QStringLiteral("Response - %1, Reply - %2, Status - %3, Length - %4")
                   .arg(trueFalse(response), reply, status)
                   .arg(dataLength));
}

void RemoteSupportSession::resultCmdWrite(uint msgNumber, bool response, QString reply,
                                          QString status)
{
    SendResult(NDKMessage::QuorResultWrite, msgNumber, {response, reply, status},
               QStringLiteral("Response - %1, Reply - %2, Status - %3")
                   .arg(trueFalse(response), reply, status));
}

void RemoteSupportSession::resultCmdWriteAndVerify(uint msgNumber, bool response, QString reply,
                                                   QString status)
{
    SendResult(NDKMessage::QuorResultWriteAndVerify, msgNumber, {response, reply, status},
               QStringLiteral("Response - %1, Reply - %2, Status - %3")
                   .arg(trueFalse(response), reply, status));
}

void RemoteSupportSession::resultCmdIsDevicePresent(uint msgNumber, bool response, QString reply,
                                                    QString status)
{
    SendResult(NDKMessage::QuorResultIsDevicePresent, msgNumber, {response, reply, status},
               QStringLiteral("Response - %1, Reply - %2, Status - %3")
                   .arg(trueFalse(response), reply, status));
}

void RemoteSupportSession::resultCmdGetPortDetails(uint msgNumber, bool portOpen,
                                                   bool bridgeDetailsValid, int bridgeType,
                                                   int bridgeVersion)
{
    SendResult(NDKMessage::QuorResultGetPortDetails, msgNumber,
               {portOpen, bridgeDetailsValid, bridgeType, bridgeVersion},
               QStringLiteral("Port Open - %1, Bridge Details Valid - %2, Bridge Type - %3, Bridge Version - %4")
                   .arg(trueFalse(portOpen), trueFalse(bridgeDetailsValid))
                   .arg(bridgeType)
                   .arg(bridgeVersion));
}

// ------------------------------------------------------------- keep-alive

void RemoteSupportSession::onKeepAliveTimer()
{
    const qint64 now = m_clock();
    if (now - m_lastKeepAliveMs <= RemoteSupportConstants::KeepAliveIntervalMs)
        return;
    m_lastKeepAliveMs = now;
    emit keepAlive();
    if (Trace())
        qDebug() << "Keep alive sent to unit";
}
