#pragma once

#include <QList>
#include <QString>

// One serial port as the system (or a simulation) lists it.
struct SerialPortDescription
{
    QString portName;       // "COM5", "ttyUSB0"
    QString description;    // "USB Serial Device", "Simulated rebreather"
    QString systemLocation; // "/dev/ttyUSB0", "/dev/pts/7": what the link opens

    bool operator==(const SerialPortDescription &other) const
    {
        return portName == other.portName && description == other.description
               && systemLocation == other.systemLocation;
    }
};

// The one place the program asks which serial ports exist. The worker's port
// search and presence ping and the main window's port list all go through it,
// so a simulated rebreather (or a test) can stand in for the system's ports.
// Implementations must be callable from the GUI thread and the worker thread.
class PortEnumerator
{
public:
    virtual ~PortEnumerator() = default;
    virtual QList<SerialPortDescription> AvailablePorts() const = 0;
};
