#include "SupportConsole.h"

#include "StatusLogReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>

namespace {

const char *const bridgeTypeNames[] = {"Serial", "Bluetooth Bridge", "Bluetooth Handset", "USB Handset"};

// "0x1F" is hexadecimal, anything else decimal.
bool parseNumber(const QString &text, quint64 max, quint64 &value)
{
    bool ok = false;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toULongLong(&ok, 16);
    else
        value = text.toULongLong(&ok, 10);
    return ok && value <= max;
}

// "01 02 ff" or "0102ff".
bool parseHexBytes(const QStringList &words, QByteArray &bytes)
{
    const QString joined = words.join(QString());
    if (joined.isEmpty() || joined.size() % 2 != 0)
        return false;
    for (const QChar c : joined) {
        if (!c.isDigit() && !(c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))
            return false;
    }
    bytes = QByteArray::fromHex(joined.toLatin1());
    return true;
}

QStringList hexDump(const QByteArray &data)
{
    QStringList lines;
    for (int offset = 0; offset < data.size(); offset += 16) {
        const QByteArray row = data.mid(offset, 16);
        lines << QStringLiteral("  %1: %2")
                     .arg(offset, 4, 16, QLatin1Char('0'))
                     .arg(QString::fromLatin1(row.toHex(' ')));
    }
    return lines;
}

QString yesNo(const QVariant &value)
{
    return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

struct SupportConsole::Command {
    const char *name;
    const char *usage;
    int minArgs;
    bool (SupportConsole::*handler)(const QStringList &args);
};

const SupportConsole::Command SupportConsole::commands[] = {
    {"help", "help                          this list", 0, &SupportConsole::CmdHelp},
    {"users", "users                         end users online and whether they are linked", 0,
     &SupportConsole::CmdUsers},
    {"link", "link USER                     link to the end user USER", 1, &SupportConsole::CmdLink},
    {"unlink", "unlink                        leave the linked user", 0, &SupportConsole::CmdUnlink},
    {"say", "say TEXT                      chat with the linked user", 1, &SupportConsole::CmdSay},
    {"command", "command DEV CMD               send a bare command to unit DEV", 2,
     &SupportConsole::CmdCommand},
    {"commanddata", "commanddata DEV CMD           send a command and show the data it returns", 2,
     &SupportConsole::CmdCommandData},
    {"read", "read DEV MEM ADDR LEN         read LEN bytes (1-64)", 4, &SupportConsole::CmdRead},
    {"readblocks", "readblocks DEV MEM ADDR N     read N blocks of 64 bytes (1-32)", 4,
     &SupportConsole::CmdReadBlocks},
    {"write", "write DEV MEM ADDR BYTES      write hex bytes (1-64), e.g. 01 02 ff", 4,
     &SupportConsole::CmdWrite},
    {"writeverify", "writeverify DEV MEM ADDR BYTES write hex bytes and read them back", 4,
     &SupportConsole::CmdWriteVerify},
    {"present", "present DEV                   does unit DEV answer", 1, &SupportConsole::CmdPresent},
    {"port", "port                          the user's serial port and bridge", 0,
     &SupportConsole::CmdPort},
    {"logging", "logging on|off                the user's enhanced logging", 1,
     &SupportConsole::CmdLogging},
    {"logs", "logs [newest|all]             fetch and decode the user's status logs", 0,
     &SupportConsole::CmdLogs},
    {"quit", "quit                          leave", 0, &SupportConsole::CmdQuit},
};

SupportConsole::SupportConsole(const Options &options, Output output, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_output(std::move(output))
{
    m_answerTimer.setSingleShot(true);
    connect(&m_answerTimer, &QTimer::timeout, this, [this] {
        Print(QStringLiteral("no answer to %1 within %2 s").arg(m_waitingFor).arg(m_options.answerTimeoutMs / 1000.0));
        AnswerArrived();
    });
}

SupportConsole::~SupportConsole()
{
    if (m_socket)
        m_socket->disconnect(this);
}

QStringList SupportConsole::HelpLines()
{
    QStringList lines;
    for (const Command &command : commands)
        lines << QString::fromLatin1(command.usage);
    lines << QStringLiteral("Numbers are decimal or 0x hexadecimal. Units: 0xB0 mono handset, 0xBC colour "
                            "handset, 0xB2 C1, 0xB4 C2, 0xB6 CO2 sensor, 0xB8 bridge, 0xA2 clock.")
          << QStringLiteral("Memories: 1 Flash, 2 Eeprom, 3 Ram, 4 Config, 5 Buffer, 6 Profile.");
    return lines;
}

// -------------------------------------------------------------- connection

void SupportConsole::Start()
{
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &SupportConsole::OnConnected);
    connect(m_socket, &QTcpSocket::disconnected, this, &SupportConsole::OnDisconnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &SupportConsole::OnReadyRead);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError || m_joined)
            return;
        Print(QStringLiteral("cannot reach the support server at %1 port %2: %3")
                  .arg(m_options.host)
                  .arg(m_options.port)
                  .arg(m_socket->errorString()));
        Finish(1);
    });
    m_socket->connectToHost(m_options.host, m_options.port);
}

void SupportConsole::OnConnected()
{
    Print(QStringLiteral("connected to %1 port %2").arg(m_options.host).arg(m_options.port));
    NDKMessage join(NDKMessage::NDKSupportStaffClient, NDKMessage::QuorUserJoin, 0);
    join.addItem(m_options.staffName);
    join.addItem(m_options.staffKey);
    Send(join);
}

void SupportConsole::OnDisconnected()
{
    if (m_quitting) {
        Finish(0);
        return;
    }
    Print(m_joined ? QStringLiteral("the support server closed the connection")
                   : QStringLiteral("the support server did not accept the join"));
    Finish(m_joined ? 2 : 1);
}

void SupportConsole::Finish(int exitCode)
{
    if (m_finished)
        return;
    m_finished = true;
    m_answerTimer.stop();
    emit Finished(exitCode);
}

void SupportConsole::Send(NDKMessage &message)
{
    m_socket->write(message.toByteArray());
    m_socket->flush();
}

void SupportConsole::OnReadyRead()
{
    m_framer.Append(m_socket->readAll());
    for (;;) {
        QByteArray raw;
        const NDKStreamFramer::Result result = m_framer.Next(raw);
        if (result == NDKStreamFramer::Result::NeedMore)
            return;
        NDKMessage message;
        const bool decoded = result == NDKStreamFramer::Result::Message && message.fromByteArray(raw);
        if (!decoded || message.clientType() != NDKMessage::NDKServer) {
            Print(decoded ? QStringLiteral("a message of client type %1 arrived: closing")
                                .arg(message.clientTypeName())
                          : QStringLiteral("a message that does not decode arrived: closing"));
            m_socket->disconnect(this);
            m_socket->abort();
            Finish(2);
            return;
        }
        OnMessage(message);
        if (m_finished)
            return;
    }
}

// ------------------------------------------------------------- the queue

void SupportConsole::AddLine(const QString &line)
{
    m_queue << line;
    RunQueue();
}

void SupportConsole::EndOfInput()
{
    m_endOfInput = true;
    RunQueue();
}

void SupportConsole::RunQueue()
{
    while (m_joined && !m_waiting && !m_quitting && !m_finished && !m_queue.isEmpty())
        Execute(m_queue.takeFirst());
    if (m_joined && !m_waiting && !m_quitting && !m_finished && m_queue.isEmpty() && m_endOfInput)
        CmdQuit({});
}

void SupportConsole::Execute(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
        return;
    QStringList words = trimmed.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString name = words.takeFirst().toLower();
    for (const Command &command : commands) {
        if (name != QLatin1String(command.name))
            continue;
        if (words.size() < command.minArgs || !(this->*command.handler)(words))
            Print(QStringLiteral("usage: %1").arg(QString::fromLatin1(command.usage)));
        return;
    }
    Print(QStringLiteral("unknown command '%1' (try help)").arg(name));
}

void SupportConsole::Expect(QSet<int> types, uint msgNumber, const QString &what)
{
    m_waiting = true;
    m_expectedTypes = std::move(types);
    m_expectedNumber = msgNumber;
    m_waitingFor = what;
    m_answerTimer.start(m_options.answerTimeoutMs);
}

void SupportConsole::AnswerArrived()
{
    m_waiting = false;
    m_answerTimer.stop();
    m_expectedTypes.clear();
    // Later lines run from the event loop, not from inside a socket signal.
    QMetaObject::invokeMethod(this, &SupportConsole::RunQueue, Qt::QueuedConnection);
}

// ---------------------------------------------------------------- commands

bool SupportConsole::CmdHelp(const QStringList &)
{
    for (const QString &line : HelpLines())
        Print(line);
    return true;
}

bool SupportConsole::CmdUsers(const QStringList &)
{
    NDKMessage status(NDKMessage::NDKSupportStaffClient, NDKMessage::QuorCmdGetRemoteSupportStatus,
                      m_nextMsgNumber++);
    Send(status);
    Expect({NDKMessage::QuorResultGetRemoteSupportStatus}, status.msgNumber(), QStringLiteral("users"));
    return true;
}

bool SupportConsole::CmdLink(const QStringList &args)
{
    NDKMessage link(NDKMessage::NDKSupportStaffClient, NDKMessage::QuorCmdRequestLink, m_nextMsgNumber++);
    link.addItem(NDKMessage::ToLatin1Text(args.join(QLatin1Char(' '))));
    link.addItem(true);
    Send(link);
    Expect({NDKMessage::QuorResultRequestLink}, 0, QStringLiteral("link"));
    return true;
}

bool SupportConsole::CmdUnlink(const QStringList &)
{
    NDKMessage link(NDKMessage::NDKSupportStaffClient, NDKMessage::QuorCmdRequestLink, m_nextMsgNumber++);
    link.addItem(m_linkedUser);
    link.addItem(false);
    Send(link);
    Expect({NDKMessage::QuorResultRequestLink}, 0, QStringLiteral("unlink"));
    return true;
}

bool SupportConsole::CmdSay(const QStringList &args)
{
    // Characters the user's program cannot show are sent, and echoed, as '?'.
    const QString sent = NDKMessage::ToLatin1Text(args.join(QLatin1Char(' ')));
    NDKMessage text(NDKMessage::NDKSupportStaffClient, NDKMessage::QuorText, 0);
    text.addItem(sent);
    text.addItem(false);
    Send(text);
    if (sent != args.join(QLatin1Char(' ')))
        Print(QStringLiteral("sent as: %1").arg(sent));
    return true;
}

bool SupportConsole::SendDeviceCommand(int messageType, int resultType, const QVariantList &items)
{
    NDKMessage command(NDKMessage::NDKSupportStaffClient, messageType, m_nextMsgNumber++);
    for (const QVariant &value : items)
        command.addItem(value);
    Send(command);
    Expect({resultType, NDKMessage::QuorNotify}, command.msgNumber(),
           QStringLiteral("#%1 %2").arg(command.msgNumber()).arg(command.messageTypeName()));
    return true;
}

bool SupportConsole::CmdCommand(const QStringList &args)
{
    quint64 device = 0, command = 0;
    if (!parseNumber(args.at(0), 0xFF, device) || !parseNumber(args.at(1), 0xFF, command))
        return false;
    return SendDeviceCommand(NDKMessage::QuorCmdCommand, NDKMessage::QuorResultCommand,
                             {uint(device), uint(command)});
}

bool SupportConsole::CmdCommandData(const QStringList &args)
{
    quint64 device = 0, command = 0;
    if (!parseNumber(args.at(0), 0xFF, device) || !parseNumber(args.at(1), 0xFF, command))
        return false;
    return SendDeviceCommand(NDKMessage::QuorCmdCommandReturnData,
                             NDKMessage::QuorResultCommandReturnData, {uint(device), uint(command)});
}

bool SupportConsole::CmdRead(const QStringList &args)
{
    quint64 device = 0, memory = 0, address = 0, length = 0;
    if (!parseNumber(args.at(0), 0xFF, device) || !parseNumber(args.at(1), 0xFF, memory)
        || !parseNumber(args.at(2), 0xFFFFFFFF, address) || !parseNumber(args.at(3), 0xFFFF, length))
        return false;
    return SendDeviceCommand(NDKMessage::QuorCmdRead, NDKMessage::QuorResultRead,
                             {uint(device), uint(memory), uint(address), uint(length)});
}

bool SupportConsole::CmdReadBlocks(const QStringList &args)
{
    quint64 device = 0, memory = 0, address = 0, blocks = 0;
    if (!parseNumber(args.at(0), 0xFF, device) || !parseNumber(args.at(1), 0xFF, memory)
        || !parseNumber(args.at(2), 0xFFFFFFFF, address) || !parseNumber(args.at(3), 0xFFFF, blocks))
        return false;
    return SendDeviceCommand(NDKMessage::QuorCmdReadBlocks, NDKMessage::QuorResultReadBlocks,
                             {uint(device), uint(memory), uint(address), uint(blocks)});
}

bool SupportConsole::SendWrite(int messageType, int resultType, const QStringList &args)
{
    quint64 device = 0, memory = 0, address = 0;
    QByteArray data;
    if (!parseNumber(args.at(0), 0xFF, device) || !parseNumber(args.at(1), 0xFF, memory)
        || !parseNumber(args.at(2), 0xFFFFFFFF, address) || !parseHexBytes(args.mid(3), data))
        return false;
    return SendDeviceCommand(messageType, resultType,
                             {uint(device), uint(memory), uint(address), uint(data.size()), data});
}

bool SupportConsole::CmdWrite(const QStringList &args)
{
    return SendWrite(NDKMessage::QuorCmdWrite, NDKMessage::QuorResultWrite, args);
}

bool SupportConsole::CmdWriteVerify(const QStringList &args)
{
    return SendWrite(NDKMessage::QuorCmdWriteAndVerify, NDKMessage::QuorResultWriteAndVerify, args);
}

bool SupportConsole::CmdPresent(const QStringList &args)
{
    quint64 device = 0;
    if (!parseNumber(args.at(0), 0xFF, device))
        return false;
    return SendDeviceCommand(NDKMessage::QuorCmdIsDevicePresent, NDKMessage::QuorResultIsDevicePresent,
                             {uint(device)});
}

bool SupportConsole::CmdPort(const QStringList &)
{
    return SendDeviceCommand(NDKMessage::QuorCmdGetPortDetails, NDKMessage::QuorResultGetPortDetails, {});
}

bool SupportConsole::CmdLogging(const QStringList &args)
{
    const QString state = args.at(0).toLower();
    if (state != QLatin1String("on") && state != QLatin1String("off"))
        return false;
    NDKMessage logging(NDKMessage::NDKSupportStaffClient, NDKMessage::QuorCmdEnhancedLogging,
                       m_nextMsgNumber++);
    logging.addItem(state == QLatin1String("on"));
    Send(logging);
    Print(QStringLiteral("enhanced logging %1 requested").arg(state));
    return true;
}

bool SupportConsole::CmdLogs(const QStringList &args)
{
    // The user's program sends the newest log for 0 and all of them for 1.
    int howMany = 0;
    if (!args.isEmpty()) {
        const QString which = args.at(0).toLower();
        if (which == QLatin1String("all"))
            howMany = 1;
        else if (which != QLatin1String("newest"))
            return false;
    }
    NDKMessage request(NDKMessage::NDKSupportStaffClient, NDKMessage::QuorCmdRequestLogs, m_nextMsgNumber++);
    request.addItem(howMany);
    Send(request);
    Expect({NDKMessage::QuorResultRequestLogs}, 0, QStringLiteral("logs"));
    return true;
}

bool SupportConsole::CmdQuit(const QStringList &)
{
    m_quitting = true;
    m_answerTimer.stop();
    if (m_socket->state() == QAbstractSocket::UnconnectedState) {
        Finish(0);
        return true;
    }
    m_socket->disconnectFromHost();
    if (m_socket->state() == QAbstractSocket::UnconnectedState)
        Finish(0);
    return true;
}

// ---------------------------------------------------------------- answers

void SupportConsole::OnMessage(const NDKMessage &message)
{
    const int type = message.messageType();
    if (!m_joined) {
        if (type == NDKMessage::QuorNotify && message.itemCount() >= 2) {
            m_joined = true;
            m_staffId = message.item(1).toInt();
            Print(message.item(0).toString());
            RunQueue();
        } else if (type == NDKMessage::QuorNotify || type == NDKMessage::QuorText) {
            Print(QStringLiteral("server: %1").arg(message.item(0).toString()));
        }
        return;
    }

    switch (type) {
    case NDKMessage::QuorText:
        Print((message.item(1).toBool() ? QStringLiteral("user (continued): %1")
                                         : QStringLiteral("user: %1"))
                  .arg(NDKMessage::ShownText(message.item(0).toString())));
        break;
    case NDKMessage::QuorNotify:
        Print(QStringLiteral("server: %1").arg(message.item(0).toString()));
        break;
    case NDKMessage::QuorResultRequestLink: {
        const bool linked = message.item(0).toBool();
        const QString user = message.item(2).toString();
        if (linked) {
            m_linkedUser = user;
            Print(QStringLiteral("linked to user %1").arg(user));
        } else {
            m_linkedUser.clear();
            const QString why = message.item(3).toString();
            Print(QStringLiteral("not linked to user %1%2")
                      .arg(user, why.isEmpty() ? QString() : QStringLiteral(": ") + why));
        }
        break;
    }
    case NDKMessage::QuorResultRequestLogsInProgress:
        Print(QStringLiteral("the user's program is collecting its status logs"));
        break;
    case NDKMessage::QuorResultRequestLogs:
        PrintLogs(message);
        break;
    case NDKMessage::QuorResultGetRemoteSupportStatus:
        PrintStatus(message);
        break;
    default:
        PrintResult(message);
        break;
    }

    if (m_waiting && m_expectedTypes.contains(type)
        && (m_expectedNumber == 0 || message.msgNumber() == m_expectedNumber))
        AnswerArrived();
}

void SupportConsole::PrintResult(const NDKMessage &message)
{
    const QString head = QStringLiteral("#%1 %2:").arg(message.msgNumber()).arg(message.messageTypeName());
    switch (message.messageType()) {
    case NDKMessage::QuorResultCommand:
    case NDKMessage::QuorResultWrite:
    case NDKMessage::QuorResultWriteAndVerify:
    case NDKMessage::QuorResultIsDevicePresent:
        Print(QStringLiteral("%1 response %2; reply \"%3\"; status \"%4\"")
                  .arg(head, yesNo(message.item(0)), message.item(1).toString(), message.item(2).toString()));
        return;
    case NDKMessage::QuorResultCommandReturnData:
    case NDKMessage::QuorResultRead:
    case NDKMessage::QuorResultReadBlocks: {
        const QByteArray data = message.item(4).toByteArray();
        Print(QStringLiteral("%1 response %2; reply \"%3\"; status \"%4\"; %5 bytes")
                  .arg(head, yesNo(message.item(0)), message.item(1).toString(), message.item(2).toString())
                  .arg(data.size()));
        for (const QString &line : hexDump(data))
            Print(line);
        return;
    }
    case NDKMessage::QuorResultGetPortDetails: {
        const int type = message.item(2).toInt();
        const QString typeName = type >= 0 && type < int(std::size(bridgeTypeNames))
                                     ? QString::fromLatin1(bridgeTypeNames[type])
                                     : QStringLiteral("none");
        Print(QStringLiteral("%1 port open %2; bridge details valid %3; bridge type %4 (%5); bridge version %6")
                  .arg(head, yesNo(message.item(0)), yesNo(message.item(1)))
                  .arg(type)
                  .arg(typeName)
                  .arg(message.item(3).toInt()));
        return;
    }
    default:
        Print(QStringLiteral("%1 %2 items").arg(head).arg(message.itemCount()));
        return;
    }
}

void SupportConsole::PrintStatus(const NDKMessage &message)
{
    const int count = message.item(0).toInt();
    Print(QStringLiteral("%1 end users online").arg(count));
    for (int i = 0; i < count && 2 + 2 * i < message.itemCount(); ++i) {
        Print(QStringLiteral("  %1%2")
                  .arg(message.item(1 + 2 * i).toString(),
                       message.item(2 + 2 * i).toBool() ? QStringLiteral(" (linked)") : QString()));
    }
}

void SupportConsole::PrintLogs(const NDKMessage &message)
{
    // Item 0 counts the files; each file is a name, a size and the content.
    // A sender may count only the files before the last one, so the files
    // are taken from the items themselves.
    const int files = message.itemCount() > 0 ? (message.itemCount() - 1) / 3 : 0;
    Print(QStringLiteral("%1 status log files received").arg(files));
    for (int i = 0; i < files; ++i) {
        const QString name = message.item(1 + 3 * i).toString();
        const QByteArray content = message.item(3 + 3 * i).toByteArray();
        const StatusLogReader::Result decoded = StatusLogReader::Decode(content);
        Print(QStringLiteral("== %1: %2 bytes, %3 lines ==")
                  .arg(name)
                  .arg(content.size())
                  .arg(decoded.entries.size()));
        for (const StatusLogReader::Entry &entry : decoded.entries)
            Print(QStringLiteral("  ") + entry.text);
        for (const StatusLogReader::Problem &problem : decoded.problems)
            Print(QStringLiteral("  ! byte %1: %2").arg(problem.offset).arg(problem.description));
        SaveLog(name, content);
    }
}

void SupportConsole::SaveLog(const QString &name, const QByteArray &content)
{
    if (m_options.saveLogsFolder.isEmpty())
        return;
    // The name comes from the other end: only its last part is used, so it
    // cannot lead out of the folder.
    const QString fileName = QFileInfo(name).fileName();
    if (fileName.isEmpty() || fileName == QLatin1String(".") || fileName == QLatin1String("..")) {
        Print(QStringLiteral("  not saved: unusable file name \"%1\"").arg(name));
        return;
    }
    QDir().mkpath(m_options.saveLogsFolder);
    QFile file(QDir(m_options.saveLogsFolder).filePath(fileName));
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size())
        Print(QStringLiteral("  saved as %1").arg(file.fileName()));
    else
        Print(QStringLiteral("  not saved: %1").arg(file.errorString()));
}
