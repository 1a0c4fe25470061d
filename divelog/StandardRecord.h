#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Record types of the container record stream.
namespace RecordType {
constexpr quint16 FileHeader = 0x0000;      // SRFileHeader, first record of every container
constexpr quint16 MemoryBlock = 0x0010;     // SRMemoryBlock
constexpr quint16 DiveLogData = 0x0020;     // SRDLDataComp
constexpr quint16 DiveLogUser = 0x0021;     // SRDLDataUser (read only)
constexpr quint16 DanData = 0x0022;         // SRDANData (read only)
constexpr quint16 UploadDataBlock = 0x0031; // SRUploadDataBlock
} // namespace RecordType

// One record of a container stream, held encoded:
//   type (u16 BE) | payload length L (u32 BE) | L payload bytes | CRC-32 (u32 BE)
// The CRC covers type, length and payload. A record occupies L + 10 bytes.
class StandardRecord
{
public:
    static constexpr int HeaderSize = 6;
    static constexpr int Overhead = 10;

    StandardRecord() = default;

    // A new record with its CRC; valid.
    static StandardRecord Create(quint16 type, const QByteArray &payload);

    // A record as found in a stream: `encoded` is the whole record including
    // the stored CRC (at least 10 bytes, and exactly L + 10). The CRC is
    // recomputed; the record is valid when it matches the stored one.
    static StandardRecord FromEncoded(const QByteArray &encoded);

    // A record that lies whole inside a larger buffer, shared without a copy
    // (the caller has checked that it fits). Its CRC is taken as stored; the
    // valid flag is the caller's finding.
    static StandardRecord InBuffer(const QByteArray &buffer, int offset, bool valid);

    quint16 Type() const { return m_type; }
    quint32 PayloadLength() const { return m_payloadLength; }
    quint32 TotalLength() const { return m_payloadLength + Overhead; }
    // The computed CRC (over type, length and payload).
    quint32 Crc() const { return m_crc; }
    // True when the stored CRC matched the computed one (always for Create).
    bool IsValid() const { return m_valid; }

    // Copy of the payload bytes.
    QByteArray Payload() const;
    const char *PayloadData() const;
    // The whole encoded record (type, length, payload, CRC).
    QByteArray Encoded() const;

    // Replaces the payload and recomputes the CRC. The valid flag is kept:
    // a record read with a bad CRC stays flagged after it is rewritten.
    void SetPayload(const QByteArray &payload);
    // In-place change of the payload: write through PayloadForUpdate (same
    // length), then UpdateCrc. The valid flag is kept as above.
    char *PayloadForUpdate();
    void UpdateCrc();

    // Appends the encoded record to a byte stream.
    void AppendTo(QByteArray &stream) const;

    // What a record type holds, for messages: "dive data", "memory block", ...
    static QString TypeName(quint16 type);

    // Big-endian helpers shared by the record stream and its payloads.
    static quint16 ReadU16(const char *p);
    static quint32 ReadU32(const char *p);
    static void AppendU16(QByteArray &out, quint16 value);
    static void AppendU32(QByteArray &out, quint32 value);
    static void WriteU32(char *p, quint32 value);

private:
    void Encode(quint16 type, const char *payload, quint32 length);
    bool HasBytes() const { return m_encoded.size() - m_offset >= Overhead; }
    const char *Begin() const { return m_encoded.constData() + m_offset; }

    quint16 m_type = 0;
    quint32 m_payloadLength = 0;
    quint32 m_crc = 0;
    bool m_valid = false;
    // The encoded record starts at m_offset of m_encoded, which may be a
    // whole file's buffer shared by all records read from it.
    QByteArray m_encoded;
    int m_offset = 0;
};
