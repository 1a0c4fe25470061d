#pragma once

#include "SimulatedBus.h"
#include "SimUnit.h"

#include <QByteArray>
#include <QSet>

// Firmware behaviour of the simulated units for uploads. Program Flash,
// ID, configuration and EEPROM writes of every unit already persist and
// read back (SimUnit), so the code-validity byte at EEPROM 0 follows the
// upload's stages and a colour display's code details (and with them its
// logging format) follow the ID bytes an upload writes. Added here: the CO2
// sensor's bootloader entry and faults for upload tests.
namespace SimFirmware {

// Last Flash word (region 16) of the CO2 sensor: in its application, and
// in its bootloader (((w >> 5) & ~7) + ((w & 0xFF) >> 5) == 138).
constexpr quint16 Co2ApplicationWord = 0x0F20;
constexpr quint16 Co2BootloaderWord = 0x1140;
constexpr quint32 Co2LastWordAddress = 0x3FFFFE;
constexpr quint32 Co2UnlockAddress = 0x7F;
constexpr quint8 Co2UnlockValue = 0xA5;
constexpr quint32 Co2CommandAddress = 0x40;

// Adds a CO2 sensor (0xB6) running its application: code details with the
// given packed-decimal version, code valid, last Flash word
// Co2ApplicationWord. Writing Co2UnlockValue to Buffer 0x7F and then
// "Vexo" to Buffer 0x40 puts it into its bootloader.
SimUnit &AddCo2Sensor(SimulatedBus &bus, const QByteArray &codeVersion);

// From now on the unit answers a write to that memory at any of these
// addresses with status 128, as a unit refusing to program a page does.
void RefuseWritesAt(SimUnit &unit, quint8 memoryId, const QSet<quint32> &addresses);
void RefuseFlashWritesAt(SimUnit &unit, const QSet<quint32> &addresses);
// Ends every refusal.
void ClearRefusals(SimUnit &unit);

} // namespace SimFirmware

// The CO2 sensor: Buffer writes drive its bootloader entry.
class SimCo2SensorUnit : public SimUnit
{
public:
    SimCo2SensorUnit();
    SimReply Handle(const SimRequest &request) override;
    bool InBootloader() const { return m_inBootloader; }

private:
    bool m_unlocked = false;
    bool m_inBootloader = false;
};
