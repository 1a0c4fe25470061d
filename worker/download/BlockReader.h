#pragma once

#include <QCoreApplication>

#include "DownloadCallbacks.h"
#include "MemoryBlock.h"

#include <QString>

class MemoryList;
class RixComms;

// Reads counted per kind, for the time estimate and the progress.
struct ReadCounts {
    int total = 0;
    int bluetooth = 0;  // block reads of up to 2048 bytes
    int shortReads = 0; // reads of up to 64 bytes

    ReadCounts &operator+=(const ReadCounts &o)
    {
        total += o.total;
        bluetooth += o.bluetooth;
        shortReads += o.shortReads;
        return *this;
    }
};

// Reads every unread item of a memory list through the device link: block
// reads over Bluetooth, 64-byte reads otherwise, items that run past the end
// of the address space in two parts, the Colour V1 logging break, abort
// polling, progress, per-read timing and the descrambling of log data.
class BlockReader
{
    Q_DECLARE_TR_FUNCTIONS(BlockReader)

public:
    static constexpr int ShortReadSize = 64;
    static constexpr int BlockSize = 64;
    static constexpr int BluetoothReadSize = 2048; // 32 blocks

    struct Options {
        bool bluetooth = false;
        quint32 logDataStart = 0;      // where the second part of a wrapped item begins
        bool colourV1Break = false;    // follow a Colour V1 logging break
        quint32 loggingPointer = 0;    // where the restart search begins
        quint32 logMemoryStart = 0;    // the restart search stops here
        bool incompatibleBridgeText = true;
    };
    enum class Outcome { Completed, Aborted, Failed };
    struct Result {
        Outcome outcome = Outcome::Completed;
        QString message;
        bool breakFound = false;
        qint64 skippedBytes = 0;
        double bluetoothMs = 0;
        int bluetoothTimed = 0;
        double shortMs = 0;
        int shortTimed = 0;
    };
    struct Chunk {
        bool blockRead = false;
        int bytes = 0;
    };

    BlockReader(RixComms &link, const DownloadCallbacks &callbacks);

    Result ReadAll(MemoryList &list, const Options &options);

    static ReadCounts CountReads(const MemoryBlock &item, bool bluetooth);
    static ReadCounts CountAll(const MemoryList &list, bool bluetooth);
    // Whole seconds, at least 1.
    static int EstimateSeconds(const ReadCounts &counts, double bluetoothReadTime,
                               double shortReadTime);
    static Chunk ChooseChunk(qint64 remaining, bool bluetooth);
    // The Colour V1 logging break: the first byte of each of the eight
    // 16-byte steps before `fill` is erased.
    static bool IsLoggingBreak(const QByteArray &buffer, qint64 fill);
    // The last byte of the 2 KiB block holding `address`.
    static quint32 EndOfBlock(quint32 address) { return (address & ~quint32(0x7FF)) + 0x7FF; }
    // Undoes the handset's scrambling of its log memory: every 16-byte record
    // that is not erased is XORed with the keystream at its device address.
    static void Descramble(MemoryBlock &item, quint32 logDataStart);

private:
    bool ReadChunk(const MemoryBlock &item, quint32 address, const Chunk &chunk, char *into,
                   Result &result);
    // Searches down from the logging pointer for the block where logging
    // restarted; returns false when there is none above the memory start.
    bool FindRestart(const MemoryBlock &item, const Options &options, quint32 &restart);
    bool IsErasedProbe(const MemoryBlock &item, quint32 address, bool &readOk);

    RixComms &m_link;
    const DownloadCallbacks &m_callbacks;
};
