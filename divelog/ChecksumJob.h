#pragma once

#include <QByteArray>
#include <QString>

// One checksum to compute: CRC-32 or SHA-2 over a byte buffer or a text,
// giving the result as hexadecimal text (CRC-32 as 8 upper-case digits,
// SHA-2 as lower-case digits, two per digest byte).
class ChecksumJob
{
public:
    enum class Algorithm { Crc32, Sha2 };

    ChecksumJob() = default;
    ChecksumJob(Algorithm algorithm, const QByteArray &input, int sha2Bits = 256);
    ChecksumJob(Algorithm algorithm, const QString &text, int sha2Bits = 256);

    Algorithm GetAlgorithm() const { return m_algorithm; }
    // 256, 384 or 512; any other size is taken as 256.
    int Sha2Bits() const;
    const QByteArray &Input() const { return m_input; }

    // Computes and keeps the result; returns it.
    QString Run();
    QString Result() const { return m_result; }

    // The digest bytes behind a hexadecimal result (two digits per byte).
    static QByteArray ResultBytes(const QString &hexResult);

private:
    Algorithm m_algorithm = Algorithm::Crc32;
    int m_sha2Bits = 256;
    QByteArray m_input;
    QString m_result;
};
