#include "SRDLDataComp.h"

#include "DeviceList.h"
#include "RecordScrambler.h"

#include <algorithm>
#include <cstring>

void SRDLDataComp::ScrambleBlocks(char *data, qint64 length, int keyOffset, int blockSize)
{
    if (blockSize <= 0)
        return;
    for (qint64 start = 0; start < length; start += blockSize) {
        const qint64 size = std::min<qint64>(blockSize, length - start);
        char *block = data + start;
        const bool allFF = std::all_of(block, block + size, [](char c) { return quint8(c) == 0xFF; });
        if (!allFF)
            RecordScrambler::Scramble(block, std::size_t(size), quint64(keyOffset) + quint64(start));
    }
}

SRDLDataComp SRDLDataComp::Create(const QByteArray &plainData, int blockSize)
{
    return Create(plainData, blockSize, RecordScrambler::FreshSeedBytes());
}

SRDLDataComp SRDLDataComp::Create(const QByteArray &plainData, int blockSize,
                                  const std::array<quint8, 4> &seed)
{
    QByteArray payload;
    payload.reserve(HeaderSize + plainData.size());
    for (quint8 s : seed)
        payload.append(char(s));
    payload.append(plainData);
    SRDLDataComp block(payload);
    block.Scramble(blockSize);
    return block;
}

std::array<quint8, 4> SRDLDataComp::Seed() const
{
    return {ByteAt(0), ByteAt(1), ByteAt(2), ByteAt(3)};
}

int SRDLDataComp::KeyOffset() const
{
    const auto s = Seed();
    return RecordScrambler::KeyOffsetFromSeed(s[0], s[1], s[2], s[3]);
}

QByteArray SRDLDataComp::Data() const
{
    return IsWellFormed() ? m_payload.mid(HeaderSize) : QByteArray();
}

int SRDLDataComp::DataLength() const
{
    return IsWellFormed() ? m_payload.size() - HeaderSize : 0;
}

bool SRDLDataComp::Scramble(int blockSize)
{
    if (!IsWellFormed() || blockSize <= 0)
        return false;
    ScrambleBlocks(m_payload.data() + HeaderSize, m_payload.size() - HeaderSize, KeyOffset(), blockSize);
    return true;
}

QStringList SRDLDataComp::DataLines(int blockSize) const
{
    QStringList lines;
    if (!IsWellFormed() || blockSize <= 0)
        return lines;
    const int length = DataLength();
    lines.reserve(length / blockSize + 1);
    const char *data = m_payload.constData() + HeaderSize;
    for (int start = 0; start < length; start += blockSize) {
        const int size = std::min(blockSize, length - start);
        const QByteArray bytes = QByteArray::fromRawData(data + start, size);
        const QString hex = QString::fromLatin1(bytes.toHex()).toUpper();
        lines << hex + DeviceList::LineChecksum(hex);
    }
    return lines;
}
