#include "RixMessage.h"

#include <QStringList>

namespace {
// Operation codes whose length byte counts 64-byte blocks.
const quint8 kBlockReadCodes[] = {17, 19, 21, 29};
// Reads of Flash, EEPROM, RAM, Config, Buffer and Profile.
const quint8 kReadCodes[] = {1, 3, 5, 7, 9, 13};
} // namespace

RixMessage::RixMessage(int capacity)
    : m_capacity(capacity)
{
}

void RixMessage::BuildRequest(quint8 deviceId, quint8 command, quint32 address, quint8 length,
                              const uchar *payload)
{
    m_bytes.clear();
    m_bytes.append(Marker, 4);
    m_bytes.append(char(deviceId));
    m_bytes.append(char(command));
    m_bytes.append(char((address >> 16) & 0xFF));
    m_bytes.append(char((address >> 8) & 0xFF));
    m_bytes.append(char(address & 0xFF));
    m_bytes.append(char(length));
    if ((command & 0x01) == 0) {
        const int n = qMin(int(length), m_capacity - FrameOverhead);
        if (payload)
            m_bytes.append(reinterpret_cast<const char *>(payload), n);
        else
            m_bytes.append(QByteArray(n, '\0'));
    }
    m_bytes.append(char(Checksum(m_bytes, m_bytes.size())));
    m_complete = true;
}

void RixMessage::SetReceived(const QByteArray &bytes)
{
    m_bytes = bytes.left(m_capacity);
    m_complete = true;
}

void RixMessage::Clear()
{
    m_bytes.clear();
    m_complete = false;
}

bool RixMessage::HeaderValid() const
{
    return m_bytes.size() >= 4 && m_bytes.startsWith(QByteArray::fromRawData(Marker, 4));
}

bool RixMessage::ChecksumValid() const
{
    if (m_bytes.size() < FrameOverhead)
        return false;
    const int n = PayloadSizeFor(Command(), LengthByte());
    const int at = HeaderSize + n;
    if (at >= m_bytes.size())
        return false;
    return Checksum(m_bytes, at) == quint8(m_bytes.at(at));
}

quint32 RixMessage::Address() const
{
    return (quint32(Byte(6)) << 16) | (quint32(Byte(7)) << 8) | quint32(Byte(8));
}

quint8 RixMessage::StatusCode() const
{
    if (!IsValid() || !IsStatusMessage() || PayloadLength() < 1)
        return 0;
    return Byte(HeaderSize);
}

int RixMessage::PayloadLength() const
{
    if (m_bytes.size() < FrameOverhead)
        return 0;
    const int announced = PayloadSizeFor(Command(), LengthByte());
    return qMax(0, qMin(announced, m_bytes.size() - FrameOverhead));
}

QByteArray RixMessage::Payload() const
{
    return m_bytes.mid(HeaderSize, PayloadLength());
}

QString RixMessage::HexDump(const QByteArray &bytes)
{
    QStringList parts;
    parts.reserve(bytes.size());
    for (char c : bytes)
        parts << QStringLiteral("0x") + QString::number(quint8(c), 16).toUpper();
    return parts.join(QLatin1Char(' '));
}

bool RixMessage::IsBlockReadCode(quint8 command)
{
    const quint8 code = command & 0x3F;
    for (quint8 c : kBlockReadCodes) {
        if (c == code)
            return true;
    }
    return false;
}

bool RixMessage::IsReadCode(quint8 command)
{
    const quint8 code = command & 0x3F;
    for (quint8 c : kReadCodes) {
        if (c == code)
            return true;
    }
    return IsBlockReadCode(command);
}

int RixMessage::PayloadSizeFor(quint8 command, quint8 length)
{
    return IsBlockReadCode(command) ? int(length) * BlockSize : int(length);
}

quint8 RixMessage::Checksum(const QByteArray &bytes, int count)
{
    quint8 x = 0;
    for (int i = 0; i < count && i < bytes.size(); ++i)
        x ^= quint8(bytes.at(i));
    return x;
}
