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
