#include "DeviceList.h"

#include <QDebug>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {

struct RangeRow {
    quint8 memoryId;
    quint32 start;
    quint32 end;
};

struct RegionRow {
    int regionId;
    quint8 memoryId;
    quint32 start;
    quint32 size;
};

constexpr quint8 F = MemoryId::Flash;
constexpr quint8 E = MemoryId::Eeprom;
constexpr quint8 R = MemoryId::Ram;
constexpr quint8 Cf = MemoryId::Config;
constexpr quint8 B = MemoryId::Buffer;
constexpr quint8 P = MemoryId::Profile;

const RangeRow kDisplayRanges[] = {
    {F, 0x0, 0x1FFFF}, {F, 0x200000, 0x200007}, {F, 0x300000, 0x3FFFFF},
    {E, 0x0, 0x3FF}, {R, 0x0, 0xFFF}, {Cf, 0x300000, 0x30000D}, {B, 0x0, 0xFF},
};
const RangeRow kColourExtraRanges[] = {{P, 0x0, 0x1FFFFFF}};
const RangeRow kControllerRanges[] = {
    {F, 0x0, 0x7FFF}, {F, 0x200000, 0x200007}, {F, 0x3FFFFE, 0x3FFFFF},
    {E, 0x0, 0xFF}, {R, 0x0, 0xFFF}, {Cf, 0x300000, 0x30000D}, {B, 0x0, 0x100},
};
const RangeRow kAteProcessorRanges[] = {
    {F, 0x0, 0x1FFFF}, {F, 0x200000, 0x200007}, {F, 0x3FFFFE, 0x3FFFFF},
    {E, 0x0, 0x3FF}, {R, 0x0, 0xFFF}, {Cf, 0x300000, 0x30000D}, {B, 0x0, 0xFF},
};
const RangeRow kCo2Ranges[] = {
    {F, 0x0, 0x3FFF}, {F, 0x200000, 0x200007}, {F, 0x3FFFFE, 0x3FFFFF},
    {E, 0x0, 0xFF}, {R, 0x0, 0xFFF}, {Cf, 0x300000, 0x30000D}, {B, 0x0, 0xFF},
};
const RangeRow kBufferOnlyRanges[] = {{B, 0x0, 0xFF}};

// Regions in the order the catalogue adds them (lookups return the first match).
const RegionRow kDisplayRegions[] = {
    {0, F, 0x4000, 0x40}, {1, F, 0x4040, 0x40}, {2, F, 0x4080, 0x40},
    {3, F, 0x40C0, 0x40}, {4, F, 0x4100, 0x1BF00}, {6, F, 0x4100, 0xBF00},
    {7, F, 0x200000, 0x8}, {18, F, 0x20, 0x10}, {8, E, 0x0, 0x400},
    {13, F, 0x10000, 0x10000}, {16, F, 0x3FFFFE, 0x2},
};
const RegionRow kColourRegions[] = {
    {15, F, 0x1000, 0x80}, {0, F, 0x1080, 0x80}, {1, F, 0x1100, 0x80},
    {2, F, 0x1180, 0x80}, {3, F, 0x1200, 0x80}, {5, F, 0x1380, 0x80},
    {4, F, 0x1000, 0x1F000}, {6, F, 0x1000, 0x1F000}, {14, F, 0x1400, 0x4200},
    {7, F, 0x200000, 0x8}, {18, F, 0x20, 0x10}, {8, E, 0x0, 0x100},
    {9, E, 0x120, 0x2E0}, {10, E, 0x100, 0x300}, {12, E, 0x100, 0x20},
    {11, P, 0x0, 0x10000}, {13, P, 0x10000, 0x1FF0000}, {16, F, 0x3FFFFE, 0x2},
};
const RegionRow kControllerRegions[] = {
    {0, F, 0x2000, 0x40}, {1, F, 0x2040, 0x40}, {2, F, 0x2080, 0x40},
    {3, F, 0x20C0, 0x40}, {4, F, 0x2100, 0x2700}, {7, F, 0x200000, 0x8},
    {18, F, 0x20, 0x10}, {8, E, 0x0, 0x100}, {13, F, 0x4800, 0x3800},
    {16, F, 0x3FFFFE, 0x2},
};
const RegionRow kAteProcessorRegions[] = {{4, F, 0x2100, 0xDF00}};
const RegionRow kCo2Regions[] = {
    {4, F, 0x800, 0x3800}, {7, F, 0x200000, 0x8}, {16, F, 0x3FFFFE, 0x2},
};

struct Span {
    const void *rows;
    int count;
};
template <typename T, int N>
Span SpanOf(const T (&rows)[N]) { return Span{rows, N}; }

struct CatalogueRow {
    const char *name;
    quint8 deviceId;
    Span ranges;
    Span extraRanges;
    Span regions;
};

const Span kNone{nullptr, 0};

const CatalogueRow kCatalogue[] = {
    {"Display", 0xB0, SpanOf(kDisplayRanges), kNone, SpanOf(kDisplayRegions)},
    {"Display - Colour", 0xBC, SpanOf(kDisplayRanges), SpanOf(kColourExtraRanges), SpanOf(kColourRegions)},
    {"C1", 0xB2, SpanOf(kControllerRanges), kNone, SpanOf(kControllerRegions)},
    {"C2", 0xB4, SpanOf(kControllerRanges), kNone, SpanOf(kControllerRegions)},
    {"RTC", 0xA2, SpanOf(kBufferOnlyRanges), kNone, kNone},
    {"T0", 0x90, SpanOf(kBufferOnlyRanges), kNone, kNone},
    {"T1", 0x80, SpanOf(kBufferOnlyRanges), kNone, kNone},
    {"T2", 0x92, SpanOf(kBufferOnlyRanges), kNone, kNone},
    {"T3", 0x94, SpanOf(kBufferOnlyRanges), kNone, kNone},
    {"T4", 0x96, SpanOf(kBufferOnlyRanges), kNone, kNone},
    {"T5", 0x98, SpanOf(kBufferOnlyRanges), kNone, kNone},
    {"T6", 0x9A, SpanOf(kBufferOnlyRanges), kNone, kNone},
    {"T7", 0x9C, SpanOf(kBufferOnlyRanges), kNone, kNone},
    {"T8", 0x9E, SpanOf(kBufferOnlyRanges), kNone, kNone},
    {"ATE Processor", 0xBE, SpanOf(kAteProcessorRanges), kNone, SpanOf(kAteProcessorRegions)},
    {"ATE Sensor Pots", 0x58, SpanOf(kBufferOnlyRanges), kNone, kNone},
    {"ATE Battery Pots", 0x5A, SpanOf(kBufferOnlyRanges), kNone, kNone},
    {"ATE Dig I/O 1", 0x40, SpanOf(kBufferOnlyRanges), kNone, kNone},
    {"ATE Dig I/O 2", 0x42, SpanOf(kBufferOnlyRanges), kNone, kNone},
    {"ATE Dig I/O 3", 0x44, SpanOf(kBufferOnlyRanges), kNone, kNone},
    {"CO2 Sensor", 0xB6, SpanOf(kCo2Ranges), kNone, SpanOf(kCo2Regions)},
    {"Compass", 0x3A, SpanOf(kBufferOnlyRanges), kNone, kNone},
    {"User Defined", 0x00, SpanOf(kBufferOnlyRanges), kNone, kNone},
};

struct NameRow {
    quint8 deviceId;
    const char *deviceName; // nullptr: falls back to the unknown text
    const char *typeName;
};

const NameRow kNames[] = {
    {0xB0, "Display", "Display Mono"},
    {0xB2, "Controller 1", "C1"},
    {0xB4, "Controller 2", "C2"},
    {0xB6, nullptr, "CO2 Sensor"},
    {0xB8, nullptr, "Bridge"},
    {0xBC, "Display Colour", "Display Colour"},
    {0xBE, nullptr, "ATE"},
};

const char *const kMemoryNames[] = {nullptr, "Flash", "Eeprom", "Ram", "Config", "Buffer", "Profile"};

// Bytes of a hex text; false when any pair is not hexadecimal.
bool ParseHexBytes(const QString &hex, QByteArray &out)
{
    // Sized once: log loading parses every line of a long dive this way.
    const int count = hex.size() / 2;
    out.resize(count);
    char *bytes = out.data();
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        const int hi = DeviceList::HexDigitValue(hex.at(2 * i));
        const int lo = DeviceList::HexDigitValue(hex.at(2 * i + 1));
        if (hi < 0 || lo < 0) {
            ok = false;
            bytes[i] = 0;
        } else {
            bytes[i] = char((hi << 4) | lo);
        }
    }
    return ok;
}

float FloatFromBits(quint32 bits)
{
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

} // namespace

// ---------------------------------------------------------------- DeviceEntry

DeviceEntry::DeviceEntry(const QString &name, quint8 deviceId)
    : m_name(name), m_deviceId(deviceId)
{
}

bool DeviceEntry::AddMemoryRange(quint8 memoryId, quint32 start, quint32 end)
{
    if (memoryId >= MemoryIdCount)
        return false;
    for (MemoryRange &r : m_ranges[memoryId]) {
        if (!r.used) {
            r.start = start;
            r.end = end;
            r.used = true;
            return true;
        }
    }
    return false;
}

bool DeviceEntry::AddRegion(int regionId, quint8 memoryId, quint32 start, quint32 size)
{
    if (m_regionCount >= MaxRegions)
        return false;
    DeviceRegion &r = m_regions[m_regionCount++];
    r.regionId = regionId;
    r.memoryId = memoryId;
    r.start = start;
    r.size = size;
    r.used = true;
    return true;
}

MemoryRange DeviceEntry::Range(quint8 memoryId, int index) const
{
    if (memoryId >= MemoryIdCount || index < 0 || index >= MaxRangesPerMemory)
        return MemoryRange();
    return m_ranges[memoryId][index];
}

DeviceRegion DeviceEntry::RegionAt(int index) const
{
    if (index < 0 || index >= m_regionCount)
        return DeviceRegion();
    return m_regions[index];
}

const DeviceRegion *DeviceEntry::FindRegion(int regionId) const
{
    for (int i = 0; i < m_regionCount; ++i) {
        if (m_regions[i].used && m_regions[i].regionId == regionId)
            return &m_regions[i];
    }
    return nullptr;
}

bool DeviceEntry::ContainsSpan(quint8 memoryId, quint32 start, quint32 length) const
{
    if (memoryId >= MemoryIdCount)
        return false;
    const quint64 first = start;
    const quint64 last = length == 0 ? first : first + length - 1;
    for (const MemoryRange &r : m_ranges[memoryId]) {
        if (r.used && first >= r.start && last <= r.end)
            return true;
    }
    return false;
}

// ----------------------------------------------------------------- DeviceList

DeviceList::DeviceList()
{
    for (const CatalogueRow &row : kCatalogue) {
        DeviceEntry &entry = Add(QString::fromLatin1(row.name), row.deviceId);
        for (const Span &span : {row.ranges, row.extraRanges}) {
            const auto *ranges = static_cast<const RangeRow *>(span.rows);
            for (int i = 0; i < span.count; ++i)
                entry.AddMemoryRange(ranges[i].memoryId, ranges[i].start, ranges[i].end);
        }
        const auto *regions = static_cast<const RegionRow *>(row.regions.rows);
        for (int i = 0; i < row.regions.count; ++i)
            entry.AddRegion(regions[i].regionId, regions[i].memoryId, regions[i].start, regions[i].size);
    }
}

DeviceEntry &DeviceList::Add(const QString &name, quint8 deviceId)
{
    m_devices.append(DeviceEntry(name, deviceId));
    return m_devices.last();
}

const DeviceEntry *DeviceList::FindDevice(quint8 deviceId) const
{
    for (const DeviceEntry &e : m_devices) {
        if (e.Id() == deviceId)
            return &e;
    }
    return nullptr;
}

bool DeviceList::GetMemoryRange(quint8 deviceId, quint8 memoryId, int rangeIndex,
                                quint32 &start, quint32 &end) const
{
    const DeviceEntry *e = FindDevice(deviceId);
    if (!e || memoryId >= DeviceEntry::MemoryIdCount || rangeIndex < 0
        || rangeIndex >= DeviceEntry::MaxRangesPerMemory)
        return false;
    const MemoryRange r = e->Range(memoryId, rangeIndex);
    start = r.used ? r.start : 0;
    end = r.used ? r.end : 0;
    return true;
}

bool DeviceList::GetRegion(quint8 deviceId, int regionId, quint8 &memoryId,
                           quint32 &start, quint32 &size) const
{
    const DeviceEntry *e = FindDevice(deviceId);
    const DeviceRegion *r = e ? e->FindRegion(regionId) : nullptr;
    if (!r)
        return false;
    memoryId = r->memoryId;
    start = r->start;
    size = r->size;
    return true;
}

bool DeviceList::GetRegionStartEnd(quint8 deviceId, int regionId, quint32 &start, quint32 &end) const
{
    quint8 memoryId = 0;
    quint32 s = 0, size = 0;
    if (!GetRegion(deviceId, regionId, memoryId, s, size))
        return false;
    start = s;
    end = s + size - 1;
    return true;
}

bool DeviceList::GetRegionMemory(quint8 deviceId, int regionId, quint8 &memoryId) const
{
    quint32 s = 0, size = 0;
    return GetRegion(deviceId, regionId, memoryId, s, size);
}

bool DeviceList::GetRegionStart(quint8 deviceId, int regionId, quint32 &start) const
{
    quint8 memoryId = 0;
    quint32 size = 0;
    return GetRegion(deviceId, regionId, memoryId, start, size);
}

QString DeviceList::DeviceName(quint8 deviceId)
{
    for (const NameRow &row : kNames) {
        if (row.deviceId == deviceId && row.deviceName)
            return QString::fromLatin1(row.deviceName);
    }
    return QStringLiteral("Unknown Device ID");
}

QString DeviceList::DeviceTypeName(quint8 deviceId)
{
    for (const NameRow &row : kNames) {
        if (row.deviceId == deviceId)
            return QString::fromLatin1(row.typeName);
    }
    return QStringLiteral("Unknown Device");
}

QString DeviceList::MemoryName(quint8 memoryId)
{
    if (memoryId < sizeof kMemoryNames / sizeof kMemoryNames[0] && kMemoryNames[memoryId])
        return QString::fromLatin1(kMemoryNames[memoryId]);
    return QStringLiteral("Unknown Memory");
}

// ---------------------------------------------------------------- Conversions

QString DeviceList::GasText(int oxygenPercent, int heliumPercent)
{
    if (heliumPercent == 0) {
        if (oxygenPercent == 100)
            return QStringLiteral("OXYGEN");
        if (oxygenPercent == 21)
            return QStringLiteral("AIR");
        return QStringLiteral("%1% Nx").arg(oxygenPercent);
    }
    if (heliumPercent == 100)
        return QStringLiteral("HELIUM");
    return QStringLiteral("%1/%2").arg(oxygenPercent).arg(heliumPercent);
}

QString DeviceList::GasTextFromReals(double oxygenPercent, double heliumPercent)
{
    return GasText(int(oxygenPercent), int(heliumPercent));
}

QString DeviceList::HexText(quint64 value, int width)
{
    return QStringLiteral("%1").arg(value, width, 16, QLatin1Char('0')).toUpper();
}

quint32 DeviceList::VersionNumber(quint8 first, quint8 second, quint8 third)
{
    // Each nibble is a decimal digit; a nibble above 9 still counts at its value.
    auto packed = [](quint8 b) { return quint32((b >> 4) * 10 + (b & 0x0F)); };
    return packed(first) * 1000000u + packed(second) * 1000u + packed(third);
}

double DeviceList::DecimalDegrees(double degrees, double minutes, double seconds,
                                  const QString &hemisphere)
{
    const double value = degrees + minutes / 60.0 + seconds / 3600.0;
    const QString h = hemisphere.trimmed();
    if (h == QLatin1String("S") || h == QLatin1String("W"))
        return -value;
    return value;
}

QByteArray DeviceList::HexToBytes(const QString &hex)
{
    QByteArray out;
    ParseHexBytes(hex, out);
    return out;
}

double DeviceList::FixedPointFromHex(const QString &hex)
{
    if (hex.size() != 8)
        return -1.0;
    QByteArray b;
    if (!ParseHexBytes(hex, b))
        return -1.0;
    const quint32 raw = qFromLittleEndian<quint32>(b.constData());
    return double(raw) / 4096.0;
}

float DeviceList::RealFromHex(const QString &hex)
{
    if (hex.size() != 8)
        return 0.0f;
    for (QChar c : hex) {
        const ushort u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'A' && u <= 'F')))
            return 0.0f;
    }
    return FloatFromBits(hex.toUInt(nullptr, 16));
}

float DeviceList::DeviceRealValue(quint8 b0, quint8 b1, quint8 b2, quint8 b3)
{
    const quint8 third = quint8((b2 & 0x7F) | ((b3 & 0x01) << 7));
    const quint8 fourth = quint8((b3 >> 1) | (b2 & 0x80));
    const quint32 bits = quint32(b0) | (quint32(b1) << 8) | (quint32(third) << 16)
                         | (quint32(fourth) << 24);
    return FloatFromBits(bits);
}

qint32 DeviceList::Signed32(quint8 b0, quint8 b1, quint8 b2, quint8 b3)
{
    const quint32 u = (quint32(b0) << 24) | (quint32(b1) << 16) | (quint32(b2) << 8) | quint32(b3);
    return qint32(u);
}

quint32 DeviceList::UnsignedFromHex(const QString &hex)
{
    bool ok = false;
    const quint32 v = hex.trimmed().toUInt(&ok, 16);
    return ok ? v : 0u;
}

bool DeviceList::EqualWithinTolerance(double a, double b, double tolerance)
{
    return std::fabs(a - b) < tolerance;
}

bool DeviceList::LineCheck(const QString &hexLine)
{
    if (hexLine.size() < 4)
        return false;
    // Pair by pair, without a byte copy: a log load checks every line.
    const QChar *chars = hexLine.constData();
    const int pairs = hexLine.size() / 2; // a trailing odd digit is ignored
    int x = 0;
    for (int i = 0; i < pairs; ++i) {
        const int hi = HexDigitValue(chars[2 * i]);
        const int lo = HexDigitValue(chars[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        x ^= (hi << 4) | lo;
    }
    // x holds every byte including the last: the rest XOR to the last
    // exactly when x is 0.
    return x == 0;
}

QString DeviceList::LineChecksum(const QString &hexLine)
{
    QByteArray b;
    ParseHexBytes(hexLine, b);
    quint8 x = 0;
    for (char c : b)
        x ^= quint8(c);
    return HexText(x, 2);
}

bool DeviceList::IsSerialNumberForm(const QString &serial)
{
    if (serial.size() < 9)
        return false;
    const ushort c0 = serial.at(0).unicode();
    const ushort c1 = serial.at(1).unicode();
    const ushort c2 = serial.at(2).unicode();
    return c0 >= '0' && c0 <= '9' && c1 >= '0' && c1 <= '9' && c2 >= 'A' && c2 <= 'L';
}

QString DeviceList::DurationText(double seconds, int decimals)
{
    if (decimals < 0)
        decimals = 0;
    const bool negative = seconds < 0;
    // Round once to the shown precision so 59.999 with two decimals carries
    // into the minute instead of printing "60.00".
    const double scale = std::pow(10.0, decimals);
    const qint64 units = qint64(decimals == 0 ? std::trunc(std::fabs(seconds))
                                              : std::round(std::fabs(seconds) * scale));
    const qint64 unitsPerSecond = qint64(scale);
    const qint64 wholeSeconds = units / unitsPerSecond;
    const qint64 fraction = units % unitsPerSecond;
    const qint64 hours = wholeSeconds / 3600;
    const qint64 minutes = (wholeSeconds / 60) % 60;
    const qint64 secs = wholeSeconds % 60;
    QString secText = QStringLiteral("%1").arg(secs, 2, 10, QLatin1Char('0'));
    if (decimals > 0)
        secText += QLatin1Char('.') + QStringLiteral("%1").arg(fraction, decimals, 10, QLatin1Char('0'));
    return QStringLiteral("%1%2:%3:%4")
        .arg(negative && units != 0 ? QStringLiteral("-") : QString())
        .arg(hours, 2, 10, QLatin1Char('0'))
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(secText);
}

QString DeviceList::UtcOffsetText(int offsetSeconds)
{
    if (offsetSeconds == 0)
        return QStringLiteral("00:00");
    const int a = offsetSeconds < 0 ? -offsetSeconds : offsetSeconds;
    return QStringLiteral("%1%2:%3 UTC")
        .arg(offsetSeconds < 0 ? QStringLiteral("-") : QStringLiteral("+"))
        .arg(a / 3600, 2, 10, QLatin1Char('0'))
        .arg((a / 60) % 60, 2, 10, QLatin1Char('0'));
}

QString DeviceList::BannerLine(const QString &text)
{
    return QStringLiteral("********** ") + text + QStringLiteral(" *********");
}

QString DeviceList::AsteriskLine()
{
    return QString(86, QLatin1Char('*'));
}

void DeviceList::LogBanner(const QString &text)
{
    qInfo().noquote() << BannerLine(text);
}

void DeviceList::LogAsteriskLine()
{
    qInfo().noquote() << AsteriskLine();
}

