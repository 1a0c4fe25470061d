#include "QuorLogSession.h"

#include "DeviceList.h"
#include "LargeBuffer.h"
#include "LogLine.h"
#include "LogRecordLayout.h"

#include <QDebug>
#include <cmath>

namespace L = LogRecordLayout;
namespace C = LogRecordLayout::Code;

namespace {
constexpr int WaterVapourMbar = 56;
constexpr double AirN2 = 0.79;
constexpr int DefaultSurfacePressure = 1000;
constexpr int MinSurfacePressure = 600;
constexpr int MaxSurfacePressure = 1080;
constexpr int MinSampleInterval = 1;
constexpr int MaxSampleInterval = 120;
}

QuorLogSession::QuorLogSession(QObject *log, bool wide, int deviceVersion, bool deviceFlag, const QByteArray &logBookEntry)
    : QObject(log), m_wide(wide), m_deviceVersion(deviceVersion), m_deviceFlag(deviceFlag),
      m_logBookEntry(logBookEntry), m_gas(wide)
{
}

const std::array<double, QuorLogSample::Compartments> &QuorLogSession::HalfTimesN2()
{
    static const std::array<double, QuorLogSample::Compartments> t = {
        4.0, 8.0, 12.5, 18.5, 27.0, 38.3, 54.3, 77.0, 109.0, 146.0, 187.0, 239.0, 305.0, 390.0, 498.0, 635.0};
    return t;
}

const std::array<double, QuorLogSample::Compartments> &QuorLogSession::HalfTimesHe()
{
    static const std::array<double, QuorLogSample::Compartments> t = {
        1.51, 3.02, 4.72, 6.99, 10.21, 14.48, 20.53, 29.11, 41.20, 55.19, 70.69, 90.34, 115.29, 147.42, 188.24, 240.03};
    return t;
}

int QuorLogSession::CheckedSurfacePressure(int mbar)
{
    if (mbar > MaxSurfacePressure || mbar < MinSurfacePressure)
        return DefaultSurfacePressure;
    return mbar;
}

int QuorLogSession::Base() const { return m_wide ? L::WideBase : L::NarrowBase; }

void QuorLogSession::ReserveSamples(int records)
{
    m_samples.reserve(records + 1);
    // A two-hour dive's samples fill megabytes of fresh memory.
    const int spare = m_samples.capacity() - m_samples.size();
    LargeBuffer::AdviseHugePages(m_samples.data() + m_samples.size(), sizeof(QuorLogSample) * std::size_t(spare));
}

void QuorLogSession::subModified(bool changed) { emit sendModified(changed); }

QDateTime QuorLogSession::DiveEndDateTime() const
{
    if (!m_diveStartDateTime.isValid() || m_diveStartTime < 0 || m_diveEndTime < 0)
        return QDateTime();
    return m_diveStartDateTime.addMSecs(qint64((m_diveEndTime - m_diveStartTime) * 1000.0));
}

double QuorLogSession::RecordTime(const LogLine &line)
{
    return line.TimeStamp() / L::TimeStampUnitsPerSecond + m_timeBase;
}

void QuorLogSession::AddRecord(const LogLine &line, int lineNumber)
{
    Q_UNUSED(lineNumber)
    const int expected = m_wide ? L::WideLineLength : L::NarrowLineLength;
    if (line.Length() != expected)
        return; // malformed records are ignored
    const int code = line.Code();
    if (m_wide) {
        switch (code) {
        case C::PowerOn: PowerOnRecord(line); return;
        case C::SessionStart:
        case C::SessionStartFull:
        case C::SessionStartFullAlt: SessionStartRecord(line); return;
        case C::DiveHeader: DiveHeaderRecord(line); return;
        case C::Sample:
        case C::SampleAlt: SampleRecord(line); return;
        case C::DateTimeSample: DateTimeSampleRecord(line); return;
        case C::SurfaceSample: SurfaceSampleRecord(line); return;
        case C::TextInfoA:
        case C::TextInfoB: m_textInfos.append({RecordTime(line), code, line.TextFrom(L::WideBase)}); return;
        case C::DiveStatus: DiveStatusRecord(line); return;
        case C::Event:
        case C::WideEvent: EventRecord(line, false); return;
        case C::WarmRestart: RestartRecord(line, true); return;
        case C::ColdRestart: RestartRecord(line, false); return;
        case C::Solenoid: m_solenoid.append({RecordTime(line), QByteArray::fromHex(line.Text().left(L::WideRecordSize * 2).toLatin1())}); return;
        case C::GasDefinition: m_gas.AddGasDefinition(line); return;
        case C::Battery:
        case C::BatteryAlt: {
            QuorLogBattery battery;
            if (battery.Decode(line, m_timeBase))
                m_batteries.append(battery);
            return;
        }
        case C::DpsA:
        case C::DpsB: {
            QuorLogDPS dps;
            if (dps.Decode(line, m_timeBase))
                m_dps.append(dps);
            return;
        }
        case C::PowerOff: PowerOffRecord(line); return;
        default:
            if (code >= C::FloatRowFirst && code <= C::FloatRowLast)
                FloatRowRecord(line);
            return; // other codes carry nothing the program uses
        }
    }
    switch (code) {
    case C::PowerOn: PowerOnRecord(line); return;
    case C::SessionStart:
    case C::SessionStartFull: SessionStartRecord(line); return;
    case C::DiveHeader: DiveHeaderRecord(line); return;
    case C::NarrowEvent:
    case C::NarrowEventB:
    case C::NarrowEventC:
    case C::BatteryAlt: EventRecord(line, false); return;
    case C::Event: EventRecord(line, true); return;
    case C::Sample:
    case C::NarrowSampleAlt:
    case C::NarrowSampleB: SampleRecord(line); return;
    case C::DateTimeSample: DateTimeSampleRecord(line); return;
    case C::TextInfoA:
    case C::TextInfoB: m_textInfos.append({m_sampleTime, code, line.TextFrom(L::NarrowBase)}); return;
    case C::DiveStatus: DiveStatusRecord(line); return;
    case C::GasDefinition: m_gas.AddGasDefinition(line); return;
    case C::WarmRestart:
    case C::ColdRestart: return; // narrow samples are timed by the sample interval
    case C::PowerOff: PowerOffRecord(line); return;
    default:
        if (code >= C::NarrowSolenoidFirst && code <= C::NarrowSolenoidLast)
            m_solenoid.append({m_sampleTime, QByteArray::fromHex(line.Text().left(L::NarrowRecordSize * 2).toLatin1())});
        return;
    }
}

void QuorLogSession::ResetTissues(QuorLogSample &sample)
{
    const double n2 = (sample.surfacePressure - WaterVapourMbar) * AirN2;
    sample.n2.fill(n2);
    sample.he.fill(0.0);
    sample.tissuesSet = true;
    m_tissuesKnown = true;
}

void QuorLogSession::PowerOnRecord(const LogLine &line)
{
    m_poweredOn = true;
    if (m_wide) {
        m_timeBase = -(line.TimeStamp() / L::TimeStampUnitsPerSecond);
        m_powerOn = line.DateTime(L::DateTimeAt::WidePowerOn);
        const unsigned previous = line.U24(L::PowerOn::WideMinutesSincePrevious);
        const unsigned desat = line.U24(L::PowerOn::WideMinutesDesaturation);
        m_minutesSincePrevious = previous == L::PowerOn::NotLogged24 ? -1 : int(previous);
        m_minutesDesaturation = desat == L::PowerOn::NotLogged24 ? -1 : int(desat);
        m_sampleInterval = line.U16(L::PowerOn::WideSampleInterval);
        m_tableFlag = line.Byte(L::PowerOn::WideTableFlag) != 0;
        m_powerOnExtraByte = m_deviceVersion >= L::PowerOnExtraByteVersion ? line.Byte(L::PowerOn::WideExtraByte) : -1;
    } else {
        m_powerOn = line.DateTime(L::DateTimeAt::Narrow);
        const unsigned previous = unsigned(line.U16(L::PowerOn::NarrowMinutesSincePrevious));
        const unsigned desat = unsigned(line.U16(L::PowerOn::NarrowMinutesDesaturation));
        m_minutesSincePrevious = previous == L::PowerOn::NotLogged16 ? -1 : int(previous);
        m_minutesDesaturation = desat == L::PowerOn::NotLogged16 ? -1 : int(desat);
        m_sampleInterval = line.U16(L::PowerOn::NarrowSampleInterval);
        m_tableFlag = line.Byte(L::PowerOn::NarrowTableFlag) != 0;
    }
    m_sampleInterval = qBound(MinSampleInterval, m_sampleInterval, MaxSampleInterval);
    m_sampleTime = 0.0;
    QuorLogSample sample = m_carry;
    sample.time = 0.0;
    sample.ambientPressure = sample.surfacePressure;
    ResetTissues(sample);
    m_samples.append(sample);
}

void QuorLogSession::SetSurfacePressure(int mbar, double temperature)
{
    m_carry.surfacePressure = CheckedSurfacePressure(mbar);
    m_carry.temperature = temperature;
    if (m_samples.isEmpty())
        return;
    // The fields of start records go into the current sample; the power-on
    // sample only now learns the pressure it was taken at.
    QuorLogSample &current = m_samples.last();
    current.surfacePressure = m_carry.surfacePressure;
    current.temperature = temperature;
    if (m_samples.size() == 1) {
        current.ambientPressure = current.surfacePressure;
        ResetTissues(current);
    }
}

void QuorLogSession::SessionStartRecord(const LogLine &line)
{
    const int code = line.Code();
    if (code == C::SessionStart)
        m_poweredOn = false;
    if (!m_wide) {
        SetSurfacePressure(line.U16(L::SessionStart::NarrowSurfacePressure),
                           line.S16(L::SessionStart::NarrowTemperature) / 10.0);
        return;
    }
    if (code == C::SessionStart)
        SetSurfacePressure(line.U16(L::SessionStart::WideSurfacePressure), line.S16(L::SessionStart::WideTemperature) / 10.0);
    else
        SetSurfacePressure(line.U16(L::SessionStartFull::SurfacePressure), line.S16(L::SessionStartFull::Temperature) / 10.0);
}

void QuorLogSession::DiveHeaderRecord(const LogLine &line)
{
    const int number = m_wide ? line.U16(L::DiveHeader::WideDiveNumber) : line.U16(L::DiveHeader::NarrowDiveNumber);
    const int sequence = m_wide ? line.Byte(L::DiveHeader::WideSequence) : line.Byte(L::DiveHeader::NarrowSequence);
    const int dtAt = m_wide ? L::DateTimeAt::WideDiveHeader : L::DateTimeAt::Narrow;
    bool accepted = true;
    if (m_logBookEntry.size() >= 10) {
        // The file belongs to one log-book entry: only its dive header counts.
        const auto b = [this](int i) { return int(quint8(m_logBookEntry.at(i))); };
        accepted = number == ((b(1) << 8) | b(2)) && sequence == b(3);
        for (int i = 0; i < 6 && accepted; ++i)
            accepted = line.Byte(dtAt + i) == b(4 + i);
    }
    if (!accepted)
        return;
    m_diveHeaderAccepted = true;
    m_diveNumber = number;
    m_diveStartDateTime = line.DateTime(dtAt);
}

void QuorLogSession::DiveStatusRecord(const LogLine &line)
{
    const int b = Base();
    namespace D = L::DiveStatus;
    m_carry.recordedDiveTime = line.U16(b + D::DiveTime);
    m_carry.maxDepthCm = line.U16(b + D::MaxDepth);
    m_carry.gasIndex = line.Byte(b + D::GasIndex);
    m_carry.gradientFactor = line.Byte(b + D::GradientFactor) / 100.0;
    m_carry.noDecoTime = line.S16(b + D::NoDecoTime);
    m_carry.altStopTime = line.U16(b + D::AltStopTime);
    if (!m_wide) {
        m_carry.temperature = line.S16(b + D::NarrowTemperature) / 10.0;
        m_carry.setpoint = line.Byte(b + D::NarrowSetpoint) / 100.0;
        m_carry.cns = line.Byte(b + D::NarrowCns);
        m_carry.otu = line.Byte(b + D::NarrowOtu);
    }
}

void QuorLogSession::SampleRecord(const LogLine &line)
{
    QuorLogSample s = m_carry;
    s.dateTime = QDateTime();
    if (m_wide) {
        namespace W = L::WideSample;
        s.time = RecordTime(line);
        s.ambientPressure = line.U16(W::AmbientPressure);
        s.temperature = line.S16(W::Temperature) / 10.0;
        for (int i = 0; i < 3; ++i) {
            s.ppO2[i] = line.Byte(W::C1Cells + i) / 100.0;
            s.ppO2[4 + i] = line.Byte(W::C2Cells + i) / 100.0;
        }
        s.ppO2[3] = line.Byte(W::C1Fourth) / 100.0;
        s.ppO2[7] = line.Byte(W::C2Fourth) / 100.0;
        const int voltageAt[4] = {W::C1VoltageA, W::C1VoltageB, W::C2VoltageA, W::C2VoltageB};
        for (int i = 0; i < 4; ++i)
            s.voltage[i] = m_voltageRaw ? line.Byte(voltageAt[i]) : line.Byte(voltageAt[i]) / 40.0;
        s.statusBits = line.Byte(W::StatusBits);
        for (int i = 0; i < W::StatusByteCount; ++i)
            s.statusBytes[i] = line.Byte(W::StatusBytes + i);
        s.setpoint = line.Byte(W::Setpoint) / 100.0;
        s.cns = line.Byte(W::Cns);
        s.otu = line.Byte(W::Otu);
    } else {
        namespace N = L::NarrowSample;
        m_sampleTime += m_sampleInterval;
        s.time = m_sampleTime;
        s.ambientPressure = line.U16(N::AmbientPressure);
        for (int i = 0; i < 3; ++i) {
            s.ppO2[i] = line.Byte(N::C1Cells + i) / 100.0;
            s.ppO2[4 + i] = line.Byte(N::C2Cells + i) / 100.0;
        }
        // Narrow controllers log no separate fourth value: the cell average stands in.
        s.ppO2[3] = (s.ppO2[0] + s.ppO2[1] + s.ppO2[2]) / 3.0;
        s.ppO2[7] = (s.ppO2[4] + s.ppO2[5] + s.ppO2[6]) / 3.0;
        const int voltageAt[4] = {N::C1VoltageA, N::C1VoltageB, N::C2VoltageA, N::C2VoltageB};
        for (int i = 0; i < 4; ++i)
            s.voltage[i] = m_voltageRaw ? line.Byte(voltageAt[i]) : line.Byte(voltageAt[i]) / 40.0;
        s.statusBits = line.Byte(N::StatusBits);
        s.statusBytes.fill(0);
        for (int i = 0; i < N::StatusByteCount; ++i)
            s.statusBytes[i] = line.Byte(N::StatusBytes + i);
    }
    AppendSample(s);
}

void QuorLogSession::DateTimeSampleRecord(const LogLine &line)
{
    QuorLogSample s = m_samples.isEmpty() ? m_carry : m_samples.last();
    if (m_wide) {
        s.time = RecordTime(line);
        s.ambientPressure = line.U16(L::DateTimeSample::WideAmbientPressure);
        m_record08 = line.DateTime(L::DateTimeAt::WideDiveHeader);
    } else {
        m_sampleTime += m_sampleInterval;
        s.time = m_sampleTime;
        s.ambientPressure = line.U16(L::DateTimeSample::NarrowAmbientPressure);
        m_record08 = line.DateTime(L::DateTimeAt::Narrow);
    }
    s.dateTime = m_record08;
    AppendSample(s);
}

void QuorLogSession::SurfaceSampleRecord(const LogLine &line)
{
    QuorLogSample s = m_samples.isEmpty() ? m_carry : m_samples.last();
    s.time = RecordTime(line);
    s.ambientPressure = line.U16(L::WideSample::AmbientPressure);
    s.temperature = line.S16(L::WideSample::Temperature) / 10.0;
    s.dateTime = QDateTime();
    AppendSample(s);
}

void QuorLogSession::EventRecord(const LogLine &line, bool makesSample)
{
    const int b = Base();
    if (makesSample && !m_samples.isEmpty()) {
        QuorLogSample s = m_samples.last();
        m_sampleTime += m_sampleInterval;
        s.time = m_sampleTime;
        s.dateTime = QDateTime();
        AppendSample(s);
    }
    const double time = m_wide ? RecordTime(line) : m_sampleTime;
    m_events.append({time, line.Code(), line.Byte(b + L::Event::Type), line.U16(b + L::Event::Value)});
}

void QuorLogSession::RestartRecord(const LogLine &line, bool warm)
{
    const QDateTime restart = line.DateTime(L::DateTimeAt::WidePowerOn);
    if (!restart.isValid() || !m_powerOn.isValid()) {
        qInfo().noquote() << (warm ? "Warm Restart with an invalid time (or invalid power on time)"
                                   : "Cold Restart with an invalid time (or invalid power on time)");
        return;
    }
    // After a restart the handset's tick counter starts again: re-anchor the
    // time base on the wall clock so that sample times keep rising.
    const double seconds = m_powerOn.secsTo(restart);
    m_timeBase = seconds - line.TimeStamp() / L::TimeStampUnitsPerSecond;
    m_events.append({seconds, line.Code(), 0, 0});
}

void QuorLogSession::FloatRowRecord(const LogLine &line)
{
    if (!m_tableFlag || m_floatRows.size() >= FloatTableEntries)
        return;
    FloatRow row;
    row.code = line.Code();
    for (int i = 0; i < L::FloatRow::Count; ++i) {
        const int at = L::FloatRow::First + i * L::FloatRow::Stride;
        row.values[i] = DeviceList::DeviceRealValue(quint8(line.Byte(at)), quint8(line.Byte(at + 1)),
                                                    quint8(line.Byte(at + 2)), quint8(line.Byte(at + 3)));
    }
    m_floatRows.append(row);
}

void QuorLogSession::PowerOffRecord(const LogLine &line)
{
    m_powerOff = line.DateTime(m_wide ? L::DateTimeAt::WidePowerOn : L::DateTimeAt::Narrow);
    m_ended = true;
}

void QuorLogSession::AppendSample(QuorLogSample sample)
{
    sample.tissuesSet = false;
    m_samples.append(sample);
    CalcTissueTrackValues();
    QuorLogSample &s = m_samples.last();
    const double depth = s.Depth();
    if (!m_inWindow && depth > DiveStartThreshold) {
        m_inWindow = true;
        if (m_diveStartTime < 0)
            m_diveStartTime = s.time;
        m_diveEndTime = -1.0;
    } else if (m_inWindow && depth < DiveEndThreshold) {
        m_inWindow = false;
        m_diveEndTime = s.time;
    }
}

void QuorLogSession::CalcTissueTrackValues()
{
    if (m_samples.size() < 2)
        return;
    if (!m_tissueTracking) {
        m_tissuesKnown = false;
        return;
    }
    if (!m_tissuesKnown)
        return;
    const QuorLogSample &a = m_samples.at(m_samples.size() - 2);
    QuorLogSample &b = m_samples.last();
    // The new sample first carries the previous one's pressures. When its own
    // time span cannot be used (the clock stepped back) it keeps them and
    // stays unset, and the next sample goes on loading from them: one bad
    // time step costs one sample, not the rest of the session.
    b.n2 = a.n2;
    b.he = a.he;
    const double dt = b.time - a.time;
    if (dt < 0) {
        qDebug() << "calcTissueTrackValues() - Invalid time span";
        return;
    }
    double fN2 = AirN2, fHe = 0.0;
    if (b.InDive()) {
        const double diveTime = m_diveStartTime >= 0 ? a.time - m_diveStartTime : 0.0;
        int index = m_gas.CurrentGasIndex(diveTime);
        if (index < 0)
            index = a.gasIndex;
        const QuorLogGasManagement::Gas gas = m_gas.GasAt(index);
        fN2 = (100 - gas.o2 - gas.he) / 100.0;
        fHe = gas.he / 100.0;
    }
    const bool closedCircuitInDive = !a.OpenCircuit() && b.InDive();
    if (closedCircuitInDive && fN2 + fHe > 0.0) {
        const double inert = fN2 + fHe;
        fN2 /= inert;
        fHe /= inert;
    }
    const double pamb = (b.ambientPressure + a.ambientPressure) * 0.5;
    const double ppO2 = closedCircuitInDive ? (b.ppO2[3] + a.ppO2[3]) * 0.5 * 1000.0 : 0.0;
    const double piN2 = (pamb - WaterVapourMbar - ppO2) * fN2;
    const double piHe = (pamb - WaterVapourMbar - ppO2) * fHe;
    if (dt != m_tissueFactorInterval) {
        const auto &tN2 = HalfTimesN2();
        const auto &tHe = HalfTimesHe();
        for (int i = 0; i < QuorLogSample::Compartments; ++i) {
            m_tissueFactorN2[i] = 1.0 - std::pow(2.0, -dt / (60.0 * tN2[i]));
            m_tissueFactorHe[i] = 1.0 - std::pow(2.0, -dt / (60.0 * tHe[i]));
        }
        m_tissueFactorInterval = dt;
    }
    for (int i = 0; i < QuorLogSample::Compartments; ++i) {
        b.n2[i] = a.n2[i] + (piN2 - a.n2[i]) * m_tissueFactorN2[i];
        b.he[i] = a.he[i] + (piHe - a.he[i]) * m_tissueFactorHe[i];
    }
    b.tissuesSet = true;
}

void QuorLogSession::AddPostDiveRecord(const LogLine &line) { m_gas.AddPostDiveRecord(line); }

QuorLogDiveSummary QuorLogSession::Summary() const
{
    QuorLogDiveSummary sum;
    const QuorLogSample *prev = nullptr;
    double weighted = 0.0, span = 0.0;
    int recordedDiveTime = 0;
    for (const QuorLogSample &s : m_samples) {
        // The dive time counts up through the dive; status records at the
        // surface afterwards may log 0 again.
        recordedDiveTime = qMax(recordedDiveTime, s.recordedDiveTime);
        if (!s.InDive())
            continue;
        const double depth = s.Depth();
        if (prev) {
            const double dt = s.time - prev->time;
            weighted += (prev->Depth() + depth) / 2.0 * dt;
            span += dt;
        }
        sum.largestSampleDepth = qMax(sum.largestSampleDepth, depth);
        sum.largestAmbientPressure = qMax(sum.largestAmbientPressure, s.ambientPressure);
        sum.largestSetpoint = qMax(sum.largestSetpoint, s.setpoint);
        sum.controller1MaxPpO2 = qMax(sum.controller1MaxPpO2, s.ppO2[3]);
        sum.controller1MinPpO2 = qMin(sum.controller1MinPpO2, s.ppO2[3]);
        sum.controller2MaxPpO2 = qMax(sum.controller2MaxPpO2, s.ppO2[7]);
        sum.controller2MinPpO2 = qMin(sum.controller2MinPpO2, s.ppO2[7]);
        const double inControl = s.ControllerInControl() == 1 ? s.ppO2[3] : s.ppO2[7];
        sum.inControlMaxPpO2 = qMax(sum.inControlMaxPpO2, inControl);
        sum.inControlMinPpO2 = qMin(sum.inControlMinPpO2, inControl);
        sum.largestCns = qMax(sum.largestCns, s.cns);
        sum.largestOtu = qMax(sum.largestOtu, s.otu);
        sum.lowestTemperature = qMin(sum.lowestTemperature, s.temperature);
        prev = &s;
    }
    if (span > 0.0)
        sum.averageDepth = weighted / span;
    sum.greatestDepth = sum.largestSampleDepth;
    if (!m_samples.isEmpty()) {
        if (m_samples.last().maxDepthCm != 0)
            sum.greatestDepth = m_samples.last().maxDepthCm / 100.0;
        sum.surfacePressure = m_samples.first().surfacePressure;
        sum.airTemperature = m_samples.first().temperature;
        // The handset's own dive time, when its status records logged one:
        // the session's samples run on past the dive into the surface time.
        if (recordedDiveTime > 0)
            sum.diveDuration = recordedDiveTime;
        else if (m_diveStartTime >= 0)
            sum.diveDuration = int(std::lround(m_samples.last().time - m_diveStartTime));
    }
    sum.diveNumber = m_diveNumber;
    sum.diveStart = m_diveStartDateTime;
    return sum;
}

void QuorLogSession::Finalise()
{
    bool inDiveSample = false;
    for (const QuorLogSample &s : m_samples)
        inDiveSample = inDiveSample || s.InDive();
    m_holdsDiveData = m_diveHeaderAccepted && inDiveSample;
}
