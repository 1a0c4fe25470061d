#pragma once

#include <QCoreApplication>
#include <QString>

// Depths and temperatures as the windows show them, in metric or imperial
// units. Dive logs hold metres and degrees Celsius.
class DiveUnits
{
    Q_DECLARE_TR_FUNCTIONS(DiveUnits)

public:
    // The international foot, exactly.
    static constexpr double MetresPerFoot = 0.3048;

    static double Feet(double metres) { return metres / MetresPerFoot; }
    static double Fahrenheit(double celsius) { return celsius * 9.0 / 5.0 + 32.0; }

    // "30.0 m" or "98 ft".
    static QString DepthText(double metres, bool metric);
    // "11.0 °C" or "51.8 °F".
    static QString TemperatureText(double celsius, bool metric);
};
