#pragma once

#include <QList>
#include <QString>
#include <QVector>

class LogLine;

// The gases of one session: the gas table from the session's gas definition
// records, and what the post-dive records say about their use (which gas was
// breathed when, and for how long).
class QuorLogGasManagement
{
public:
    struct Gas
    {
        int number = 0; // 1-based
        int o2 = 21;    // percent
        int he = 0;     // percent
        bool inUse = false;
        int secondsUsed = 0;
    };

    explicit QuorLogGasManagement(bool wide = true);

    // Gas definition record from the main walk.
    void AddGasDefinition(const LogLine &line);
    // Post-dive records 0xA0-0xAC.
    void AddPostDiveRecord(const LogLine &line);

    // Gas by 0-based index; air when the index names no defined gas.
    Gas GasAt(int index) const;
    // Defined gases that are in use, by gas number.
    QVector<Gas> GasesInUse() const;
    // 0-based gas index breathed at `diveTime` seconds into the dive, or -1
    // when no switch has been recorded.
    int CurrentGasIndex(double diveTime) const;

private:
    struct Switch
    {
        int diveTime;
        int gasIndex;
    };
    Gas &GasSlot(int number);

    bool m_wide;
    QVector<Gas> m_gases; // index = number - 1
    QVector<Switch> m_switches;
};
