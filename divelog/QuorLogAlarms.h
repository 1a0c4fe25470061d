#pragma once

#include <QStringList>

// The alarms a sample's 64-bit alarm word carries: their UDDF type names and
// the bit of each for either controller in control.
namespace QuorLogAlarms {

struct Alarm
{
    const char *type;   // UDDF universalalarm type, e.g. "high_oxygen"
    int bitController1; // bit when controller 1 is in control
    int bitController2; // bit when controller 2 is in control
    const char *text;   // UDDF alarm text
};

// In the order UDDF writes them.
extern const Alarm Table[15];

bool IsSet(const Alarm &alarm, quint64 alarmWord, int controllerInControl);
// Types of the alarms set in a word, in table order.
QStringList ActiveTypes(quint64 alarmWord, int controllerInControl);

} // namespace QuorLogAlarms
