#include "LogBookRecord.h"

#include "SafeFileName.h"

#include <QDebug>

namespace {

quint32 Be32(const QByteArray &b, int at)
{
    return (quint32(quint8(b.at(at))) << 24) | (quint32(quint8(b.at(at + 1))) << 16)
           | (quint32(quint8(b.at(at + 2))) << 8) | quint8(b.at(at + 3));
}

bool AllBytes(const QByteArray &b, int from, int to, quint8 value)
{
    for (int i = from; i <= to; ++i) {
        if (quint8(b.at(i)) != value)
            return false;
    }
    return true;
}

QString Two(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

} // namespace

bool LogBookRecord::HasZeroAddresses(const QByteArray &raw)
{
    return raw.size() >= Size && AllBytes(raw, 10, 17, 0x00);
}

bool LogBookRecord::SetData(const QByteArray &block, int index)
{
    const int offset = index * Size;
    if (index < 0 || offset > MaxOffset || offset + Size > block.size()) {
        qDebug().noquote() << QString::asprintf("LogBookRecord::SetData Pointer %d out of bounds", offset);
        return false;
    }
    return SetRaw(block.mid(offset, Size));
}

bool LogBookRecord::SetRaw(const QByteArray &raw)
{
    if (raw.size() != Size)
        return false;
    m_raw = raw;
    const auto b = [&](int k) { return int(quint8(raw.at(k))); };
    m_diveNumber = (b(1) << 8) | b(2);
    m_sequence = b(3);
    const QDate date(2000 + b(6), b(5), b(4));
    const QTime time(b(7), b(8), b(9));
    m_start = date.isValid() && time.isValid() ? QDateTime(date, time) : QDateTime();
    m_diveStart = Be32(raw, 10);
    const bool noEnd = AllBytes(raw, 14, 21, 0xFF) || (AllBytes(raw, 14, 17, 0x00) && AllBytes(raw, 18, 21, 0xFF));
    m_endValid = !noEnd;
    if (noEnd) {
        m_diveEnd = 0;
        m_duration = 0;
        m_depth = 0;
    } else {
        m_diveEnd = AllBytes(raw, 14, 17, 0x00) ? 0 : Be32(raw, 14) + EndOffset;
        m_duration = (b(18) << 8) | b(19);
        m_depth = double((b(20) << 8) | b(21)) / 100.0;
    }
    UpdateLocationsValid();
    return true;
}

void LogBookRecord::UpdateLocationsValid()
{
    bool valid = m_diveStart != 0 || m_diveEnd != 0;
    if (m_preStart == 0 || m_preEnd == 0 || m_diveStart == 0 || m_postEnd == 0)
        valid = false;
    if (valid) {
        // The order is the ring's: the log data ring ends at the top of the
        // 32 MiB address space and goes on at its start, so each address is
        // taken as its distance on from PreStart, modulo the address space.
        // Without that a dive logged across the ring's end (its start near
        // the top, its end near the bottom) could never be downloaded.
        const auto at = [&](quint32 address) { return (address - m_preStart) & RingAddressMask; };
        if (m_diveEnd != 0 || m_postStart != 0)
            valid = at(m_preStart) < at(m_preEnd) && at(m_preEnd) < at(m_diveStart) && at(m_diveStart) < at(m_diveEnd)
                    && at(m_diveEnd) < at(m_postStart) && at(m_postStart) < at(m_postEnd);
        else
            valid = at(m_preStart) < at(m_preEnd) && at(m_preEnd) < at(m_diveStart) && at(m_diveStart) < at(m_postEnd);
    }
    m_locationsValid = valid;
}

QString LogBookRecord::DiveName() const
{
    if (m_start.isValid())
        return m_start.toString(QStringLiteral("yyMMdd_hhmmss"));
    const auto b = [&](int k) { return m_raw.size() > k ? int(quint8(m_raw.at(k))) : 0; };
    return QStringLiteral("%1%2%3_%4%5%6_Invalid")
        .arg(Two(b(6)), Two(b(5)), Two(b(4)), Two(b(7)), Two(b(8)), Two(b(9)));
}

QString LogBookRecord::FileName() const
{
    QString name = SafeFileName::Part(serialNumber) + QLatin1Char('_') + DiveName();
    if (nameCounter > 0)
        name += QStringLiteral("_%1").arg(nameCounter, 3, 10, QLatin1Char('0'));
    return name + QStringLiteral(".ccl");
}

QString LogBookRecord::Description() const
{
    const QString start = m_start.toString(QStringLiteral("dd/MM/yy hh:mm:ss"));
    QString text;
    if (m_endValid)
        text = QStringLiteral("Dive Number %1, Sequence Number %2, Start Of Dive %3, Start Of Dive Data 0x%4, End Of Dive Data 0x%5, Duration %6s, Depth %7m")
                   .arg(m_diveNumber)
                   .arg(m_sequence)
                   .arg(start)
                   .arg(m_diveStart, 8, 16, QLatin1Char('0'))
                   .arg(m_diveEnd, 8, 16, QLatin1Char('0'))
                   .arg(m_duration)
                   .arg(m_depth, 0, 'f', 2);
    else
        text = QStringLiteral("Dive Number %1, Sequence Number %2, Start Of Dive %3, Start Of Dive Data 0x%4, End Of Dive Data Invalid")
                   .arg(m_diveNumber)
                   .arg(m_sequence)
                   .arg(start)
                   .arg(m_diveStart, 8, 16, QLatin1Char('0'));
    if (!inLogBook)
        text += QStringLiteral(" (EEPROM)");
    return text;
}

QString LogBookRecord::RangesLine() const
{
    return QStringLiteral("Pre Dive %1, Dive %2, Post Dive %3").arg(preIndex).arg(diveIndex).arg(postIndex);
}
