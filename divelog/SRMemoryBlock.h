#pragma once

#include "SRDataBlock.h"

#include <QString>
#include <array>

// Payload of a memory-block record (type 0x10): one block of device memory.
//   0 seed bytes s0..s3 | 4 device id | 5 memory id | 6 start address (u32 BE)
//   10.. the memory contents, scrambled in the file
// The log-data region of a display or controller is scrambled in 16-byte
// blocks that leave all-0xFF blocks alone; every other block is XORed whole.
class SRMemoryBlock : public SRDataBlock
{
public:
    static constexpr int HeaderSize = 10;

    SRMemoryBlock() = default;
    explicit SRMemoryBlock(const QByteArray &payload) : SRDataBlock(payload) {}

    // A new payload of plain memory contents with fresh seed bytes, already
    // scrambled (ready to be stored in a record).
    static SRMemoryBlock Create(quint8 deviceId, quint8 memoryId, quint32 startAddress,
                                const QByteArray &plainData);
    // The same with given seed bytes (reproducible files for tests).
    static SRMemoryBlock Create(quint8 deviceId, quint8 memoryId, quint32 startAddress,
                                const QByteArray &plainData, const std::array<quint8, 4> &seed);

    // False when the payload is too short to hold the fixed fields.
    bool IsWellFormed() const { return m_payload.size() >= HeaderSize; }

    std::array<quint8, 4> Seed() const;
    quint8 DeviceId() const { return ByteAt(4); }
    quint8 MemoryId() const { return ByteAt(5); }
    quint32 StartAddress() const { return U32At(6); }
    // The contents as currently held (scrambled or plain).
    QByteArray Data() const;
    int DataLength() const;

    int KeyOffset() const;
    // True when the seed product's remainder came out negative (key offset
    // clamped to 0); blocks written by the depot program are kept as stored then.
    bool KeyOffsetNegative() const;
    // True when the block is the log-data region of a display or controller.
    bool IsLogDataRegion() const;

    // Scrambling is its own inverse; both names exist for readability.
    // False when the payload is not well formed (it is left unchanged).
    bool Scramble();
    bool Descramble() { return Scramble(); }
    // The same on a payload held elsewhere (in place); false when it is too
    // short to hold the fixed fields.
    static bool ScramblePayload(char *payload, qint64 length);

    // Text-form lines: "B0" + device id, memory id, start address (upper case)
    // + checksum; "B1" + every data byte in lower case + checksum.
    QString HeaderLine() const;
    QString DataLine() const;
};
