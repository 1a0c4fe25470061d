#include "QuorLog.h"

#include "CclFileLoader.h"
#include "DeviceList.h"
#include "LogLine.h"
#include "LogRecordLayout.h"
#include "QuorLogDeviceInfo.h"
#include "QuorLogDurations.h"
#include "QuorLogSession.h"

#include <QDebug>
#include <QElapsedTimer>
#include <algorithm>

namespace L = LogRecordLayout;
namespace C = LogRecordLayout::Code;

namespace {
constexpr int LogBookValidRecordId = 0x70;
constexpr int LogBookEntrySize = 32;
constexpr int PowerOnBoundaryLines = 4; // power-on records start a 64-byte block
constexpr int RealDiveSeconds = 181;

bool IsDataLine(const QString &line) { return CclFileLoader::IsDataLine(line); }

int BcdField(const QString &group)
{
    bool ok = false;
    const int value = group.toInt(&ok, 10);
    return ok ? value : -1;
}
}

QuorLog::QuorLog(QObject *parent) : QObject(parent) {}

QuorLog::~QuorLog() { Clear(); }

void QuorLog::Clear()
{
    qDeleteAll(m_sessions);
    m_sessions.clear();
    m_current = nullptr;
    m_identified = 0;
    m_memory = QuorLogMemoryStore();
    m_dan = QuorLogDanData();
    m_diveInfo = QuorLogDiveInfo();
    m_valid = false;
    m_wide = false;
    m_deviceVersion = 0;
    m_deviceFlag = false;
    m_voltageFormatRaw = false;
    m_errorText.clear();
    m_damagedRecords.clear();
    m_diveDurationText.clear();
    m_powerOnToDiveText.clear();
    m_diveToPowerOffText.clear();
    m_previousDiveText.clear();
    m_desaturationText.clear();
}

QString QuorLog::ResultText(int result)
{
    switch (result) {
    case InvalidData: return QStringLiteral("File opened ok but contained invalid data");
    case InvalidFormat: return QStringLiteral("Invalid file format");
    case InvalidChecksum: return QStringLiteral("Invalid file checksum");
    case InvalidExtension: return QStringLiteral("Invalid file extension");
    default: return QString();
    }
}

int QuorLog::Fail(int result, const QString &text)
{
    m_result = result;
    m_errorText = text;
    return result;
}

QuorLogSession *QuorLog::IdentifiedSession() const
{
    return m_identified >= 0 && m_identified < m_sessions.size() ? m_sessions.at(m_identified) : nullptr;
}

void QuorLog::subModified(bool changed)
{
    emit modified(changed);
    emit sendModified(changed);
}

QuorLogDeviceInfo QuorLog::DeviceInfo() const
{
    const QuorLogMemoryStore::Block *block = m_memory.FirstBlockOf(DeviceId::DisplayColour);
    if (!block)
        block = m_memory.HandsetBlock();
    return QuorLogDeviceInfo::Decode(block ? block->bytes : QByteArray());
}

int QuorLog::Load(const QString &path)
{
    Clear();
    m_filePath = path;
    CclFileLoader loader;
    const CclFileLoader::Result loaded = loader.Load(path);
    if (loaded != CclFileLoader::Ok)
        return Fail(int(loaded), loader.ErrorText());
    FileInfo info;
    info.creatorLine = loader.CreatorLine();
    info.dateTimeText = loader.DateTimeText();
    info.deviceVersionText = loader.DeviceVersionText();
    info.logBookEntry = loader.LogBookEntry();
    info.binaryOrSecured = loader.IsBinaryOrSecured();
    info.wideBlocks = loader.WideBlocks();
    const QString keepPath = m_filePath;
    const int result = LoadFromLines(loader.Lines(), info);
    m_filePath = keepPath;
    m_damagedRecords = loader.DamagedRecords();
    return result;
}

int QuorLog::LoadFromLines(const QStringList &lines, const FileInfo &info)
{
    QElapsedTimer timer;
    timer.start();
    const QString path = m_filePath;
    Clear();
    m_filePath = path;
    m_info = info;
    if (m_info.logBookEntry.size() != LogBookEntrySize)
        m_info.logBookEntry.clear();

    DecideFormat(lines);
    if (!m_wide && !CheckPowerOnBoundaries(lines))
        return m_result;
    MainWalk(lines);
    IdentifyDiveSession();
    PostDiveWalk(lines);
    for (QuorLogSession *session : qAsConst(m_sessions))
        session->Finalise();
    m_current = IdentifiedSession();
    m_valid = m_current && m_current->HoldsDiveData();
    ComputeDurations();
    if (m_sessions.isEmpty() || !m_valid)
        return Fail(InvalidData, ResultText(InvalidData));
    m_loadMs = timer.elapsed();
    m_result = Success;
    return Success;
}

void QuorLog::DecideFormat(const QStringList &lines)
{
    // Memory blocks first: they tell the handset's version and options.
    for (int i = 0; i + 1 < lines.size(); ++i) {
        if (QuorLogMemoryStore::IsHeaderLine(lines.at(i)) && QuorLogMemoryStore::IsDataLine(lines.at(i + 1))) {
            m_memory.AddLinePair(lines.at(i), lines.at(i + 1));
            ++i;
        }
    }
    int blockVersion = 0;
    for (int id : {int(DeviceId::DisplayMono), int(DeviceId::DisplayColour), int(DeviceId::C1), int(DeviceId::C2)}) {
        if (const QuorLogMemoryStore::Block *block = m_memory.FirstBlockOf(id)) {
            blockVersion = QuorLogDeviceInfo::VersionNumberFromText(QuorLogDeviceInfo::Decode(block->bytes).versionText);
            break;
        }
    }
    if (m_info.binaryOrSecured) {
        m_wide = m_info.wideBlocks;
        const QStringList groups = m_info.deviceVersionText.split(QLatin1Char('.'));
        const int major = groups.size() == 4 ? BcdField(groups.at(1)) : -1;
        const int minor = groups.size() == 4 ? BcdField(groups.at(2)) : -1;
        const int patch = groups.size() == 4 ? BcdField(groups.at(3)) : -1;
        m_deviceVersion = (major >= 0 && minor >= 0 && patch >= 0) ? major * 1000000 + minor * 1000 + patch : blockVersion;
    } else {
        m_deviceVersion = blockVersion;
        m_wide = blockVersion >= L::WideFormatVersion;
    }
    if (const QuorLogMemoryStore::Block *handset = m_memory.HandsetBlock()) {
        const QuorLogDeviceInfo device = QuorLogDeviceInfo::Decode(handset->bytes);
        m_deviceFlag = device.diveModeCode == L::InfoBlock::TrimixDiveMode;
        m_voltageFormatRaw = device.voltageFormatRaw;
    }
}

bool QuorLog::CheckPowerOnBoundaries(const QStringList &lines)
{
    int index = 0;
    for (const QString &line : lines) {
        if (!IsDataLine(line))
            continue;
        const int code = LogLine(line).Code();
        if (code == C::DiveHeader)
            return true;
        if (code == C::PowerOn && index % PowerOnBoundaryLines != 0) {
            Fail(PowerOnOffBoundary, QStringLiteral("Power On record found 'off' boundary, Line %1, %2").arg(index + 1).arg(line));
            return false;
        }
        ++index;
    }
    return true;
}

void QuorLog::MainWalk(const QStringList &lines)
{
    // Where each power-on record stands, so each session can size its sample
    // list once: a session has at most the records up to the next power-on.
    QVector<int> powerOnAt;
    for (int i = 0; i < lines.size(); ++i)
        if (IsDataLine(lines.at(i)) && LogLine(lines.at(i)).Code() == C::PowerOn)
            powerOnAt.append(i);
    powerOnAt.append(lines.size());
    int nextPowerOn = 0;
    bool inSession = false;
    int lineNumber = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &text = lines.at(i);
        if (!IsDataLine(text))
            continue;
        ++lineNumber;
        if (QuorLogMemoryStore::IsHeaderLine(text) && i + 1 < lines.size() && QuorLogMemoryStore::IsDataLine(lines.at(i + 1))) {
            ++i; // the pair went to the memory store
            ++lineNumber;
            continue;
        }
        const LogLine line(text);
        const int code = line.Code();
        if (code == C::PowerOn) {
            auto *session = new QuorLogSession(this, m_wide, m_deviceVersion, m_deviceFlag, m_info.logBookEntry);
            session->SetVoltageFormatRaw(m_voltageFormatRaw);
            while (nextPowerOn < powerOnAt.size() - 1 && powerOnAt.at(nextPowerOn) <= i)
                ++nextPowerOn;
            session->ReserveSamples(powerOnAt.at(nextPowerOn) - i);
            m_sessions.append(session);
            m_current = session;
            connect(session, &QuorLogSession::sendModified, this, &QuorLog::subModified);
            inSession = true;
            session->AddRecord(line, lineNumber);
        } else if (code >= C::DiveInfoFirst && code <= C::DiveInfoLast) {
            m_diveInfo.AddRecord(line);
        } else if (code == C::Dan) {
            m_dan.AddLine(line);
        } else if (code == C::PowerOff) {
            if (inSession && m_current)
                m_current->AddRecord(line, lineNumber);
            inSession = false;
        } else if (inSession && m_current && !(code >= C::PostDiveFirst && code <= C::PostDiveLast)) {
            m_current->AddRecord(line, lineNumber);
        }
    }
}

void QuorLog::IdentifyDiveSession()
{
    m_identified = 0;
    const int n = m_sessions.size();
    if (n == 0) {
        qDebug() << "Dive Session identified - No candidates";
        return;
    }
    if (n == 1) {
        qDebug() << "Dive Session identified - Single candidate" << 0;
        return;
    }
    struct Candidate
    {
        int index;
        QDateTime diveStart;
        bool diveEndValid;
        int diveNumber;
        int duration;
        double greatestDepth;
        qint64 length;
        int score;
    };
    QVector<Candidate> candidates;
    for (int i = 0; i < n; ++i) {
        const QuorLogSession *s = m_sessions.at(i);
        const QuorLogDiveSummary sum = s->Summary();
        Candidate c{i, s->DiveStartDateTime(), s->DiveEndDateTime().isValid(), s->DiveNumber(), sum.diveDuration,
                    sum.greatestDepth, 0, 0};
        if (c.diveStart.isValid()) {
            const QDateTime end = c.diveEndValid ? s->DiveEndDateTime() : s->PowerOffDateTime();
            c.length = end.isValid() ? c.diveStart.secsTo(end) : 0;
        } else {
            c.length = c.duration;
        }
        candidates.append(c);
    }
    const QByteArray &entry = m_info.logBookEntry;
    if (entry.size() == LogBookEntrySize && quint8(entry.at(0)) == LogBookValidRecordId) {
        const auto u16 = [&entry](int i) { return (int(quint8(entry.at(i))) << 8) | int(quint8(entry.at(i + 1))); };
        for (Candidate &c : candidates) {
            if (c.diveNumber == u16(1))
                c.score += n;
            if (c.duration == u16(18))
                c.score += 2 * n;
            if (DeviceList::EqualWithinTolerance(c.greatestDepth, u16(20) / 100.0, 0.001))
                c.score += 2 * n;
        }
    }
    // Ties keep session order: every ordering below is stable.
    QVector<Candidate *> order;
    for (Candidate &c : candidates)
        order.append(&c);
    std::stable_sort(order.begin(), order.end(), [](const Candidate *a, const Candidate *b) {
        if (a->diveStart.isValid() != b->diveStart.isValid())
            return a->diveStart.isValid();
        return a->diveStart > b->diveStart;
    });
    for (int i = 0; i < n; ++i)
        order[i]->score += n - i;
    std::stable_sort(order.begin(), order.end(), [](const Candidate *a, const Candidate *b) { return a->length > b->length; });
    for (int i = 0; i < n; ++i)
        order[i]->score += 2 * (n - i);
    for (Candidate &c : candidates) {
        if (c.diveEndValid)
            c.score += n;
        if (c.length >= RealDiveSeconds)
            c.score += n;
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate &a, const Candidate &b) { return a.score > b.score; });
    m_identified = candidates.first().index;
    qDebug() << "Dive Session identified - Candidate" << m_identified << "score" << candidates.first().score;
}

void QuorLog::PostDiveWalk(const QStringList &lines)
{
    QuorLogSession *session = IdentifiedSession();
    if (!session)
        return;
    for (const QString &text : lines) {
        if (!IsDataLine(text))
            continue;
        const LogLine line(text);
        if (line.Code() >= C::PostDiveFirst && line.Code() <= C::PostDiveLast)
            session->AddPostDiveRecord(line);
    }
}

void QuorLog::ComputeDurations()
{
    const QuorLogSession *s = IdentifiedSession();
    if (!s)
        return;
    m_diveDurationText = QuorLogDurations::DiveDurationText(s->Summary().diveDuration);
    m_powerOnToDiveText = QuorLogDurations::IntervalText(s->PowerOnDateTime(), s->DiveStartDateTime());
    m_diveToPowerOffText = QuorLogDurations::IntervalText(s->DiveStartDateTime(), s->PowerOffDateTime());
    m_previousDiveText = QuorLogDurations::MinuteCountText(s->MinutesSincePreviousDive());
    m_desaturationText = QuorLogDurations::MinuteCountText(s->MinutesDesaturation());
}
