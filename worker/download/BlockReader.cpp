#include "BlockReader.h"

#include "DeviceList.h"
#include "MemoryList.h"
#include "RecordScrambler.h"
#include "RixComms.h"

#include <QDebug>
#include <QElapsedTimer>

#include <cmath>

namespace {

constexpr int RecordSize = 16;
constexpr int BreakProbeSpan = 128;
constexpr quint32 BlockMask = 0x7FF;
constexpr quint32 Block2K = 0x800;
const char *const kCommandInvalid = "Status Message: RS232 - Command invalid.";

QString Hex8(quint32 v)
{
    return DeviceList::HexText(v, 8);
}

int Percent(qint64 done, qint64 total)
{
    return total <= 0 ? 100 : int(done * 100 / total);
}

} // namespace

BlockReader::BlockReader(RixComms &link, const DownloadCallbacks &callbacks)
    : m_link(link), m_callbacks(callbacks)
{
}

BlockReader::Chunk BlockReader::ChooseChunk(qint64 remaining, bool bluetooth)
{
    if (bluetooth) {
        if (remaining >= BluetoothReadSize)
            return {true, BluetoothReadSize};
        if (remaining > ShortReadSize)
            return {true, int(remaining / BlockSize) * BlockSize};
    }
    return {false, int(qMin<qint64>(remaining, ShortReadSize))};
}

ReadCounts BlockReader::CountReads(const MemoryBlock &item, bool bluetooth)
{
    ReadCounts counts;
    if (item.done || item.buffer.isEmpty() || item.length <= 0)
        return counts;
    const qint64 first = item.FirstPartLength();
    for (qint64 remaining : {first, qint64(item.length) - first}) {
        while (remaining > 0) {
            const Chunk chunk = ChooseChunk(remaining, bluetooth);
            ++counts.total;
            if (chunk.blockRead)
                ++counts.bluetooth;
            else
                ++counts.shortReads;
            remaining -= chunk.bytes;
        }
    }
    return counts;
}

ReadCounts BlockReader::CountAll(const MemoryList &list, bool bluetooth)
{
    ReadCounts counts;
    for (int i = 0; i < list.Count(); ++i)
        counts += CountReads(*list.At(i), bluetooth);
    return counts;
}

int BlockReader::EstimateSeconds(const ReadCounts &counts, double bluetoothReadTime,
                                 double shortReadTime)
{
    const double seconds = counts.bluetooth * bluetoothReadTime + counts.shortReads * shortReadTime;
    const int whole = int(std::trunc(seconds));
    return whole < 1 ? 1 : whole;
}

bool BlockReader::IsLoggingBreak(const QByteArray &buffer, qint64 fill)
{
    if (fill < BreakProbeSpan || fill > buffer.size())
        return false;
    for (int back = BreakProbeSpan; back >= RecordSize; back -= RecordSize) {
        if (quint8(buffer.at(int(fill - back))) != 0xFF)
            return false;
    }
    return true;
}

void BlockReader::Descramble(MemoryBlock &item, quint32 logDataStart)
{
    char *data = item.buffer.data();
    const qint64 size = item.buffer.size();
    for (qint64 pos = 0; pos < size; pos += RecordSize) {
        const int n = int(qMin<qint64>(RecordSize, size - pos));
        bool erased = true;
        for (int i = 0; i < n && erased; ++i)
            erased = quint8(data[pos + i]) == 0xFF;
        if (erased)
            continue;
        for (int i = 0; i < n; ++i)
            data[pos + i] = char(quint8(data[pos + i])
                                 ^ RecordScrambler::KeystreamByte(item.AddressOf(pos + i, logDataStart)));
    }
}

bool BlockReader::ReadChunk(const MemoryBlock &item, quint32 address, const Chunk &chunk,
                            char *into, Result &result)
{
    QElapsedTimer timer;
    timer.start();
    bool ok;
    if (chunk.blockRead)
        ok = m_link.ReadBlocks(item.deviceId, item.memoryId, address,
                               quint8(chunk.bytes / BlockSize), reinterpret_cast<uchar *>(into));
    else
        ok = m_link.Read(item.deviceId, item.memoryId, address, quint8(chunk.bytes),
                         reinterpret_cast<uchar *>(into));
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (chunk.blockRead) {
        result.bluetoothMs += ms;
        ++result.bluetoothTimed;
    } else {
        result.shortMs += ms;
        ++result.shortTimed;
    }
    return ok;
}

bool BlockReader::IsErasedProbe(const MemoryBlock &item, quint32 address, bool &readOk)
{
    QByteArray probe(ShortReadSize, '\0');
    readOk = m_link.Read(item.deviceId, item.memoryId, address, quint8(ShortReadSize),
                         reinterpret_cast<uchar *>(probe.data()));
    if (!readOk)
        return false;
    for (int at : {0, 16, 32, 48}) {
        if (quint8(probe.at(at)) != 0xFF)
            return false;
    }
    return true;
}

bool BlockReader::FindRestart(const MemoryBlock &item, const Options &options, quint32 &restart)
{
    // The search starts in the block holding the last byte logged: a pointer
    // on a block boundary names an erased block, which would pass for the
    // restart and hide every dive logged after the break.
    const quint32 lastLogged = options.loggingPointer > options.logMemoryStart ? options.loggingPointer - 1
                                                                                : options.loggingPointer;
    qint64 candidate = qint64(lastLogged & ~BlockMask);
    while (candidate >= qint64(options.logMemoryStart)) {
        bool readOk = false;
        if (IsErasedProbe(item, quint32(candidate), readOk)) {
            qDebug().noquote() << QStringLiteral("Colour V1 logging potential restart found.  Start of 2K block 0x%1")
                                      .arg(Hex8(quint32(candidate)));
            const quint32 recheck = quint32(candidate) + 0x40;
            if (IsErasedProbe(item, recheck, readOk)) {
                qDebug().noquote() << QStringLiteral("Colour V1 logging restart confirmed.  Start of recheck 0x%1")
                                          .arg(Hex8(recheck));
                qDebug().noquote() << QStringLiteral("Colour V1 logging restart found.  Start of 2K block 0x%1")
                                          .arg(Hex8(quint32(candidate)));
                restart = quint32(candidate);
                return true;
            }
        }
        if (!readOk) {
            qDebug().noquote() << "Colour V1 logging restart search read failed -" << m_link.GetLastError();
            return false;
        }
        candidate -= Block2K;
    }
    qDebug() << "Colour V1 logging restart not found above the start of the log memory, reading on";
    return false;
}

BlockReader::Result BlockReader::ReadAll(MemoryList &list, const Options &options)
{
    Result result;
    const qint64 total = CountAll(list, options.bluetooth).total;
    qint64 done = 0;
    int lastPercent = -1;
    const auto report = [&](bool force) {
        const int percent = Percent(done, total);
        if (force || percent != lastPercent) {
            lastPercent = percent;
            m_callbacks.Progress(percent);
        }
    };

    for (int i = 0; i < list.Count(); ++i) {
        if (m_callbacks.TakeAbort()) {
            result.outcome = Outcome::Aborted;
            result.message = tr("Download aborted");
            return result;
        }
        MemoryBlock &item = *list.At(i);
        if (item.done) {
            qDebug().noquote() << QStringLiteral("Skipping Mem %1").arg(i);
            continue;
        }
        const bool wrapped = item.IsWrapped();
        qDebug().noquote() << QStringLiteral("Downloading Mem %1, Device %2, Memory %3, Start Address 0x%4, Length %5%6")
                                  .arg(i)
                                  .arg(DeviceList::DeviceName(item.deviceId),
                                       DeviceList::MemoryName(item.memoryId), Hex8(item.startAddress))
                                  .arg(item.length)
                                  .arg(wrapped ? QStringLiteral(", Wrapped") : QString());
        const qint64 first = item.FirstPartLength();
        if (wrapped)
            qDebug().noquote() << QStringLiteral("Wrapped memory, Reading first 0x%1 bytes").arg(Hex8(quint32(first)));

        const bool followBreak = options.colourV1Break && item.blockType == MemoryBlock::DisplayLogData;
        bool breakFound = false;
        quint32 breakAddress = 0;
        quint32 restartAddress = 0;
        qint64 skipped = 0;
        qint64 fill = 0;
        char *buffer = item.buffer.data();

        const struct {
            quint32 base;
            qint64 length;
        } parts[2] = {{item.startAddress, first}, {options.logDataStart, qint64(item.length) - first}};
        for (int part = 0; part < 2; ++part) {
            if (part == 1) {
                if (parts[1].length <= 0)
                    break;
                qDebug().noquote() << QStringLiteral("Wrapped memory, Reading second 0x%1 bytes")
                                          .arg(Hex8(quint32(parts[1].length)));
            }
            qint64 remaining = parts[part].length;
            qint64 offset = 0;
            while (remaining > 0) {
                if (m_callbacks.TakeAbort()) {
                    result.outcome = Outcome::Aborted;
                    result.message = tr("Download aborted");
                    return result;
                }
                const Chunk chunk = ChooseChunk(remaining, options.bluetooth);
                const quint32 address = quint32(parts[part].base + offset);
                const bool skipping = breakFound && address > breakAddress && address < restartAddress;
                if (skipping) {
                    skipped += chunk.bytes;
                } else {
                    if (!ReadChunk(item, address, chunk, buffer + fill, result)) {
                        qDebug().noquote() << "Download failed -" << m_link.GetLastError();
                        const bool incompatible =
                            options.incompatibleBridgeText && item.deviceId == DeviceId::DisplayColour
                            && item.memoryId == MemoryId::Profile
                            && m_link.GetReplyText() == QLatin1String(kCommandInvalid);
                        result.outcome = Outcome::Failed;
                        result.message = incompatible
                                             ? tr("Download failed, Incompatible Bridge Code - Contact Quor")
                                             : tr("Download failed");
                        return result;
                    }
                    fill += chunk.bytes;
                }
                ++done;
                report(false);
                offset += chunk.bytes;
                remaining -= chunk.bytes;

                if (followBreak && !breakFound && IsLoggingBreak(item.buffer, fill)) {
                    breakFound = true;
                    breakAddress = EndOfBlock(item.AddressOf(fill - 1, options.logDataStart));
                    qDebug().noquote() << QStringLiteral("Colour V1 logging break found.  End of 2K block 0x%1")
                                              .arg(Hex8(breakAddress));
                    if (!FindRestart(item, options, restartAddress))
                        restartAddress = breakAddress + 1; // no restart: read on
                }
            }
        }

        if (skipped > 0) {
            item.length -= qint32(skipped);
            item.buffer.truncate(item.length);
        }
        if (item.blockType == MemoryBlock::DisplayLogData) {
            result.breakFound = breakFound;
            result.skippedBytes = skipped;
        }
        item.done = true;
        if (item.IsLogData()) {
            qDebug().noquote() << QStringLiteral("Decoding Mem %1").arg(i);
            Descramble(item, options.logDataStart);
        }
    }
    report(true);
    return result;
}
