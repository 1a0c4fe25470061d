#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// CRC-32/ISO-HDLC (the CRC of IEEE 802.3 and zlib): reflected, initial value
// all ones, final XOR all ones. Every checksum of the file containers uses it.
class Crc32Static
{
public:
    static quint32 Compute(const QByteArray &data);
    static quint32 Compute(const char *data, qint64 length);
    // Over the Latin-1 characters of the text.
    static quint32 ComputeText(const QString &text);

    // Continues a running CRC: Update(Update(0, a), b) == Compute(a + b).
    static quint32 Update(quint32 crc, const char *data, qint64 length);
    // The CRC of a + b from the CRCs of a and b and the length of b, without
    // reading either again.
    static quint32 Combine(quint32 crcA, quint32 crcB, qint64 lengthB);
};
