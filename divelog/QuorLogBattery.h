#pragma once

#include <array>

class LogLine;

// Battery record of wide logs (0x41, 0x42): sixteen values after the time
// stamp, scaled as the handset's battery monitor reports them.
class QuorLogBattery
{
public:
    static constexpr int ValueCount = 16;

    // False (and nothing kept) unless the line has exactly 66 characters.
    bool Decode(const LogLine &line, double timeBase);

    double Time() const { return m_time; }
    double Value(int index) const { return index >= 0 && index < ValueCount ? m_values[index] : 0.0; }
    // The battery voltage (value 0), volts.
    double Voltage() const { return m_values[VoltageValue]; }
    static constexpr int VoltageValue = 0;

    // Signed byte scaled by 40: 0x80-0xFF give -(value XOR 0xFF) x 40.
    static double SignedByteTimes40(int raw);

private:
    double m_time = 0.0;
    std::array<double, ValueCount> m_values{};
};
