#include "RixComms.h"

#include "DeviceList.h"
#include "RixFrameAssembler.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QThread>

#include <algorithm>

namespace {

struct StatusRow {
    quint8 code;
    const char *text;
};

// Status codes are whole values: a byte with two bits set is unknown.
const StatusRow kStatusTexts[] = {
    {0, "Status Message: No error."},
    {1, "Status Message: RS232 - Checksum invalid."},
    {2, "Status Message: RS232 - Command invalid."},
    {4, "Status Message: RS232 - Data length invalid."},
    {8, "Status Message: RS232 - Timeout."},
    {16, "Status Message: I2C - Device not found."},
    {32, "Status Message: I2C - Communication error."},
    {64, "Status Message: I2C - Checksum invalid"},
    {128, "Status Message: Requested operation failed."},
};
const char kUnknownStatusText[] = "Status Message: Unknown message.";
const char kDataMessageText[] = "Data Message: Valid data returned";
const char kInvalidMessageText[] = "Invalid message.";

struct ResultRow {
    int result;
    const char *text;
};

const ResultRow kResultTexts[] = {
    {RixComms::MessageTimeout, "No valid reply received within timeout."},
    {RixComms::MessageInvalidHeader, "Invalid Header"},
    {RixComms::MessageInvalidChecksum, "Invalid Checksum"},
    {RixComms::MessageUnknownError, "Unknown Error"},
};

struct CommandRow {
    quint8 memoryId;
    quint8 read;
    quint8 write;
    quint8 blockRead;
};

// Config and Buffer have no block read of their own and use Flash's.
const CommandRow kCommandCodes[] = {
    {MemoryId::Flash, 1, 2, 17},
    {MemoryId::Eeprom, 3, 4, 19},
    {MemoryId::Ram, 5, 6, 21},
    {MemoryId::Config, 7, 8, 17},
    {MemoryId::Buffer, 9, 10, 17},
    {MemoryId::Profile, 13, 14, 29},
};
const CommandRow kDefaultCodes = {0, 1, 2, 17};

const CommandRow &CodesFor(quint8 memoryId)
{
    for (const CommandRow &row : kCommandCodes) {
        if (row.memoryId == memoryId)
            return row;
    }
    return kDefaultCodes;
}

const char *const kBridgeTypeNames[] = {"Serial", "Bluetooth Bridge", "Bluetooth Handset", "USB Handset"};

const char kStatusNotArrived[] = "Writing: The expected status message did not arrive.";
const char kGetMessageFailed[] = "GetMessage Failed - ";

// Longest time one frame takes on a 57600-baud line (2059 bytes, 10 bits
// each), rounded up: a frame that has started keeps coming for this long.
constexpr qint64 kLongestFrameMs = 400;
// Requests remembered as owing a reply; older ones count as lost.
constexpr int kMaxOwedReplies = 8;

QString HexByte(int value)
{
    return DeviceList::HexText(quint64(value & 0xFF), 2);
}

// Bytes as "12 34 ", a line break after every 32nd byte.
QString ByteList(const QByteArray &bytes)
{
    QString text;
    for (int i = 0; i < bytes.size(); ++i) {
        text += HexByte(quint8(bytes.at(i))) + QLatin1Char(' ');
        if ((i + 1) % 32 == 0)
            text += QLatin1Char('\n');
    }
    return text;
}

} // namespace

RixComms::RixComms()
    : m_outgoing(OutgoingCapacity), m_incoming(IncomingCapacity)
{
    m_clock.start();
}

RixComms::~RixComms() = default;

// ------------------------------------------------------------------- tables

QString RixComms::StatusText(quint8 code)
{
    for (const StatusRow &row : kStatusTexts) {
        if (row.code == code)
            return QString::fromLatin1(row.text);
    }
    return QString::fromLatin1(kUnknownStatusText);
}

QString RixComms::ResultText(int result)
{
    return PhaseResultText(result, Phase::Plain);
}

QString RixComms::PhaseResultText(int result, Phase phase)
{
    QString text = QString::fromLatin1("Unknown Error");
    for (const ResultRow &row : kResultTexts) {
        if (row.result == result)
            text = QString::fromLatin1(row.text);
    }
    switch (phase) {
    case Phase::Writing:
        return QStringLiteral("Writing: ") + text;
    case Phase::Reading:
        return QStringLiteral("Reading: ") + text;
    case Phase::Plain:
        break;
    }
    return text;
}

quint8 RixComms::ReadCode(quint8 memoryId) { return CodesFor(memoryId).read; }
quint8 RixComms::WriteCode(quint8 memoryId) { return CodesFor(memoryId).write; }
quint8 RixComms::BlockReadCode(quint8 memoryId) { return CodesFor(memoryId).blockRead; }

quint8 RixComms::WithAddressModifiers(quint8 code, quint32 address)
{
    if (address & (1u << 24))
        code |= 0x40;
    if (address & (1u << 25))
        code |= 0x80;
    return code;
}

QString RixComms::BridgeTypeName(int type)
{
    if (type >= 0 && type < int(sizeof kBridgeTypeNames / sizeof kBridgeTypeNames[0]))
        return QString::fromLatin1(kBridgeTypeNames[type]);
    return QString();
}

QString RixComms::MismatchReport(quint32 address, const QByteArray &sent, const QByteArray &received)
{
    return QStringLiteral("Mismatch on Sent and Received data.\n")
           + QStringLiteral("Address: 0x") + HexByte(int(address >> 16)) + HexByte(int(address >> 8))
           + HexByte(int(address)) + QStringLiteral("\n") + QStringLiteral("Sent:\n") + ByteList(sent)
           + QStringLiteral("\n") + QStringLiteral("Received:\n") + ByteList(received);
}

// ------------------------------------------------------------------- levels

void RixComms::SetMessageLevel(int level)
{
    m_messageLevel = qBound(0, level, 5);
    m_outgoing.SetMessageLevel(m_messageLevel);
    m_incoming.SetMessageLevel(m_messageLevel);
}

void RixComms::SetDebugEnabled(bool on)
{
    if (on == m_debugEnabled)
        return;
    m_debugEnabled = on;
    if (!on) {
        m_savedMessageLevel = m_messageLevel;
        m_messageLevel = 0;
    } else {
        m_messageLevel = m_savedMessageLevel;
    }
}

// --------------------------------------------------------------------- port

bool RixComms::OpenComPort(const QString &comPort, bool identifyBridge)
{
    if (m_messageLevel >= 1) {
        qDebug().noquote() << QStringLiteral("RixComms::OpenComPort - comport %1 - identifyBridge %2")
                                  .arg(comPort, identifyBridge ? QStringLiteral("true") : QStringLiteral("false"))
                           << "Thread ID" << QThread::currentThread();
    }
    // Close a port that is still open before the link is marked closed:
    // closing only releases the serial port while the link is open, and a
    // port left open here would make the new open fail.
    if (m_portOpen)
        CloseComPort();
    m_linkOpen = false;
    m_portName.clear();
    if (!m_port)
        return false;

    m_port->setPortName(comPort);
    m_port->setBaudRate(BaudRate, QSerialPort::AllDirections);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port->open(QIODevice::ReadWrite)) {
        if (m_messageLevel >= 1)
            qDebug().noquote() << "RixComms::OpenComPort() Failed to open com port" << m_port->errorString()
                               << int(m_port->error());
        return false;
    }
    ResetLineState();
    m_linkOpen = true;
    m_portName = comPort;
    m_portOpen = true;
    if (!identifyBridge || IdentifyBridge())
        return true;
    // Nothing on the port said what it is. The open fails as a whole, so that
    // no one goes on talking through a port whose bridge is unknown; the
    // reason stays in the last error.
    CloseComPort();
    m_linkOpen = false;
    m_portName.clear();
    return false;
}

bool RixComms::CloseComPort()
{
    if (m_messageLevel >= 1)
        qDebug() << "RixComms::CloseComPort";
    if (!m_portOpen)
        return true;
    if (m_linkOpen) {
        if (m_port && m_port->isOpen())
            m_port->close();
        m_bridgeValid = false;
    }
    m_portOpen = false;
    ResetLineState();
    return true;
}

bool RixComms::IsBluetooth() const
{
    return m_bridgeValid && (m_bridgeType == BridgeBluetoothBridge || m_bridgeType == BridgeBluetoothHandset);
}

bool RixComms::IsBluetoothHandset() const
{
    return m_bridgeValid && m_bridgeType == BridgeBluetoothHandset;
}

bool RixComms::IdentifyBridge()
{
    m_lastError.clear();
    int failures = 0;
    for (;;) {
        m_outgoing.BuildRequest(BridgeDeviceId, BridgeIdentifyCommand, 0, 0, nullptr);
        SendMessage();
        const int result = GetMessage(IdentifyTimeoutMs);
        if (result == MessageValid && !m_incoming.IsStatusMessage()) {
            if (m_incoming.PayloadLength() == 2) {
                const QByteArray p = m_incoming.Payload();
                const int type = quint8(p.at(0));
                m_bridgeType = (type >= 1 && type <= 3) ? type : BridgeSerial;
                m_bridgeVersion = quint8(p.at(1));
                m_bridgeValid = true;
                m_failedAttempts = failures;
                if (m_messageLevel >= 1)
                    qDebug().noquote() << "RixComms::IdentifyBridge - Bridge is" << BridgeTypeName(m_bridgeType);
                return true;
            }
            // A data reply of another length does not describe a bridge.
        } else if (result == MessageValid && m_incoming.StatusCode() == 2) {
            // A unit that does not know the command: the port reaches it over a plain cable.
            if (m_messageLevel >= 1)
                qDebug() << "RixComms::IdentifyBridge - Command Invalid therefore bridge is valid serial";
            m_bridgeType = BridgeSerial;
            m_bridgeVersion = 0;
            m_bridgeValid = true;
            m_failedAttempts = failures;
            return true;
        } else {
            if (result == MessageValid)
                m_lastError = StatusText(m_incoming.StatusCode());
            else
                m_lastError = QString::fromLatin1(kGetMessageFailed) + ResultText(result);
            if (m_messageLevel >= 1)
                qDebug().noquote() << "RixComms::IdentifyBridge -" << m_lastError;
        }
        // The first frame after opening is often lost (Bluetooth in
        // particular): the identification is asked again like any command.
        if (!RetryAfterFailure(failures, m_maxAttempts))
            break;
    }
    m_failedAttempts = failures;
    m_bridgeType = BridgeSerial;
    m_bridgeVersion = 0;
    m_bridgeValid = false;
    if (m_messageLevel >= 1)
        qDebug() << "RixComms::IdentifyBridge - Bridge is invalid";
    return false;
}

// ----------------------------------------------------------------- exchange

void RixComms::SendMessage()
{
    if (!m_port || !m_port->isOpen())
        return; // a frame that never left shows up as a missing reply
    const QByteArray bytes = m_outgoing.Bytes();
    // Only after a failed or unfinished exchange can anything be left on the
    // line; a healthy exchange goes straight on.
    if (!m_owed.isEmpty() || m_lineDirty || !m_carry.isEmpty()) {
        DrainBeforeSend(bytes);
        if (!m_port->isOpen())
            return;
    }
    m_port->clear(QSerialPort::AllDirections);
    if (m_outgoing.MessageLevel() >= 1)
        qDebug().noquote() << QStringLiteral("Sending %1, Length %2").arg(RixMessage::HexDump(bytes)).arg(bytes.size());
    m_port->write(bytes);
    m_port->waitForBytesWritten(WriteWaitMs);

    const quint8 command = m_outgoing.Command();
    if (RixMessage::IsReadCode(command))
        ExpectData(command, m_outgoing.Address(), m_outgoing.LengthByte());
    else
        m_expect = ExpectedData();
    OwedReply owed;
    owed.request = bytes;
    owed.deviceId = m_outgoing.DeviceId();
    owed.deadlineMs = m_clock.elapsed() + DefaultTimeoutMs + LateReplyWindowMs;
    m_owed.append(owed);
    if (m_owed.size() > kMaxOwedReplies)
        m_owed.removeFirst();
}

void RixComms::ExpectData(quint8 command, quint32 address, quint8 length)
{
    m_expect.active = true;
    m_expect.opcode = command & 0x3F;
    m_expect.address = address & 0xFFFFFF;
    m_expect.length = length;
}

bool RixComms::IsStaleData(const QByteArray &frame) const
{
    if (!m_expect.active || frame.size() < RixMessage::FrameOverhead || !RixFrameAssembler::StartsLikeFrame(frame))
        return false;
    const quint8 command = quint8(frame.at(5));
    if (command == 0)
        return false; // a status reply names no request
    if (RixMessage::Checksum(frame, frame.size() - 1) != quint8(frame.at(frame.size() - 1)))
        return false; // a damaged frame cannot be trusted to say whose it is
    const quint32 address = (quint32(quint8(frame.at(6))) << 16) | (quint32(quint8(frame.at(7))) << 8)
                            | quint32(quint8(frame.at(8)));
    return (command & 0x3F) != m_expect.opcode || address != m_expect.address
           || quint8(frame.at(9)) < m_expect.length;
}

void RixComms::ReplyArrived()
{
    if (!m_owed.isEmpty())
        m_owed.removeFirst();
}

void RixComms::ResetLineState()
{
    m_owed.clear();
    m_answered.reset();
    m_carry.clear();
    m_lineDirty = false;
    m_expect = ExpectedData();
}

void RixComms::DrainBeforeSend(const QByteArray &next)
{
    // A reply is waited for when it belongs to a different request and comes
    // from a unit that has answered on this port before: a unit that never
    // answered is taken to be absent, and an answer to the very request about
    // to be repeated says what the repeat's answer would say.
    const auto awaited = [this, &next](const OwedReply &owed, qint64 now) {
        return owed.request != next && m_answered.test(owed.deviceId) && now < owed.deadlineMs;
    };
    qint64 now = m_clock.elapsed();
    qint64 limit = now + kLongestFrameMs;
    for (const OwedReply &owed : qAsConst(m_owed)) {
        if (awaited(owed, now))
            limit = qMax(limit, owed.deadlineMs + kLongestFrameMs);
    }
    QByteArray buf = m_carry;
    m_carry.clear();
    qint64 lastByteMs = (m_lineDirty || !buf.isEmpty()) ? now : -1;

    for (;;) {
        // Whole frames are counted against the replies owed, the rest dropped.
        for (;;) {
            while (!buf.isEmpty() && !RixFrameAssembler::StartsLikeFrame(buf))
                buf.remove(0, 1);
            const int size = RixFrameAssembler::AnnouncedFrameSize(buf);
            if (size == 0)
                break;
            if (size > IncomingCapacity) {
                buf.remove(0, 1);
                continue;
            }
            if (buf.size() < size)
                break;
            if (m_messageLevel >= 1)
                qDebug().noquote() << QStringLiteral("Late reply discarded %1").arg(RixMessage::HexDump(buf.left(size)));
            ReplyArrived();
            buf.remove(0, size);
        }
        now = m_clock.elapsed();
        const bool waiting = std::any_of(m_owed.cbegin(), m_owed.cend(),
                                         [&](const OwedReply &owed) { return awaited(owed, now); });
        const bool quiet = lastByteMs < 0 || now - lastByteMs >= LineQuietMs;
        if ((!waiting && quiet) || now >= limit || !m_port->isOpen())
            break;
        if (m_port->bytesAvailable() > 0 || m_port->waitForReadyRead(PollStepMs)) {
            buf.append(m_port->readAll());
            if (buf.size() > 2 * ScratchCapacity)
                buf.remove(0, buf.size() - 2 * ScratchCapacity);
            lastByteMs = m_clock.elapsed();
        } else if (m_port->error() == QSerialPort::ResourceError) {
            m_port->close();
        }
    }
    // Whatever has not come by now is lost; only answers to the request about
    // to go out again are still counted.
    QVector<OwedReply> kept;
    for (const OwedReply &owed : qAsConst(m_owed)) {
        if (owed.request == next)
            kept.append(owed);
    }
    m_owed = kept;
    m_lineDirty = false;
}

bool RixComms::Receive(int timeoutMs)
{
    m_incoming.Clear();
    QElapsedTimer timer;
    timer.start();
    RixFrameAssembler assembler(IncomingCapacity, ScratchCapacity);
    // A failed receive that saw bytes has had its reply, damaged; they and
    // whatever follows them are not to be taken for the next reply.
    const auto failed = [this, &assembler] {
        if (assembler.ReceivedSize() > 0) {
            ReplyArrived();
            m_lineDirty = true;
        }
        return false;
    };

    for (;;) {
        if (!m_port || !m_port->isOpen()) {
            qDebug() << "Invalid due to port closed";
            return failed();
        }
        if (m_port->bytesAvailable() > 0 || m_port->waitForReadyRead(PollStepMs)) {
            assembler.Append(m_port->readAll());
        } else if (m_port->error() == QSerialPort::ResourceError) {
            // The device behind the port has gone (unplugged): the port is no longer usable.
            m_port->close();
            continue;
        }
        // Data answering an earlier read (it came late) is set aside; the
        // reply to this request may still follow it.
        while (assembler.CurrentState() == RixFrameAssembler::Complete && IsStaleData(assembler.Frame())) {
            if (m_messageLevel >= 1)
                qDebug().noquote() << QStringLiteral("Stale reply discarded %1").arg(RixMessage::HexDump(assembler.Frame()));
            ReplyArrived();
            assembler.DiscardFrame();
        }
        if (timer.elapsed() > timeoutMs) {
            if (m_incoming.MessageLevel() >= 1)
                qDebug().noquote() << QStringLiteral("%1: Timeout - timeout %2").arg(timer.elapsed()).arg(timeoutMs);
            qDebug() << "Invalid due to timeout";
            return failed();
        }
        if (assembler.CurrentState() == RixFrameAssembler::HeaderMismatch) {
            qDebug() << "Invalid due to mismatch";
            return failed();
        }
        // A reply announcing more than the incoming buffer holds is refused
        // rather than read past the buffer.
        if (assembler.CurrentState() == RixFrameAssembler::Oversized) {
            qDebug() << "Invalid due to length";
            return failed();
        }
        if (assembler.CurrentState() == RixFrameAssembler::Complete)
            break;
    }
    const QByteArray frame = assembler.Frame();
    if (m_incoming.MessageLevel() >= 1)
        qDebug().noquote() << QStringLiteral("Received %1, Length %2").arg(RixMessage::HexDump(frame)).arg(frame.size());
    m_incoming.SetReceived(frame);
    ReplyArrived();
    // Bytes behind the reply belong to some other frame: judged before the next request.
    m_carry = assembler.BytesAfterFrame();
    return true;
}

int RixComms::GetMessage(int timeoutMs)
{
    // The request just sent owes its reply until this exchange's timeout and
    // the late-reply window have passed.
    if (!m_owed.isEmpty() && m_owed.last().request == m_outgoing.Bytes())
        m_owed.last().deadlineMs = m_clock.elapsed() + timeoutMs + LateReplyWindowMs;
    if (!Receive(timeoutMs)) {
        if (m_messageLevel >= 1)
            qDebug() << "RixComms:GetMessage() Timeout";
        return MessageTimeout;
    }
    const int result = ClassifyFrame(m_incoming);
    if (result == MessageValid)
        m_answered.set(m_outgoing.DeviceId());
    return result;
}

int RixComms::ClassifyFrame(const RixMessage &frame)
{
    if (!frame.IsComplete())
        return MessageTimeout;
    const bool header = frame.HeaderValid();
    if (header && frame.ChecksumValid())
        return MessageValid;
    if (!header)
        return MessageInvalidHeader;
    return frame.ChecksumValid() ? MessageUnknownError : MessageInvalidChecksum;
}

QString RixComms::FrameText(const RixMessage &frame)
{
    if (!frame.IsValid())
        return QString::fromLatin1(kInvalidMessageText);
    if (frame.IsStatusMessage())
        return StatusText(frame.StatusCode());
    return QString::fromLatin1(kDataMessageText);
}

QString RixComms::GetReplyText() const
{
    return m_linkOpen ? FrameText(m_incoming) : QString();
}

// ----------------------------------------------------------------- commands

void RixComms::LogOperation(const char *name, int deviceId, int memoryId, int command, qint64 address,
                            int length) const
{
    if (m_messageLevel < 1)
        return;
    QString line = QString::fromLatin1(name);
    if (deviceId >= 0)
        line += QStringLiteral(" - deviceid 0x") + HexByte(deviceId);
    if (memoryId >= 0)
        line += QStringLiteral(" - memory 0x") + HexByte(memoryId);
    if (command >= 0)
        line += QStringLiteral(" - command 0x") + HexByte(command);
    if (address >= 0)
        line += QStringLiteral(" - address 0x") + DeviceList::HexText(quint64(address), 8);
    if (length >= 0)
        line += QStringLiteral(" - length ") + QString::number(length);
    qDebug().noquote() << line;
}

void RixComms::RetryPause() const
{
    if (m_messageLevel >= 1)
        qDebug() << "Retry";
    QThread::msleep(RetryDelayMs);
}

bool RixComms::RetryAfterFailure(int &failures, int maxAttempts)
{
    ++failures;
    if (failures >= maxAttempts)
        return false;
    // A port that has gone (unplugged) cannot answer: asking again would only
    // delay telling the caller.
    if (!m_port || !m_port->isOpen())
        return false;
    RetryPause();
    return true;
}

bool RixComms::IsDevicePresent(quint8 deviceId, int attempts)
{
    LogOperation("RixComms::IsDevicePresent", deviceId, -1, -1, -1, -1);
    m_lastError.clear();
    const int maxAttempts = qMax(1, attempts);
    int failures = 0;
    bool present = false;
    for (;;) {
        m_outgoing.BuildRequest(deviceId, 0, 0, 0, nullptr);
        SendMessage();
        const int result = GetMessage(DefaultTimeoutMs);
        if (result != MessageValid)
            m_lastError = QString::fromLatin1(kGetMessageFailed) + ResultText(result);
        else if (!m_incoming.IsStatusOK())
            m_lastError = QStringLiteral("IsStatusOK Failed - ") + FrameText(m_incoming);
        else
            present = true;
        if (present || !RetryAfterFailure(failures, maxAttempts))
            break;
    }
    if (maxAttempts > 1)
        m_failedAttempts = failures;
    if (m_messageLevel >= 1)
        qDebug() << (present ? "IsDevicePresent returning true" : "IsDevicePresent returning false");
    return present;
}

bool RixComms::Command(quint8 deviceId, quint8 command, int attempts)
{
    LogOperation("RixComms::Command", deviceId, -1, command, -1, -1);
    m_lastError.clear();
    const int maxAttempts = qMax(1, attempts);
    int failures = 0;
    bool answered = false;
    for (;;) {
        m_outgoing.BuildRequest(deviceId, command, 0, 0, nullptr);
        SendMessage();
        const int result = GetMessage(DefaultTimeoutMs);
        if (result != MessageValid)
            m_lastError = ResultText(result);
        else
            answered = true;
        if (answered || !RetryAfterFailure(failures, maxAttempts))
            break;
    }
    if (maxAttempts > 1)
        m_failedAttempts = failures;
    return answered;
}

bool RixComms::CommandReturnData(quint8 deviceId, quint8 command, int &length, QByteArray &data)
{
    LogOperation("RixComms::CommandReturnData", deviceId, -1, command, -1, -1);
    m_lastError.clear();
    length = 0;
    data.clear();
    m_outgoing.BuildRequest(deviceId, command, 0, 0, nullptr);
    SendMessage();
    const int result = GetMessage(DefaultTimeoutMs);
    if (result != MessageValid) {
        m_lastError = ResultText(result);
        return false;
    }
    data = m_incoming.Payload();
    length = data.size();
    return true;
}

bool RixComms::ReadWithCode(const char *name, quint8 deviceId, quint8 memoryId, quint32 address,
                            quint8 length, quint8 code, int timeoutMs, int copyLimit, uchar *data)
{
    LogOperation(name, deviceId, memoryId, -1, address, length);
    m_lastError.clear();
    const quint8 command = WithAddressModifiers(code, address);
    int failures = 0;
    bool ok = false;
    for (;;) {
        m_outgoing.BuildRequest(deviceId, command, address & 0xFFFFFF, length, nullptr);
        SendMessage();
        const int result = GetMessage(timeoutMs);
        if (result != MessageValid)
            m_lastError = QString::fromLatin1(kGetMessageFailed) + ResultText(result);
        else if (m_incoming.IsStatusMessage())
            m_lastError = StatusText(m_incoming.StatusCode());
        else
            ok = true;
        if (ok || !RetryAfterFailure(failures, m_maxAttempts))
            break;
    }
    // The caller's buffer holds only what was asked for, whatever the reply announced.
    const QByteArray payload = m_incoming.Payload();
    if (data && copyLimit > 0)
        memcpy(data, payload.constData(), size_t(qMin(payload.size(), copyLimit)));
    m_failedAttempts = failures;
    return ok;
}

bool RixComms::Read(quint8 deviceId, quint8 memoryId, quint32 address, quint8 length, uchar *data)
{
    if (!m_linkOpen) {
        LogOperation("RixComms::Read", deviceId, memoryId, -1, address, length);
        return false;
    }
    return ReadWithCode("RixComms::Read", deviceId, memoryId, address, length, ReadCode(memoryId),
                        DefaultTimeoutMs, length, data);
}

bool RixComms::ReadBlocks(quint8 deviceId, quint8 memoryId, quint32 address, quint8 blocks, uchar *data)
{
    return ReadWithCode("RixComms::ReadBlocks", deviceId, memoryId, address, blocks,
                        BlockReadCode(memoryId), BlockReadTimeoutMs, int(blocks) * RixMessage::BlockSize,
                        data);
}

bool RixComms::Write(quint8 deviceId, quint8 memoryId, quint32 address, quint8 length, const uchar *data)
{
    LogOperation("RixComms::Write", deviceId, memoryId, -1, address, length);
    if (!m_linkOpen)
        return false;
    if (m_messageLevel >= 1)
        qDebug() << "RixComms::WriteSerial";
    m_lastError.clear();
    if (length < 1 || length > RixMessage::MaxRequestPayload)
        return false;
    const quint8 command = WithAddressModifiers(WriteCode(memoryId), address);
    int failures = 0;
    bool ok = false;
    for (;;) {
        m_outgoing.BuildRequest(deviceId, command, address & 0xFFFFFF, length, data);
        SendMessage();
        const int result = GetMessage(DefaultTimeoutMs);
        if (result != MessageValid)
            m_lastError = QString::fromLatin1(kGetMessageFailed) + ResultText(result);
        // A status frame without a code byte does not acknowledge the write.
        else if (!m_incoming.IsStatusMessage() || m_incoming.PayloadLength() < 1)
            m_lastError = QString::fromLatin1(kStatusNotArrived);
        else if (m_incoming.StatusCode() != 0)
            m_lastError = QStringLiteral("Writing: ") + StatusText(m_incoming.StatusCode());
        else
            ok = true;
        if (ok || !RetryAfterFailure(failures, m_maxAttempts))
            break;
    }
    m_failedAttempts = failures;
    return ok;
}

bool RixComms::WriteAndVerify(quint8 deviceId, quint8 memoryId, quint32 address, quint8 length,
                              const uchar *data)
{
    LogOperation("RixComms::WriteAndVerify", deviceId, memoryId, -1, address, length);
    m_lastError.clear();
    if (length < 1 || length > RixMessage::MaxRequestPayload || !data)
        return false;
    const QByteArray sent(reinterpret_cast<const char *>(data), length);
    const quint8 writeCommand = WithAddressModifiers(WriteCode(memoryId), address);
    const quint8 readCommand = WithAddressModifiers(ReadCode(memoryId), address);
    const quint32 frameAddress = address & 0xFFFFFF;
    int failures = 0;
    bool ok = false;
    for (;;) {
        m_outgoing.BuildRequest(deviceId, writeCommand, frameAddress, length, data);
        SendMessage();
        int result = GetMessage(DefaultTimeoutMs);
        if (result != MessageValid) {
            m_lastError = QString::fromLatin1(kGetMessageFailed) + PhaseResultText(result, Phase::Writing);
        } else if (!m_incoming.IsStatusMessage() || m_incoming.PayloadLength() < 1) {
            // A status frame without a code byte does not acknowledge the write.
            m_lastError = QString::fromLatin1(kStatusNotArrived);
        } else if (m_incoming.StatusCode() != 0) {
            m_lastError = QStringLiteral("Writing: ") + StatusText(m_incoming.StatusCode());
        } else {
            QThread::msleep(1);
            m_outgoing.BuildRequest(deviceId, readCommand, frameAddress, length, nullptr);
            SendMessage();
            result = GetMessage(DefaultTimeoutMs);
            if (result != MessageValid) {
                m_lastError = QString::fromLatin1(kGetMessageFailed) + PhaseResultText(result, Phase::Reading);
            } else if (m_incoming.IsStatusMessage()) {
                m_lastError = QStringLiteral("Reading: ") + StatusText(m_incoming.StatusCode());
            } else {
                const QByteArray received = m_incoming.Payload().left(length);
                if (received == sent)
                    ok = true;
                else
                    m_lastError = MismatchReport(frameAddress, sent, received);
            }
        }
        if (ok || !RetryAfterFailure(failures, m_maxAttempts))
            break;
    }
    m_failedAttempts = failures;
    return ok;
}
