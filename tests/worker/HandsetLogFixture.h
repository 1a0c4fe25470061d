#pragma once

// Test fixtures: dives from plans put into a simulated handset's memories
// the way the handset keeps them (scrambled log data, logging pointers, a
// Colour V2 log book), for tests that download them again.

#include "DeviceList.h"
#include "LogRecordGenerator.h"
#include "RebreatherSimulator.h"
#include "RecordScrambler.h"

#include <QByteArray>
#include <QDateTime>
#include <QVector>

namespace {

constexpr quint32 LogStart = 0x10000;

DivePlan Plan(int number, const QDateTime &powerOn, int minutes, double depth, bool wide)
{
    DivePlan plan;
    plan.wide = wide;
    plan.powerOn = powerOn;
    plan.diveNumber = number;
    plan.sequence = 0; // the first dive of its power-on
    plan.sampleInterval = 10;
    plan.surfaceBefore = 30;
    plan.surfaceAfter = 30;
    const double t = minutes * 60.0;
    plan.profile = {{0, 0}, {t * 0.2, depth}, {t * 0.8, depth}, {t, 0}};
    return plan;
}

// The handset keeps its log memory scrambled in 16-byte records.
QByteArray ScrambledAt(QByteArray data, quint32 address)
{
    for (int at = 0; at < data.size(); at += 16) {
        const int n = qMin(16, data.size() - at);
        if (data.mid(at, n) == QByteArray(n, char(0xFF)))
            continue;
        for (int i = 0; i < n; ++i)
            data[at + i] = char(quint8(data.at(at + i)) ^ RecordScrambler::KeystreamByte(address + quint32(at + i)));
    }
    return data;
}

QByteArray Be(quint32 v, int bytes)
{
    QByteArray out(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        out[i] = char(v >> (8 * (bytes - 1 - i)));
    return out;
}

// Puts narrow dive data at the start of a colour handset's log memory.
void PlaceColourV1(RebreatherSimulator &sim, const QByteArray &plain, quint16 logBookPointer = 0x100)
{
    sim.SetMemory(0xBC, MemoryId::Profile, LogStart, ScrambledAt(plain, LogStart));
    sim.SetMemory(0xBC, MemoryId::Eeprom, 1, Be(LogStart + quint32(plain.size()), 4) + Be(logBookPointer, 2));
}

// Puts narrow dive data into the mono handset's flash ring; the pointer is
// an offset into it.
void PlaceMono(RebreatherSimulator &sim, const QByteArray &plain, quint32 at, quint32 pointer)
{
    sim.SetMemory(0xB0, MemoryId::Flash, LogStart + at, ScrambledAt(plain, LogStart + at));
    sim.SetMemory(0xB0, MemoryId::Eeprom, 1, Be(LogStart + pointer, 3));
}

struct V2Layout {
    QByteArray data;
    QVector<QByteArray> logBook; // oldest first
};

// Wide sessions back to back from the log data start, with a log book
// record per dive naming where its dive data lies.
V2Layout LayoutV2(const QVector<DivePlan> &plans)
{
    V2Layout layout;
    for (const DivePlan &plan : plans) {
        const quint32 base = LogStart + quint32(layout.data.size());
        const QVector<QByteArray> records = LogRecordGenerator::Records(plan);
        int sod = -1, pd = -1;
        for (int i = 0; i < records.size(); ++i) {
            const quint8 type = quint8(records[i].at(0));
            if (type == 0x03 && sod < 0)
                sod = i;
            if (type == 0x7F)
                pd = i;
            layout.data += records[i];
        }
        QByteArray r(32, '\0');
        r[0] = char(0x70);
        r[1] = char(plan.diveNumber >> 8);
        r[2] = char(plan.diveNumber);
        r[3] = char(plan.sequence);
        const QDateTime start = plan.DiveStart();
        r[4] = char(start.date().day());
        r[5] = char(start.date().month());
        r[6] = char(start.date().year() - 2000);
        r[7] = char(start.time().hour());
        r[8] = char(start.time().minute());
        r[9] = char(start.time().second());
        r.replace(10, 4, Be(base + quint32(sod) * 32, 4));
        r.replace(14, 4, Be(base + quint32(pd) * 32 - 1 - 0x1F, 4));
        r.replace(18, 2, Be(quint32(plan.DiveLength()), 2));
        r.replace(20, 2, Be(2000, 2));
        layout.logBook << r;
    }
    return layout;
}

void PlaceV2(RebreatherSimulator &sim, const V2Layout &layout)
{
    sim.SetMemory(0xBC, MemoryId::Profile, LogStart, ScrambledAt(layout.data, LogStart));
    QByteArray book;
    for (const QByteArray &r : layout.logBook)
        book += r;
    sim.SetMemory(0xBC, MemoryId::Profile, 0, book);
    sim.SetMemory(0xBC, MemoryId::Eeprom, 1, Be(LogStart + quint32(layout.data.size()), 4) + Be(quint32(book.size()), 2));
}


} // namespace
