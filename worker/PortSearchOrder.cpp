#include "PortSearchOrder.h"

#include <algorithm>

namespace {

// The digits after the first three characters of a port name, without
// leading zeros; empty when the rest of the name is not a plain decimal number.
QString NumberDigits(const QString &portName)
{
    const QString rest = portName.mid(3);
    if (rest.isEmpty())
        return QString();
    for (QChar c : rest) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return QString();
    }
    int first = 0;
    while (first < rest.size() - 1 && rest.at(first) == QLatin1Char('0'))
        ++first;
    return rest.mid(first);
}

// Numeric order of two digit strings without leading zeros, of any length.
bool NumberLess(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

} // namespace

QString PortSearchOrder::SortKey(const QString &portName)
{
    const QString digits = NumberDigits(portName);
    if (digits.isEmpty())
        return QStringLiteral("xxx");
    return digits.rightJustified(3, QLatin1Char('0'));
}

QList<SerialPortDescription> PortSearchOrder::Ordered(const QList<SerialPortDescription> &ports)
{
    // By the number in the name (COM999 before COM1000), unnumbered ports
    // last; ties by the joined text "key~~~name~~~description~~~location",
    // case-sensitive.
    struct Candidate
    {
        QString digits;
        QString text;
        SerialPortDescription port;
    };
    QList<Candidate> candidates;
    const QString sep = QStringLiteral("~~~");
    for (const SerialPortDescription &p : ports) {
        candidates.append({NumberDigits(p.portName),
                           SortKey(p.portName) + sep + p.portName + sep + p.description + sep
                               + p.systemLocation,
                           p});
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate &a, const Candidate &b) {
        if (a.digits.isEmpty() != b.digits.isEmpty())
            return b.digits.isEmpty();
        if (a.digits != b.digits)
            return NumberLess(a.digits, b.digits);
        return a.text < b.text;
    });
    QList<SerialPortDescription> out;
    for (const Candidate &c : candidates)
        out.append(c.port);
    return out;
}
