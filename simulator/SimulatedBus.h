#pragma once

#include "SimTypes.h"
#include "SimUnit.h"

#include <QMap>

#include <map>
#include <memory>

// The bridge (or plain cable) between the computer and the bus.
struct SimBridge {
    // A plain serial cable: nothing answers as 0xB8 but the handset, which
    // answers the bridge presence query with status 0 and the bridge
    // identification with "command invalid".
    bool plainCable = true;
    quint8 type = 0;        // 1 Bluetooth bridge, 2 Bluetooth handset, 3 USB handset
    quint8 version = 0x10;
};

// The bus of units behind a bridge. Turns one request frame into the reply
// the bus would put on the wire (empty for silence). Not thread-safe: the
// simulator serialises access.
class SimulatedBus
{
public:
    static constexpr quint8 BridgeId = 0xB8;
    static constexpr quint8 BridgeIdentifyCommand = 12;

    SimulatedBus() = default;

    SimBridge &Bridge() { return m_bridge; }
    const SimBridge &Bridge() const { return m_bridge; }

    // Adds (or replaces) a unit; returns it.
    SimUnit &AddUnit(std::unique_ptr<SimUnit> unit);
    SimUnit &AddUnit(quint8 deviceId);
    void RemoveUnit(quint8 deviceId);
    SimUnit *Unit(quint8 deviceId);
    const SimUnit *Unit(quint8 deviceId) const;
    QVector<quint8> UnitIds() const;

    // Answer to a request (already parsed).
    SimReply Answer(const SimRequest &request);

    // Whole-frame helpers. ParseRequest checks nothing but layout; the
    // checksum is the caller's concern.
    static bool ParseRequest(const QByteArray &frame, SimRequest &request);
    static QByteArray BuildReply(const SimReply &reply, quint8 deviceId);
    static quint8 Checksum(const char *data, int size);

private:
    SimBridge m_bridge;
    std::map<quint8, std::unique_ptr<SimUnit>> m_units;
};
