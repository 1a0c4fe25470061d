#pragma once

#include "LogBookRecord.h"

#include <QtGlobal>

class LogBookV2;
class MemoryList;

// Works out, for every dive of a Colour V2 log book, the three address
// ranges a download reads (the power-on data before the dive, the dive, the
// data after it), whether they still lie in the log data ring, and turns
// the selected dives into memory-list items.
class V2DownloadPlan
{
public:
    static constexpr quint32 AddressMask = LogBookRecord::RingAddressMask;
    static constexpr quint32 BoundaryMask = 0xFFF;

    // Pre-, dive and post-dive ranges from the neighbouring records.
    static void Analyse(LogBookV2 &book, quint32 loggingPointer, quint32 logDataStart);
    // Clears the in-memory flag of records whose data has been written over.
    static void CheckBounds(LogBookV2 &book, quint32 loggingPointer, quint32 logDataStart,
                            quint32 logDataSize);
    // Bytes from start to end (inclusive) in the ring, wrapping to logDataStart.
    static qint64 RangeLength(quint32 start, quint32 end, quint32 logDataStart);
    // Rebuilds the variable items for the selected dives; returns how many
    // dives will be downloaded.
    static int AssignVariableItems(MemoryList &list, LogBookV2 &book, quint32 logDataStart);
};
