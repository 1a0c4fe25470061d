#include "PortSearchOrder.h"

#include <algorithm>

QString PortSearchOrder::SortKey(const QString &portName)
{
    const QString rest = portName.mid(3);
    bool allDigits = !rest.isEmpty();
    for (QChar c : rest)
        allDigits = allDigits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!allDigits)
        return QStringLiteral("xxx");
    return QStringLiteral("%1").arg(rest.toULongLong(), 3, 10, QLatin1Char('0'));
}

QList<SerialPortDescription> PortSearchOrder::Ordered(const QList<SerialPortDescription> &ports)
{
    // Sort on the joined text "key~~~name~~~description~~~location", case-sensitive.
    struct Candidate
    {
        QString text;
        SerialPortDescription port;
    };
    QList<Candidate> candidates;
    for (const SerialPortDescription &p : ports) {
        const QString sep = QStringLiteral("~~~");
        candidates.append({SortKey(p.portName) + sep + p.portName + sep + p.description + sep
                               + p.systemLocation,
                           p});
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate &a, const Candidate &b) { return a.text < b.text; });
    QList<SerialPortDescription> out;
    for (const Candidate &c : candidates)
        out.append(c.port);
    return out;
}
