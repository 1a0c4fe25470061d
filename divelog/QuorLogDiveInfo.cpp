#include "QuorLogDiveInfo.h"

#include "DeviceList.h"
#include "LogLine.h"
#include "LogRecordLayout.h"

#include <QStringList>
#include <cmath>

namespace C = LogRecordLayout::Code;

namespace {
constexpr int PrintableFrom = 0x20;
// Binary position: latitude and longitude as signed 32-bit counts of
// 1/10000000 degree, from byte 1 and byte 5.
constexpr int BinaryLatitude = 1;
constexpr int BinaryLongitude = 5;
constexpr double BinaryDegreeUnits = 10000000.0;

// The parts of a position text: split at "''", "'", "," and the degree sign,
// empty parts dropped. Done by hand: a regular expression costs far more
// than this one short text.
QStringList PositionParts(const QString &text)
{
    QStringList parts;
    int start = 0;
    const auto cut = [&](int end, int next) {
        if (end > start)
            parts << text.mid(start, end - start);
        start = next;
    };
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\'') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\'')) {
            cut(i, i + 2);
            ++i;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char(',') || c == QChar(0xB0)) {
            cut(i, i + 1);
        }
    }
    cut(text.size(), text.size());
    return parts;
}

QString DmsText(double value, const QString &positive, const QString &negative, QString &out)
{
    // Rounded once, to the tenth of a second shown, before splitting: seconds
    // that round up to 60 carry into the minutes (and on into the degrees).
    const qint64 tenths = std::llround(std::fabs(value) * 36000.0);
    const qint64 degrees = tenths / 36000;
    const qint64 minutes = (tenths / 600) % 60;
    const double seconds = double(tenths % 600) / 10.0;
    out = value < 0 ? negative : positive;
    return QStringLiteral("%1 %2 %3").arg(degrees).arg(minutes).arg(seconds, 0, 'f', 1);
}
}

void QuorLogDiveInfo::AddRecord(const LogLine &line)
{
    const int code = line.Code();
    if (code < C::DiveInfoFirst || code > C::DiveInfoLast || code == C::DiveInfoIgnored)
        return;
    if (code == C::DiveInfoPosition) {
        PositionRecord(line);
        return;
    }
    m_texts.insert(code, line.TextFrom(1));
}

QString QuorLogDiveInfo::Location() const { return Text(C::DiveInfoLocation); }
QString QuorLogDiveInfo::SiteName() const { return Text(C::DiveInfoSite); }
QString QuorLogDiveInfo::BuddyName() const { return Text(C::DiveInfoBuddy); }
QString QuorLogDiveInfo::Notes() const { return Text(C::DiveInfoNotes); }

void QuorLogDiveInfo::PositionRecord(const LogLine &line)
{
    if (line.Byte(1) >= PrintableFrom) {
        const QString text = line.TextFrom(1);
        m_texts.insert(C::DiveInfoPosition, text);
        // e.g. 50°12'30''N,3°4'5''W
        const QStringList parts = PositionParts(text);
        if (parts.size() < 8)
            return;
        const auto number = [&parts](int i) { return parts.at(i).trimmed().toDouble(); };
        m_latitude = DeviceList::DecimalDegrees(number(0), number(1), number(2), parts.at(3));
        m_longitude = DeviceList::DecimalDegrees(number(4), number(5), number(6), parts.at(7));
        m_positionText = QStringLiteral("%1° %2´ %3\" %4 %5° %6´ %7\" %8")
                             .arg(parts.at(0).trimmed(), parts.at(1).trimmed(), parts.at(2).trimmed(), parts.at(3).trimmed(),
                                  parts.at(4).trimmed(), parts.at(5).trimmed(), parts.at(6).trimmed(), parts.at(7).trimmed());
        m_hasPosition = true;
        return;
    }
    const auto signed32 = [&line](int n) {
        return DeviceList::Signed32(quint8(line.Byte(n)), quint8(line.Byte(n + 1)), quint8(line.Byte(n + 2)),
                                    quint8(line.Byte(n + 3)));
    };
    m_latitude = signed32(BinaryLatitude) / BinaryDegreeUnits;
    m_longitude = signed32(BinaryLongitude) / BinaryDegreeUnits;
    if (std::fabs(m_latitude) > 90.0 || std::fabs(m_longitude) > 180.0)
        return;
    QString ns, ew;
    const QStringList lat = DmsText(m_latitude, QStringLiteral("N"), QStringLiteral("S"), ns).split(QLatin1Char(' '));
    const QStringList lon = DmsText(m_longitude, QStringLiteral("E"), QStringLiteral("W"), ew).split(QLatin1Char(' '));
    m_positionText = QStringLiteral("%1° %2´ %3\" %4 %5° %6´ %7\" %8")
                         .arg(lat.at(0), lat.at(1), lat.at(2), ns, lon.at(0), lon.at(1), lon.at(2), ew);
    m_hasPosition = true;
}
