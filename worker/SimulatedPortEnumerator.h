#pragma once

#include "PortEnumerator.h"

#include <atomic>
#include <mutex>

// A port list given by the caller: the simulated-rebreather mode lists the
// simulator's pseudo-terminals here (optionally appended to the system's own
// ports; the windows and the search then sort the whole list),
// and tests use it to present any set of ports to the search and the ping.
// The list may be changed while the worker runs (a test "plugging in" a
// bridge); a small private mutex guards only this list and is never held
// while anything else happens.
class SimulatedPortEnumerator : public PortEnumerator
{
public:
    explicit SimulatedPortEnumerator(const QList<SerialPortDescription> &ports = {},
                                     bool includeSystemPorts = false);

    QList<SerialPortDescription> AvailablePorts() const override;
    // How often the list has been asked for: the worker's ping asks once a
    // second, so a test can wait for pings instead of sleeping.
    int EnumerationCount() const { return m_enumerations.load(); }

    void SetPorts(const QList<SerialPortDescription> &ports);
    void AddPort(const SerialPortDescription &port);
    bool RemovePort(const QString &portName);

private:
    mutable std::mutex m_listMutex;
    QList<SerialPortDescription> m_ports;
    const bool m_includeSystemPorts;
    mutable std::atomic<int> m_enumerations{0};
};
