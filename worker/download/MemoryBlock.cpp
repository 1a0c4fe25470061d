#include "MemoryBlock.h"

#include "DeviceList.h"

namespace {

const char *const kTypeTexts[] = {
    "Display Sys Info - Magic Number",
    "Display Code Version",
    "Display Sys Vars",
    "Display Sys Vars Extended",
    "Display Log Book",
    "Display Log Book EEPROM",
    "Display Log Data",
    "C1 Sys Info - Magic Number",
    "C1 Code Version",
    "C1 Sys Vars",
    "C1 Log Data",
    "C2 Sys Info - Magic Number",
    "C2 Code Version",
    "C2 Sys Vars",
    "C2 Log Data",
};

} // namespace

MemoryBlock::MemoryBlock(int type, quint8 device, quint8 memory, quint32 start, qint32 len)
    : blockType(type), length(len), memoryId(memory), startAddress(start),
      buffer(qMax(0, len), '\0'), deviceId(device)
{
}

bool MemoryBlock::IsLogDataType(int type)
{
    return type == DisplayLogData || type == C1LogData || type == C2LogData;
}

bool MemoryBlock::IsWrapped() const
{
    return blockType == DisplayLogData && qint64(startAddress) + length >= qint64(AddressSpaceEnd);
}

qint64 MemoryBlock::FirstPartLength() const
{
    return IsWrapped() ? qint64(AddressSpaceEnd) - startAddress : qint64(length);
}

quint32 MemoryBlock::AddressOf(qint64 pos, quint32 logDataStart) const
{
    const qint64 first = FirstPartLength();
    if (pos < first)
        return quint32(startAddress + pos);
    return quint32(logDataStart + (pos - first));
}

QString MemoryBlock::TypeText(int type)
{
    if (type >= 0 && type < int(sizeof kTypeTexts / sizeof kTypeTexts[0]))
        return QString::fromLatin1(kTypeTexts[type]);
    return QStringLiteral("Undefined");
}

QString MemoryBlock::Description() const
{
    return QStringLiteral("%1, %2, Memory %3, Start 0x%4, Length 0x%5")
        .arg(TypeText(blockType), DeviceList::DeviceTypeName(deviceId),
             DeviceList::MemoryName(memoryId), DeviceList::HexText(startAddress, 8),
             DeviceList::HexText(quint32(qMax(0, length)), 8));
}
