#include "Crc32Static.h"

#include <zlib.h>

#include <algorithm>

quint32 Crc32Static::Update(quint32 crc, const char *data, qint64 length)
{
    // zlib takes 32-bit lengths: feed very large buffers in slices.
    uLong value = crc;
    const auto *bytes = reinterpret_cast<const Bytef *>(data);
    while (length > 0) {
        const qint64 slice = std::min<qint64>(length, qint64(1) << 30);
        value = crc32(value, bytes, uInt(slice));
        bytes += slice;
        length -= slice;
    }
    return quint32(value);
}

quint32 Crc32Static::Combine(quint32 crcA, quint32 crcB, qint64 lengthB)
{
    return quint32(crc32_combine(crcA, crcB, z_off_t(lengthB)));
}

quint32 Crc32Static::Compute(const char *data, qint64 length)
{
    return Update(0, data, length);
}

quint32 Crc32Static::Compute(const QByteArray &data)
{
    return Update(0, data.constData(), data.size());
}

quint32 Crc32Static::ComputeText(const QString &text)
{
    return Compute(text.toLatin1());
}
