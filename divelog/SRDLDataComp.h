#pragma once

#include "SRDataBlock.h"

#include <QString>
#include <QStringList>
#include <array>

// Payload of a dive-log data record (type 0x20): four seed bytes, then the
// dive's log records exactly as the device stored them, scrambled in blocks of
// 16 bytes (narrow logs) or 32 bytes (wide logs); all-0xFF blocks stay as they are.
class SRDLDataComp : public SRDataBlock
{
public:
    static constexpr int HeaderSize = 4;

    SRDLDataComp() = default;
    explicit SRDLDataComp(const QByteArray &payload) : SRDataBlock(payload) {}

    // A new payload of plain log data with fresh seed bytes, scrambled.
    static SRDLDataComp Create(const QByteArray &plainData, int blockSize);
    static SRDLDataComp Create(const QByteArray &plainData, int blockSize,
                               const std::array<quint8, 4> &seed);

    bool IsWellFormed() const { return m_payload.size() >= HeaderSize; }
    std::array<quint8, 4> Seed() const;
    int KeyOffset() const;
    QByteArray Data() const;
    int DataLength() const;

    // blockSize is 16 or 32; false (payload unchanged) when not well formed
    // or the block size is not positive.
    bool Scramble(int blockSize);
    bool Descramble(int blockSize) { return Scramble(blockSize); }

    // One text line per block of `blockSize` data bytes (the last may be
    // shorter): upper-case hex pairs, then the line checksum.
    QStringList DataLines(int blockSize) const;

    // XORs `data` with the keystream from `keyOffset` in blocks of
    // `blockSize`, skipping blocks whose bytes are all 0xFF.
    static void ScrambleBlocks(char *data, qint64 length, int keyOffset, int blockSize);
    // The same from `source` into `target` (which may be `source`): copying
    // and scrambling in one pass over a large dive. `keyOffset` may exceed
    // the keystream (it is taken modulo its size), so a long run can be done
    // in pieces: piece p of a run from offset k starts at offset k + p.
    static void ScrambleBlocks(char *target, const char *source, qint64 length, qint64 keyOffset, int blockSize);
};
