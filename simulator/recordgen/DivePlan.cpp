#include "DivePlan.h"

double DivePlan::DepthAt(double diveTime) const
{
    if (profile.isEmpty() || diveTime < profile.first().diveTime || diveTime > profile.last().diveTime)
        return 0.0;
    for (int i = 1; i < profile.size(); ++i) {
        const Point &a = profile.at(i - 1);
        const Point &b = profile.at(i);
        if (diveTime <= b.diveTime) {
            const double span = b.diveTime - a.diveTime;
            return span <= 0 ? b.depth : a.depth + (b.depth - a.depth) * (diveTime - a.diveTime) / span;
        }
    }
    return profile.last().depth;
}

int DivePlan::GasIndexAt(double diveTime) const
{
    int index = 0;
    for (const GasSwitch &s : gasSwitches)
        if (s.diveTime <= diveTime)
            index = s.gasIndex;
    return index;
}

quint64 DivePlan::AlarmWordAt(double diveTime) const
{
    quint64 word = 0;
    for (const Alarm &a : alarms)
        if (a.diveTime <= diveTime)
            word = a.alarmWord;
    return word;
}

double DivePlan::SetpointAt(double diveTime) const
{
    double value = setpoint;
    for (const SetpointChange &c : setpointChanges)
        if (c.diveTime <= diveTime)
            value = c.setpoint;
    return value;
}

double DivePlan::LoopPpO2At(double diveTime) const
{
    for (const Flush &f : flushes)
        if (diveTime >= f.diveTime && diveTime < f.diveTime + f.seconds)
            return f.ppO2;
    return SetpointAt(diveTime);
}

bool DivePlan::HasCellBehaviours() const
{
    if (cellNoise != 0.0)
        return true;
    for (const CellBehaviour &c : cells)
        if (!c.IsHealthy())
            return true;
    return false;
}
