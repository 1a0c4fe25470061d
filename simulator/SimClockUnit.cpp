#include "SimClockUnit.h"

namespace {

quint8 ToBcd(int v) { return quint8(((v / 10) << 4) | (v % 10)); }
int FromBcd(quint8 b, quint8 mask) { b &= mask; return (b >> 4) * 10 + (b & 0x0F); }

} // namespace

SimClockUnit::SimClockUnit()
    : SimUnit(DeviceId::Rtc)
{
}

void SimClockUnit::SetOffsetSeconds(qint64 offsetSeconds)
{
    m_offsetSeconds = offsetSeconds;
}

QDateTime SimClockUnit::CurrentTime() const
{
    return QDateTime::currentDateTime().addSecs(m_offsetSeconds);
}

QByteArray SimClockUnit::EncodeRegisters(const QDateTime &time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    QByteArray r;
    r.append(char(ToBcd(t.second())));
    r.append(char(ToBcd(t.minute())));
    r.append(char(ToBcd(t.hour())));
    r.append(char(ToBcd(d.day())));
    r.append(char(ToBcd(d.dayOfWeek() % 7)));
    r.append(char(ToBcd(d.month())));
    r.append(char(ToBcd(d.year() - 2000)));
    return r;
}

QDateTime SimClockUnit::DecodeRegisters(const QByteArray &reg)
{
    if (reg.size() < RegisterCount)
        return QDateTime();
    const auto *b = reinterpret_cast<const quint8 *>(reg.constData());
    const QDate date(2000 + FromBcd(b[6], 0xFF), FromBcd(b[5], 0x1F), FromBcd(b[3], 0x3F));
    const QTime time(FromBcd(b[2], 0x3F), FromBcd(b[1], 0x7F), FromBcd(b[0], 0x7F));
    return QDateTime(date, time);
}

QByteArray SimClockUnit::ReadMemory(quint8 memoryId, quint32 address, int length) const
{
    QByteArray out = SimUnit::ReadMemory(memoryId, address, length);
    if (memoryId != MemoryId::Buffer)
        return out;
    QByteArray reg = m_fixed.size() == RegisterCount ? m_fixed : EncodeRegisters(CurrentTime());
    if (m_fixed.isEmpty() && m_invalid)
        reg[0] = char(quint8(reg[0]) | 0x80);
    for (int i = 0; i < RegisterCount; ++i) {
        const qint64 pos = qint64(RegisterAddress) + i - qint64(address);
        if (pos >= 0 && pos < out.size())
            out[int(pos)] = reg[i];
    }
    return out;
}

void SimClockUnit::WriteMemory(quint8 memoryId, quint32 address, const QByteArray &bytes)
{
    SimUnit::WriteMemory(memoryId, address, bytes);
    if (memoryId != MemoryId::Buffer || address != RegisterAddress || bytes.size() < RegisterCount)
        return;
    const QDateTime set = DecodeRegisters(bytes);
    if (set.isValid()) {
        m_offsetSeconds = QDateTime::currentDateTime().secsTo(set);
        m_invalid = (quint8(bytes[0]) & 0x80) != 0;
        m_fixed.clear();
    }
}
