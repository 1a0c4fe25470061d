#pragma once

#include <QVector>

class LogLine;

// Records of the dive-planning system (wide 0x58, 0x59), kept as the list of
// their field values in record order.
class QuorLogDPS
{
public:
    bool Decode(const LogLine &line, double timeBase);
    int Code() const { return m_code; }
    double Time() const { return m_time; }
    const QVector<double> &Values() const { return m_values; }

private:
    int m_code = 0;
    double m_time = 0.0;
    QVector<double> m_values;
};
