#include "QuorLogDPS.h"

#include "LogLine.h"
#include "LogRecordLayout.h"

#include <iterator>

namespace {
struct Field
{
    int firstChar;
    int chars;
    double scale;
};
constexpr Field FieldsA[] = {{10, 4, 1}, {14, 4, 1}, {18, 4, 1}, {22, 4, 1}, {26, 4, 1}, {30, 4, 1}, {34, 4, 1},
                             {38, 4, 1}, {42, 4, 1}, {46, 2, 1}, {48, 4, 1}, {52, 4, 1}, {56, 4, 1}};
constexpr Field FieldsB[] = {{10, 2, 1}, {12, 2, 1}, {14, 4, 1}, {18, 4, 0.1}, {22, 4, 1}, {26, 4, 1},
                             {30, 6, 1}, {36, 2, 1}, {38, 6, 1}, {44, 2, 1},  {46, 4, 1}, {50, 4, 1}};
}

bool QuorLogDPS::Decode(const LogLine &line, double timeBase)
{
    if (line.Length() != LogRecordLayout::WideLineLength)
        return false;
    m_code = line.Code();
    m_time = line.TimeStamp() / LogRecordLayout::TimeStampUnitsPerSecond + timeBase;
    m_values.clear();
    const bool a = m_code == LogRecordLayout::Code::DpsA;
    const Field *begin = a ? std::begin(FieldsA) : std::begin(FieldsB);
    const Field *end = a ? std::end(FieldsA) : std::end(FieldsB);
    for (const Field *f = begin; f != end; ++f) {
        const int byte = f->firstChar / 2;
        const double raw = f->chars == 2 ? line.Byte(byte) : f->chars == 4 ? line.U16(byte) : line.U24(byte);
        m_values.append(raw * f->scale);
    }
    return true;
}
