#include "SRMemoryBlock.h"

#include "DeviceList.h"
#include "RecordScrambler.h"
#include "SRDLDataComp.h"

namespace {

const DeviceList &Catalogue()
{
    static const DeviceList list;
    return list;
}

// Units whose log-data region is kept in the 16-byte block form.
constexpr quint8 LogDataUnits[] = {DeviceId::DisplayMono, DeviceId::DisplayColour, DeviceId::C1,
                                   DeviceId::C2};
constexpr int LogDataBlockSize = 16;

} // namespace

SRMemoryBlock SRMemoryBlock::Create(quint8 deviceId, quint8 memoryId, quint32 startAddress,
                                    const QByteArray &plainData)
{
    return Create(deviceId, memoryId, startAddress, plainData, RecordScrambler::FreshSeedBytes());
}

SRMemoryBlock SRMemoryBlock::Create(quint8 deviceId, quint8 memoryId, quint32 startAddress,
                                    const QByteArray &plainData, const std::array<quint8, 4> &seed)
{
    QByteArray payload;
    payload.reserve(HeaderSize + plainData.size());
    for (quint8 s : seed)
        payload.append(char(s));
    payload.append(char(deviceId));
    payload.append(char(memoryId));
    payload.append(char(startAddress >> 24));
    payload.append(char((startAddress >> 16) & 0xFF));
    payload.append(char((startAddress >> 8) & 0xFF));
    payload.append(char(startAddress & 0xFF));
    payload.append(plainData);
    SRMemoryBlock block(payload);
    block.Scramble();
    return block;
}

std::array<quint8, 4> SRMemoryBlock::Seed() const
{
    return {ByteAt(0), ByteAt(1), ByteAt(2), ByteAt(3)};
}

QByteArray SRMemoryBlock::Data() const
{
    return IsWellFormed() ? m_payload.mid(HeaderSize) : QByteArray();
}

int SRMemoryBlock::DataLength() const
{
    return IsWellFormed() ? m_payload.size() - HeaderSize : 0;
}

int SRMemoryBlock::KeyOffset() const
{
    const auto s = Seed();
    return RecordScrambler::KeyOffsetFromSeed(s[0], s[1], s[2], s[3]);
}

bool SRMemoryBlock::KeyOffsetNegative() const
{
    const auto s = Seed();
    const quint32 product = quint32(s[0]) * quint32(s[1]) * quint32(s[2]) * quint32(s[3]);
    return static_cast<qint32>(product) % RecordScrambler::KeystreamSize < 0;
}

bool SRMemoryBlock::IsLogDataRegion() const
{
    const quint8 device = DeviceId();
    bool logDataUnit = false;
    for (quint8 unit : LogDataUnits)
        logDataUnit = logDataUnit || unit == device;
    if (!logDataUnit)
        return false;
    quint8 memory = 0;
    quint32 start = 0;
    quint32 size = 0;
    if (!Catalogue().GetRegion(device, RegionId::LogData, memory, start, size))
        return false;
    return memory == MemoryId() && start == StartAddress();
}

bool SRMemoryBlock::Scramble()
{
    if (!IsWellFormed())
        return false;
    return ScramblePayload(m_payload.data(), m_payload.size());
}

bool SRMemoryBlock::ScramblePayload(char *payload, qint64 length)
{
    if (length < HeaderSize)
        return false;
    // Only the fixed fields are needed to decide how to scramble.
    const SRMemoryBlock fields(QByteArray(payload, HeaderSize));
    char *data = payload + HeaderSize;
    const qint64 dataLength = length - HeaderSize;
    if (fields.IsLogDataRegion())
        SRDLDataComp::ScrambleBlocks(data, dataLength, fields.KeyOffset(), LogDataBlockSize);
    else
        RecordScrambler::Scramble(data, std::size_t(dataLength), quint64(fields.KeyOffset()));
    return true;
}

QString SRMemoryBlock::HeaderLine() const
{
    const QString hex = QStringLiteral("B0") + DeviceList::HexText(DeviceId(), 2)
        + DeviceList::HexText(MemoryId(), 2) + DeviceList::HexText(StartAddress(), 8);
    return hex + DeviceList::LineChecksum(hex);
}

QString SRMemoryBlock::DataLine() const
{
    const QString hex = QStringLiteral("B1") + QString::fromLatin1(Data().toHex());
    return hex + DeviceList::LineChecksum(hex);
}
