#include "QuorLogGasManagement.h"

#include "LogLine.h"
#include "LogRecordLayout.h"

#include <algorithm>

namespace L = LogRecordLayout;

namespace {
constexpr int MaxGases = 10;
}

QuorLogGasManagement::QuorLogGasManagement(bool wide) : m_wide(wide) {}

QuorLogGasManagement::Gas &QuorLogGasManagement::GasSlot(int number)
{
    if (m_gases.size() < number) {
        const int old = m_gases.size();
        m_gases.resize(number);
        for (int i = old; i < number; ++i)
            m_gases[i].number = i + 1;
    }
    return m_gases[number - 1];
}

void QuorLogGasManagement::AddGasDefinition(const LogLine &line)
{
    const int base = m_wide ? L::WideBase : L::NarrowBase;
    const int number = line.Byte(base + L::GasDefinition::Number);
    const int o2 = line.Byte(base + L::GasDefinition::O2);
    const int he = line.Byte(base + L::GasDefinition::He);
    if (number < 1 || number > MaxGases || o2 > 100 || he > 100 || o2 + he > 100)
        return;
    Gas &gas = GasSlot(number);
    gas.o2 = o2;
    gas.he = he;
    gas.inUse = line.Byte(base + L::GasDefinition::Flags) & L::GasDefinition::InUseBit;
}

void QuorLogGasManagement::AddPostDiveRecord(const LogLine &line)
{
    const int base = m_wide ? L::WideBase : L::NarrowBase;
    switch (line.Code()) {
    case L::Code::PostDiveGasUse: {
        const int number = line.Byte(base + L::PostDive::GasUseNumber);
        const int o2 = line.Byte(base + L::PostDive::GasUseO2);
        const int he = line.Byte(base + L::PostDive::GasUseHe);
        if (number < 1 || number > MaxGases || o2 + he > 100)
            return;
        Gas &gas = GasSlot(number);
        gas.o2 = o2;
        gas.he = he;
        gas.inUse = true;
        gas.secondsUsed = line.U16(base + L::PostDive::GasUseSeconds);
        break;
    }
    case L::Code::PostDiveGasSwitch: {
        const int index = line.Byte(base + L::PostDive::SwitchGasIndex);
        if (index >= MaxGases)
            return;
        m_switches.append({line.U16(base + L::PostDive::SwitchDiveTime), index});
        std::stable_sort(m_switches.begin(), m_switches.end(),
                         [](const Switch &a, const Switch &b) { return a.diveTime < b.diveTime; });
        break;
    }
    default:
        break; // the other post-dive records carry nothing the program shows
    }
}

QuorLogGasManagement::Gas QuorLogGasManagement::GasAt(int index) const
{
    if (index >= 0 && index < m_gases.size())
        return m_gases.at(index);
    Gas air;
    air.number = index + 1;
    return air;
}

QVector<QuorLogGasManagement::Gas> QuorLogGasManagement::GasesInUse() const
{
    QVector<Gas> used;
    for (const Gas &gas : m_gases)
        if (gas.inUse)
            used.append(gas);
    return used;
}

int QuorLogGasManagement::CurrentGasIndex(double diveTime) const
{
    int index = -1;
    for (const Switch &s : m_switches) {
        if (s.diveTime > diveTime)
            break;
        index = s.gasIndex;
    }
    return index;
}
