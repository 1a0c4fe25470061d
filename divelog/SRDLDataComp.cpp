#include "SRDLDataComp.h"

#include "RecordScrambler.h"

#include <algorithm>
#include <cstring>

namespace {

// The keystream laid out twice over, so that any run of up to 2048 bytes from
// any offset is contiguous and the XOR loop needs no wrap-around test.
const std::array<quint8, 2 * RecordScrambler::KeystreamSize> &DoubledKeystream()
{
    static const auto table = [] {
        std::array<quint8, 2 * RecordScrambler::KeystreamSize> t{};
        for (int i = 0; i < int(t.size()); ++i)
            t[std::size_t(i)] = RecordScrambler::KeystreamByte(quint64(i));
        return t;
    }();
    return table;
}

bool AllFF(const char *data, qint64 size)
{
    return std::all_of(data, data + size, [](char c) { return quint8(c) == 0xFF; });
}

// A whole block of 16 or 32 bytes, eight bytes at a time: a download's
// dive data runs to megabytes and is scrambled on every write and load.
template <int Size>
void ScrambleWholeBlock(char *target, const char *source, const quint8 *key)
{
    constexpr int Words = Size / 8;
    quint64 words[Words];
    std::memcpy(words, source, Size);
    quint64 all = ~quint64(0);
    for (int i = 0; i < Words; ++i)
        all &= words[i];
    if (all != ~quint64(0)) { // an erased block is left as it is
        quint64 keys[Words];
        std::memcpy(keys, key, Size);
        for (int i = 0; i < Words; ++i)
            words[i] ^= keys[i];
    }
    std::memcpy(target, words, Size);
}

} // namespace

void SRDLDataComp::ScrambleBlocks(char *data, qint64 length, int keyOffset, int blockSize)
{
    if (keyOffset < 0)
        return;
    ScrambleBlocks(data, data, length, keyOffset, blockSize);
}

void SRDLDataComp::ScrambleBlocks(char *target, const char *source, qint64 length, qint64 keyOffset, int blockSize)
{
    if (blockSize <= 0 || blockSize > RecordScrambler::KeystreamSize || keyOffset < 0)
        return;
    const quint8 *keystream = DoubledKeystream().data();
    for (qint64 start = 0; start < length; start += blockSize) {
        const qint64 size = std::min<qint64>(blockSize, length - start);
        char *out = target + start;
        const char *in = source + start;
        const quint8 *key = keystream + (quint64(keyOffset) + quint64(start)) % RecordScrambler::KeystreamSize;
        if (size == 32 && blockSize == 32) {
            ScrambleWholeBlock<32>(out, in, key);
            continue;
        }
        if (size == 16 && blockSize == 16) {
            ScrambleWholeBlock<16>(out, in, key);
            continue;
        }
        if (AllFF(in, size)) {
            if (out != in)
                std::memcpy(out, in, size_t(size));
            continue;
        }
        for (qint64 i = 0; i < size; ++i)
            out[i] = char(quint8(in[i]) ^ key[i]);
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
    // Upper-case hex of the block followed by the XOR of its bytes as two more
    // digits (what DeviceList::LineChecksum gives), built in place: a long
    // dive has thousands of lines.
    static const char Digits[] = "0123456789ABCDEF";
    const auto *data = reinterpret_cast<const uchar *>(m_payload.constData() + HeaderSize);
    for (int start = 0; start < length; start += blockSize) {
        const int size = std::min(blockSize, length - start);
        QString line(2 * size + 2, Qt::Uninitialized);
        QChar *out = line.data();
        uchar checksum = 0;
        for (int i = 0; i < size; ++i) {
            const uchar b = data[start + i];
            checksum ^= b;
            *out++ = QLatin1Char(Digits[b >> 4]);
            *out++ = QLatin1Char(Digits[b & 0x0F]);
        }
        *out++ = QLatin1Char(Digits[checksum >> 4]);
        *out = QLatin1Char(Digits[checksum & 0x0F]);
        lines << line;
    }
    return lines;
}
