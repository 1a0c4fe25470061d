#include "QuorLogMemoryStore.h"

#include "DeviceList.h"
#include "LogLine.h"

namespace {
constexpr int HeaderLineLength = 16; // "B0", id, memory, 4-byte address, checksum
}

bool QuorLogMemoryStore::IsHeaderLine(const QString &line)
{
    return line.size() == HeaderLineLength && line.startsWith(QLatin1String("B0"), Qt::CaseInsensitive);
}

bool QuorLogMemoryStore::IsDataLine(const QString &line)
{
    return line.size() >= 4 && line.size() % 2 == 0 && line.startsWith(QLatin1String("B1"), Qt::CaseInsensitive);
}

bool QuorLogMemoryStore::AddLinePair(const QString &headerLine, const QString &dataLine)
{
    if (!IsHeaderLine(headerLine) || !IsDataLine(dataLine))
        return false;
    const LogLine header(headerLine);
    Block block;
    block.deviceId = header.Byte(1);
    block.memoryId = header.Byte(2);
    block.startAddress = header.U32(3);
    block.bytes = DeviceList::HexToBytes(dataLine.mid(2, dataLine.size() - 4));
    m_blocks.append(block);
    return true;
}

const QuorLogMemoryStore::Block *QuorLogMemoryStore::FirstBlockOf(int deviceId) const
{
    for (const Block &b : m_blocks)
        if (b.deviceId == deviceId)
            return &b;
    return nullptr;
}

const QuorLogMemoryStore::Block *QuorLogMemoryStore::HandsetBlock() const
{
    if (const Block *b = FirstBlockOf(DeviceId::DisplayMono))
        return b;
    return FirstBlockOf(DeviceId::DisplayColour);
}
