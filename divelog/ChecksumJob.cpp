#include "ChecksumJob.h"

#include "Crc32Static.h"
#include "Sha2Digest.h"

ChecksumJob::ChecksumJob(Algorithm algorithm, const QByteArray &input, int sha2Bits)
    : m_algorithm(algorithm), m_sha2Bits(sha2Bits), m_input(input)
{
}

ChecksumJob::ChecksumJob(Algorithm algorithm, const QString &text, int sha2Bits)
    : m_algorithm(algorithm), m_sha2Bits(sha2Bits), m_input(text.toLatin1())
{
}

int ChecksumJob::Sha2Bits() const
{
    return (m_sha2Bits == 384 || m_sha2Bits == 512) ? m_sha2Bits : 256;
}

QString ChecksumJob::Run()
{
    if (m_algorithm == Algorithm::Crc32) {
        m_result = QStringLiteral("%1").arg(Crc32Static::Compute(m_input), 8, 16, QLatin1Char('0')).toUpper();
    } else {
        // Empty when the digest cannot be computed.
        m_result = QString::fromLatin1(Sha2Digest::Of(m_input, Sha2Bits()).toHex());
    }
    return m_result;
}

QByteArray ChecksumJob::ResultBytes(const QString &hexResult)
{
    return QByteArray::fromHex(hexResult.toLatin1());
}
