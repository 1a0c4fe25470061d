#include "MemoryList.h"

#include "DeviceList.h"
#include "RBData.h"

namespace {
constexpr int Display = 0;
constexpr int C1 = 1;
constexpr int C2 = 2;
} // namespace

// Region pairs name the first and the last region an item spans.
const MemoryList::FixedRow MemoryList::kFixedV1[] = {
    {Display, MemoryBlock::DisplaySysInfo, 0, 3},
    {Display, MemoryBlock::DisplayCodeVersion, 7, 7},
    {Display, MemoryBlock::DisplaySysVars, 8, 8},
    {Display, MemoryBlock::DisplayLogBook, 10, 10},
    {C1, MemoryBlock::C1SysInfo, 0, 3},
    {C1, MemoryBlock::C1CodeVersion, 7, 7},
    {C1, MemoryBlock::C1SysVars, 8, 8},
    {C1, MemoryBlock::C1LogData, 13, 13},
    {C2, MemoryBlock::C2SysInfo, 0, 3},
    {C2, MemoryBlock::C2CodeVersion, 7, 7},
    {C2, MemoryBlock::C2SysVars, 8, 8},
    {C2, MemoryBlock::C2LogData, 13, 13},
};

const MemoryList::FixedRow MemoryList::kFixedV2[] = {
    {Display, MemoryBlock::DisplaySysInfo, 0, 3},
    {Display, MemoryBlock::DisplayCodeVersion, 7, 7},
    {Display, MemoryBlock::DisplaySysVars, 8, 8},
    {Display, MemoryBlock::DisplayLogBook, 11, 11},
    {Display, MemoryBlock::DisplayLogBookEeprom, 12, 12},
    {Display, MemoryBlock::DisplaySysVarsExtended, 9, 9},
    {Display, MemoryBlock::DisplayBootloader, 18, 18},
    {C1, MemoryBlock::C1SysInfo, 0, 3},
    {C1, MemoryBlock::C1CodeVersion, 7, 7},
    {C1, MemoryBlock::C1SysVars, 8, 8},
    {C1, MemoryBlock::C1LogData, 13, 13},
    {C1, MemoryBlock::C1Bootloader, 18, 18},
    {C2, MemoryBlock::C2SysInfo, 0, 3},
    {C2, MemoryBlock::C2CodeVersion, 7, 7},
    {C2, MemoryBlock::C2SysVars, 8, 8},
    {C2, MemoryBlock::C2LogData, 13, 13},
    {C2, MemoryBlock::C2Bootloader, 18, 18},
};

MemoryBlock *MemoryList::At(int index) const
{
    return index >= 0 && index < Count() ? m_items[size_t(index)].get() : nullptr;
}

void MemoryList::Clear()
{
    m_items.clear();
    m_fixedCount = 0;
}

void MemoryList::RemoveAt(int index)
{
    if (index < 0 || index >= Count())
        return;
    m_items.erase(m_items.begin() + index);
    if (index < m_fixedCount)
        --m_fixedCount;
}

MemoryBlock *MemoryList::Append(std::unique_ptr<MemoryBlock> item)
{
    m_items.push_back(std::move(item));
    return m_items.back().get();
}

int MemoryList::IndexOfType(int type, quint8 deviceId) const
{
    for (int i = 0; i < Count(); ++i) {
        const MemoryBlock *b = m_items[size_t(i)].get();
        if (b->blockType == type && (deviceId == 0 || b->deviceId == deviceId))
            return i;
    }
    return -1;
}

MemoryBlock *MemoryList::FirstOfType(int type, quint8 deviceId) const
{
    return At(IndexOfType(type, deviceId));
}

int MemoryList::FindOrAdd(int type, quint8 deviceId, quint8 memoryId, quint32 start,
                          qint32 length)
{
    for (int i = 0; i < Count(); ++i) {
        const MemoryBlock *b = m_items[size_t(i)].get();
        if (b->blockType == type && b->deviceId == deviceId && b->memoryId == memoryId
            && b->startAddress == start && b->length == length)
            return i;
    }
    Append(std::make_unique<MemoryBlock>(type, deviceId, memoryId, start, length));
    return Count() - 1;
}

void MemoryList::AssignFixed(const FixedRow *rows, int count, quint8 displayId,
                             const RBData &record, const DeviceList &catalogue)
{
    Clear();
    const quint8 owners[] = {displayId, DeviceId::C1, DeviceId::C2};
    quint8 memory = 0;
    quint32 start = 0;
    qint32 length = 0;
    for (int i = 0; i < count; ++i) {
        const FixedRow &row = rows[i];
        const quint8 device = owners[row.owner];
        quint8 firstMemory = 0, lastMemory = 0;
        quint32 firstStart = 0, firstSize = 0, lastStart = 0, lastSize = 0;
        if (catalogue.GetRegion(device, row.firstRegion, firstMemory, firstStart, firstSize)
            && catalogue.GetRegion(device, row.lastRegion, lastMemory, lastStart, lastSize)) {
            memory = firstMemory;
            start = firstStart;
            length = qint32(lastStart + lastSize - firstStart);
        }
        // Without the region the item repeats the one before it (the mono
        // display has no log book region).
        auto item = std::make_unique<MemoryBlock>(row.type, device, memory, start, length);
        if (row.owner != Display && !record.IsPresent(device)) {
            item->buffer.fill(char(0xFF));
            item->done = true;
        }
        Append(std::move(item));
    }
    m_fixedCount = Count();
}

void MemoryList::AssignFixedV1(quint8 displayId, const RBData &record, const DeviceList &catalogue)
{
    AssignFixed(kFixedV1, int(sizeof kFixedV1 / sizeof kFixedV1[0]), displayId, record, catalogue);
}

void MemoryList::AssignFixedV2(const RBData &record, const DeviceList &catalogue)
{
    AssignFixed(kFixedV2, int(sizeof kFixedV2 / sizeof kFixedV2[0]), DeviceId::DisplayColour,
                record, catalogue);
}

void MemoryList::RemoveUnreadVariableItems()
{
    for (int i = Count() - 1; i >= m_fixedCount; --i) {
        if (!m_items[size_t(i)]->done)
            RemoveAt(i);
    }
}

QStringList MemoryList::Lines() const
{
    QStringList lines;
    for (int i = 0; i < Count(); ++i)
        lines << QStringLiteral("Memory %1 %2").arg(i, 2, 10, QLatin1Char('0')).arg(m_items[size_t(i)]->Description());
    return lines;
}
