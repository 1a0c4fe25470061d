#include "QuorLogAlarms.h"

namespace QuorLogAlarms {

const Alarm Table[15] = {
    {"high_oxygen", 7, 15, "error"},       {"low_oxygen", 6, 14, "error"},        {"low_battery", 5, 13, "error"},
    {"cell_warning", 4, 12, "error"},      {"ppo2_warning", 3, 11, "error"},      {"missed_deco", 23, 23, "error"},
    {"co2_low", 22, 22, "error"},          {"scrubber_low", 20, 20, "error"},     {"otu_exposure", 19, 19, "error"},
    {"cns_exposure", 18, 18, "error"},     {"ceiling_violation", 17, 17, "deco"}, {"fast_ascent", 16, 16, "ascent"},
    {"co2_high", 29, 29, "error"},         {"scrubber_high", 28, 28, "error"},    {"gas_density", 35, 35, "error"},
};

bool IsSet(const Alarm &alarm, quint64 alarmWord, int controllerInControl)
{
    const int bit = controllerInControl == 2 ? alarm.bitController2 : alarm.bitController1;
    return alarmWord & (quint64(1) << bit);
}

QStringList ActiveTypes(quint64 alarmWord, int controllerInControl)
{
    QStringList types;
    for (const Alarm &alarm : Table)
        if (IsSet(alarm, alarmWord, controllerInControl))
            types.append(QString::fromLatin1(alarm.type));
    return types;
}

} // namespace QuorLogAlarms
