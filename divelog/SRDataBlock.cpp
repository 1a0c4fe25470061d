#include "SRDataBlock.h"

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
