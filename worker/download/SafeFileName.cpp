#include "SafeFileName.h"

namespace SafeFileName {

QString Part(const QString &text)
{
    static const QString kForbidden = QStringLiteral("/\\:*?\"<>|");
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || kForbidden.contains(c))
            out += QLatin1Char('_');
        else
            out += c;
    }
    // Trailing dots and spaces are dropped by some file systems, which
    // would make two names collide; a name of dots only means a folder.
    while (out.endsWith(QLatin1Char('.')) || out.endsWith(QLatin1Char(' ')))
        out.chop(1);
    bool dotsOnly = true;
    for (const QChar c : out)
        dotsOnly = dotsOnly && c == QLatin1Char('.');
    if (out.isEmpty() || dotsOnly)
        out = QStringLiteral("_");
    return out;
}

} // namespace SafeFileName
