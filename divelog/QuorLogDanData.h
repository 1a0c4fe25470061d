#pragma once

#include <QMap>
#include <QPair>
#include <QString>

class LogLine;

// The DAN DL7 fields a log carries (lines with code 0xD0): one text slot per
// kept segment field.
class QuorLogDanData
{
public:
    // Returns true when the line names a known segment (stored or not).
    bool AddLine(const LogLine &line);

    // Text of a kept field; empty when absent.
    QString Field(const QString &segment, int field) const { return m_fields.value(qMakePair(segment, field)); }
    int Count() const { return m_fields.size(); }

    // Whether the segment's field is one of those the program keeps.
    static bool IsKept(const QString &segment, int field);

private:
    QMap<QPair<QString, int>, QString> m_fields;
};
