#include "RecordScrambler.h"

#include "ScramblerSeed.h"

#include <QRandomGenerator>

namespace {

std::array<quint8, RecordScrambler::KeystreamSize> expandKeystream()
{
    std::array<quint8, RecordScrambler::KeystreamSize> stream{};
    const auto &seed = ScramblerSeed::Value;
    for (int row = 0; row < RecordScrambler::KeystreamSize / 16; ++row) {
        // Rotate the 128-bit seed (byte 0 most significant) left by `row` bits.
        const int byteShift = row / 8;
        const int bitShift = row % 8;
        for (int b = 0; b < 16; ++b) {
            const quint8 hi = seed[(b + byteShift) % 16];
            const quint8 lo = seed[(b + byteShift + 1) % 16];
            const quint8 value = bitShift == 0
                ? hi
                : quint8((hi << bitShift) | (lo >> (8 - bitShift)));
            stream[row * 16 + b] = value;
        }
    }
    return stream;
}

} // namespace

const std::array<quint8, RecordScrambler::SeedSize> &RecordScrambler::Seed()
{
    return ScramblerSeed::Value;
}

const std::array<quint8, RecordScrambler::KeystreamSize> &RecordScrambler::Keystream()
{
    static const auto stream = expandKeystream();
    return stream;
}

quint8 RecordScrambler::KeystreamByte(quint64 position)
{
    return Keystream()[position % KeystreamSize];
}

void RecordScrambler::Scramble(quint8 *data, std::size_t length, quint64 keyOffset)
{
    const auto &stream = Keystream();
    std::size_t pos = keyOffset % KeystreamSize;
    for (std::size_t i = 0; i < length; ++i) {
        data[i] ^= stream[pos];
        if (++pos == KeystreamSize)
            pos = 0;
    }
}

void RecordScrambler::Scramble(char *data, std::size_t length, quint64 keyOffset)
{
    Scramble(reinterpret_cast<quint8 *>(data), length, keyOffset);
}

int RecordScrambler::KeyOffsetFromSeed(quint8 s0, quint8 s1, quint8 s2, quint8 s3)
{
    // Signed 32-bit product that wraps: do it unsigned, then reinterpret.
    const quint32 product = quint32(s0) * quint32(s1) * quint32(s2) * quint32(s3);
    const qint32 signedProduct = static_cast<qint32>(product);
    const qint32 remainder = signedProduct % KeystreamSize; // truncates toward zero
    return remainder < 0 ? 0 : remainder;
}

std::array<quint8, 4> RecordScrambler::FreshSeedBytes()
{
    std::array<quint8, 4> bytes{};
    for (auto &b : bytes) {
        const int r = int(QRandomGenerator::global()->bounded(32768));
        const int v = (r * 255) / 32767;
        b = quint8(v == 0 ? 1 : v);
    }
    return bytes;
}
