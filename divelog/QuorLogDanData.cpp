#include "QuorLogDanData.h"

#include "LogLine.h"

#include <algorithm>
#include <initializer_list>

namespace {
struct Segment
{
    const char *name;
    std::initializer_list<int> keptFields;
};
// Segments the handset writes and the fields of each that are kept; the
// segments with no kept fields are known but carry nothing to show.
const Segment Segments[] = {
    {"FSH", {3, 4, 5}},
    {"ZRH", {3, 5, 6, 7, 8, 9}},
    {"ZPD", {1, 3, 4, 5, 8, 10, 11, 12}},
    {"ZPA", {1, 2, 3, 4, 5, 6}},
    {"ZDD", {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}},
    {"ZSR", {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
    {"ZDH", {}},
    {"ZDP", {}},
    {"ZDT", {}},
};
constexpr int SegmentAt = 2;  // characters: three ASCII characters as hex
constexpr int FieldAt = 8;    // two ASCII decimal digits as hex
constexpr int ValueAt = 12;

const Segment *FindSegment(const QString &name)
{
    for (const Segment &s : Segments)
        if (name == QLatin1String(s.name))
            return &s;
    return nullptr;
}
}

bool QuorLogDanData::IsKept(const QString &segment, int field)
{
    const Segment *s = FindSegment(segment);
    return s && std::find(s->keptFields.begin(), s->keptFields.end(), field) != s->keptFields.end();
}

bool QuorLogDanData::AddLine(const LogLine &line)
{
    const QString segment = line.AsciiBetween(SegmentAt, FieldAt);
    if (!FindSegment(segment))
        return false;
    const QString digits = line.AsciiBetween(FieldAt, ValueAt);
    bool ok = false;
    const int field = digits.toInt(&ok);
    if (ok && digits.size() == 2 && IsKept(segment, field))
        m_fields.insert(qMakePair(segment, field), line.AsciiBetween(ValueAt, line.Length() - 2));
    return true;
}
