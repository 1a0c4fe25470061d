#pragma once

#include <QtGlobal>
#include <array>
#include <cstddef>

// The one XOR keystream of the system: it scrambles status-log records,
// container payloads and the handset's own log memory. 2048 bytes expanded
// once from a fixed 16-byte seed; scrambling and descrambling are the same.
class RecordScrambler
{
public:
    static constexpr int KeystreamSize = 2048;
    static constexpr int SeedSize = 16;

    // Keystream byte at any non-negative position (taken modulo 2048).
    static quint8 KeystreamByte(quint64 position);

    // XORs `length` bytes in place with the keystream from `keyOffset` on.
    static void Scramble(quint8 *data, std::size_t length, quint64 keyOffset);
    static void Scramble(char *data, std::size_t length, quint64 keyOffset);

    // Key offset 0..2047 from four seed bytes stored in front of a payload.
    static int KeyOffsetFromSeed(quint8 s0, quint8 s1, quint8 s2, quint8 s3);

    // Four fresh seed bytes, none of them 0.
    static std::array<quint8, 4> FreshSeedBytes();

    // The 16-byte seed the keystream is expanded from.
    static const std::array<quint8, SeedSize> &Seed();

private:
    static const std::array<quint8, KeystreamSize> &Keystream();
};
