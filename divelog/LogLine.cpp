#include "LogLine.h"

#include "DeviceList.h"

#include <QDebug>

LogLine::LogLine(const QString &line) : m_line(line) {}


int LogLine::U16(int n) const { return (Byte(n) << 8) | Byte(n + 1); }

int LogLine::S16(int n) const { return static_cast<qint16>(static_cast<quint16>(U16(n))); }

unsigned LogLine::U24(int n) const
{
    return (unsigned(Byte(n)) << 16) | (unsigned(Byte(n + 1)) << 8) | unsigned(Byte(n + 2));
}

unsigned LogLine::U32(int n) const { return (U24(n) << 8) | unsigned(Byte(n + 3)); }

quint32 LogLine::TimeStamp() const
{
    return quint32(Byte(1)) | (quint32(Byte(2)) << 8) | (quint32(Byte(3)) << 16) | (quint32(Byte(4)) << 24);
}

bool LogLine::DateTimeFieldsValid(int day, int month, int year2000, int hour, int minute, int second)
{
    const QDate date(2000 + year2000, month, day);
    const QTime time(hour, minute, second);
    return date.isValid() && time.isValid() && date >= QDate(2004, 1, 1);
}

QDateTime LogLine::DateTime(int n) const
{
    const int day = Byte(n), month = Byte(n + 1), year = Byte(n + 2);
    const int hour = Byte(n + 3), minute = Byte(n + 4), second = Byte(n + 5);
    if (!DateTimeFieldsValid(day, month, year, hour, minute, second)) {
        qDebug().noquote() << "Date Invalid"
                           << QStringLiteral("%1/%2/%3 %4:%5:%6").arg(day).arg(month).arg(year).arg(hour).arg(minute).arg(second);
        return QDateTime();
    }
    // Device clocks keep local wall time without a zone; treat it as UTC so
    // that differences never jump across daylight-saving changes.
    return QDateTime(QDate(2000 + year, month, day), QTime(hour, minute, second), Qt::UTC);
}

QString LogLine::TextFrom(int n) const
{
    // Records are padded with zero bytes after their text.
    const QString text = AsciiBetween(2 * n, m_line.size() - 2);
    const int end = text.indexOf(QChar(0));
    return end < 0 ? text : text.left(end);
}

QString LogLine::AsciiBetween(int fromChar, int toChar) const
{
    QString text;
    for (int i = fromChar; i + 1 < toChar && i + 1 < m_line.size(); i += 2) {
        const int hi = DeviceList::HexDigitValue(m_line.at(i));
        const int lo = DeviceList::HexDigitValue(m_line.at(i + 1));
        if (hi < 0 || lo < 0)
            break;
        text.append(QChar(hi * 16 + lo));
    }
    return text;
}
