#pragma once

#include <QMap>
#include <QString>

class LogLine;

// The dive information records of a log (codes 0x80-0x8E): location, site,
// buddy, position, notes and the other text fields the user entered on the
// handset.
class QuorLogDiveInfo
{
public:
    void AddRecord(const LogLine &line);

    // Text of a record code; empty when the log has none.
    QString Text(int code) const { return m_texts.value(code); }
    QString Location() const;
    QString SiteName() const;
    QString BuddyName() const;
    QString Notes() const;

    bool HasPosition() const { return m_hasPosition; }
    double Latitude() const { return m_latitude; }
    double Longitude() const { return m_longitude; }
    // "%1° %2´ %3\" %4 %5° %6´ %7\" %8"
    QString PositionText() const { return m_positionText; }

private:
    void PositionRecord(const LogLine &line);

    QMap<int, QString> m_texts;
    bool m_hasPosition = false;
    double m_latitude = 0.0;
    double m_longitude = 0.0;
    QString m_positionText;
};
