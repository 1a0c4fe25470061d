#include "SimUnit.h"

namespace {

struct OpcodeRow {
    quint8 opcode;
    quint8 memoryId;
    bool read;
    bool blockRead;
};

// Operation codes a unit understands, by memory. Config and Buffer have no
// block read of their own: a block read of them arrives as the Flash code.
const OpcodeRow kOpcodes[] = {
    {1, MemoryId::Flash, true, false},    {2, MemoryId::Flash, false, false},
    {3, MemoryId::Eeprom, true, false},   {4, MemoryId::Eeprom, false, false},
    {5, MemoryId::Ram, true, false},      {6, MemoryId::Ram, false, false},
    {7, MemoryId::Config, true, false},   {8, MemoryId::Config, false, false},
    {9, MemoryId::Buffer, true, false},   {10, MemoryId::Buffer, false, false},
    {13, MemoryId::Profile, true, false}, {14, MemoryId::Profile, false, false},
    {17, MemoryId::Flash, true, true},    {19, MemoryId::Eeprom, true, true},
    {21, MemoryId::Ram, true, true},      {29, MemoryId::Profile, true, true},
};

constexpr int kMaxWritePayload = 64;
constexpr int kMaxBlocks = 32;
constexpr int kBlockSize = 64;

} // namespace

SimUnit::SimUnit(quint8 deviceId)
    : m_deviceId(deviceId)
{
    const DeviceList catalogue;
    if (const DeviceEntry *entry = catalogue.FindDevice(deviceId)) {
        for (quint8 mem = 0; mem < DeviceEntry::MemoryIdCount; ++mem) {
            for (int i = 0; i < DeviceEntry::MaxRangesPerMemory; ++i) {
                const MemoryRange r = entry->Range(mem, i);
                if (r.used)
                    AddRange(mem, r.start, r.end);
            }
        }
    }
}

void SimUnit::AddRange(quint8 memoryId, quint32 start, quint32 end)
{
    m_ranges.append(Range{memoryId, start, end});
}

bool SimUnit::InRange(quint8 memoryId, quint32 address, quint32 length) const
{
    const quint64 first = address;
    const quint64 last = length == 0 ? first : first + length - 1;
    for (const Range &r : m_ranges) {
        if (r.memoryId == memoryId && first >= r.start && last <= r.end)
            return true;
    }
    return false;
}

QByteArray SimUnit::ReadMemory(quint8 memoryId, quint32 address, int length) const
{
    QByteArray out(qMax(0, length), char(0xFF));
    for (int i = 0; i < out.size();) {
        const quint64 a = quint64(address) + quint64(i);
        const quint64 page = a / PageSize;
        const int offset = int(a % PageSize);
        const int n = qMin(out.size() - i, int(PageSize) - offset);
        const auto it = m_pages.constFind((quint64(memoryId) << 32) | page);
        if (it != m_pages.constEnd())
            memcpy(out.data() + i, it->constData() + offset, size_t(n));
        i += n;
    }
    return out;
}

void SimUnit::WriteMemory(quint8 memoryId, quint32 address, const QByteArray &bytes)
{
    for (int i = 0; i < bytes.size();) {
        const quint64 a = quint64(address) + quint64(i);
        const quint64 page = a / PageSize;
        const int offset = int(a % PageSize);
        const int n = qMin(bytes.size() - i, int(PageSize) - offset);
        QByteArray &p = m_pages[(quint64(memoryId) << 32) | page];
        if (p.isEmpty())
            p = QByteArray(int(PageSize), char(0xFF));
        memcpy(p.data() + offset, bytes.constData() + i, size_t(n));
        i += n;
    }
}

void SimUnit::FillMemory(quint8 memoryId, quint32 address, int length, quint8 value)
{
    WriteMemory(memoryId, address, QByteArray(length, char(value)));
}

void SimUnit::EraseMemory(quint8 memoryId, quint32 address, quint32 length)
{
    const quint64 end = quint64(address) + length;
    for (quint64 a = address; a < end;) {
        const quint64 page = a / PageSize;
        const quint64 offset = a % PageSize;
        const quint64 n = qMin(end - a, PageSize - offset);
        const auto it = m_pages.find((quint64(memoryId) << 32) | page);
        if (it != m_pages.end()) {
            if (n == PageSize)
                m_pages.erase(it);
            else
                memset(it->data() + offset, 0xFF, size_t(n));
        }
        a += n;
    }
}

void SimUnit::SetHandler(quint8 opcode, Handler handler)
{
    m_handlers.insert(quint8(opcode & 0x3F), std::move(handler));
}

void SimUnit::ClearHandler(quint8 opcode)
{
    m_handlers.remove(quint8(opcode & 0x3F));
}

quint8 SimUnit::MemoryOfOpcode(quint8 opcode, bool *isRead, bool *isBlockRead)
{
    for (const OpcodeRow &row : kOpcodes) {
        if (row.opcode == opcode) {
            if (isRead)
                *isRead = row.read;
            if (isBlockRead)
                *isBlockRead = row.blockRead;
            return row.memoryId;
        }
    }
    return 0;
}

quint32 SimUnit::MemoryAddress(const SimRequest &request)
{
    quint32 address = request.address & 0xFFFFFF;
    if (request.modifiers & 0x40)
        address |= 1u << 24;
    if (request.modifiers & 0x80)
        address |= 1u << 25;
    return address;
}

SimReply SimUnit::Handle(const SimRequest &request)
{
    const auto it = m_handlers.constFind(request.opcode);
    if (it != m_handlers.constEnd())
        return (*it)(*this, request);
    return DefaultHandle(request);
}

SimReply SimUnit::DefaultHandle(const SimRequest &request)
{
    if (request.opcode == 0)
        return SimReply::Status(SimStatus::Ok);

    bool isRead = false, isBlockRead = false;
    const quint8 memoryId = MemoryOfOpcode(request.opcode, &isRead, &isBlockRead);
    if (memoryId == 0)
        return SimReply::Status(SimStatus::CommandInvalid);

    const quint32 address = MemoryAddress(request);
    if (isBlockRead) {
        if (request.length > kMaxBlocks)
            return SimReply::Status(SimStatus::DataLengthInvalid);
        const int n = request.length * kBlockSize;
        if (!InRange(memoryId, address, quint32(n)))
            return SimReply::Status(SimStatus::OperationFailed);
        return SimReply::Data(request.command, request.address, request.length,
                              ReadMemory(memoryId, address, n));
    }
    if (isRead) {
        if (!InRange(memoryId, address, request.length))
            return SimReply::Status(SimStatus::OperationFailed);
        return SimReply::Data(request.command, request.address, request.length,
                              ReadMemory(memoryId, address, request.length));
    }
    // A write.
    if (request.length == 0 || request.length > kMaxWritePayload
        || request.payload.size() != request.length)
        return SimReply::Status(SimStatus::DataLengthInvalid);
    if (!InRange(memoryId, address, request.length))
        return SimReply::Status(SimStatus::OperationFailed);
    WriteMemory(memoryId, address, request.payload);
    return SimReply::Status(SimStatus::Ok);
}
