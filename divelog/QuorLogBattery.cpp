#include "QuorLogBattery.h"

#include "LogLine.h"
#include "LogRecordLayout.h"

namespace {
// Field table: first character, width in characters, scale. A scale of 0
// marks the signed-byte fields.
struct Field
{
    int firstChar;
    int chars;
    double scale;
};
constexpr Field Fields[QuorLogBattery::ValueCount] = {
    {10, 4, 0.000078125}, {14, 4, 1.0 / 256}, {18, 4, 0.5}, {22, 4, 0.5}, {26, 4, 1.0 / 256},
    {30, 4, 5.625 / 60},  {34, 8, 0.1758 / 3600}, {42, 4, 0.16}, {46, 4, 1.0 / 4096}, {50, 2, 1.0},
    {52, 2, 1.0},         {54, 2, 0.02}, {56, 2, 0.02}, {58, 2, 0.0}, {60, 2, 0.0}, {62, 2, 1.0},
};
}

double QuorLogBattery::SignedByteTimes40(int raw)
{
    raw &= 0xFF;
    if (raw >= 0x80)
        return -double(raw ^ 0xFF) * 40.0;
    return raw * 40.0;
}

bool QuorLogBattery::Decode(const LogLine &line, double timeBase)
{
    if (line.Length() != LogRecordLayout::WideLineLength)
        return false;
    m_time = line.TimeStamp() / LogRecordLayout::TimeStampUnitsPerSecond + timeBase;
    for (int i = 0; i < ValueCount; ++i) {
        const Field &f = Fields[i];
        const int byte = f.firstChar / 2;
        double raw = 0.0;
        switch (f.chars) {
        case 2: raw = line.Byte(byte); break;
        case 4: raw = line.U16(byte); break;
        case 8: raw = line.U32(byte); break;
        default: raw = 0.0; break;
        }
        m_values[i] = (f.scale == 0.0 && f.chars == 2) ? SignedByteTimes40(int(raw)) : raw * f.scale;
    }
    return true;
}
