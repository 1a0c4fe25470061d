#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

// Device ids of the units on the rebreather bus.
namespace DeviceId {
constexpr quint8 DisplayMono = 0xB0;
constexpr quint8 DisplayColour = 0xBC;
constexpr quint8 C1 = 0xB2;
constexpr quint8 C2 = 0xB4;
constexpr quint8 Co2Sensor = 0xB6;
constexpr quint8 Bridge = 0xB8;
constexpr quint8 Rtc = 0xA2;
constexpr quint8 AteProcessor = 0xBE;
constexpr quint8 Compass = 0x3A;
constexpr quint8 UserDefined = 0x00;
} // namespace DeviceId

// Memory ids of a unit.
namespace MemoryId {
constexpr quint8 Flash = 1;
constexpr quint8 Eeprom = 2;
constexpr quint8 Ram = 3;
constexpr quint8 Config = 4;
constexpr quint8 Buffer = 5;
constexpr quint8 Profile = 6;
} // namespace MemoryId

// Region ids: numbered fixed blocks of a unit. Not every unit has every region.
namespace RegionId {
constexpr int SystemInformation = 0;
constexpr int UserInformation = 1;
constexpr int SystemVariables = 2;
constexpr int DecompressionOptions = 3;
constexpr int CodeArea = 4;
constexpr int ColourDisplayBlock = 5;
constexpr int CodeWarningLimit = 6;
constexpr int CodeDetails = 7;
constexpr int Eeprom = 8;
constexpr int EepromPart9 = 9;
constexpr int EepromPart10 = 10;
constexpr int LogBook = 11;
constexpr int EepromPart12 = 12;
constexpr int LogData = 13;
constexpr int ColourDisplayFlashBlock = 14;
constexpr int LoggingPointers = 15;
constexpr int FlashLastWord = 16;
constexpr int BootloaderDetails = 18;
} // namespace RegionId

struct MemoryRange {
    quint32 start = 0;
    quint32 end = 0; // inclusive
    bool used = false;
};

struct DeviceRegion {
    int regionId = 0;
    quint8 memoryId = 0;
    quint32 start = 0;
    quint32 size = 0;
    bool used = false;
};

// One unit of the catalogue: id, memory ranges per memory id and named regions.
class DeviceEntry
{
public:
    static constexpr int MemoryIdCount = 7;      // memory ids 0-6
    static constexpr int MaxRangesPerMemory = 5;
    static constexpr int MaxRegions = 20;

    DeviceEntry() = default;
    DeviceEntry(const QString &name, quint8 deviceId);

    QString Name() const { return m_name; }
    quint8 Id() const { return m_deviceId; }

    // Refused (false) for a memory id above 6 or when that memory has 5 ranges.
    bool AddMemoryRange(quint8 memoryId, quint32 start, quint32 end);
    // Refused (false) once 20 regions are held.
    bool AddRegion(int regionId, quint8 memoryId, quint32 start, quint32 size);

    // The slot's range; an empty slot gives 0, 0 and used false.
    MemoryRange Range(quint8 memoryId, int index) const;
    int RegionCount() const { return m_regionCount; }
    DeviceRegion RegionAt(int index) const;
    // First used region with that id, or nullptr.
    const DeviceRegion *FindRegion(int regionId) const;
    // True when [start, start + length) lies inside one used range of the memory.
    bool ContainsSpan(quint8 memoryId, quint32 start, quint32 length) const;

private:
    QString m_name;
    quint8 m_deviceId = 0;
    MemoryRange m_ranges[MemoryIdCount][MaxRangesPerMemory];
    DeviceRegion m_regions[MaxRegions];
    int m_regionCount = 0;
};

// The program's fixed catalogue of bus units, plus conversion helpers shared
// by the log parser, upload loader and UDDF export. Read-only after
// construction, so it may be read from any thread.
class DeviceList
{
public:
    DeviceList();

    int DeviceCount() const { return m_devices.size(); }
    const DeviceEntry &DeviceAt(int index) const { return m_devices.at(index); }
    // First entry with the id, or nullptr.
    const DeviceEntry *FindDevice(quint8 deviceId) const;

    // Lookups: false when the device (or its region) is not in the catalogue.
    bool GetMemoryRange(quint8 deviceId, quint8 memoryId, int rangeIndex,
                        quint32 &start, quint32 &end) const;
    bool GetRegion(quint8 deviceId, int regionId, quint8 &memoryId,
                   quint32 &start, quint32 &size) const;
    bool GetRegionStartEnd(quint8 deviceId, int regionId, quint32 &start, quint32 &end) const;
    bool GetRegionMemory(quint8 deviceId, int regionId, quint8 &memoryId) const;
    bool GetRegionStart(quint8 deviceId, int regionId, quint32 &start) const;

    // Name texts used in messages.
    static QString DeviceName(quint8 deviceId);     // "Display", "Controller 1", ...
    static QString DeviceTypeName(quint8 deviceId); // "Display Mono", "C1", ...
    static QString MemoryName(quint8 memoryId);     // "Flash", ..., "Unknown Memory"

    // --- Conversions ---
    // "OXYGEN", "AIR", "32% Nx", "HELIUM" or "18/45".
    static QString GasText(int oxygenPercent, int heliumPercent);
    // Same, the percentages truncated to integers first.
    static QString GasTextFromReals(double oxygenPercent, double heliumPercent);
    // Upper-case hexadecimal, zero-padded on the left to width digits.
    static QString HexText(quint64 value, int width);
    // Packed-decimal code-detail bytes: 0x01 0x23 0x45 -> 1023045.
    static quint32 VersionNumber(quint8 first, quint8 second, quint8 third);
    // Decimal degrees; negative for hemisphere "S" or "W" (trimmed).
    static double DecimalDegrees(double degrees, double minutes, double seconds,
                                 const QString &hemisphere);
    // Value 0-15 of one hexadecimal digit (either case), or -1. Inline: log
    // loading decodes every character of a long dive with it.
    static int HexDigitValue(QChar c)
    {
        const ushort u = c.unicode();
        if (u >= '0' && u <= '9')
            return u - '0';
        if (u >= 'A' && u <= 'F')
            return u - 'A' + 10;
        if (u >= 'a' && u <= 'f')
            return u - 'a' + 10;
        return -1;
    }
    // Every pair of hexadecimal digits becomes one byte; a pair that is not
    // hexadecimal gives 0, a trailing odd digit is ignored.
    static QByteArray HexToBytes(const QString &hex);
    // 8 hex digits, bytes least significant first, unsigned / 4096; -1 otherwise.
    static double FixedPointFromHex(const QString &hex);
    // 8 hex digits (0-9, A-F) of an IEEE single, most significant byte first; 0 otherwise.
    static float RealFromHex(const QString &hex);
    // The device's own float layout (b3 exponent byte, sign in bit 7 of b2).
    static float DeviceRealValue(quint8 b0, quint8 b1, quint8 b2, quint8 b3);
    // Signed 32-bit from four bytes, most significant first.
    static qint32 Signed32(quint8 b0, quint8 b1, quint8 b2, quint8 b3);
    // Unsigned value of hexadecimal text; 0 when not hexadecimal.
    static quint32 UnsignedFromHex(const QString &hex);
    // |a - b| < tolerance.
    static bool EqualWithinTolerance(double a, double b, double tolerance);
    // A hex line of at least 4 digits whose bytes XOR (all but the last)
    // equals the last byte.
    static bool LineCheck(const QString &hexLine);
    // XOR of all bytes of the hex line, two upper-case hex digits.
    static QString LineChecksum(const QString &hexLine);
    // At least 9 characters, two digits then a letter A-L.
    static bool IsSerialNumberForm(const QString &serial);
    // "[-]hh:mm:ss" or, with decimals, "[-]hh:mm:ss.ddd".
    static QString DurationText(double seconds, int decimals = 0);
    // "00:00" for zero, else "+hh:mm UTC" / "-hh:mm UTC".
    static QString UtcOffsetText(int offsetSeconds);
    // Status-log banner: "********** text *********" and 86 asterisks.
    static QString BannerLine(const QString &text);
    static QString AsteriskLine();
    static void LogBanner(const QString &text);    // info level
    static void LogAsteriskLine();                 // info level

private:
    DeviceEntry &Add(const QString &name, quint8 deviceId);
    QVector<DeviceEntry> m_devices;
};
