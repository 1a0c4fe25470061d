#include "SimProfiles.h"

#include "SimClockUnit.h"

namespace SimProfileFacts {
const char *const HandsetSerial = "23C0041712";
const char *const C1Serial = "23C0041712";
const char *const C2Serial = "23C0041712";
const char *const UserName = "Alex Diver";
const char *const UserTelephone = "+44 1234 567890";
const char *const UserPostCode = "PL1 2AB";
} // namespace SimProfileFacts

namespace {

struct ProfileRow {
    SimProfile profile;
    const char *name;
};

const ProfileRow kProfileNames[] = {
    {SimProfile::Empty, "empty"},
    {SimProfile::MonoSerial, "mono-serial"},
    {SimProfile::ColourV1Usb, "colour-v1-usb"},
    {SimProfile::ColourV2Usb, "colour-v2-usb"},
    {SimProfile::ColourV2Bluetooth, "colour-v2-bluetooth"},
    {SimProfile::BluetoothBridgeOnly, "bluetooth-bridge"},
};

// Code versions (packed decimal major, minor, patch).
const QByteArray kMonoCode("\x06\x02\x11", 3);
const QByteArray kColourV1Code("\x07\x00\x02", 3);
const QByteArray kColourV2Code("\x07\x01\x04", 3);

// Region 7 / 18 layout: day, month, year - 2000 (plain numbers), then five
// version bytes of which the last three are the packed-decimal version.
const quint8 kCodeDay = 14, kCodeMonth = 3, kCodeYear = 24;
const quint8 kBootDay = 2, kBootMonth = 11, kBootYear = 21;
// Bootloader version bytes b3..b7: b3 carries bits 0, 1 and 3, b5 is 3.
const QByteArray kBootVersion("\x0B\x00\x03\x01\x07", 5);

constexpr int kSerialOffset = 22;
constexpr int kSerialSize = 12;
constexpr int kHardwareConfigOffset = 35;
constexpr int kUserNameOffset = 0, kUserNameSize = 16;
constexpr int kTelephoneOffset = 18, kTelephoneSize = 16;
constexpr int kPostCodeOffset = 36, kPostCodeSize = 16;

QByteArray Padded(const QString &text, int size)
{
    QByteArray b = text.toLatin1().left(size);
    b.append(QByteArray(size - b.size(), ' '));
    return b;
}

void WriteRegion(SimUnit &unit, int regionId, int offset, const QByteArray &bytes)
{
    const DeviceList catalogue;
    quint8 memoryId = 0;
    quint32 start = 0, size = 0;
    if (catalogue.GetRegion(unit.DeviceId(), regionId, memoryId, start, size))
        unit.WriteMemory(memoryId, start + quint32(offset), bytes);
}

void SetBootloaderDetails(SimUnit &unit)
{
    QByteArray b;
    b.append(char(kBootDay)).append(char(kBootMonth)).append(char(kBootYear)).append(kBootVersion);
    WriteRegion(unit, RegionId::BootloaderDetails, 0, b);
}

void SetCommonUnitContent(SimUnit &unit, const QString &serial, const QByteArray &codeVersion)
{
    SimProfiles::SetSerialNumber(unit, serial);
    WriteRegion(unit, RegionId::SystemInformation, kHardwareConfigOffset,
                QByteArray(1, char(SimProfileFacts::HardwareConfig)));
    SimProfiles::SetCodeDetails(unit, codeVersion);
    SetBootloaderDetails(unit);
    unit.WriteMemory(MemoryId::Eeprom, 0, QByteArray(1, char(SimProfileFacts::CodeValidityByte)));
}

void AddBus(SimulatedBus &bus, quint8 handsetId, const QByteArray &code)
{
    SimProfiles::AddHandset(bus, handsetId, code);
    SimProfiles::AddController(bus, DeviceId::C1, QString::fromLatin1(SimProfileFacts::C1Serial), code);
    SimProfiles::AddController(bus, DeviceId::C2, QString::fromLatin1(SimProfileFacts::C2Serial), code);
    SimProfiles::AddClock(bus);
}

} // namespace

void SimProfiles::SetSerialNumber(SimUnit &unit, const QString &serial)
{
    WriteRegion(unit, RegionId::SystemInformation, kSerialOffset, Padded(serial, kSerialSize));
}

void SimProfiles::SetCodeDetails(SimUnit &unit, const QByteArray &codeVersion)
{
    QByteArray b;
    b.append(char(kCodeDay)).append(char(kCodeMonth)).append(char(kCodeYear));
    b.append(char(0x01)).append(char(0x00));
    b.append(codeVersion.left(3));
    WriteRegion(unit, RegionId::CodeDetails, 0, b);
}

SimUnit &SimProfiles::AddHandset(SimulatedBus &bus, quint8 deviceId, const QByteArray &codeVersion)
{
    SimUnit &unit = bus.AddUnit(deviceId);
    SetCommonUnitContent(unit, QString::fromLatin1(SimProfileFacts::HandsetSerial), codeVersion);
    QByteArray user = Padded(QString::fromLatin1(SimProfileFacts::UserName), kUserNameSize);
    user.append(2, ' ');
    user.append(Padded(QString::fromLatin1(SimProfileFacts::UserTelephone), kTelephoneSize));
    user.append(2, ' ');
    user.append(Padded(QString::fromLatin1(SimProfileFacts::UserPostCode), kPostCodeSize));
    Q_ASSERT(user.size() == kPostCodeOffset + kPostCodeSize);
    Q_UNUSED(kUserNameOffset);
    Q_UNUSED(kTelephoneOffset);
    WriteRegion(unit, RegionId::UserInformation, 0, user);

    // The display's stored time: a few minutes behind the host clock,
    // plain numbers day, month, year - 2000, hour, minute, second.
    const QDateTime t = QDateTime::currentDateTime().addSecs(-300);
    QByteArray time;
    time.append(char(t.date().day())).append(char(t.date().month()))
        .append(char(t.date().year() - 2000)).append(char(t.time().hour()))
        .append(char(t.time().minute())).append(char(t.time().second()));
    WriteRegion(unit, RegionId::Eeprom, SimProfileFacts::EepromTimeOffset, time);
    return unit;
}

SimUnit &SimProfiles::AddController(SimulatedBus &bus, quint8 deviceId, const QString &serial,
                                    const QByteArray &codeVersion)
{
    SimUnit &unit = bus.AddUnit(deviceId);
    SetCommonUnitContent(unit, serial, codeVersion);
    return unit;
}

SimUnit &SimProfiles::AddClock(SimulatedBus &bus)
{
    return bus.AddUnit(std::make_unique<SimClockUnit>());
}

void SimProfiles::Build(SimProfile profile, SimulatedBus &bus, int dives)
{
    for (quint8 id : bus.UnitIds())
        bus.RemoveUnit(id);
    SimBridge bridge;
    switch (profile) {
    case SimProfile::Empty:
        break;
    case SimProfile::MonoSerial:
        AddBus(bus, DeviceId::DisplayMono, kMonoCode);
        break;
    case SimProfile::ColourV1Usb:
        bridge.plainCable = false;
        bridge.type = 3;
        AddBus(bus, DeviceId::DisplayColour, kColourV1Code);
        break;
    case SimProfile::ColourV2Usb:
        bridge.plainCable = false;
        bridge.type = 3;
        AddBus(bus, DeviceId::DisplayColour, kColourV2Code);
        break;
    case SimProfile::ColourV2Bluetooth:
        bridge.plainCable = false;
        bridge.type = 2;
        AddBus(bus, DeviceId::DisplayColour, kColourV2Code);
        break;
    case SimProfile::BluetoothBridgeOnly:
        bridge.plainCable = false;
        bridge.type = 1;
        break;
    }
    bus.Bridge() = bridge;
    SetSampleDives(profile, bus, dives);
}

bool SimProfiles::LogFormat(SimProfile profile, SimLogMemory::Format &format)
{
    switch (profile) {
    case SimProfile::MonoSerial:
        format = SimLogMemory::Format::Mono;
        return true;
    case SimProfile::ColourV1Usb:
        format = SimLogMemory::Format::ColourV1;
        return true;
    case SimProfile::ColourV2Usb:
    case SimProfile::ColourV2Bluetooth:
        format = SimLogMemory::Format::ColourV2;
        return true;
    case SimProfile::Empty:
    case SimProfile::BluetoothBridgeOnly:
        break;
    }
    return false;
}

bool SimProfiles::SetSampleDives(SimProfile profile, SimulatedBus &bus, int dives)
{
    SimLogMemory::Format format;
    if (!LogFormat(profile, format))
        return false;
    SimLogMemory memory(format, SimLogMemory::SampleDives(qMax(0, dives), SimLogMemory::IsWide(format)));
    return memory.WriteTo(bus);
}

QString SimProfiles::Name(SimProfile profile)
{
    for (const ProfileRow &row : kProfileNames) {
        if (row.profile == profile)
            return QString::fromLatin1(row.name);
    }
    return QString();
}

bool SimProfiles::FromName(const QString &name, SimProfile &profile)
{
    for (const ProfileRow &row : kProfileNames) {
        if (name == QLatin1String(row.name)) {
            profile = row.profile;
            return true;
        }
    }
    return false;
}

QStringList SimProfiles::Names()
{
    QStringList names;
    for (const ProfileRow &row : kProfileNames)
        names << QString::fromLatin1(row.name);
    return names;
}
