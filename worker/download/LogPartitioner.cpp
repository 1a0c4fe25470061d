#include "LogPartitioner.h"

#include "DeviceList.h"

#include <QDebug>

namespace {

QString Hex(qint64 v)
{
    return DeviceList::HexText(quint64(v), 8);
}

void Log(const QString &line)
{
    qDebug().noquote() << line;
}

class Scan
{
public:
    Scan(const QByteArray &buffer, LogPartitioner::Result &result)
        : m_data(buffer.constData()), m_n(buffer.size()), m_result(result)
    {
    }

    quint8 ByteAt(qint64 pos) const
    {
        qint64 p = pos % m_n;
        if (p < 0)
            p += m_n;
        return quint8(m_data[p]);
    }

    // Whether moving `distance` bytes on from p meets the end position.
    bool Reaches(qint64 p, qint64 distance) const
    {
        qint64 toEnd = (E - p) % m_n;
        if (toEnd <= 0)
            toEnd += m_n;
        return toEnd <= distance;
    }

    // Moves p by step; false at the end of memory. A scan that has gone
    // round the ring three times is damaged data and stops too.
    bool Advance(qint64 &p, int step, int state)
    {
        m_walked += step;
        if (m_walked > 3 * m_n) {
            Log(QStringLiteral("Step %1.  Scan stopped after three turns of the ring at 0x%2").arg(state).arg(Hex(p)));
            return false;
        }
        p += step;
        if (p == E)
            return Eom(p, state);
        if (p >= m_n) {
            const qint64 from = p;
            p -= m_n;
            Log(QStringLiteral("Step %1.  Looping from 0x%2 to 0x%3").arg(state).arg(Hex(from), Hex(p)));
            if (p == E)
                return Eom(p, state);
        }
        return true;
    }

    bool Eom(qint64 p, int state)
    {
        Log(QStringLiteral("Step %1.  EOM found at 0x%2").arg(state).arg(Hex(p)));
        return false;
    }

    qint64 OrSize(qint64 p) const { return p == 0 ? m_n : p; }

    // Adds a dive whose start of dive is at sod; false when the table is full.
    bool AddDive(qint64 powerOn, qint64 sod, const QByteArray &buffer)
    {
        if (m_result.dives.size() >= LogPartitioner::TableSize) {
            m_result.tableFull = true;
            Log(QStringLiteral("Step 0.  Dive table full at %1 dives, later dives not recorded")
                    .arg(LogPartitioner::TableSize));
            return false;
        }
        LogPartitioner::Dive dive;
        dive.powerOn = powerOn;
        dive.startOfDive = sod;
        dive.name = LogPartitioner::DiveName(buffer, sod, &dive.start);
        m_result.dives.append(dive);
        return true;
    }

    qint64 E = 0;

private:
    qint64 m_walked = 0;
    const char *m_data;
    qint64 m_n;
    LogPartitioner::Result &m_result;
};

} // namespace

QString LogPartitioner::DiveName(const QByteArray &buffer, qint64 sod, QDateTime *start)
{
    const qint64 n = buffer.size();
    const auto b = [&](int k) { return int(quint8(buffer.at(int((sod + k) % n)))); };
    const QDate date(2000 + b(3), b(2), b(1));
    const QTime time(b(4), b(5), b(6));
    if (date.isValid() && time.isValid()) {
        if (start)
            *start = QDateTime(date, time);
        return date.toString(QStringLiteral("yyMMdd")) + QLatin1Char('_')
               + time.toString(QStringLiteral("hhmmss"));
    }
    if (start)
        *start = QDateTime();
    const auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return QStringLiteral("%1%2%3_%4%5%6_Invalid")
        .arg(two(b(3)), two(b(2)), two(b(1)), two(b(4)), two(b(5)), two(b(6)));
}

LogPartitioner::Result LogPartitioner::Run(const QByteArray &buffer, bool colour,
                                           quint32 loggingPointer)
{
    Result result;
    const qint64 n = buffer.size();
    result.size = n;
    Log(QStringLiteral("Partitioning Started"));
    Log(QStringLiteral("Step 0.  Log memory size 0x%1").arg(Hex(n)));
    if (n < RecordSize) {
        Log(QStringLiteral("Step 0.  Finished with 0 Logs"));
        return result;
    }

    Scan scan(buffer, result);
    qint64 p = 0;
    if (colour) {
        scan.E = n;
        Log(QStringLiteral("Step 0.  Logging Pointer Not used for colour display"));
    } else {
        // A pointer outside the memory (a damaged unit) starts the scan at
        // the beginning instead of reading past the buffer.
        p = scan.E = loggingPointer < n ? qint64(loggingPointer) : 0;
        Log(QStringLiteral("Step 1.  Logging Pointer 0x%1").arg(Hex(p)));
        // The pointer marks the next free record, rarely a power-on
        // boundary; scanning in 64-byte steps from it would never meet one.
        // The scan turns at the next boundary (what lies between is unwritten).
        if (p % PowerOnSize != 0) {
            p = scan.E = (p - p % PowerOnSize + PowerOnSize) % n;
            Log(QStringLiteral("Step 1.  Scan starting at the next power on boundary 0x%1").arg(Hex(p)));
        }
    }
    const qint64 scanStart = p;

    enum State { LookForPowerOn, LookForStart, InDive, AfterEnd };
    State state = LookForPowerOn;
    bool aligned = true;
    bool incomplete = false;
    qint64 currentPowerOn = 0;
    QVector<Dive> &dives = result.dives;
    const auto endOf = [&](qint64 value) {
        if (!dives.isEmpty())
            dives.last().end = value;
    };
    const auto pressureAt = [&](qint64 pos) {
        return (int(scan.ByteAt(pos + PressureOffset)) << 8) | scan.ByteAt(pos + PressureOffset + 1);
    };

    bool running = true;
    while (running) {
        switch (state) {
        case LookForPowerOn: {
            const int step = aligned ? PowerOnSize : RecordSize;
            if (scan.ByteAt(p) == PowerOn) {
                if (p % PowerOnSize != 0) {
                    Log(QStringLiteral("Step 1.  PowerOn found at 0x%1 but ignored as not on boundary").arg(Hex(p)));
                    running = scan.Advance(p, step, 0);
                    break;
                }
                if (!aligned) {
                    Log(QStringLiteral("Step 1.  StartOfMemory found at 0x%1").arg(Hex(p)));
                    aligned = true;
                    scan.E = p;
                }
                Log(QStringLiteral("Step 1.  PowerOn found at 0x%1").arg(Hex(p)));
                currentPowerOn = p;
                Log(QStringLiteral("Step 1.  Dive log no %1 start found (Possible)").arg(dives.size()));
                state = LookForStart;
                break;
            }
            running = scan.Advance(p, step, 0);
            break;
        }
        case LookForStart: {
            if (!(running = scan.Advance(p, RecordSize, 2)))
                break;
            const quint8 type = scan.ByteAt(p);
            if (type == EndOfDive) {
                Log(QStringLiteral("Step 2.  EOD found at 0x%1").arg(Hex(p)));
                p -= p % PowerOnSize;
                if (dives.isEmpty())
                    aligned = false;
                state = LookForPowerOn;
                running = scan.Advance(p, aligned ? PowerOnSize : RecordSize, 0);
            } else if (type == StartOfDive) {
                Log(QStringLiteral("Step 2.  SOD found at 0x%1").arg(Hex(p)));
                if (!(running = scan.AddDive(currentPowerOn, p, buffer)))
                    break;
                state = InDive;
            }
            break;
        }
        case InDive: {
            if (!(running = scan.Advance(p, RecordSize, 3))) {
                incomplete = true;
                break;
            }
            quint8 type = scan.ByteAt(p);
            if (type == EndOfDive) {
                Log(QStringLiteral("Step 3.  EOD found at 0x%1").arg(Hex(p)));
                state = AfterEnd;
                break;
            }
            if (type == PowerOff) {
                Log(QStringLiteral("Step 3.  Pd found at 0x%1").arg(Hex(p)));
                qint64 q = p - p % PowerOnSize + PowerOnSize;
                // The end of the scan is not a power on: a Pd just before it
                // ends the dive instead of leading round the ring again.
                const bool pastEnd = scan.Reaches(p, q - p);
                if (q >= n)
                    q -= n;
                if (!pastEnd && scan.ByteAt(q) == PowerOn) {
                    Log(QStringLiteral("Step 3A. Pd Followed by PO"));
                    p = q;
                    type = PowerOn;
                } else {
                    Log(QStringLiteral("Step 3A. Pd Followed by NOT PO"));
                    endOf(p - RecordSize);
                    Log(QStringLiteral("Step 3A.  Dive log no %1 finish found").arg(dives.size() - 1));
                    p -= p % PowerOnSize;
                    state = LookForPowerOn;
                    running = scan.Advance(p, PowerOnSize, 0);
                    break;
                }
            }
            if (type == PowerOn) {
                Log(QStringLiteral("Step 3.  PO found at 0x%1").arg(Hex(p)));
                const int pamb = pressureAt(p);
                if (pamb < UnderwaterPressure) {
                    Log(QStringLiteral("Step 3B.  PAmb %1 - Surface restart").arg(pamb));
                    endOf(scan.OrSize(p) - RecordSize);
                    Log(QStringLiteral("Step 3B.  Dive log no %1 finish found").arg(dives.size() - 1));
                    p -= PowerOnSize;
                    state = LookForPowerOn;
                    running = scan.Advance(p, PowerOnSize, 0);
                } else {
                    Log(QStringLiteral("Step 3B.  PAmb %1 - Underwater restart").arg(pamb));
                }
            }
            break;
        }
        case AfterEnd: {
            if (!(running = scan.Advance(p, RecordSize, 4))) {
                incomplete = true;
                break;
            }
            const quint8 type = scan.ByteAt(p);
            if (type == PowerOff) {
                Log(QStringLiteral("Step 4.  Pd found at 0x%1").arg(Hex(p)));
                endOf(p);
                Log(QStringLiteral("Step 4.  Dive log no %1 finish found").arg(dives.size() - 1));
                p -= p % PowerOnSize;
                state = LookForPowerOn;
                running = scan.Advance(p, PowerOnSize, 0);
            } else if (type == PowerOn) {
                Log(QStringLiteral("Step 4.  PO found at 0x%1").arg(Hex(p)));
                const qint64 pp = scan.OrSize(p);
                endOf(pp - RecordSize);
                p = pp - PowerOnSize;
                Log(QStringLiteral("Step 4.  Dive log no %1 finish found").arg(dives.size() - 1));
                state = LookForPowerOn;
                running = scan.Advance(p, PowerOnSize, 0);
            } else if (type == StartOfDive) {
                Log(QStringLiteral("Step 4.  Dive log no %1 finish found").arg(dives.size() - 1));
                endOf(scan.OrSize(p) - RecordSize);
                if (!(running = scan.AddDive(p, p, buffer)))
                    break;
                Log(QStringLiteral("Step 4.  Dive log no %1 start found").arg(dives.size() - 1));
                Log(QStringLiteral("Step 4.  SOD found at 0x%1").arg(Hex(p)));
                state = InDive;
            }
            break;
        }
        }
    }

    // A mono scan that ran round to its start ends where the pointer is.
    if (!colour && scan.E == scanStart && loggingPointer < n)
        scan.E = loggingPointer;
    if (incomplete && !dives.isEmpty()) {
        const qint64 e = scan.E == 0 ? n : scan.E;
        dives.last().end = e - RecordSize;
        Log(QStringLiteral("Step 0.  Incomplete Log - using 0x%1 as end address").arg(Hex(e)));
        Log(QStringLiteral("Step 0.  Dive log no %1 finish found").arg(dives.size() - 1));
    }
    result.end = scan.E;
    Log(QStringLiteral("Step 0.  Finished with %1 Logs").arg(dives.size()));
    for (int i = 0; i < dives.size(); ++i)
        Log(QStringLiteral("Dive %1 0x%2 - 0x%3 - 0x%4")
                .arg(i)
                .arg(Hex(dives.at(i).powerOn), Hex(dives.at(i).startOfDive), Hex(dives.at(i).end)));
    return result;
}

QByteArray LogPartitioner::DiveRecords(const QByteArray &buffer, const Result &result, int dive,
                                       qint64 *fromOut, qint64 *toOut)
{
    const qint64 n = buffer.size();
    const Dive &d = result.dives.at(dive);
    const qint64 from = d.powerOn;
    qint64 to;
    if (dive + 1 < result.dives.size())
        to = result.dives.at(dive + 1).startOfDive;
    else if (result.tableFull)
        to = d.end; // later dives are not recorded; do not sweep them into this one
    else
        to = (result.end == 0 ? n : result.end) - RecordSize;
    if (to < 0)
        to += n;
    if (fromOut)
        *fromOut = from;
    if (toOut)
        *toOut = to;
    const qint64 length = from <= to ? to - from : n - from + to;
    const qint64 bytes = qMin<qint64>((length / RecordSize + 1) * RecordSize, n);
    QByteArray out;
    out.reserve(int(bytes));
    qint64 pos = from;
    qint64 left = bytes;
    while (left > 0) {
        const qint64 run = qMin(left, n - pos);
        out.append(buffer.constData() + pos, int(run));
        left -= run;
        pos = 0;
    }
    return out;
}

QByteArray LogPartitioner::BorrowedPowerOn(const QByteArray &buffer, qint64 powerOn)
{
    const qint64 n = buffer.size();
    QByteArray out;
    qint64 pos = powerOn;
    for (qint64 walked = 0; walked + RecordSize <= n; walked += RecordSize) {
        if (quint8(buffer.at(int(pos))) == StartOfDive)
            break;
        QByteArray record;
        for (int k = 0; k < RecordSize; ++k)
            record.append(buffer.at(int((pos + k) % n)));
        if (quint8(record.at(0)) == 0x01)
            record[RecordSize - 1] = char(quint8(record.at(RecordSize - 1)) + 1);
        out.append(record);
        pos = (pos + RecordSize) % n;
    }
    return out;
}
