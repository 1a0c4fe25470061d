#include "DiveUnits.h"

QString DiveUnits::DepthText(double metres, bool metric)
{
    return metric ? tr("%1 m").arg(metres, 0, 'f', 1) : tr("%1 ft").arg(Feet(metres), 0, 'f', 0);
}

QString DiveUnits::TemperatureText(double celsius, bool metric)
{
    return metric ? tr("%1 °C").arg(celsius, 0, 'f', 1) : tr("%1 °F").arg(Fahrenheit(celsius), 0, 'f', 1);
}
