#include "SystemPortEnumerator.h"

#include <QSerialPortInfo>

QList<SerialPortDescription> SystemPortEnumerator::AvailablePorts() const
{
    QList<SerialPortDescription> ports;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos)
        ports.append({info.portName(), info.description(), info.systemLocation()});
    return ports;
}
