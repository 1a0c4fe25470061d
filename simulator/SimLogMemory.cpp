#include "SimLogMemory.h"

#include "DeviceList.h"
#include "LogRecordGenerator.h"
#include "LogRecordLayout.h"
#include "RecordScrambler.h"
#include "SimulatedBus.h"
#include "SimUnit.h"

#include <algorithm>
#include <cmath>

namespace L = LogRecordLayout;

namespace {

constexpr int kScrambleUnit = 16;
constexpr int kV2LogBookSlots = 0x10000 / SimLogMemory::V2RecordSize;

struct Region {
    quint8 memoryId = 0;
    quint32 start = 0;
    quint32 size = 0;
};

Region CatalogueRegion(quint8 deviceId, int regionId)
{
    static const DeviceList catalogue;
    Region r;
    catalogue.GetRegion(deviceId, regionId, r.memoryId, r.start, r.size);
    return r;
}

bool AllErased(const char *bytes, int size)
{
    return std::all_of(bytes, bytes + size, [](char c) { return quint8(c) == 0xFF; });
}

QByteArray BigEndian(quint32 value, int bytes)
{
    QByteArray b(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        b[i] = char((value >> (8 * (bytes - 1 - i))) & 0xFF);
    return b;
}

QByteArray LittleEndian(quint32 value, int bytes)
{
    QByteArray b(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        b[i] = char((value >> (8 * i)) & 0xFF);
    return b;
}

QByteArray DateTimeBytes(const QDateTime &dt)
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    QByteArray b;
    b.append(char(d.day())).append(char(d.month())).append(char(d.year() - 2000));
    b.append(char(t.hour())).append(char(t.minute())).append(char(t.second()));
    return b;
}

int DurationSeconds(const DivePlan &plan) { return int(std::lround(plan.DiveLength())); }

} // namespace

SimLogMemory::SimLogMemory(Format format, const QVector<DivePlan> &plans)
    : SimLogMemory(format, plans, Layout())
{
}

SimLogMemory::SimLogMemory(Format format, const QVector<DivePlan> &plans, const Layout &layout)
    : m_format(format), m_plans(plans), m_layout(layout)
{
    for (DivePlan &plan : m_plans)
        plan.wide = IsWide(format); // the handset's logging format decides the record width
}

quint8 SimLogMemory::HandsetId(Format format)
{
    return format == Format::Mono ? DeviceId::DisplayMono : DeviceId::DisplayColour;
}

QByteArray SimLogMemory::Scramble(const QByteArray &bytes, quint32 address)
{
    QByteArray out = bytes;
    for (int at = 0; at < out.size(); at += kScrambleUnit) {
        const int n = std::min(kScrambleUnit, int(out.size()) - at);
        if (AllErased(out.constData() + at, n))
            continue;
        RecordScrambler::Scramble(out.data() + at, size_t(n), quint64(address) + quint64(at));
    }
    return out;
}

bool SimLogMemory::WriteTo(SimulatedBus &bus)
{
    SimUnit *handset = bus.Unit(HandsetId(m_format));
    if (!handset) {
        m_error = QStringLiteral("The bus has no handset 0x%1").arg(HandsetId(m_format), 2, 16, QLatin1Char('0'));
        return false;
    }
    return WriteTo(*handset);
}

bool SimLogMemory::CheckLayout(const SimUnit &handset)
{
    m_error.clear();
    if (handset.DeviceId() != HandsetId(m_format)) {
        m_error = QStringLiteral("Unit 0x%1 does not keep this logging format").arg(handset.DeviceId(), 2, 16, QLatin1Char('0'));
        return false;
    }
    const Region logData = CatalogueRegion(HandsetId(m_format), RegionId::LogData);
    m_ringMemory = logData.memoryId;
    switch (m_format) {
    case Format::Mono:
        m_ringStart = logData.start;
        m_ringSize = logData.size;
        break;
    case Format::ColourV1:
        m_ringStart = logData.start;
        m_ringSize = m_layout.ringSize ? m_layout.ringSize : logData.size;
        if (m_ringSize % ColourV1BlockSize != 0 || m_ringSize < 2 * ColourV1BlockSize || m_ringSize > logData.size) {
            m_error = QStringLiteral("A Colour V1 ring is a multiple of 2 KiB between 4 KiB and the region's size");
            return false;
        }
        break;
    case Format::ColourV2:
        m_ringSize = m_layout.ringSize ? m_layout.ringSize : logData.size;
        m_ringStart = ProfileMemoryEnd - m_ringSize;
        if (m_ringSize % ColourV2SectorSize != 0 || m_ringSize < 2 * ColourV2SectorSize || m_ringSize > logData.size) {
            m_error = QStringLiteral("A Colour V2 ring is a multiple of 4 KiB between 8 KiB and the region's size");
            return false;
        }
        if (m_layout.logDataStartUnset && m_ringStart != logData.start) {
            m_error = QStringLiteral("With the log data start unset the ring is the whole region");
            return false;
        }
        break;
    }
    if (m_layout.firstOffset >= m_ringSize) {
        m_error = QStringLiteral("The first offset lies outside the ring");
        return false;
    }
    if (m_format != Format::ColourV1
        && (m_layout.breakAfterSessions >= 0 || m_layout.staleLogBookPointer || m_layout.logBookOutOfOrder)) {
        m_error = QStringLiteral("Logging breaks and the 48-entry log book are Colour V1 only");
        return false;
    }
    if (m_format != Format::ColourV2
        && (m_layout.firstLogBookSlot != 0 || !m_layout.withoutLogBookEnd.isEmpty() || m_layout.logDataStartUnset
            || m_layout.countTurns)) {
        m_error = QStringLiteral("The log book ring and the Services Relocation block are Colour V2 only");
        return false;
    }
    if (m_layout.firstLogBookSlot < 0 || m_layout.firstLogBookSlot >= kV2LogBookSlots || m_layout.breakGapBlocks < 0) {
        m_error = QStringLiteral("Log book slot or break gap out of range");
        return false;
    }
    return true;
}

bool SimLogMemory::WriteTo(SimUnit &handset)
{
    m_sessions.clear();
    m_ringWrapped = m_logBookWrapped = false;
    if (!CheckLayout(handset))
        return false;

    // Everything this layout owns starts erased.
    const Region logData = CatalogueRegion(HandsetId(m_format), RegionId::LogData);
    handset.EraseMemory(logData.memoryId, logData.start, logData.size);
    WriteRing(handset);

    const Region eeprom = CatalogueRegion(HandsetId(m_format), RegionId::Eeprom);
    if (m_format == Format::Mono) {
        handset.WriteMemory(eeprom.memoryId, eeprom.start + LoggingPointerOffset, BigEndian(m_loggingPointer, 3));
        return true;
    }
    if (m_format == Format::ColourV1)
        WriteV1LogBook(handset);
    else
        WriteV2LogBook(handset);
    handset.WriteMemory(eeprom.memoryId, eeprom.start + LoggingPointerOffset, BigEndian(m_loggingPointer, 4));
    handset.WriteMemory(eeprom.memoryId, eeprom.start + LogBookPointerOffset, BigEndian(m_logBookPointer, 2));
    return true;
}

void SimLogMemory::WriteRing(SimUnit &handset)
{
    const bool wide = IsWide(m_format);
    const int eraseSize = m_format == Format::Mono ? MonoEraseSize
        : m_format == Format::ColourV1 ? ColourV1BlockSize : ColourV2SectorSize;
    const int alignment = wide ? L::WideRecordSize : L::NarrowPowerOnBlockSize;
    const quint64 first = m_layout.firstOffset - m_layout.firstOffset % alignment;
    const quint64 size = m_ringSize;

    // Positions are "linear": bytes from the first offset on, never wrapped;
    // the ring position is (first + linear) mod size.
    quint64 linear = 0;
    quint64 frontier = 0; // linear end of everything erased or written
    const auto ringOffset = [&](quint64 lin) { return quint32((first + lin) % size); };
    const auto address = [&](quint64 lin) { return m_ringStart + ringOffset(lin); };
    const auto turn = [&](quint64 lin) { return int((first + lin) / size); };

    // Bytes queued for writing: they end at `linear` and never cross the wrap.
    QByteArray pending;
    quint64 pendingStart = 0;
    const auto flush = [&]() {
        if (!pending.isEmpty())
            handset.WriteMemory(m_ringMemory, address(pendingStart), Scramble(pending, address(pendingStart)));
        pending.clear();
    };
    const auto append = [&](const QByteArray &bytes) {
        if (!pending.isEmpty() && ringOffset(linear) == 0)
            flush();
        if (pending.isEmpty())
            pendingStart = linear;
        pending.append(bytes);
        linear += quint64(bytes.size());
    };
    // The handset erases a block when its write position enters it.
    const auto enter = [&]() {
        if (ringOffset(linear) % eraseSize != 0)
            return;
        handset.EraseMemory(m_ringMemory, address(linear), quint32(eraseSize));
        frontier = std::max(frontier, linear + quint64(eraseSize));
    };
    // Logging stops: the rest of this 2 KiB block and the gap blocks after it
    // stay erased; logging restarts at the start of the following block.
    const auto logBreak = [&]() {
        flush();
        const quint32 into = ringOffset(linear) % ColourV1BlockSize;
        if (into != 0)
            linear += ColourV1BlockSize - into;
        for (int g = 0; g < m_layout.breakGapBlocks; ++g) {
            enter();
            linear += ColourV1BlockSize;
        }
    };

    QVector<quint64> sessionStarts;
    for (int i = 0; i < m_plans.size(); ++i) {
        if (m_format == Format::ColourV1 && i == m_layout.breakAfterSessions)
            logBreak();
        const GeneratedSession generated = LogRecordGenerator::Session(m_plans.at(i));
        Session session;
        session.plan = i;
        session.hasDive = generated.diveStart >= 0 && generated.diveEnd >= 0;
        session.maxDepthCm = generated.maxDepthCm;
        bool started = false;
        quint64 start = linear;
        for (int r = 0; r < generated.records.size(); ++r) {
            const QByteArray &record = generated.records.at(r);
            if (!wide && AllErased(record.constData(), record.size()))
                continue; // the generator's own padding; laid out afresh here
            if (!wide && quint8(record.at(0)) == L::Code::PowerOn) {
                // A power-on record starts a 64-byte block; the bytes skipped
                // stay erased (their block was erased when it was entered).
                const quint32 into = ringOffset(linear) % L::NarrowPowerOnBlockSize;
                if (into != 0) {
                    const QByteArray skipped(int(L::NarrowPowerOnBlockSize - into), char(0xFF));
                    append(skipped);
                    if (started)
                        session.bytes.append(skipped);
                }
            }
            if (!started) {
                start = linear;
                started = true;
            }
            enter();
            if (r == generated.diveStart) {
                session.diveStart = address(linear);
                session.turn = turn(linear);
            }
            if (r == generated.diveEnd) {
                session.diveEnd = address(linear);
                session.endTurn = turn(linear);
            }
            append(record);
            session.bytes.append(record);
        }
        if (m_format == Format::Mono && started) {
            // The mono handset writes whole flash rows: the last row of a
            // session is filled up with erased bytes, so the logging pointer
            // always stays on a row boundary.
            const quint32 into = ringOffset(linear) % MonoEraseSize;
            if (into != 0) {
                const QByteArray rest(int(MonoEraseSize - into), char(0xFF));
                append(rest);
                session.bytes.append(rest);
            }
        }
        session.start = address(start);
        session.length = quint32(linear - start);
        frontier = std::max(frontier, linear);
        sessionStarts.append(start);
        m_sessions.append(session);
    }
    if (m_format == Format::ColourV1 && m_layout.breakAfterSessions == m_plans.size())
        logBreak();
    flush();
    frontier = std::max(frontier, linear);

    m_loggingPointer = address(linear);
    if (m_layout.countTurns)
        m_loggingPointer += quint32(turn(linear)) * ProfileMemoryEnd;
    m_ringWrapped = first + frontier > size;
    for (int i = 0; i < m_sessions.size(); ++i)
        m_sessions[i].intact = frontier <= sessionStarts.at(i) + size;
}

void SimLogMemory::WriteV1LogBook(SimUnit &handset)
{
    const Region book = CatalogueRegion(DeviceId::DisplayColour, RegionId::EepromPart10);
    QByteArray entries(V1LogBookEntries * V1LogBookEntrySize, char(0xFF));
    QVector<int> dives;
    for (int i = 0; i < m_sessions.size(); ++i) {
        if (m_sessions.at(i).hasDive)
            dives.append(i);
    }
    // The book is a ring of 48 entries: the newest 48 dives keep theirs.
    int newest = -1;
    for (int k = std::max(0, int(dives.size()) - V1LogBookEntries); k < dives.size(); ++k) {
        Session &s = m_sessions[dives.at(k)];
        const DivePlan &plan = m_plans.at(s.plan);
        const int slot = k % V1LogBookEntries;
        QByteArray e;
        e.append(BigEndian(quint32(plan.diveNumber), 2));
        e.append(DateTimeBytes(plan.DiveStart()));
        e.append(BigEndian(quint32(DurationSeconds(plan)), 2));
        e.append(BigEndian(quint32(s.maxDepthCm), 2));
        e.append(QByteArray(4, char(0xFF)));
        entries.replace(slot * V1LogBookEntrySize, V1LogBookEntrySize, e);
        s.logBookSlot = slot;
        newest = slot;
    }
    const int previous = (newest + V1LogBookEntries - 1) % V1LogBookEntries;
    if (m_layout.logBookOutOfOrder && dives.size() >= 2) {
        const QByteArray a = entries.mid(newest * V1LogBookEntrySize, V1LogBookEntrySize);
        entries.replace(newest * V1LogBookEntrySize, V1LogBookEntrySize,
                        entries.mid(previous * V1LogBookEntrySize, V1LogBookEntrySize));
        entries.replace(previous * V1LogBookEntrySize, V1LogBookEntrySize, a);
        std::swap(m_sessions[dives.at(dives.size() - 1)].logBookSlot, m_sessions[dives.at(dives.size() - 2)].logBookSlot);
    }
    handset.WriteMemory(book.memoryId, book.start, entries);
    // The pointer names the newest entry's address; with none, the slot
    // before the first.
    int named = newest;
    if (m_layout.staleLogBookPointer && !dives.isEmpty())
        named = dives.size() >= 2 ? previous : -1;
    m_logBookPointer = quint16(qint64(book.start) + qint64(named) * V1LogBookEntrySize);
}

QByteArray SimLogMemory::V2Record(const Session &session, bool withEnd) const
{
    const DivePlan &plan = m_plans.at(session.plan);
    QByteArray r;
    r.append(char(V2RecordId));
    r.append(BigEndian(quint32(plan.diveNumber), 2));
    r.append(char(plan.sequence));
    r.append(DateTimeBytes(plan.DiveStart()));
    const auto counted = [&](quint32 address, int turn) {
        return m_layout.countTurns ? address + quint32(turn) * ProfileMemoryEnd : address;
    };
    r.append(BigEndian(counted(session.diveStart, session.turn), 4));
    if (withEnd) {
        // + 0x1F is the last byte of the dive
        r.append(BigEndian(counted(session.diveEnd, session.endTurn), 4));
        r.append(BigEndian(quint32(DurationSeconds(plan)), 2));
        r.append(BigEndian(quint32(session.maxDepthCm), 2));
    } else {
        r.append(QByteArray(8, char(0xFF)));
    }
    r.append(QByteArray(V2RecordSize - r.size(), char(0xFF)));
    return r;
}

void SimLogMemory::WriteV2LogBook(SimUnit &handset)
{
    const Region book = CatalogueRegion(DeviceId::DisplayColour, RegionId::LogBook);
    const Region eepromRecord = CatalogueRegion(DeviceId::DisplayColour, RegionId::EepromPart12);
    const Region relocation = CatalogueRegion(DeviceId::DisplayColour, RegionId::LoggingPointers);
    const Region eeprom = CatalogueRegion(DeviceId::DisplayColour, RegionId::Eeprom);
    handset.EraseMemory(book.memoryId, book.start, book.size);

    QVector<int> dives;
    for (int i = 0; i < m_sessions.size(); ++i) {
        if (m_sessions.at(i).hasDive)
            dives.append(i);
    }
    const bool newestInEeprom = m_layout.eepromRecord == EepromRecord::NewestDive && !dives.isEmpty();
    const int inRing = dives.size() - (newestInEeprom ? 1 : 0);
    // Records that a later one overwrote keep no slot.
    for (int k = std::max(0, inRing - kV2LogBookSlots); k < inRing; ++k) {
        Session &s = m_sessions[dives.at(k)];
        const int slot = (m_layout.firstLogBookSlot + k) % kV2LogBookSlots;
        handset.WriteMemory(book.memoryId, book.start + quint32(slot * V2RecordSize),
                            V2Record(s, !m_layout.withoutLogBookEnd.contains(s.plan)));
        s.logBookSlot = slot;
    }
    const int next = m_layout.firstLogBookSlot + inRing;
    m_logBookWrapped = next >= kV2LogBookSlots;
    m_logBookPointer = quint16((next % kV2LogBookSlots) * V2RecordSize);

    QByteArray record(V2RecordSize, char(0xFF));
    if (m_layout.eepromRecord == EepromRecord::Cleared) {
        record.fill('\0');
        record[0] = char(V2RecordId);
    } else if (newestInEeprom) {
        Session &s = m_sessions[dives.last()];
        record = V2Record(s, !m_layout.withoutLogBookEnd.contains(s.plan));
        s.inEepromRecord = true;
    }
    handset.WriteMemory(eepromRecord.memoryId, eepromRecord.start, record);

    const quint32 start = m_layout.logDataStartUnset ? 0xFFFFFFFFu : m_ringStart;
    handset.WriteMemory(relocation.memoryId, relocation.start + ServicesRelocationOffset + LogDataStartOffset,
                        LittleEndian(start, 4));
    const int nextDive = dives.isEmpty() ? 1 : m_plans.at(m_sessions.at(dives.last()).plan).diveNumber + 1;
    handset.WriteMemory(eeprom.memoryId, eeprom.start + V2NextDiveNumberOffset, LittleEndian(quint32(nextDive), 2));
}

QVector<DivePlan> SimLogMemory::SampleDives(int count, bool wide)
{
    QVector<DivePlan> plans;
    for (int i = 0; i < count; ++i) {
        DivePlan p;
        p.wide = wide;
        p.powerOn = QDateTime(QDate(2026, 5, 2).addDays(i / 2),
                              QTime(i % 2 ? 14 : 9, (i * 17) % 60, (i * 23) % 60), Qt::UTC);
        p.sampleInterval = 10;
        p.surfaceBefore = 60;
        p.surfaceAfter = 120;
        const double depth = 12 + (i * 7) % 34;      // 12 .. 45 m
        const double bottom = 60.0 * (18 + (i * 5) % 22); // 18 .. 39 min
        const double descent = depth / 18.0 * 60;     // 18 m/min
        const double toStop = descent + bottom + (depth - 6) / 9.0 * 60; // 9 m/min to 6 m
        const double stop = 180;
        p.profile = {{0, 0}, {descent, depth}, {descent + bottom, depth}, {toStop, 6}, {toStop + stop, 6},
                     {toStop + stop + 60, 0}};
        if (i % 3 == 2) {
            p.gases = {{18, 45}, {50, 0}};
            p.gasSwitches = {{toStop, 1}};
        } else {
            p.gases = {{21, 0}};
        }
        p.diveNumber = i + 1;
        p.sequence = 0;
        p.withEndOfDive = true;
        p.minutesSincePreviousDive = i == 0 ? -1 : (i % 2 ? 240 : 1080);
        plans.append(p);
    }
    return plans;
}
