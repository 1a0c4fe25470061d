#pragma once

#include <QByteArray>
#include <QtGlobal>

// Base of the record payload classes: owns a copy of the payload bytes and
// reads fixed fields from it without ever reading past its end.
class SRDataBlock
{
public:
    SRDataBlock() = default;
    explicit SRDataBlock(const QByteArray &payload) : m_payload(payload) {}

    const QByteArray &Payload() const { return m_payload; }
    void SetPayload(const QByteArray &payload) { m_payload = payload; }
    int Size() const { return m_payload.size(); }

protected:
    // Byte at `offset`, or 0 when the payload is shorter.
    quint8 ByteAt(int offset) const;
    void SetByteAt(int offset, quint8 value); // grows the payload with 0xFF if needed
    quint32 U32At(int offset) const;           // big-endian, missing bytes read as 0

    QByteArray m_payload;
};
