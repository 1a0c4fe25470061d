#pragma once

#include "PortEnumerator.h"

#include <QList>
#include <QString>

// The order in which the port search tries ports: by the number after the
// first three characters of the port name (COM3 before COM4 before COM12,
// COM999 before COM1000), ports without such a number last.
class PortSearchOrder
{
public:
    // "007" for COM7, "012" for COM12, "1000" for COM1000, "xxx" when the rest
    // of the name is not a plain decimal number.
    static QString SortKey(const QString &portName);
    // The ports in search order.
    static QList<SerialPortDescription> Ordered(const QList<SerialPortDescription> &ports);
};
