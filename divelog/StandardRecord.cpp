#include "StandardRecord.h"

#include "Crc32Static.h"

namespace {
struct TypeText
{
    quint16 type;
    const char *text;
};
const TypeText TypeTexts[] = {
    {RecordType::FileHeader, "file header"},   {RecordType::MemoryBlock, "memory block"},
    {RecordType::DiveLogData, "dive data"},    {RecordType::DiveLogUser, "user entries"},
    {RecordType::DanData, "DAN data"},         {RecordType::UploadDataBlock, "upload data"},
};
} // namespace

QString StandardRecord::TypeName(quint16 type)
{
    for (const TypeText &entry : TypeTexts) {
        if (entry.type == type)
            return QString::fromLatin1(entry.text);
    }
    return QStringLiteral("type 0x%1").arg(type, 4, 16, QLatin1Char('0'));
}

quint16 StandardRecord::ReadU16(const char *p)
{
    const auto *b = reinterpret_cast<const quint8 *>(p);
    return quint16((b[0] << 8) | b[1]);
}

quint32 StandardRecord::ReadU32(const char *p)
{
    const auto *b = reinterpret_cast<const quint8 *>(p);
    return (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]);
}

void StandardRecord::AppendU16(QByteArray &out, quint16 value)
{
    out.append(char(value >> 8));
    out.append(char(value & 0xFF));
}

void StandardRecord::AppendU32(QByteArray &out, quint32 value)
{
    out.append(char(value >> 24));
    out.append(char((value >> 16) & 0xFF));
    out.append(char((value >> 8) & 0xFF));
    out.append(char(value & 0xFF));
}

void StandardRecord::WriteU32(char *p, quint32 value)
{
    p[0] = char(value >> 24);
    p[1] = char((value >> 16) & 0xFF);
    p[2] = char((value >> 8) & 0xFF);
    p[3] = char(value & 0xFF);
}

void StandardRecord::Encode(quint16 type, const char *payload, quint32 length)
{
    // Built aside first: `payload` may point into the bytes being replaced.
    QByteArray encoded;
    encoded.reserve(int(length) + Overhead);
    AppendU16(encoded, type);
    AppendU32(encoded, length);
    encoded.append(payload, int(length));
    m_crc = Crc32Static::Compute(encoded);
    AppendU32(encoded, m_crc);
    m_encoded = encoded;
    m_offset = 0;
    m_type = type;
    m_payloadLength = length;
}

StandardRecord StandardRecord::Create(quint16 type, const QByteArray &payload)
{
    StandardRecord record;
    record.Encode(type, payload.constData(), quint32(payload.size()));
    record.m_valid = true;
    return record;
}

StandardRecord StandardRecord::FromEncoded(const QByteArray &encoded)
{
    StandardRecord record;
    if (encoded.size() < Overhead)
        return record;
    const quint32 length = ReadU32(encoded.constData() + 2);
    if (quint64(length) + Overhead != quint64(encoded.size()))
        return record;
    record.m_type = ReadU16(encoded.constData());
    record.m_payloadLength = length;
    record.m_encoded = encoded;
    record.m_crc = Crc32Static::Compute(encoded.constData(), qint64(length) + HeaderSize);
    record.m_valid = record.m_crc == ReadU32(encoded.constData() + HeaderSize + length);
    return record;
}

StandardRecord StandardRecord::InBuffer(const QByteArray &buffer, int offset, bool valid)
{
    StandardRecord record;
    if (offset < 0 || buffer.size() - offset < Overhead)
        return record;
    const char *at = buffer.constData() + offset;
    const quint32 length = ReadU32(at + 2);
    if (qint64(length) + Overhead > qint64(buffer.size()) - offset)
        return record;
    record.m_encoded = buffer;
    record.m_offset = offset;
    record.m_type = ReadU16(at);
    record.m_payloadLength = length;
    record.m_crc = ReadU32(at + HeaderSize + length);
    record.m_valid = valid;
    return record;
}

QByteArray StandardRecord::Encoded() const
{
    if (!HasBytes())
        return QByteArray();
    if (m_offset == 0 && quint32(m_encoded.size()) == TotalLength())
        return m_encoded;
    return m_encoded.mid(m_offset, int(TotalLength()));
}

QByteArray StandardRecord::Payload() const
{
    if (!HasBytes())
        return QByteArray();
    return m_encoded.mid(m_offset + HeaderSize, int(m_payloadLength));
}

const char *StandardRecord::PayloadData() const
{
    return HasBytes() ? Begin() + HeaderSize : nullptr;
}

void StandardRecord::SetPayload(const QByteArray &payload)
{
    const bool valid = m_valid;
    Encode(m_type, payload.constData(), quint32(payload.size()));
    m_valid = valid;
}

void StandardRecord::AppendTo(QByteArray &stream) const
{
    if (HasBytes())
        stream.append(Begin(), int(TotalLength()));
}

char *StandardRecord::PayloadForUpdate()
{
    if (!HasBytes())
        return nullptr;
    // A record that shares a larger buffer takes its own bytes first, so a
    // change never touches (or copies) the other records.
    if (m_offset != 0 || quint32(m_encoded.size()) != TotalLength()) {
        m_encoded = m_encoded.mid(m_offset, int(TotalLength()));
        m_offset = 0;
    }
    return m_encoded.data() + HeaderSize;
}

void StandardRecord::UpdateCrc()
{
    if (!PayloadForUpdate())
        return;
    m_crc = Crc32Static::Compute(m_encoded.constData(), qint64(m_payloadLength) + HeaderSize);
    WriteU32(m_encoded.data() + HeaderSize + m_payloadLength, m_crc);
}
