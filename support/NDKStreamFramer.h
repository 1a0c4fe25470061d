#pragma once

#include <QByteArray>
#include <QString>

// Cuts the byte stream of a remote-support connection into whole messages by
// their length field. A length field below the smallest message or above the
// largest one is a broken or hostile stream: the framer reports it instead of
// waiting for data that will never make sense, and the connection is closed.
class NDKStreamFramer
{
public:
    enum class Result {
        NeedMore,  // no whole message buffered yet
        Message,   // one message taken off the buffer
        BadLength, // the length field is out of bounds; the stream is unusable
    };

    explicit NDKStreamFramer(int maxMessageLength = 0); // 0: the protocol's limit

    // The largest length field accepted from the next message on (0: the
    // protocol's limit); a peer may be held to less before it has joined.
    void SetMaxMessageLength(int maxMessageLength);

    void Append(const QByteArray &bytes);
    // Takes the next whole message off the buffer into message.
    Result Next(QByteArray &message);
    // Forgets everything buffered (a new connection starts afresh).
    void Clear();

    // Length of the message being received; -1 when none is pending.
    qint64 PendingLength() const { return m_pendingLength; }
    qint64 Buffered() const { return m_buffer.size() - m_offset; }
    // Describes the last BadLength.
    QString ErrorText() const { return m_errorText; }

private:
    void Compact();

    int m_maxMessageLength = 0;
    QByteArray m_buffer;
    int m_offset = 0;
    qint64 m_pendingLength = -1;
    QString m_errorText;
};
