#include "SimFirmware.h"

#include "SimProfiles.h"

#include <memory>

namespace {

constexpr quint8 BufferWriteOpcode = 10;
// The write operation code of each memory (Flash, Eeprom, Ram, Config, Buffer, Profile).
constexpr quint8 kWriteOpcodes[] = {2, 4, 6, 8, 10, 14};

quint8 WriteOpcode(quint8 memoryId)
{
    return memoryId >= 1 && memoryId <= 6 ? kWriteOpcodes[memoryId - 1] : 0;
}

QByteArray WordBytes(quint16 word)
{
    QByteArray b(2, '\0');
    b[0] = char(word >> 8);
    b[1] = char(word & 0xFF);
    return b;
}

} // namespace

SimCo2SensorUnit::SimCo2SensorUnit()
    : SimUnit(DeviceId::Co2Sensor)
{
    WriteMemory(MemoryId::Flash, SimFirmware::Co2LastWordAddress,
                WordBytes(SimFirmware::Co2ApplicationWord));
}

SimReply SimCo2SensorUnit::Handle(const SimRequest &request)
{
    const SimReply reply = SimUnit::Handle(request);
    if (request.opcode != BufferWriteOpcode || reply.kind != SimReply::Kind::Status
        || reply.status != SimStatus::Ok)
        return reply;
    if (request.address == SimFirmware::Co2UnlockAddress) {
        m_unlocked = request.payload.size() == 1
                     && quint8(request.payload.at(0)) == SimFirmware::Co2UnlockValue;
    } else if (request.address == SimFirmware::Co2CommandAddress) {
        if (m_unlocked && request.payload == QByteArray("Vexo")) {
            m_inBootloader = true;
            WriteMemory(MemoryId::Flash, SimFirmware::Co2LastWordAddress,
                        WordBytes(SimFirmware::Co2BootloaderWord));
        }
        m_unlocked = false;
    }
    return reply;
}

namespace SimFirmware {

SimUnit &AddCo2Sensor(SimulatedBus &bus, const QByteArray &codeVersion)
{
    SimUnit &unit = bus.AddUnit(std::make_unique<SimCo2SensorUnit>());
    SimProfiles::SetCodeDetails(unit, codeVersion);
    unit.WriteMemory(MemoryId::Eeprom, 0, QByteArray(1, char(SimProfileFacts::CodeValidityByte)));
    return unit;
}

void RefuseWritesAt(SimUnit &unit, quint8 memoryId, const QSet<quint32> &addresses)
{
    unit.SetHandler(WriteOpcode(memoryId), [addresses](SimUnit &u, const SimRequest &request) {
        if (addresses.contains(request.address))
            return SimReply::Status(SimStatus::OperationFailed);
        return u.DefaultHandle(request);
    });
}

void RefuseFlashWritesAt(SimUnit &unit, const QSet<quint32> &addresses)
{
    RefuseWritesAt(unit, MemoryId::Flash, addresses);
}

void ClearRefusals(SimUnit &unit)
{
    for (quint8 opcode : kWriteOpcodes) {
        if (opcode != BufferWriteOpcode)
            unit.ClearHandler(opcode);
    }
}

} // namespace SimFirmware
