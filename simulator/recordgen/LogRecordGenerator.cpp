#include "LogRecordGenerator.h"

#include "DeviceList.h"
#include "LogRecordLayout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace L = LogRecordLayout;
namespace C = LogRecordLayout::Code;

namespace {

constexpr double SurfaceSetpoint = 0.7;
constexpr int StatusEverySamples = 10;
constexpr quint32 TicksAfterRestart = 0x1000;
constexpr double Voltages[4] = {3.6, 3.5, 3.55, 3.45};

quint8 Clamp8(double v) { return quint8(std::clamp(int(std::lround(v)), 0, 255)); }

// What the controller logs as its fourth ppO2 value: the mean of its cells,
// leaving out one that is more than this far from the other two.
constexpr double VotingOutlierBar = 0.2;

double Voted(double a, double b, double c)
{
    const double ab = std::abs(a - b), bc = std::abs(b - c), ac = std::abs(a - c);
    if (ab <= bc && ab <= ac && std::abs(c - (a + b) / 2) > VotingOutlierBar)
        return (a + b) / 2;
    if (bc <= ab && bc <= ac && std::abs(a - (b + c) / 2) > VotingOutlierBar)
        return (b + c) / 2;
    if (ac <= ab && ac <= bc && std::abs(b - (a + c) / 2) > VotingOutlierBar)
        return (a + c) / 2;
    return (a + b + c) / 3;
}

// One record under construction.
class Record
{
public:
    Record(bool wide, int code, quint32 ticks) : m_wide(wide), m_bytes(wide ? L::WideRecordSize : L::NarrowRecordSize, '\0')
    {
        m_bytes[0] = char(code);
        if (wide)
            for (int i = 0; i < 4; ++i)
                m_bytes[L::TimeStamp + i] = char((ticks >> (8 * i)) & 0xFF);
    }
    int Base() const { return m_wide ? L::WideBase : L::NarrowBase; }
    Record &U8(int at, int v)
    {
        if (at >= 0 && at < m_bytes.size())
            m_bytes[at] = char(v & 0xFF);
        return *this;
    }
    Record &U16(int at, int v) { return U8(at, v >> 8).U8(at + 1, v); }
    Record &U24(int at, unsigned v) { return U8(at, int(v >> 16)).U8(at + 1, int(v >> 8)).U8(at + 2, int(v)); }
    Record &DateTime(int at, const QDateTime &dt)
    {
        const QDate d = dt.date();
        const QTime t = dt.time();
        return U8(at, d.day()).U8(at + 1, d.month()).U8(at + 2, d.year() - 2000).U8(at + 3, t.hour()).U8(at + 4, t.minute()).U8(at + 5, t.second());
    }
    Record &Text(int at, const QString &text)
    {
        const QByteArray latin = text.toLatin1();
        for (int i = 0; i < latin.size() && at + i < m_bytes.size(); ++i)
            m_bytes[at + i] = latin.at(i);
        return *this;
    }
    QByteArray Bytes() const { return m_bytes; }

private:
    bool m_wide;
    QByteArray m_bytes;
};

class SessionWriter
{
public:
    explicit SessionWriter(const DivePlan &plan)
        : m_plan(plan), m_wide(plan.wide), m_noise(quint32(plan.diveNumber) * 7919u + 17u)
    {
    }

    GeneratedSession Build()
    {
        m_tickOrigin = m_plan.powerOnTicks;
        if (m_plan.withPowerOn) {
            PowerOn();
            SessionStart();
            for (int i = 0; i < m_plan.gases.size(); ++i)
                GasDefinition(i);
        }
        for (auto it = m_plan.diveInfoTexts.cbegin(); it != m_plan.diveInfoTexts.cend(); ++it)
            Add(Record(m_wide, it.key(), Ticks(0)).Text(1, it.value()));
        const int interval = std::clamp(m_plan.sampleInterval, 1, 120);
        const int samples = int(m_plan.SessionLength() / interval);
        int restartIndex = 0;
        double previousDiveTime = -1e9;
        int lastGas = -1;
        int sinceStatus = StatusEverySamples;
        for (int k = 1; k <= samples; ++k) {
            const double t = double(k) * interval;
            while (restartIndex < m_plan.restarts.size() && m_plan.restarts.at(restartIndex).sessionTime <= t)
                Restart(m_plan.restarts.at(restartIndex++));
            const double diveTime = t - m_plan.surfaceBefore;
            const bool inDive = diveTime >= 0 && diveTime <= m_plan.DiveLength() && !m_plan.profile.isEmpty();
            if (inDive && m_plan.withDiveHeader && !m_headerWritten)
                DiveHeader();
            for (const DivePlan::Event &e : m_plan.events)
                if (e.diveTime > previousDiveTime && e.diveTime <= diveTime)
                    Event(t, e);
            const int gas = m_plan.GasIndexAt(diveTime);
            const bool lastInDive = inDive && diveTime + interval > m_plan.DiveLength();
            if (inDive) {
                m_maxDepthCm = std::max(m_maxDepthCm, int(std::lround(m_plan.DepthAt(diveTime) * 100)));
                m_cns = std::max(m_cns, int(diveTime / 60));
                m_otu = std::max(m_otu, int(diveTime / 30));
            }
            if ((inDive || !m_wide) && (sinceStatus >= StatusEverySamples || gas != lastGas || lastInDive)) {
                DiveStatus(t, inDive ? diveTime : 0, gas, inDive);
                sinceStatus = 0;
                lastGas = gas;
            }
            ++sinceStatus;
            if (m_plan.battery.logged && m_wide && k % std::max(1, m_plan.battery.interval / interval) == 0)
                Battery(t);
            Sample(t, diveTime, inDive);
            if (inDive) {
                if (m_session.diveStart < 0)
                    m_session.diveStart = m_records.size() - 1;
                m_session.diveEnd = m_records.size() - 1;
            }
            if (lastInDive && m_plan.withEndOfDive)
                EndOfDive(t);
            previousDiveTime = diveTime;
        }
        if (m_plan.withPowerOff)
            Add(Record(m_wide, C::PowerOff, Ticks(m_plan.SessionLength()))
                    .DateTime(m_wide ? L::DateTimeAt::WidePowerOn : L::DateTimeAt::Narrow,
                              m_plan.powerOn.addMSecs(qint64(m_plan.SessionLength() * 1000))));
        PostDive();
        if (m_headerIndex >= 0)
            m_session.diveStart = m_headerIndex;
        m_session.maxDepthCm = m_maxDepthCm;
        m_session.records = m_records;
        return m_session;
    }

private:
    void Add(const Record &r) { m_records.append(r.Bytes()); }
    int Base() const { return m_wide ? L::WideBase : L::NarrowBase; }

    quint32 Ticks(double sessionTime) const
    {
        return quint32(m_tickOrigin + std::llround((sessionTime - m_timeOrigin) * L::TimeStampUnitsPerSecond));
    }

    void PowerOn()
    {
        m_tickOrigin = m_plan.powerOnTicks;
        m_timeOrigin = 0;
        Record r(m_wide, C::PowerOn, Ticks(0));
        const auto notLogged24 = [](int v) { return v < 0 ? L::PowerOn::NotLogged24 : unsigned(v); };
        const auto notLogged16 = [](int v) { return v < 0 ? int(L::PowerOn::NotLogged16) : v; };
        if (m_wide) {
            r.DateTime(L::DateTimeAt::WidePowerOn, m_plan.powerOn)
                .U24(L::PowerOn::WideMinutesSincePrevious, notLogged24(m_plan.minutesSincePreviousDive))
                .U24(L::PowerOn::WideMinutesDesaturation, notLogged24(m_plan.minutesDesaturation))
                .U16(L::PowerOn::WideSampleInterval, m_plan.sampleInterval);
        } else {
            r.DateTime(L::DateTimeAt::Narrow, m_plan.powerOn)
                .U16(L::PowerOn::NarrowSampleInterval, m_plan.sampleInterval)
                .U16(L::PowerOn::NarrowMinutesSincePrevious, notLogged16(m_plan.minutesSincePreviousDive))
                .U16(L::PowerOn::NarrowMinutesDesaturation, notLogged16(m_plan.minutesDesaturation));
        }
        Add(r);
    }

    void SessionStart()
    {
        const int temp = int(std::lround(m_plan.airTemperature * 10));
        Record r(m_wide, C::SessionStartFull, Ticks(0));
        if (m_wide)
            r.U16(L::SessionStartFull::SurfacePressure, m_plan.surfacePressure).U16(L::SessionStartFull::Temperature, temp);
        else
            r.U16(L::SessionStart::NarrowSurfacePressure, m_plan.surfacePressure).U16(L::SessionStart::NarrowTemperature, temp);
        Add(r);
    }

    void GasDefinition(int index)
    {
        const DivePlan::Gas &gas = m_plan.gases.at(index);
        Add(Record(m_wide, C::GasDefinition, Ticks(0))
                .U8(Base() + L::GasDefinition::Number, index + 1)
                .U8(Base() + L::GasDefinition::O2, gas.o2)
                .U8(Base() + L::GasDefinition::He, gas.he)
                .U8(Base() + L::GasDefinition::Flags, L::GasDefinition::InUseBit));
    }

    void DiveHeader()
    {
        m_headerWritten = true;
        m_headerIndex = m_records.size();
        Record r(m_wide, C::DiveHeader, Ticks(m_plan.surfaceBefore));
        if (m_wide)
            r.U16(L::DiveHeader::WideDiveNumber, m_plan.diveNumber)
                .U8(L::DiveHeader::WideSequence, m_plan.sequence)
                .DateTime(L::DateTimeAt::WideDiveHeader, m_plan.DiveStart());
        else
            r.DateTime(L::DateTimeAt::Narrow, m_plan.DiveStart())
                .U16(L::DiveHeader::NarrowDiveNumber, m_plan.diveNumber)
                .U8(L::DiveHeader::NarrowSequence, m_plan.sequence);
        Add(r);
    }

    void DiveStatus(double t, double diveTime, int gas, bool inDive)
    {
        namespace D = L::DiveStatus;
        const int b = Base();
        Record r(m_wide, C::DiveStatus, Ticks(t));
        r.U16(b + D::DiveTime, int(diveTime))
            .U16(b + D::MaxDepth, m_maxDepthCm)
            .U8(b + D::GasIndex, gas)
            .U8(b + D::GradientFactor, m_plan.gradientFactor)
            .U16(b + D::NoDecoTime, inDive ? std::max(0, 99 - int(diveTime / 60)) : 99)
            .U16(b + D::AltStopTime, inDive ? 3 : 0);
        if (!m_wide) {
            r.U16(b + D::NarrowTemperature, int(std::lround(Temperature(inDive) * 10)))
                .U8(b + D::NarrowSetpoint, Clamp8(Setpoint(inDive, diveTime) * 100))
                .U8(b + D::NarrowCns, std::min(m_cns, 255))
                .U8(b + D::NarrowOtu, std::min(m_otu, 255));
        }
        Add(r);
    }

    double Temperature(bool inDive) const { return inDive ? m_plan.waterTemperature : m_plan.airTemperature; }
    double Setpoint(bool inDive, double diveTime) const { return inDive ? m_plan.SetpointAt(diveTime) : SurfaceSetpoint; }

    // The six cell readings (bar) for a true loop ppO2, after each cell's
    // behaviour and the noise; every cell reads the truth when the plan sets
    // no behaviour.
    std::array<double, 6> CellReadings(double truth)
    {
        std::array<double, 6> readings;
        readings.fill(truth);
        if (!m_plan.HasCellBehaviours())
            return readings;
        const double interval = std::clamp(m_plan.sampleInterval, 1, 120);
        std::uniform_real_distribution<double> noise(-m_plan.cellNoise, m_plan.cellNoise);
        for (int i = 0; i < 6; ++i) {
            const DivePlan::CellBehaviour &b = m_plan.cells[size_t(i)];
            double reading = truth * (1.0 + b.driftPerDive * (m_plan.diveNumber - 1));
            if (b.timeConstant > 0) {
                if (m_lagStarted)
                    m_lag[size_t(i)] += (reading - m_lag[size_t(i)]) * (1.0 - std::exp(-interval / b.timeConstant));
                else
                    m_lag[size_t(i)] = reading;
                reading = m_lag[size_t(i)];
            }
            reading += b.offset;
            if (b.currentLimit > 0)
                reading = std::min(reading, b.currentLimit);
            if (m_plan.cellNoise > 0)
                reading += noise(m_noise);
            readings[size_t(i)] = std::max(0.0, reading);
        }
        m_lagStarted = true;
        return readings;
    }

    void Battery(double t)
    {
        const DivePlan::BatteryLog &b = m_plan.battery;
        const double length = std::max(1.0, m_plan.SessionLength());
        const double volts = b.startVolts + (b.endVolts - b.startVolts) * std::min(1.0, t / length);
        Add(Record(m_wide, C::Battery, Ticks(t))
                .U16(L::Battery::Voltage, int(std::lround(volts / L::Battery::VoltsPerUnit))));
    }

    void Sample(double t, double diveTime, bool inDive)
    {
        const double depth = inDive ? m_plan.DepthAt(diveTime) : 0.0;
        const int ambient = m_plan.surfacePressure + int(std::lround(depth * 100));
        const int gasIndex = m_plan.GasIndexAt(diveTime);
        const DivePlan::Gas gas = gasIndex < m_plan.gases.size() ? m_plan.gases.at(gasIndex) : DivePlan::Gas{21, 0};
        const double truth = (m_plan.openCircuit || !inDive) ? (inDive ? gas.o2 : 21) / 100.0 * ambient / 1000.0
                                                             : m_plan.LoopPpO2At(diveTime);
        const std::array<double, 6> cells = CellReadings(truth);
        const bool exact = !m_plan.HasCellBehaviours();
        const double voted[2] = {exact ? truth : Voted(cells[0], cells[1], cells[2]),
                                 exact ? truth : Voted(cells[3], cells[4], cells[5])};
        const quint64 alarms = inDive ? m_plan.AlarmWordAt(diveTime) : 0;
        const int modeByte = (inDive ? L::Status::InDiveBit : 0) | (m_plan.openCircuit ? L::Status::OpenCircuitBit : 0);
        Record r(m_wide, C::Sample, Ticks(t));
        if (m_wide) {
            namespace W = L::WideSample;
            r.U16(W::AmbientPressure, ambient).U16(W::Temperature, int(std::lround(Temperature(inDive) * 10)));
            for (int i = 0; i < 3; ++i) {
                r.U8(W::C1Cells + i, Clamp8(cells[size_t(i)] * 100));
                r.U8(W::C2Cells + i, Clamp8(cells[size_t(3 + i)] * 100));
            }
            r.U8(W::C1Fourth, Clamp8(voted[0] * 100)).U8(W::C2Fourth, Clamp8(voted[1] * 100));
            r.U8(W::C1VoltageA, Clamp8(Voltages[0] * 40)).U8(W::C1VoltageB, Clamp8(Voltages[1] * 40));
            r.U8(W::C2VoltageA, Clamp8(Voltages[2] * 40)).U8(W::C2VoltageB, Clamp8(Voltages[3] * 40));
            r.U8(W::StatusBits, int(alarms & 0xFF));
            const int statusBytes[7] = {modeByte,
                                        int((alarms >> 8) & 0xFF),
                                        int((alarms >> 16) & 0xFF),
                                        m_plan.controllerInControl == 1 ? L::Status::InControlBit : 0,
                                        int((alarms >> 24) & 0xFF),
                                        m_plan.controllerInControl == 2 ? L::Status::InControlBit : 0,
                                        int((alarms >> 32) & 0xFF)};
            for (int i = 0; i < 7; ++i)
                r.U8(W::StatusBytes + i, statusBytes[i]);
            r.U8(W::Setpoint, Clamp8(Setpoint(inDive, diveTime) * 100)).U8(W::Cns, std::min(m_cns, 255)).U8(W::Otu, std::min(m_otu, 255));
        } else {
            namespace N = L::NarrowSample;
            r.U16(N::AmbientPressure, ambient);
            for (int i = 0; i < 3; ++i) {
                r.U8(N::C1Cells + i, Clamp8(cells[size_t(i)] * 100));
                r.U8(N::C2Cells + i, Clamp8(cells[size_t(3 + i)] * 100));
            }
            r.U8(N::C1VoltageA, Clamp8(Voltages[0] * 40)).U8(N::C1VoltageB, Clamp8(Voltages[1] * 40));
            r.U8(N::C2VoltageA, Clamp8(Voltages[2] * 40)).U8(N::C2VoltageB, Clamp8(Voltages[3] * 40));
            r.U8(N::StatusBits, int(alarms & 0xFF));
            r.U8(N::StatusBytes, modeByte).U8(N::StatusBytes + 1, int((alarms >> 8) & 0xFF));
        }
        Add(r);
    }

    void Event(double t, const DivePlan::Event &e)
    {
        Add(Record(m_wide, m_wide ? C::Event : C::NarrowEvent, Ticks(t))
                .U8(Base() + L::Event::Type, e.type)
                .U16(Base() + L::Event::Value, e.value));
    }

    void Restart(const DivePlan::Restart &restart)
    {
        // The handset's tick counter starts again after a restart.
        m_tickOrigin = TicksAfterRestart;
        m_timeOrigin = restart.sessionTime;
        if (restart.powerOn)
            RestartPowerOn(restart.sessionTime);
        Record record(m_wide, restart.warm ? C::WarmRestart : C::ColdRestart, Ticks(restart.sessionTime));
        const int at = m_wide ? L::DateTimeAt::WidePowerOn : L::DateTimeAt::Narrow;
        if (restart.validDateTime)
            record.DateTime(at, m_plan.powerOn.addMSecs(qint64(restart.sessionTime * 1000)));
        else
            record.U8(at, 31).U8(at + 1, 2).U8(at + 2, m_plan.powerOn.date().year() - 2000);
        Add(record);
    }

    // The power-on block a unit logs when it comes back after losing power:
    // narrow blocks start on a 64-byte boundary (erased records fill the gap)
    // and carry the ambient pressure of that moment at block bytes 0x1A-0x1B.
    void RestartPowerOn(double sessionTime)
    {
        if (!m_wide) {
            const int recordsPerBlock = L::NarrowPowerOnBlockSize / L::NarrowRecordSize;
            while (m_records.size() % recordsPerBlock != 0)
                m_records.append(QByteArray(L::NarrowRecordSize, char(0xFF)));
        }
        const int ambient = m_plan.surfacePressure
            + int(std::lround(m_plan.DepthAt(sessionTime - m_plan.surfaceBefore) * 100));
        const QDateTime at = m_plan.powerOn.addMSecs(qint64(sessionTime * 1000));
        Record on(m_wide, C::PowerOn, Ticks(sessionTime));
        if (m_wide)
            on.DateTime(L::DateTimeAt::WidePowerOn, at).U16(L::PowerOn::WideSampleInterval, m_plan.sampleInterval);
        else
            on.DateTime(L::DateTimeAt::Narrow, at).U16(L::PowerOn::NarrowSampleInterval, m_plan.sampleInterval);
        Add(on);
        const int temp = int(std::lround(Temperature(ambient > m_plan.surfacePressure) * 10));
        Record start(m_wide, C::SessionStartFull, Ticks(sessionTime));
        if (m_wide)
            start.U16(L::SessionStartFull::SurfacePressure, m_plan.surfacePressure)
                .U16(L::SessionStartFull::Temperature, temp);
        else
            start.U16(L::SessionStart::NarrowSurfacePressure, m_plan.surfacePressure)
                .U16(L::SessionStart::NarrowTemperature, temp)
                .U16(L::SessionStart::NarrowPowerOnAmbient, ambient);
        Add(start);
    }

    void EndOfDive(double t)
    {
        const QDateTime end = m_plan.DiveStart().addMSecs(qint64(m_plan.DiveLength() * 1000));
        Record r(m_wide, C::DateTimeSample, Ticks(t));
        if (m_wide)
            r.U16(L::DateTimeSample::WideAmbientPressure, m_plan.surfacePressure).DateTime(L::DateTimeAt::WideDiveHeader, end);
        else
            r.DateTime(L::DateTimeAt::Narrow, end).U16(L::DateTimeSample::NarrowAmbientPressure, m_plan.surfacePressure);
        Add(r);
        m_session.diveEnd = m_records.size() - 1;
    }

    void PostDive()
    {
        const int b = Base();
        const double length = m_plan.DiveLength();
        for (int i = 0; i < m_plan.gases.size(); ++i) {
            double used = 0.0;
            for (double t = 0; t < length; t += 1.0)
                used += m_plan.GasIndexAt(t) == i ? 1.0 : 0.0;
            Add(Record(m_wide, C::PostDiveGasUse, Ticks(m_plan.SessionLength()))
                    .U8(b + L::PostDive::GasUseNumber, i + 1)
                    .U8(b + L::PostDive::GasUseO2, m_plan.gases.at(i).o2)
                    .U8(b + L::PostDive::GasUseHe, m_plan.gases.at(i).he)
                    .U16(b + L::PostDive::GasUseSeconds, int(used)));
        }
        for (const DivePlan::GasSwitch &s : m_plan.gasSwitches)
            Add(Record(m_wide, C::PostDiveGasSwitch, Ticks(m_plan.SessionLength()))
                    .U16(b + L::PostDive::SwitchDiveTime, int(s.diveTime))
                    .U8(b + L::PostDive::SwitchGasIndex, s.gasIndex));
    }

    const DivePlan &m_plan;
    bool m_wide;
    QVector<QByteArray> m_records;
    quint32 m_tickOrigin = 0;
    double m_timeOrigin = 0;
    bool m_headerWritten = false;
    int m_headerIndex = -1;
    GeneratedSession m_session;
    int m_maxDepthCm = 0;
    std::minstd_rand m_noise;
    std::array<double, 6> m_lag{};
    bool m_lagStarted = false;
    int m_cns = 0;
    int m_otu = 0;
};

} // namespace

QVector<QByteArray> LogRecordGenerator::Records(const DivePlan &plan) { return SessionWriter(plan).Build().records; }

GeneratedSession LogRecordGenerator::Session(const DivePlan &plan) { return SessionWriter(plan).Build(); }

QByteArray LogRecordGenerator::DiveData(const QVector<DivePlan> &sessions)
{
    QByteArray data;
    for (const DivePlan &plan : sessions) {
        const QVector<QByteArray> records = Records(plan);
        for (const QByteArray &r : records)
            data.append(r);
        if (!plan.wide) {
            const int block = L::NarrowPowerOnBlockSize;
            while (data.size() % block != 0)
                data.append(QByteArray(L::NarrowRecordSize, char(0xFF)));
        }
    }
    return data;
}

QString LogRecordGenerator::TextLine(const QByteArray &record)
{
    const QString hex = QString::fromLatin1(record.toHex()).toUpper();
    return hex + DeviceList::LineChecksum(hex);
}

QStringList LogRecordGenerator::TextLines(const QByteArray &diveData, bool wide)
{
    const int size = wide ? L::WideRecordSize : L::NarrowRecordSize;
    QStringList lines;
    for (int at = 0; at < diveData.size(); at += size)
        lines.append(TextLine(diveData.mid(at, size)));
    return lines;
}

QByteArray LogRecordGenerator::InfoBlock(const HandsetInfo &info, bool wide)
{
    namespace B = L::InfoBlock;
    QByteArray block(B::Length, '\0');
    const auto put = [&block](int at, int length, const QString &text) {
        const QByteArray latin = text.toLatin1().left(length);
        for (int i = 0; i < latin.size(); ++i)
            block[at + i] = latin.at(i);
    };
    put(B::UserName, B::UserNameLength, info.userName);
    put(B::Model, B::ModelLength, info.model);
    put(B::SerialNumber, B::SerialNumberLength, info.serialNumber);
    const QString version = !info.versionText.isEmpty() ? info.versionText
        : wide ? QStringLiteral("Code V07.00.03") : QStringLiteral("Code V06.05.02");
    put(B::VersionText, B::VersionTextLength, version);
    block[B::FlagByte] = char(info.flagByte);
    block[B::DiveMode] = char(info.diveMode);
    block[B::VoltageFormat] = char(info.voltageFormatRaw ? 1 : 0);
    block[B::ServiceDay] = char(1);
    block[B::ServiceDay + 1] = char(3);
    block[B::ServiceDay + 2] = char(26);
    return block;
}

QByteArray LogRecordGenerator::DeviceVersionBytes(bool wide)
{
    return wide ? QByteArray::fromHex("00070003") : QByteArray::fromHex("00060502");
}

LogFileContent LogRecordGenerator::LogFile(const QVector<DivePlan> &sessions, const HandsetInfo &info)
{
    const bool wide = sessions.isEmpty() || sessions.first().wide;
    LogFileContent content;
    content.created = sessions.isEmpty() ? QDateTime(QDate(2026, 6, 14), QTime(12, 0), Qt::UTC) : sessions.first().powerOn;
    content.deviceVersion = DeviceVersionBytes(wide);
    content.hasDiveData = true;
    content.diveData = DiveData(sessions);
    LogFileMemory memory;
    memory.deviceId = DeviceId::DisplayMono;
    memory.memoryId = InfoBlockMemory;
    memory.startAddress = InfoBlockAddress;
    memory.data = InfoBlock(info, wide);
    content.memories.append(memory);
    return content;
}

LogFileContent LogRecordGenerator::LogFile(const DivePlan &plan, const HandsetInfo &info)
{
    return LogFile(QVector<DivePlan>{plan}, info);
}
