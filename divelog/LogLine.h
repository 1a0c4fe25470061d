#pragma once

#include "DeviceList.h"

#include <QDateTime>
#include <QString>

// Read-only view of one text-form log line: a record as hexadecimal pairs
// followed by its checksum pair. Every accessor is bounds-checked and yields
// 0 for characters the line does not have or that are not hex digits, so
// that damaged or hostile lines can never read out of range.
class LogLine
{
public:
    explicit LogLine(const QString &line);

    int Length() const { return m_line.size(); }
    const QString &Text() const { return m_line; }
    int Code() const { return Byte(0); }

    // Byte n of the record (characters 2n, 2n+1). Inline: a load reads
    // every field of every record through it.
    int Byte(int n) const { return CharPair(2 * n); }
    // Big-endian fields starting at byte n.
    int U16(int n) const;
    int S16(int n) const;
    unsigned U24(int n) const;
    unsigned U32(int n) const;
    // Little-endian 32-bit time stamp of wide records (bytes 1-4).
    quint32 TimeStamp() const;
    // Six one-byte date-time fields from byte n; invalid unless a real date
    // and time no earlier than 1 January 2004.
    QDateTime DateTime(int n) const;
    // Bytes from `n` up to the checksum pair (or a zero byte), as Latin-1 text.
    QString TextFrom(int n) const;
    // Hex characters from character `from` to `to` (exclusive) as Latin-1.
    QString AsciiBetween(int fromChar, int toChar) const;

    static bool DateTimeFieldsValid(int day, int month, int year2000, int hour, int minute, int second);

private:
    int CharPair(int charIndex) const
    {
        if (charIndex < 0 || charIndex + 1 >= m_line.size())
            return 0;
        const int hi = DeviceList::HexDigitValue(m_line.at(charIndex));
        const int lo = DeviceList::HexDigitValue(m_line.at(charIndex + 1));
        if (hi < 0 || lo < 0)
            return 0;
        return hi * 16 + lo;
    }
    QString m_line;
};
