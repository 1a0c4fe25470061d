#include "SRUploadDataBlock.h"

#include "StandardRecord.h"

bool SRUploadDataBlock::Create(const QStringList &lines, SRUploadDataBlock &block)
{
    QByteArray payload;
    StandardRecord::AppendU32(payload, quint32(lines.size()));
    for (const QString &line : lines) {
        const QByteArray text = line.toLatin1();
        if (text.size() > 0xFFFF)
            return false;
        StandardRecord::AppendU16(payload, quint16(text.size()));
        payload.append(text);
    }
    block.SetPayload(payload);
    return true;
}

bool SRUploadDataBlock::Lines(QStringList &lines) const
{
    lines.clear();
    const qint64 size = m_payload.size();
    if (size < 4)
        return false;
    const quint32 count = StandardRecord::ReadU32(m_payload.constData());
    // Every line needs at least its two length bytes: a hostile count cannot
    // make us reserve or loop beyond what the payload can hold.
    if (quint64(count) * 2 > quint64(size - 4))
        return false;
    qint64 p = 4;
    QStringList result;
    result.reserve(int(count));
    for (quint32 i = 0; i < count; ++i) {
        if (size - p < 2)
            return false;
        const quint16 length = StandardRecord::ReadU16(m_payload.constData() + p);
        p += 2;
        if (qint64(length) > size - p)
            return false;
        result << QString::fromLatin1(m_payload.constData() + p, length);
        p += length;
    }
    if (p != size)
        return false;
    lines = result;
    return true;
}
