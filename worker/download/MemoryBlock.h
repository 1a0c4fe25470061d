#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// One memory a download reads: which unit, memory and address range, the
// bytes read so far and whether it is finished. Items live in a MemoryList.
class MemoryBlock
{
public:
    // Block types; the texts name them in the status log.
    enum Type {
        TypeNone = -1,
        DisplaySysInfo = 0,
        DisplayCodeVersion = 1,
        DisplaySysVars = 2,
        DisplaySysVarsExtended = 3,
        DisplayLogBook = 4,
        DisplayLogBookEeprom = 5,
        DisplayLogData = 6,
        C1SysInfo = 7,
        C1CodeVersion = 8,
        C1SysVars = 9,
        C1LogData = 10,
        C2SysInfo = 11,
        C2CodeVersion = 12,
        C2SysVars = 13,
        C2LogData = 14,
        DisplayBootloader = 15,
        C1Bootloader = 16,
        C2Bootloader = 17,
    };

    // Log memories end at this address; reads past it continue at the log
    // data start.
    static constexpr quint32 AddressSpaceEnd = 0x2000000;

    MemoryBlock() = default;
    MemoryBlock(int type, quint8 deviceId, quint8 memoryId, quint32 start, qint32 length);

    int blockType = TypeNone;
    qint32 length = 0;
    quint8 memoryId = 0;
    quint32 startAddress = 0;
    QByteArray buffer;
    bool done = false;
    quint8 deviceId = 0;

    bool IsLogData() const { return IsLogDataType(blockType); }
    // The item runs past the end of the address space (second part from the
    // log data start). Only display log data items wrap.
    bool IsWrapped() const;
    // Bytes of the first part of a wrapped item (all bytes when not wrapped).
    qint64 FirstPartLength() const;
    // Device address of buffer position `pos`, following a wrap to logDataStart.
    quint32 AddressOf(qint64 pos, quint32 logDataStart) const;

    // "%1, %2, Memory %3, Start 0x%4, Length 0x%5"
    QString Description() const;

    static bool IsLogDataType(int type);
    static QString TypeText(int type);
};
