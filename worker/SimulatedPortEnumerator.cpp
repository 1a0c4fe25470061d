#include "SimulatedPortEnumerator.h"

#include "SystemPortEnumerator.h"

#include <mutex>

SimulatedPortEnumerator::SimulatedPortEnumerator(const QList<SerialPortDescription> &ports,
                                                 bool includeSystemPorts)
    : m_ports(ports), m_includeSystemPorts(includeSystemPorts)
{
}

QList<SerialPortDescription> SimulatedPortEnumerator::AvailablePorts() const
{
    ++m_enumerations;
    QList<SerialPortDescription> ports;
    if (m_includeSystemPorts)
        ports = SystemPortEnumerator().AvailablePorts();
    std::lock_guard<std::mutex> locker(m_listMutex);
    ports.append(m_ports);
    return ports;
}

void SimulatedPortEnumerator::SetPorts(const QList<SerialPortDescription> &ports)
{
    std::lock_guard<std::mutex> locker(m_listMutex);
    m_ports = ports;
}

void SimulatedPortEnumerator::AddPort(const SerialPortDescription &port)
{
    std::lock_guard<std::mutex> locker(m_listMutex);
    m_ports.append(port);
}

bool SimulatedPortEnumerator::RemovePort(const QString &portName)
{
    std::lock_guard<std::mutex> locker(m_listMutex);
    for (int i = 0; i < m_ports.size(); ++i) {
        if (m_ports.at(i).portName == portName) {
            m_ports.removeAt(i);
            return true;
        }
    }
    return false;
}
