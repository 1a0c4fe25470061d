#pragma once

#include "SimLogMemory.h"
#include "SimulatedBus.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// Ready-made buses with the content a real device holds.
enum class SimProfile {
    Empty,               // a plain cable with nothing behind it
    MonoSerial,          // mono handset 0xB0, C1, C2, RTC, plain serial cable
    ColourV1Usb,         // colour handset 0xBC, code 07.00.02, C1, C2, RTC, USB handset bridge
    ColourV2Usb,         // colour handset 0xBC, code 07.01.04, C1, C2, RTC, USB handset bridge
    ColourV2Bluetooth,   // as ColourV2Usb behind a Bluetooth handset bridge
    BluetoothBridgeOnly, // a Bluetooth bridge with no handset
};

// Fixed facts of the profiles, in one place for tests and docs.
namespace SimProfileFacts {
extern const char *const HandsetSerial;    // region 0 bytes 22-33, space padded
extern const char *const C1Serial;
extern const char *const C2Serial;
extern const char *const UserName;
extern const char *const UserTelephone;
extern const char *const UserPostCode;
constexpr quint8 HardwareConfig = 0x05;
constexpr quint8 CodeValidityByte = 0x01;  // EEPROM address 0, below 16 means valid
constexpr int EepromTimeOffset = 42;       // display EEPROM time, from region 8 start
} // namespace SimProfileFacts

class SimProfiles
{
public:
    // Dives a handset of a profile holds unless told otherwise.
    static constexpr int DefaultDiveCount = 6;

    // dives: sessions in the handset's log memory (SimLogMemory::SampleDives);
    // 0 leaves it as a new unit's, with nothing logged.
    static void Build(SimProfile profile, SimulatedBus &bus, int dives = DefaultDiveCount);
    // Replaces the log memory of the profile's handset with dives sample dives;
    // false for a profile without a handset.
    static bool SetSampleDives(SimProfile profile, SimulatedBus &bus, int dives);
    static QString Name(SimProfile profile);
    static bool FromName(const QString &name, SimProfile &profile);
    static QStringList Names();
    // The logging format of the profile's handset; false without a handset.
    static bool LogFormat(SimProfile profile, SimLogMemory::Format &format);

    // Unit builders, usable for custom buses.
    // codeVersion: three packed-decimal bytes, e.g. {0x07, 0x00, 0x03}.
    static SimUnit &AddHandset(SimulatedBus &bus, quint8 deviceId, const QByteArray &codeVersion);
    static SimUnit &AddController(SimulatedBus &bus, quint8 deviceId, const QString &serial,
                                  const QByteArray &codeVersion);
    static SimUnit &AddClock(SimulatedBus &bus);

    // Writes code details (region 7) for a unit: date 14/03/24, the given version bytes.
    static void SetCodeDetails(SimUnit &unit, const QByteArray &codeVersion);
    // Writes the serial number text into region 0 bytes 22-33 (space padded).
    static void SetSerialNumber(SimUnit &unit, const QString &serial);
};
