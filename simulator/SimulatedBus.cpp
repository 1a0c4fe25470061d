#include "SimulatedBus.h"

namespace {
constexpr int kHeaderSize = 10; // start byte, "Rix", id, command, address x3, length
constexpr quint8 kStartByte = 0xAC;
} // namespace

SimUnit &SimulatedBus::AddUnit(std::unique_ptr<SimUnit> unit)
{
    const quint8 id = unit->DeviceId();
    SimUnit &ref = *unit;
    m_units[id] = std::move(unit);
    return ref;
}

SimUnit &SimulatedBus::AddUnit(quint8 deviceId)
{
    return AddUnit(std::make_unique<SimUnit>(deviceId));
}

void SimulatedBus::RemoveUnit(quint8 deviceId)
{
    m_units.erase(deviceId);
}

SimUnit *SimulatedBus::Unit(quint8 deviceId)
{
    const auto it = m_units.find(deviceId);
    return it == m_units.end() ? nullptr : it->second.get();
}

const SimUnit *SimulatedBus::Unit(quint8 deviceId) const
{
    const auto it = m_units.find(deviceId);
    return it == m_units.end() ? nullptr : it->second.get();
}

QVector<quint8> SimulatedBus::UnitIds() const
{
    QVector<quint8> ids;
    for (const auto &kv : m_units)
        ids.append(kv.first);
    return ids;
}

SimReply SimulatedBus::Answer(const SimRequest &request)
{
    if (request.deviceId == BridgeId && !Unit(BridgeId)) {
        if (m_bridge.plainCable) {
            // The handset at the end of the cable answers in the bridge's place.
            if (m_units.empty())
                return SimReply::Silent();
            return SimReply::Status(request.opcode == 0 ? SimStatus::Ok : SimStatus::CommandInvalid);
        }
        if (request.opcode == 0)
            return SimReply::Status(SimStatus::Ok);
        if (request.opcode == BridgeIdentifyCommand) {
            QByteArray payload;
            payload.append(char(m_bridge.type));
            payload.append(char(m_bridge.version));
            return SimReply::Data(request.command, request.address, 2, payload);
        }
        return SimReply::Status(SimStatus::CommandInvalid);
    }
    SimUnit *unit = Unit(request.deviceId);
    if (!unit)
        return SimReply::Silent(); // nobody home: silence, as on a real bus
    return unit->Handle(request);
}

bool SimulatedBus::ParseRequest(const QByteArray &frame, SimRequest &request)
{
    if (frame.size() < kHeaderSize + 1)
        return false;
    const auto *b = reinterpret_cast<const quint8 *>(frame.constData());
    if (b[0] != kStartByte || b[1] != 'R' || b[2] != 'i' || b[3] != 'x')
        return false;
    request.deviceId = b[4];
    request.command = b[5];
    request.opcode = quint8(b[5] & 0x3F);
    request.modifiers = quint8(b[5] & 0xC0);
    request.address = (quint32(b[6]) << 16) | (quint32(b[7]) << 8) | quint32(b[8]);
    request.length = b[9];
    const bool hasPayload = (b[5] & 0x01) == 0;
    const int payloadSize = hasPayload ? request.length : 0;
    if (frame.size() != kHeaderSize + payloadSize + 1)
        return false;
    request.payload = frame.mid(kHeaderSize, payloadSize);
    return true;
}

QByteArray SimulatedBus::BuildReply(const SimReply &reply, quint8 deviceId)
{
    QByteArray f;
    if (reply.kind == SimReply::Kind::Silent)
        return f;
    f.append(char(kStartByte));
    f.append("Rix", 3);
    f.append(char(deviceId));
    if (reply.kind == SimReply::Kind::Status) {
        f.append(char(0));
        f.append(3, char(0));
        f.append(char(1));
        f.append(char(reply.status));
    } else {
        f.append(char(reply.command));
        f.append(char((reply.address >> 16) & 0xFF));
        f.append(char((reply.address >> 8) & 0xFF));
        f.append(char(reply.address & 0xFF));
        f.append(char(reply.length));
        f.append(reply.payload);
    }
    f.append(char(Checksum(f.constData(), f.size())));
    return f;
}

quint8 SimulatedBus::Checksum(const char *data, int size)
{
    quint8 x = 0;
    for (int i = 0; i < size; ++i)
        x ^= quint8(data[i]);
    return x;
}
