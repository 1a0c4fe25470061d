#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// One frame buffer of the device link (the outgoing or the incoming frame),
// with its own message level for hex dumps.
//
// Frame layout: 0xAC "Rix" deviceId command addr[23:16] addr[15:8] addr[7:0]
// length payload... checksum (XOR of everything before it).
class RixMessage
{
public:
    static constexpr int HeaderSize = 10;          // bytes before the payload
    static constexpr int FrameOverhead = 11;       // header plus checksum
    static constexpr int MaxRequestPayload = 64;
    static constexpr int MaxReplyPayload = 2048;   // 32 blocks of 64 bytes
    static constexpr int BlockSize = 64;
    static constexpr quint8 StartByte = 0xAC;
    // Where every frame starts, and where its command and length bytes lie.
    static constexpr char Marker[4] = {char(StartByte), 'R', 'i', 'x'};
    static constexpr int CommandOffset = 5;
    static constexpr int LengthOffset = 9;

    explicit RixMessage(int capacity);

    int Capacity() const { return m_capacity; }
    void SetMessageLevel(int level) { m_messageLevel = level; }
    int MessageLevel() const { return m_messageLevel; }

    // Builds a request frame. A command with bit 0 set (reads) carries no
    // payload; otherwise length payload bytes follow (the caller keeps
    // length within MaxRequestPayload). The checksum is filled in.
    void BuildRequest(quint8 deviceId, quint8 command, quint32 address, quint8 length,
                      const uchar *payload);
    // Replaces the content with received bytes (at most Capacity()).
    void SetReceived(const QByteArray &bytes);
    void Clear();

    QByteArray Bytes() const { return m_bytes; }
    int Size() const { return m_bytes.size(); }
    bool IsComplete() const { return m_complete; }

    bool HeaderValid() const;
    bool ChecksumValid() const;
    bool IsValid() const { return m_complete && HeaderValid() && ChecksumValid(); }

    quint8 DeviceId() const { return Byte(4); }
    quint8 Command() const { return Byte(CommandOffset); }
    quint32 Address() const;
    quint8 LengthByte() const { return Byte(LengthOffset); }

    bool IsStatusMessage() const { return m_complete && Command() == 0; }
    bool IsStatusOK() const { return m_complete && PayloadLength() > 0 && Byte(HeaderSize) == 0; }
    // First payload byte of a valid status message, else 0.
    quint8 StatusCode() const;
    // Payload bytes as the frame's own command and length announce them,
    // bounded by what was actually received.
    int PayloadLength() const;
    QByteArray Payload() const;

    // "0xAC 0x52 0x69 ..." (upper-case digits, no leading zeros).
    static QString HexDump(const QByteArray &bytes);
    static bool IsBlockReadCode(quint8 command);
    // A read or block read of a memory: its data reply echoes the command
    // and the address.
    static bool IsReadCode(quint8 command);
    // Payload bytes a frame carries for these command and length bytes.
    static int PayloadSizeFor(quint8 command, quint8 length);
    static quint8 Checksum(const QByteArray &bytes, int count);

private:
    quint8 Byte(int index) const
    {
        return index < m_bytes.size() ? quint8(m_bytes.at(index)) : quint8(0);
    }

    int m_capacity;
    int m_messageLevel = 5;
    QByteArray m_bytes;
    bool m_complete = false;
};
