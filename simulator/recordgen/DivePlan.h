#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QVector>
#include <array>

// A dive as a test or the simulator wants the handset to have logged it.
// Times are seconds; "dive time" counts from the start of the descent.
struct DivePlan
{
    struct Point
    {
        double diveTime;
        double depth; // m
    };
    struct Gas
    {
        int o2;
        int he;
    };
    struct GasSwitch
    {
        double diveTime;
        int gasIndex; // 0-based into gases
    };
    struct Alarm
    {
        double diveTime;  // from here until the next entry
        quint64 alarmWord;
    };
    struct Event
    {
        double diveTime;
        int type;
        int value;
    };
    // How one oxygen cell reads the loop. A default behaviour is a healthy
    // cell that reads the loop's ppO2 exactly; the fields combine, applied in
    // the order drift, lag, offset, limit.
    struct CellBehaviour
    {
        // Sensitivity lost (or gained) per dive, as a fraction of the reading:
        // dive number n reads (1 + driftPerDive x (n - 1)) of the truth.
        double driftPerDive = 0.0;
        // Seconds of a first-order lag behind the loop (0: none).
        double timeConstant = 0.0;
        double offset = 0.0; // bar added to the reading
        // The reading never rises above this (bar); 0: no limit.
        double currentLimit = 0.0;

        static CellBehaviour Healthy() { return {}; }
        static CellBehaviour Offset(double bar) { CellBehaviour b; b.offset = bar; return b; }
        static CellBehaviour CurrentLimited(double bar) { CellBehaviour b; b.currentLimit = bar; return b; }
        static CellBehaviour Slow(double seconds) { CellBehaviour b; b.timeConstant = seconds; return b; }
        static CellBehaviour Drift(double perDive) { CellBehaviour b; b.driftPerDive = perDive; return b; }
        bool IsHealthy() const { return driftPerDive == 0.0 && timeConstant == 0.0 && offset == 0.0 && currentLimit == 0.0; }
    };
    // The controller's setpoint from this dive time on.
    struct SetpointChange
    {
        double diveTime;
        double setpoint; // bar
    };
    // A flush: the loop holds this ppO2 for a while, then returns to the setpoint.
    struct Flush
    {
        double diveTime;
        double seconds;
        double ppO2; // bar
    };
    // Battery records (wide logs only): one every `interval` seconds of the
    // session, the voltage falling evenly from `startVolts` at power on to
    // `endVolts` at power off.
    struct BatteryLog
    {
        bool logged = false;
        double startVolts = 4.10;
        double endVolts = 3.90;
        int interval = 60;
    };
    struct Restart
    {
        double sessionTime; // seconds since power on
        bool warm;
        // The unit lost power and came back: a power-on record (in narrow
        // logs on a 64-byte boundary, the ambient pressure at that moment
        // in bytes 0x1A-0x1B of its block) comes before the restart record.
        bool powerOn = false;
        // false: the restart record carries an impossible date (31 February),
        // as a handset whose clock lost its setting writes it
        bool validDateTime = true;
    };

    bool wide = true;
    QDateTime powerOn = QDateTime(QDate(2026, 6, 14), QTime(9, 30, 0), Qt::UTC);
    quint32 powerOnTicks = 0x00100000; // handset tick counter at power on (1/4096 s)
    int surfacePressure = 1013;        // mbar
    double airTemperature = 21.5;      // degC
    double waterTemperature = 12.5;    // degC
    int sampleInterval = 1;            // s
    double surfaceBefore = 30;         // s at the surface before the descent
    double surfaceAfter = 30;          // s at the surface after the ascent
    QVector<Point> profile;            // depth along dive time, linear between points
    QVector<Gas> gases{{21, 0}};
    QVector<GasSwitch> gasSwitches;
    QVector<Alarm> alarms;
    QVector<Event> events;
    QVector<Restart> restarts;
    double setpoint = 1.3;             // bar, in the dive until the first setpoint change
    QVector<SetpointChange> setpointChanges;
    QVector<Flush> flushes;
    // Cells 0-2 of controller 1, 3-5 of controller 2.
    std::array<CellBehaviour, 6> cells{};
    // Every cell reading moves by up to this much (bar) either way, from a
    // pseudo-random sequence fixed by the dive number; 0: exact readings.
    double cellNoise = 0.0;
    BatteryLog battery;
    bool openCircuit = false;
    int controllerInControl = 1;
    int gradientFactor = 85;           // percent
    bool withDiveHeader = true;
    int diveNumber = 1;
    int sequence = 1;
    // false: no power-on, session-start or gas-definition records, as for a
    // later dive of one power-on session.
    bool withPowerOn = true;
    // An end-of-dive record (0x08: date-time and ambient pressure) after the
    // last sample in the dive.
    bool withEndOfDive = false;
    bool withPowerOff = true;
    int minutesSincePreviousDive = -1; // -1: not logged
    int minutesDesaturation = -1;
    QMap<int, QString> diveInfoTexts;  // record code 0x80-0x8E -> text

    double DiveLength() const { return profile.isEmpty() ? 0.0 : profile.last().diveTime; }
    double SessionLength() const { return surfaceBefore + DiveLength() + surfaceAfter; }
    // Depth at a dive time (0 outside the profile).
    double DepthAt(double diveTime) const;
    int GasIndexAt(double diveTime) const;
    quint64 AlarmWordAt(double diveTime) const;
    // The controller's setpoint in the dive at a dive time.
    double SetpointAt(double diveTime) const;
    // The loop's true ppO2 in the dive at a dive time: the setpoint, or the
    // ppO2 of a flush under way.
    double LoopPpO2At(double diveTime) const;
    bool HasCellBehaviours() const;
    QDateTime DiveStart() const { return powerOn.addMSecs(qint64(surfaceBefore * 1000)); }
};
