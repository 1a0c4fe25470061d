#include "RtcClock.h"

namespace {

// -1 when a digit is above 9: such a register holds no time at all.
int FromPackedDecimal(quint8 value, quint8 tensMask)
{
    const int tens = (value >> 4) & tensMask;
    const int units = value & 0x0F;
    if (tens > 9 || units > 9)
        return -1;
    return tens * 10 + units;
}

quint8 ToPackedDecimal(int value)
{
    return quint8(((value / 10) << 4) | (value % 10));
}

} // namespace

QDateTime RtcClock::Decode(const QByteArray &registers, bool honourValidBit)
{
    if (registers.size() < RegisterCount)
        return QDateTime();
    const auto reg = [&registers](int i) { return quint8(registers.at(i)); };
    if (honourValidBit && (reg(0) & 0x80))
        return QDateTime();
    const int seconds = FromPackedDecimal(reg(0), 0x07);
    const int minutes = FromPackedDecimal(reg(1), 0x07);
    const int hours = FromPackedDecimal(reg(2), 0x03);
    const int day = FromPackedDecimal(reg(3), 0x03);
    const int month = FromPackedDecimal(reg(5), 0x01);
    const int year = FromPackedDecimal(reg(6), 0x0F);
    if (seconds < 0 || minutes < 0 || hours < 0 || day < 0 || month < 0 || year < 0)
        return QDateTime();
    const QDate date(FirstYear + year, month, day);
    const QTime time(hours, minutes, seconds, 0);
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time);
}

QDateTime RtcClock::DecodeRegisters(const QByteArray &registers)
{
    return Decode(registers, true);
}

QDateTime RtcClock::DecodeRegistersIgnoringValidBit(const QByteArray &registers)
{
    return Decode(registers, false);
}

bool RtcClock::CanHold(const QDateTime &dt)
{
    return dt.isValid() && dt.date().year() >= FirstYear && dt.date().year() <= LastYear;
}

QByteArray RtcClock::EncodeRegisters(const QDateTime &dt)
{
    if (!CanHold(dt))
        return QByteArray();
    const QDate d = dt.date();
    const QTime t = dt.time();
    QByteArray out(RegisterCount, '\0');
    out[0] = char(ToPackedDecimal(t.second()));
    out[1] = char(ToPackedDecimal(t.minute()));
    out[2] = char(ToPackedDecimal(t.hour()));
    out[3] = char(ToPackedDecimal(d.day()));
    out[4] = 0;
    out[5] = char(ToPackedDecimal(d.month()));
    out[6] = char(ToPackedDecimal(d.year() - FirstYear));
    return out;
}

bool RtcClock::AllRegistersBlank(const QByteArray &registers)
{
    if (registers.size() < RegisterCount)
        return false;
    for (int i = 0; i < RegisterCount; ++i)
        if (quint8(registers.at(i)) != 0xFF)
            return false;
    return true;
}

QDateTime RtcClock::DecodeEepromTime(const QByteArray &bytes)
{
    if (bytes.size() < EepromTimeLength)
        return QDateTime();
    const auto b = [&bytes](int i) { return int(quint8(bytes.at(i))); };
    const QDate date(FirstYear + b(2), b(1), b(0));
    const QTime time(b(3), b(4), b(5));
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time);
}

QByteArray RtcClock::EncodeEepromTime(const QDateTime &dt)
{
    if (!CanHold(dt))
        return QByteArray();
    const QDate d = dt.date();
    const QTime t = dt.time();
    QByteArray out(EepromTimeLength, '\0');
    out[0] = char(d.day());
    out[1] = char(d.month());
    out[2] = char(d.year() - FirstYear);
    out[3] = char(t.hour());
    out[4] = char(t.minute());
    out[5] = char(t.second());
    return out;
}

bool RtcClock::SynchronisationRequired(qint64 diffSecs)
{
    return diffSecs > CompareThresholdSecs || diffSecs < -CompareThresholdSecs;
}

RtcClock::EepromResult RtcClock::NewEepromTime(const QDateTime &oldRtc, const QDateTime &oldEeprom,
                                               const QDateTime &newTime)
{
    if (!oldEeprom.isValid())
        return {newTime, EepromShift::MatchedBecauseOldInvalid};
    const qint64 correction = oldRtc.isValid() ? oldRtc.secsTo(newTime) : 0;
    const QDateTime shifted = oldEeprom.addSecs(correction);
    if (shifted > newTime)
        return {newTime, EepromShift::ClampedToRtc};
    return {shifted, EepromShift::OffsetKept};
}
