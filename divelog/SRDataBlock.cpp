#include "SRDataBlock.h"

#include "StandardRecord.h"

quint8 SRDataBlock::ByteAt(int offset) const
{
    return (offset >= 0 && offset < m_payload.size()) ? quint8(m_payload.at(offset)) : 0;
}

void SRDataBlock::SetByteAt(int offset, quint8 value)
{
    if (offset < 0)
        return;
    if (m_payload.size() <= offset)
        m_payload.append(QByteArray(offset + 1 - m_payload.size(), char(0xFF)));
    m_payload[offset] = char(value);
}

quint32 SRDataBlock::U32At(int offset) const
{
    return (quint32(ByteAt(offset)) << 24) | (quint32(ByteAt(offset + 1)) << 16)
        | (quint32(ByteAt(offset + 2)) << 8) | quint32(ByteAt(offset + 3));
}

void SRDataBlock::AppendItem(QByteArray &payload, const QByteArray &headWithoutLength, const QByteArray &data)
{
    payload.append(headWithoutLength);
    StandardRecord::AppendU32(payload, quint32(data.size()));
    payload.append(data);
}

bool SRDataBlock::ForEachItem(int headSize,
                              const std::function<void(const char *head, const QByteArray &data)> &take) const
{
    const qint64 size = m_payload.size();
    qint64 p = 0;
    while (p < size) {
        if (size - p < headSize)
            return false;
        const char *head = m_payload.constData() + p;
        const quint32 length = StandardRecord::ReadU32(head + headSize - 4);
        if (qint64(length) > size - p - headSize)
            return false;
        take(head, QByteArray(head + headSize, int(length)));
        p += headSize + qint64(length);
    }
    return true;
}
