#pragma once

#include "PortEnumerator.h"

// The serial ports the operating system lists (QSerialPortInfo). Stateless.
class SystemPortEnumerator : public PortEnumerator
{
public:
    QList<SerialPortDescription> AvailablePorts() const override;
};
