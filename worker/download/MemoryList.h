#pragma once

#include "MemoryBlock.h"

#include <QStringList>

#include <memory>
#include <vector>

class DeviceList;
class RBData;

// The memories a download reads, in order: the fixed items (system
// information, code version, variables, log book, controller memories) and
// after them the log data items. Owns its items.
class MemoryList
{
public:
    int Count() const { return int(m_items.size()); }
    MemoryBlock *At(int index) const;
    void Clear();
    void RemoveAt(int index);
    MemoryBlock *Append(std::unique_ptr<MemoryBlock> item);

    // First item of the type (of the device when deviceId is not 0), or -1.
    int IndexOfType(int type, quint8 deviceId = 0) const;
    MemoryBlock *FirstOfType(int type, quint8 deviceId = 0) const;
    // The index of an item with the same type, device, memory, start and
    // length, or of a new item appended with a fresh buffer.
    int FindOrAdd(int type, quint8 deviceId, quint8 memoryId, quint32 start, qint32 length);

    // The fixed items of a mono or Colour V1 display (display, then C1, C2).
    void AssignFixedV1(quint8 displayId, const RBData &record, const DeviceList &catalogue);
    // The fixed items of a Colour V2 display.
    void AssignFixedV2(const RBData &record, const DeviceList &catalogue);
    // Items before this index are fixed; the others are variable.
    int FixedCount() const { return m_fixedCount; }
    // Removes every variable item that has not been read.
    void RemoveUnreadVariableItems();

    // "Memory %1 %2" per item.
    QStringList Lines() const;

private:
    struct FixedRow {
        int owner; // 0 display, 1 C1, 2 C2
        int type;
        int firstRegion;
        int lastRegion;
    };
    void AssignFixed(const FixedRow *rows, int count, quint8 displayId, const RBData &record,
                     const DeviceList &catalogue);

    std::vector<std::unique_ptr<MemoryBlock>> m_items;
    int m_fixedCount = 0;

    static const FixedRow kFixedV1[];
    static const FixedRow kFixedV2[];
};
