#pragma once

#include <QDateTime>
#include <array>

// One sample of a power-on session: the values of one sample record plus the
// values carried into it from the session's status and start records, and
// the tissue loading computed when it was added.
struct QuorLogSample
{
    static constexpr int PpO2Count = 8;     // 0-2 C1 cells, 3 C1 fourth, 4-6 C2 cells, 7 C2 fourth
    static constexpr int VoltageCount = 4;  // 0-1 controller 1, 2-3 controller 2
    static constexpr int StatusByteCount = 7;
    static constexpr int Compartments = 16;

    double time = 0.0;              // seconds since power on
    int ambientPressure = 0;        // mbar
    int surfacePressure = 1000;     // mbar, already checked for plausibility
    double temperature = 0.0;       // degC
    std::array<double, PpO2Count> ppO2{};  // bar
    std::array<double, VoltageCount> voltage{};
    int statusBits = 0;
    std::array<int, StatusByteCount> statusBytes{};
    double setpoint = 0.0;          // bar
    int cns = 0;
    int otu = 0;

    // carried from the dive status record
    int recordedDiveTime = 0;       // seconds, 0 = not present
    int maxDepthCm = 0;
    int gasIndex = 0;               // 0-based
    double gradientFactor = 0.0;
    int noDecoTime = 0;             // minutes
    int altStopTime = 0;            // minutes

    QDateTime dateTime;             // only for records that carry one
    bool tissuesSet = false;
    std::array<double, Compartments> n2{};  // mbar
    std::array<double, Compartments> he{};  // mbar

    double Depth() const;
    bool InDive() const;
    bool OpenCircuit() const;
    // 1 or 2.
    int ControllerInControl() const;
    quint64 AlarmWord() const;
};
