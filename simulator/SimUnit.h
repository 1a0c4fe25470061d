#pragma once

#include "DeviceList.h"
#include "SimTypes.h"

#include <QHash>
#include <QMap>

#include <functional>

// One unit on the simulated bus: a device id, the memories of its catalogue
// ranges backed by bytes, and a command handler per operation code.
//
// Memories are sparse (4 KiB pages created on first write, erased bytes read
// as 0xFF), so the 32 MiB profile memory of a colour handset costs nothing
// until used. Later behaviour (log memories, log books, firmware upload,
// bootloaders) plugs in through SetHandler or a subclass overriding Handle,
// ReadMemory or WriteMemory.
class SimUnit
{
public:
    using Handler = std::function<SimReply(SimUnit &unit, const SimRequest &request)>;

    // Takes the memory ranges of the catalogue entry for deviceId (none when
    // the catalogue has no such unit; add ranges with AddRange then).
    explicit SimUnit(quint8 deviceId);
    virtual ~SimUnit() = default;

    quint8 DeviceId() const { return m_deviceId; }
    void AddRange(quint8 memoryId, quint32 start, quint32 end);
    // True when [address, address + length) lies inside one range of the memory.
    bool InRange(quint8 memoryId, quint32 address, quint32 length) const;

    // Raw memory access, ignoring ranges (for profiles and tests).
    virtual QByteArray ReadMemory(quint8 memoryId, quint32 address, int length) const;
    virtual void WriteMemory(quint8 memoryId, quint32 address, const QByteArray &bytes);
    void FillMemory(quint8 memoryId, quint32 address, int length, quint8 value);
    // Sets a span back to erased (0xFF); whole pages are released.
    void EraseMemory(quint8 memoryId, quint32 address, quint32 length);

    // Replaces the behaviour of one operation code (command & 0x3F).
    void SetHandler(quint8 opcode, Handler handler);
    void ClearHandler(quint8 opcode);

    // Answers one request addressed to this unit.
    virtual SimReply Handle(const SimRequest &request);
    // The built-in behaviour, callable from custom handlers.
    SimReply DefaultHandle(const SimRequest &request);

    // Memory id of a read, write or block-read operation code; 0 when the code is none of those.
    static quint8 MemoryOfOpcode(quint8 opcode, bool *isRead, bool *isBlockRead);
    // The memory address a request names: the 24 frame bits, with bit 24
    // from the command's 0x40 modifier and bit 25 from its 0x80 modifier.
    static quint32 MemoryAddress(const SimRequest &request);

private:
    static constexpr quint32 PageSize = 4096;
    quint8 m_deviceId;
    struct Range { quint8 memoryId; quint32 start; quint32 end; };
    QVector<Range> m_ranges;
    QHash<quint64, QByteArray> m_pages; // key: memoryId << 32 | page index
    QMap<quint8, Handler> m_handlers;
};
