#include "NDKStreamFramer.h"

#include "NDKMessage.h"
#include "RemoteSupportConstants.h"

#include <QtEndian>

NDKStreamFramer::NDKStreamFramer(int maxMessageLength)
{
    SetMaxMessageLength(maxMessageLength);
}

void NDKStreamFramer::SetMaxMessageLength(int maxMessageLength)
{
    m_maxMessageLength = maxMessageLength > 0 ? maxMessageLength : RemoteSupportConstants::MaxMessageLength;
}

void NDKStreamFramer::Append(const QByteArray &bytes)
{
    Compact();
    m_buffer.append(bytes);
}

NDKStreamFramer::Result NDKStreamFramer::Next(QByteArray &message)
{
    const qint64 available = Buffered();
    if (m_pendingLength < 0) {
        if (available < NDKMessage::LengthFieldSize)
            return Result::NeedMore;
        const quint32 length = qFromLittleEndian<quint32>(m_buffer.constData() + m_offset);
        if (length < quint32(RemoteSupportConstants::MinMessageLength)
            || length > quint32(m_maxMessageLength)) {
            m_errorText = QStringLiteral("Message length %1 outside %2 to %3 bytes")
                              .arg(length)
                              .arg(RemoteSupportConstants::MinMessageLength)
                              .arg(m_maxMessageLength);
            return Result::BadLength;
        }
        m_pendingLength = length;
    }
    if (available < m_pendingLength)
        return Result::NeedMore;
    message = m_buffer.mid(m_offset, int(m_pendingLength));
    m_offset += int(m_pendingLength);
    m_pendingLength = -1;
    return Result::Message;
}

void NDKStreamFramer::Clear()
{
    m_buffer.clear();
    m_offset = 0;
    m_pendingLength = -1;
    m_errorText.clear();
}

void NDKStreamFramer::Compact()
{
    // Dropping consumed bytes only once they are the larger part keeps the
    // cost of many small messages in one chunk linear.
    if (m_offset > 0 && m_offset >= m_buffer.size() / 2) {
        m_buffer.remove(0, m_offset);
        m_offset = 0;
    }
}
