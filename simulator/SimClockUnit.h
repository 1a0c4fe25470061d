#pragma once

#include "SimUnit.h"

#include <QDateTime>

// The real-time clock (0xA2). Its registers at Buffer address 2-8 (seconds,
// minutes, hours, day, weekday, month, year - 2000, packed decimal) run from
// the host clock plus an offset; writing them sets the offset, so the clock
// keeps ticking after a synchronisation like a real chip.
class SimClockUnit : public SimUnit
{
public:
    static constexpr quint32 RegisterAddress = 2;
    static constexpr int RegisterCount = 7;

    SimClockUnit();

    // Makes the clock read 'now + offsetSeconds' (UTC host time as the device's local time).
    void SetOffsetSeconds(qint64 offsetSeconds);
    qint64 OffsetSeconds() const { return m_offsetSeconds; }
    // Sets or clears the "time not valid" bit 7 of the seconds register.
    void SetInvalid(bool invalid) { m_invalid = invalid; }
    // Freezes the registers at fixed bytes (e.g. all 0xFF for a dead chip); empty to run again.
    void SetFixedRegisters(const QByteArray &registers) { m_fixed = registers; }
    QDateTime CurrentTime() const;

    QByteArray ReadMemory(quint8 memoryId, quint32 address, int length) const override;
    void WriteMemory(quint8 memoryId, quint32 address, const QByteArray &bytes) override;

    static QByteArray EncodeRegisters(const QDateTime &time);
    static QDateTime DecodeRegisters(const QByteArray &registers);

private:
    qint64 m_offsetSeconds = 0;
    bool m_invalid = false;
    QByteArray m_fixed;
};
