#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QtGlobal>

// Conversions and decisions for the rebreather's clocks: the real-time clock
// chip (seven packed-decimal registers) and the display's own time kept in
// EEPROM (six plain bytes). No device access here; WorkerC does the reads and
// writes.
class RtcClock
{
public:
    // Where the RTC registers live: device 0xA2, Buffer memory, this address.
    static constexpr quint32 RegisterAddress = 2;
    static constexpr int RegisterCount = 7;
    // The display's EEPROM time: offset from the start of its EEPROM region.
    static constexpr quint32 EepromTimeOffset = 42;
    static constexpr int EepromTimeLength = 6;
    // The clocks may differ by this much (either way) before a
    // synchronisation is suggested.
    static constexpr int CompareThresholdSecs = 120;

    // The first and last years the clock holds (two packed-decimal digits).
    static constexpr int FirstYear = 2000;
    static constexpr int LastYear = 2099;

    // Registers to a local date-time; invalid when there are fewer than seven
    // bytes, the seconds byte has its not-valid bit (7) set, a digit is above
    // 9, or the digits do not form a real date and time.
    static QDateTime DecodeRegisters(const QByteArray &registers);
    // Same, but ignoring the not-valid bit (the clock comparison does not test it).
    static QDateTime DecodeRegistersIgnoringValidBit(const QByteArray &registers);
    // The clock can hold this date-time (a valid one in 2000-2099).
    static bool CanHold(const QDateTime &dt);
    // A date-time as the seven registers (weekday written as 0); empty when
    // the clock cannot hold it, so no wrapped year is ever written.
    static QByteArray EncodeRegisters(const QDateTime &dt);
    // Every register reads 0xFF: no RTC chip behind the address.
    static bool AllRegistersBlank(const QByteArray &registers);

    // The display's EEPROM time bytes (day, month, year-2000, hour, minute,
    // second) to a date-time; invalid when short or not a real date and time.
    static QDateTime DecodeEepromTime(const QByteArray &bytes);
    // Empty when the year lies outside 2000-2099 (the year byte would wrap).
    static QByteArray EncodeEepromTime(const QDateTime &dt);

    // rtc minus pc in seconds lies outside the allowed drift.
    static bool SynchronisationRequired(qint64 diffSecs);

    enum class EepromShift {
        MatchedBecauseOldInvalid, // old EEPROM time unknown: take the new time
        OffsetKept,               // moved by the same correction as the RTC
        ClampedToRtc,             // would have run ahead of the RTC: take the new time
    };
    struct EepromResult
    {
        QDateTime time;
        EepromShift shift;
    };
    // The display's new EEPROM time after the RTC moves from oldRtc to newTime:
    // the EEPROM time keeps its offset from the RTC, but never ends up after
    // newTime. When oldRtc is unknown the correction cannot be measured and
    // the EEPROM time stays as it was (still never after newTime).
    static EepromResult NewEepromTime(const QDateTime &oldRtc, const QDateTime &oldEeprom,
                                      const QDateTime &newTime);

private:
    static QDateTime Decode(const QByteArray &registers, bool honourValidBit);
};
