#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <functional>

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

    // Item lists: each item is a fixed head whose last four bytes are the
    // big-endian length of the data that follows it.
    static void AppendItem(QByteArray &payload, const QByteArray &headWithoutLength, const QByteArray &data);
    // Calls take(head, data) for every item in order; false when an item's
    // head or data runs past the end of the payload (nothing is read beyond it).
    bool ForEachItem(int headSize, const std::function<void(const char *head, const QByteArray &data)> &take) const;

    QByteArray m_payload;
};
