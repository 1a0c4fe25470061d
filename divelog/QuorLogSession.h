#pragma once

#include "QuorLogBattery.h"
#include "QuorLogDPS.h"
#include "QuorLogDiveSummary.h"
#include "QuorLogGasManagement.h"
#include "QuorLogSample.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <QVector>
#include <array>

class LogLine;

// One power-on session of a dive log: created at a power-on record, fed every
// record up to the power-off record, and decoding them into samples, events
// and the other record lists.
class QuorLogSession : public QObject
{
    Q_OBJECT
public:
    struct Event
    {
        double time;
        int code;
        int type;
        int value;
    };
    struct SolenoidSample
    {
        double time;
        QByteArray raw;
    };
    struct FloatRow
    {
        int code;
        std::array<float, 6> values;
    };
    struct TextInfo
    {
        double time;
        int code;
        QString text;
    };

    // Depth hysteresis that decides the session's dive window.
    static constexpr double DiveStartThreshold = 1.2; // m
    static constexpr double DiveEndThreshold = 0.9;   // m
    static constexpr int FloatTableEntries = 65;

    // `logBookEntry` is the file's 32-byte log-book entry, empty when absent.
    QuorLogSession(QObject *log, bool wide, int deviceVersion, bool deviceFlag, const QByteArray &logBookEntry);

    // Decodes one record of the main walk into the session.
    void AddRecord(const LogLine &line, int lineNumber);
    // Records 0xA0-0xAC of the post-dive walk.
    void AddPostDiveRecord(const LogLine &line);
    void Finalise();
    void SetTissueTracking(bool on) { m_tissueTracking = on; }
    // Room for the samples of `records` records, so long dives never regrow the list.
    void ReserveSamples(int records);
    // Handsets that store battery voltages unscaled.
    void SetVoltageFormatRaw(bool raw) { m_voltageRaw = raw; }

    // Samples, events and the other record lists.
    const QVector<QuorLogSample> &Samples() const { return m_samples; }
    const QVector<Event> &Events() const { return m_events; }
    const QVector<QuorLogBattery> &Batteries() const { return m_batteries; }
    const QVector<QuorLogDPS> &DpsRecords() const { return m_dps; }
    const QVector<SolenoidSample> &SolenoidSamples() const { return m_solenoid; }
    const QVector<FloatRow> &FloatRows() const { return m_floatRows; }
    const QVector<TextInfo> &TextInfos() const { return m_textInfos; }
    const QuorLogGasManagement &GasManagement() const { return m_gas; }

    QDateTime PowerOnDateTime() const { return m_powerOn; }
    QDateTime DiveStartDateTime() const { return m_diveStartDateTime; }
    QDateTime Record08DateTime() const { return m_record08; }
    QDateTime PowerOffDateTime() const { return m_powerOff; }
    // Dive start date-time plus the dive window's length; invalid without both.
    QDateTime DiveEndDateTime() const;

    // Seconds since power on; -1 when not known.
    double DiveStartTime() const { return m_diveStartTime; }
    double DiveEndTime() const { return m_diveEndTime; }

    bool DiveHeaderAccepted() const { return m_diveHeaderAccepted; }
    int DiveNumber() const { return m_diveNumber; }
    bool HoldsDiveData() const { return m_holdsDiveData; }
    bool PoweredOn() const { return m_poweredOn; }
    bool Ended() const { return m_ended; }
    int SampleInterval() const { return m_sampleInterval; }
    double TimeBase() const { return m_timeBase; }

    // Minute counts of the power-on record; -1 when the record does not log them.
    int MinutesSincePreviousDive() const { return m_minutesSincePrevious; }
    int MinutesDesaturation() const { return m_minutesDesaturation; }
    // Last byte of the power-on record (devices from 7.1.15); -1 otherwise.
    int PowerOnExtraByte() const { return m_powerOnExtraByte; }
    // Set for trimix-capable handsets.
    bool DeviceFlag() const { return m_deviceFlag; }

    // Computed from the samples; valid at any time, final after Finalise().
    QuorLogDiveSummary Summary() const;

    // Plausible surface pressure: outside 600..1080 mbar gives 1000.
    static int CheckedSurfacePressure(int mbar);
    // ZH-L16 half-times in minutes (nitrogen compartment 1 at 4.0 min).
    static const std::array<double, QuorLogSample::Compartments> &HalfTimesN2();
    static const std::array<double, QuorLogSample::Compartments> &HalfTimesHe();

signals:
    void modified(bool);
    void sendModified(bool);

public slots:
    void subModified(bool changed);

private:
    int Base() const;
    void PowerOnRecord(const LogLine &line);
    void SessionStartRecord(const LogLine &line);
    void DiveHeaderRecord(const LogLine &line);
    void SampleRecord(const LogLine &line);
    void DateTimeSampleRecord(const LogLine &line);
    void SurfaceSampleRecord(const LogLine &line);
    void DiveStatusRecord(const LogLine &line);
    void EventRecord(const LogLine &line, bool makesSample);
    void RestartRecord(const LogLine &line, bool warm);
    void FloatRowRecord(const LogLine &line);
    void PowerOffRecord(const LogLine &line);
    double RecordTime(const LogLine &line);
    void AppendSample(QuorLogSample sample);
    void CalcTissueTrackValues();
    void ResetTissues(QuorLogSample &sample);
    void SetSurfacePressure(int mbar, double temperature);

    bool m_wide;
    int m_deviceVersion;
    bool m_deviceFlag;
    QByteArray m_logBookEntry;

    QVector<QuorLogSample> m_samples;
    QVector<Event> m_events;
    QVector<QuorLogBattery> m_batteries;
    QVector<QuorLogDPS> m_dps;
    QVector<SolenoidSample> m_solenoid;
    QVector<FloatRow> m_floatRows;
    QVector<TextInfo> m_textInfos;
    QuorLogGasManagement m_gas;

    QDateTime m_powerOn, m_diveStartDateTime, m_record08, m_powerOff;
    double m_timeBase = 0.0;
    double m_sampleTime = 0.0;
    int m_sampleInterval = 1;
    QuorLogSample m_carry; // values carried into the next sample
    bool m_tableFlag = false;
    bool m_tissueTracking = true;
    // The last sample holds tissue pressures to go on from (computed, or
    // carried over a sample whose time span could not be used).
    bool m_tissuesKnown = false;
    // Tissue loading factors for the last sample interval: samples come at
    // a fixed rate, and working them out costs 32 calls of pow per sample.
    double m_tissueFactorInterval = -1.0;
    std::array<double, QuorLogSample::Compartments> m_tissueFactorN2{};
    std::array<double, QuorLogSample::Compartments> m_tissueFactorHe{};
    bool m_poweredOn = false;
    bool m_diveHeaderAccepted = false;
    bool m_ended = false;
    bool m_inWindow = false;
    bool m_holdsDiveData = false;
    int m_diveNumber = 0;
    int m_minutesSincePrevious = -1;
    int m_minutesDesaturation = -1;
    int m_powerOnExtraByte = -1;
    double m_diveStartTime = -1.0;
    double m_diveEndTime = -1.0;
    bool m_voltageRaw = false;
};
