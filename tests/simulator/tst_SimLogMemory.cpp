// The simulated handsets' log memories, read back through the real serial
// link: where the sessions lie, how they are scrambled, the pointers, the
// log books and the wrap, checked against the dive plans.
#include "DeviceList.h"
#include "LogRecordGenerator.h"
#include "LogRecordLayout.h"
#include "RebreatherSimulator.h"
#include "RecordScrambler.h"
#include "RixComms.h"
#include "SimLogMemory.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSerialPort>
#include <QtTest>

namespace L = LogRecordLayout;
using Format = SimLogMemory::Format;

Q_DECLARE_METATYPE(SimLogMemory::Layout)
Q_DECLARE_METATYPE(QVector<DivePlan>)

namespace {

// A short dive: a few hundred bytes of records at a 10 s interval.
DivePlan ShortDive(int number, double depth = 18, double minutes = 12)
{
    DivePlan p;
    p.powerOn = QDateTime(QDate(2026, 7, 1), QTime(8, 0), Qt::UTC).addSecs(qint64(number) * 7200);
    p.sampleInterval = 10;
    p.surfaceBefore = 30;
    p.surfaceAfter = 60;
    p.profile = {{0, 0}, {60, depth}, {minutes * 60 - 120, depth}, {minutes * 60, 0}};
    p.diveNumber = number;
    p.sequence = 0;
    p.withEndOfDive = true;
    return p;
}

QVector<DivePlan> ShortDives(int count, int firstNumber = 1)
{
    QVector<DivePlan> plans;
    for (int i = 0; i < count; ++i)
        plans.append(ShortDive(firstNumber + i, 10 + (i * 9) % 30, 8 + (i * 3) % 10));
    return plans;
}

struct Region {
    quint8 memory = 0;
    quint32 start = 0;
    quint32 size = 0;
};

Region CatalogueRegion(quint8 device, int region)
{
    const DeviceList catalogue;
    Region r;
    catalogue.GetRegion(device, region, r.memory, r.start, r.size);
    return r;
}

quint32 BigEndian(const QByteArray &b, int at, int n)
{
    quint32 v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | quint8(b.at(at + i));
    return v;
}

// The download's rule: a 16-byte record that is not all 0xFF is XORed with
// the keystream from its device address.
QByteArray Descramble(const QByteArray &raw, quint32 address)
{
    QByteArray plain = raw;
    for (int at = 0; at < plain.size(); at += 16) {
        const int n = qMin(16, plain.size() - at);
        bool erased = true;
        for (int i = 0; i < n; ++i)
            erased = erased && quint8(plain.at(at + i)) == 0xFF;
        if (erased)
            continue;
        for (int i = 0; i < n; ++i)
            plain[at + i] = char(quint8(plain.at(at + i)) ^ RecordScrambler::KeystreamByte(quint64(address) + quint64(at + i)));
    }
    return plain;
}

// Day, month, year - 2000, hours, minutes, seconds.
QByteArray DateTimeBytes(const QDateTime &t)
{
    QByteArray b;
    b.append(char(t.date().day())).append(char(t.date().month())).append(char(t.date().year() - 2000));
    b.append(char(t.time().hour())).append(char(t.time().minute())).append(char(t.time().second()));
    return b;
}

bool AllErased(const QByteArray &b)
{
    return std::all_of(b.cbegin(), b.cend(), [](char c) { return quint8(c) == 0xFF; });
}

// Records of the generated sessions without erased filler, as a flat list.
QVector<QByteArray> WithoutFiller(const QByteArray &bytes, int recordSize)
{
    QVector<QByteArray> records;
    for (int at = 0; at + recordSize <= bytes.size(); at += recordSize) {
        const QByteArray r = bytes.mid(at, recordSize);
        if (!AllErased(r))
            records.append(r);
    }
    return records;
}

QVector<QByteArray> WithoutFiller(const QVector<QByteArray> &records)
{
    QVector<QByteArray> out;
    for (const QByteArray &r : records) {
        if (!AllErased(r))
            out.append(r);
    }
    return out;
}

// A simulated handset on a pseudo-terminal and the program's link to it.
class Handset
{
public:
    explicit Handset(SimProfile profile) : m_sim(profile, 3) {}

    bool Open()
    {
        if (!m_sim.Start())
            return false;
        m_comms.SetSerialPort(&m_port);
        m_comms.SetMessageLevel(0);
        m_comms.SetDebugEnabled(false);
        return m_comms.OpenComPort(m_sim.PortPath(), true);
    }

    RebreatherSimulator &Sim() { return m_sim; }

    // Reads through the link: 2 KiB block reads, then short reads.
    QByteArray Read(quint8 device, quint8 memory, quint32 address, int length)
    {
        QByteArray out;
        while (out.size() < length) {
            const int left = length - out.size();
            const quint32 at = address + quint32(out.size());
            QByteArray chunk;
            if (left >= 64) {
                const int blocks = qMin(32, left / 64);
                chunk.resize(blocks * 64);
                if (!m_comms.ReadBlocks(device, memory, at, quint8(blocks), reinterpret_cast<uchar *>(chunk.data())))
                    return QByteArray();
            } else {
                chunk.resize(left);
                if (!m_comms.Read(device, memory, at, quint8(left), reinterpret_cast<uchar *>(chunk.data())))
                    return QByteArray();
            }
            out.append(chunk);
        }
        return out;
    }

    // Ring bytes from an address on, continuing at the ring start past its end.
    QByteArray ReadRing(const SimLogMemory &m, quint32 address, int length)
    {
        QByteArray out;
        const quint32 end = m.RingStart() + m.RingSize();
        while (out.size() < length) {
            const int n = int(qMin<quint64>(quint64(length - out.size()), end - address));
            out.append(Read(SimLogMemory::HandsetId(m_format), m.RingMemory(), address, n));
            address = address + quint32(n) == end ? m.RingStart() : address + quint32(n);
        }
        return out;
    }

    QByteArray ReadRegion(int regionId, int offset, int length)
    {
        const Region r = CatalogueRegion(SimLogMemory::HandsetId(m_format), regionId);
        return Read(SimLogMemory::HandsetId(m_format), r.memory, r.start + quint32(offset), length);
    }

    void SetFormat(Format f) { m_format = f; }

private:
    RebreatherSimulator m_sim;
    QSerialPort m_port;
    RixComms m_comms;
    Format m_format = Format::Mono;
};

SimProfile ProfileOf(Format f)
{
    return f == Format::Mono ? SimProfile::MonoSerial : f == Format::ColourV1 ? SimProfile::ColourV1Usb
                                                                                : SimProfile::ColourV2Usb;
}

quint32 PointerFromEeprom(Handset &h, Format f)
{
    const QByteArray b = h.ReadRegion(RegionId::Eeprom, SimLogMemory::LoggingPointerOffset, 4);
    return f == Format::Mono ? BigEndian(b, 0, 3) : BigEndian(b, 0, 4);
}

} // namespace

class TestSimLogMemory : public QObject
{
    Q_OBJECT

private slots:
    void ringHoldsTheSessions_data();
    void ringHoldsTheSessions();
    void colourV1LoggingBreak();
    void colourV1LogBook_data();
    void colourV1LogBook();
    void colourV2LogBook_data();
    void colourV2LogBook();
    void layoutsRefused_data();
    void layoutsRefused();
    void generatorSessionMarks_data();
    void generatorSessionMarks();
    void profilesAndProgramHoldDives_data();
    void profilesAndProgramHoldDives();
};

void TestSimLogMemory::ringHoldsTheSessions_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QVector<DivePlan>>("plans");
    QTest::addColumn<SimLogMemory::Layout>("layout");
    QTest::addColumn<bool>("wrapped");
    QTest::addColumn<bool>("overwritten"); // older sessions lost to newer ones

    SimLogMemory::Layout plain;
    SimLogMemory::Layout nearEnd;
    nearEnd.firstOffset = 0x10000 - 1500;
    SimLogMemory::Layout smallV1;
    smallV1.ringSize = 8 * 2048;
    smallV1.firstOffset = smallV1.ringSize - 2048 - 700;
    SimLogMemory::Layout smallV2;
    smallV2.ringSize = 0x8000;
    smallV2.firstOffset = smallV2.ringSize - 3000;

    // Dives in one power-on session and units that restarted mid-dive.
    QVector<DivePlan> sessions = ShortDives(4);
    sessions[1].withPowerOff = false;
    sessions[2].withPowerOn = false;
    sessions[2].sequence = 1;
    sessions[3].restarts = {{200, true, true}};

    QTest::newRow("mono") << int(Format::Mono) << ShortDives(4) << plain << false << false;
    QTest::newRow("mono straddling the wrap") << int(Format::Mono) << ShortDives(3) << nearEnd << true << false;
    QTest::newRow("mono overwritten many times") << int(Format::Mono) << ShortDives(120) << plain << true << true;
    QTest::newRow("mono sessions without power on and restarts") << int(Format::Mono) << sessions << plain << false << false;
    QTest::newRow("colour v1") << int(Format::ColourV1) << ShortDives(5) << plain << false << false;
    QTest::newRow("colour v1 small ring wrapped") << int(Format::ColourV1) << ShortDives(14) << smallV1 << true << true;
    QTest::newRow("colour v1 sessions without power on and restarts") << int(Format::ColourV1) << sessions << plain << false << false;
    QTest::newRow("colour v2") << int(Format::ColourV2) << ShortDives(5) << plain << false << false;
    QTest::newRow("colour v2 small ring wrapped") << int(Format::ColourV2) << ShortDives(14) << smallV2 << true << true;
    QTest::newRow("colour v2 sessions without power on and restarts") << int(Format::ColourV2) << sessions << plain << false << false;
    QTest::newRow("mono virgin") << int(Format::Mono) << QVector<DivePlan>() << plain << false << false;
    QTest::newRow("colour v1 virgin") << int(Format::ColourV1) << QVector<DivePlan>() << plain << false << false;
    QTest::newRow("colour v2 virgin") << int(Format::ColourV2) << QVector<DivePlan>() << plain << false << false;
}

void TestSimLogMemory::ringHoldsTheSessions()
{
    QFETCH(int, format);
    QFETCH(QVector<DivePlan>, plans);
    QFETCH(SimLogMemory::Layout, layout);
    QFETCH(bool, wrapped);
    QFETCH(bool, overwritten);
    const Format f = Format(format);
    const bool wide = SimLogMemory::IsWide(f);
    const int recordSize = wide ? L::WideRecordSize : L::NarrowRecordSize;

    Handset h(ProfileOf(f));
    h.SetFormat(f);
    SimLogMemory memory(f, plans, layout);
    QVERIFY2(h.Sim().LoadLogMemory(memory), qPrintable(memory.Error()));
    QVERIFY(h.Open());
    QCOMPARE(memory.RingWrapped(), wrapped);
    QCOMPARE(memory.Sessions().size(), plans.size());

    // The ring lies in region 13; the pointer in EEPROM names the next byte to write.
    const Region logData = CatalogueRegion(SimLogMemory::HandsetId(f), RegionId::LogData);
    QCOMPARE(memory.RingMemory(), logData.memory);
    QVERIFY(memory.RingStart() >= logData.start);
    QVERIFY(quint64(memory.RingStart()) + memory.RingSize() <= quint64(logData.start) + logData.size);
    if (f == Format::ColourV2) // the V2 ring runs to the end of profile memory
        QCOMPARE(quint64(memory.RingStart()) + memory.RingSize(), quint64(SimLogMemory::ProfileMemoryEnd));
    const quint32 pointer = PointerFromEeprom(h, f);
    QCOMPARE(pointer, memory.LoggingPointer());
    QVERIFY(pointer >= memory.RingStart() && pointer < memory.RingStart() + memory.RingSize());
    if (f == Format::Mono) // whole flash rows: the partitioning steps from the pointer by 64 bytes
        QCOMPARE((pointer - memory.RingStart()) % 64, 0u);

    if (plans.isEmpty()) {
        // A new unit: logging starts at the ring's start, nothing is written.
        QCOMPARE(pointer, memory.RingStart());
        QVERIFY(AllErased(h.ReadRing(memory, memory.RingStart(), 4096)));
        return;
    }
    QCOMPARE(memory.Sessions().first().start, memory.RingStart() + layout.firstOffset - layout.firstOffset % (wide ? 32 : 64));

    const quint32 ringEnd = memory.RingStart() + memory.RingSize();
    const auto advance = [&](quint32 address, quint32 by) {
        const quint64 a = quint64(address) + by;
        return quint32(a >= ringEnd ? a - memory.RingSize() : a);
    };
    int intact = 0;
    for (int i = 0; i < memory.Sessions().size(); ++i) {
        const SimLogMemory::Session &s = memory.Sessions().at(i);
        DivePlan plan = plans.at(s.plan);
        plan.wide = wide;
        const GeneratedSession generated = LogRecordGenerator::Session(plan);
        // Only what the generator made, in its order (erased filler aside).
        QCOMPARE(WithoutFiller(s.bytes, recordSize), WithoutFiller(generated.records));
        if (i + 1 < memory.Sessions().size()) {
            // The next session follows at once, or at the next 64-byte
            // boundary when it opens with a narrow power-on record.
            const quint32 end = advance(s.start, s.length);
            const quint32 next = memory.Sessions().at(i + 1).start;
            const quint32 gap = next >= end ? next - end : next + memory.RingSize() - end;
            QVERIFY2(gap < quint32(wide ? 1 : 64), qPrintable(QStringLiteral("session %1 gap %2").arg(i).arg(gap)));
            if (gap > 0 && s.intact) // the skipped bytes were erased, unless newer data reached them
                QVERIFY(AllErased(h.ReadRing(memory, end, int(gap))));
        }
        if (!s.intact)
            continue;
        ++intact;
        const QByteArray raw = h.ReadRing(memory, s.start, int(s.length));
        QCOMPARE(raw.size(), int(s.length));
        // Stored scrambled, record by record at its own address; filler stays erased.
        QVERIFY(raw != s.bytes);
        quint32 at = s.start;
        for (int r = 0; r < raw.size(); r += recordSize, at = advance(at, quint32(recordSize))) {
            const QByteArray plainRecord = s.bytes.mid(r, recordSize);
            QCOMPARE(Descramble(raw.mid(r, recordSize), at), plainRecord);
            if (AllErased(plainRecord))
                QVERIFY(AllErased(raw.mid(r, recordSize)));
            if (!wide && quint8(plainRecord.at(0)) == L::Code::PowerOn)
                QCOMPARE((at - memory.RingStart()) % 64, 0u);
            if (quint8(plainRecord.at(0)) == L::Code::PowerOn)
                QCOMPARE(quint8(raw.at(r)), RecordScrambler::KeystreamByte(at));
        }
        if (s.hasDive) {
            // The dive's first record is its header (or first dive sample), its last the end-of-dive record.
            const QByteArray head = Descramble(h.ReadRing(memory, s.diveStart, recordSize), s.diveStart);
            const QByteArray tail = Descramble(h.ReadRing(memory, s.diveEnd, recordSize), s.diveEnd);
            QCOMPARE(int(quint8(head.at(0))), plan.withDiveHeader ? L::Code::DiveHeader : L::Code::Sample);
            QCOMPARE(int(quint8(tail.at(0))), plan.withEndOfDive ? L::Code::DateTimeSample : L::Code::Sample);
        }
    }
    // The newest session always survives; only a wrapped ring loses any.
    QVERIFY(memory.Sessions().last().intact);
    QCOMPARE(intact < memory.Sessions().size(), overwritten);

    // The last session ends at the logging pointer; what follows up to the
    // end of the block the handset erased last is erased.
    const SimLogMemory::Session &last = memory.Sessions().last();
    QCOMPARE(advance(last.start, last.length), pointer);
    const int eraseSize = f == Format::Mono ? 64 : f == Format::ColourV1 ? 2048 : 4096;
    const int rest = eraseSize - int((pointer - memory.RingStart()) % quint32(eraseSize));
    if (rest < eraseSize)
        QVERIFY(AllErased(h.ReadRing(memory, pointer, rest)));
}

void TestSimLogMemory::colourV1LoggingBreak()
{
    SimLogMemory::Layout layout;
    layout.breakAfterSessions = 2;
    layout.breakGapBlocks = 3;
    Handset h(SimProfile::ColourV1Usb);
    h.SetFormat(Format::ColourV1);
    SimLogMemory memory(Format::ColourV1, ShortDives(5), layout);
    QVERIFY2(h.Sim().LoadLogMemory(memory), qPrintable(memory.Error()));
    QVERIFY(h.Open());

    const SimLogMemory::Session &before = memory.Sessions().at(1);
    const SimLogMemory::Session &after = memory.Sessions().at(2);
    const quint32 stop = before.start + before.length;
    const quint32 blockEnd = (stop + 0x7FF) & ~0x7FFu;
    // Logging restarts at the start of a block, the gap blocks later.
    QCOMPARE(after.start, blockEnd + 3 * 2048);
    QVERIFY(AllErased(h.ReadRing(memory, stop, int(after.start - stop))));
    const QByteArray restart = Descramble(h.ReadRing(memory, after.start, 16), after.start);
    QCOMPARE(int(restart.at(0)), L::Code::PowerOn);
    // Searching down from the pointer's block for a block whose first
    // records are erased lands on the last gap block.
    quint32 candidate = PointerFromEeprom(h, Format::ColourV1) & ~0x7FFu;
    for (;;) {
        const QByteArray head = h.ReadRing(memory, candidate, 128);
        bool erased = true;
        for (int i = 0; i < 128; i += 16)
            erased = erased && quint8(head.at(i)) == 0xFF;
        if (erased)
            break;
        candidate -= 2048;
        QVERIFY(candidate > memory.RingStart());
    }
    QCOMPARE(candidate, after.start - 2048);
    // Sessions after the restart follow on as usual.
    QCOMPARE(memory.Sessions().at(3).start, after.start + after.length + (64 - after.length % 64) % 64);
}

void TestSimLogMemory::colourV1LogBook_data()
{
    QTest::addColumn<int>("dives");
    QTest::addColumn<bool>("stale");
    QTest::addColumn<bool>("outOfOrder");
    QTest::addColumn<int>("pointer");

    QTest::newRow("new unit") << 0 << false << false << 0x00F0;
    QTest::newRow("five dives") << 5 << false << false << 0x100 + 4 * 16;
    QTest::newRow("more dives than entries") << 50 << false << false << 0x100 + 1 * 16;
    QTest::newRow("stale pointer") << 5 << true << false << 0x100 + 3 * 16;
    QTest::newRow("two entries out of place") << 5 << false << true << 0x100 + 4 * 16;
}

void TestSimLogMemory::colourV1LogBook()
{
    QFETCH(int, dives);
    QFETCH(bool, stale);
    QFETCH(bool, outOfOrder);
    QFETCH(int, pointer);

    SimLogMemory::Layout layout;
    layout.staleLogBookPointer = stale;
    layout.logBookOutOfOrder = outOfOrder;
    layout.ringSize = 64 * 2048;
    const QVector<DivePlan> plans = ShortDives(dives);
    Handset h(SimProfile::ColourV1Usb);
    h.SetFormat(Format::ColourV1);
    SimLogMemory memory(Format::ColourV1, plans, layout);
    QVERIFY2(h.Sim().LoadLogMemory(memory), qPrintable(memory.Error()));
    QVERIFY(h.Open());

    QCOMPARE(int(BigEndian(h.ReadRegion(RegionId::Eeprom, SimLogMemory::LogBookPointerOffset, 2), 0, 2)), pointer);
    const QByteArray book = h.ReadRegion(RegionId::EepromPart10, 0, 768);
    QCOMPARE(book.size(), 768);
    QVector<int> numbers;
    for (int slot = 0; slot < 48; ++slot)
        numbers.append(int(BigEndian(book, slot * 16, 2)));
    if (dives == 0) {
        QVERIFY(AllErased(book));
        return;
    }
    // Entry k of the newest 48 dives is in slot k mod 48, dated and sized as its plan.
    for (int k = qMax(0, dives - 48); k < dives; ++k) {
        const DivePlan &plan = plans.at(k);
        int slot = k % 48;
        if (outOfOrder && k >= dives - 2)
            slot = k == dives - 1 ? (dives - 2) % 48 : (dives - 1) % 48;
        const QByteArray e = book.mid(slot * 16, 16);
        QCOMPARE(int(BigEndian(e, 0, 2)), plan.diveNumber);
        QCOMPARE(e.mid(2, 6), DateTimeBytes(plan.DiveStart()));
        QCOMPARE(int(BigEndian(e, 8, 2)), int(plan.DiveLength()));
        QCOMPARE(int(BigEndian(e, 10, 2)), int(plan.profile.at(1).depth * 100));
        QCOMPARE(memory.Sessions().at(k).logBookSlot, slot);
    }
    const int unused = 48 - qMin(dives, 48);
    QCOMPARE(int(std::count(numbers.cbegin(), numbers.cend(), 0xFFFF)), unused);
}

void TestSimLogMemory::colourV2LogBook_data()
{
    QTest::addColumn<int>("dives");
    QTest::addColumn<int>("firstSlot");
    QTest::addColumn<int>("eepromRecord");
    QTest::addColumn<bool>("startUnset");
    QTest::addColumn<int>("withoutEnd"); // plan index, -1 none
    QTest::addColumn<bool>("wrapped");

    const int cleared = int(SimLogMemory::EepromRecord::Cleared);
    QTest::newRow("new unit") << 0 << 0 << cleared << false << -1 << false;
    QTest::newRow("four dives") << 4 << 0 << cleared << false << -1 << false;
    QTest::newRow("book wrapped") << 5 << 2046 << cleared << false << -1 << true;
    QTest::newRow("book full to its last slot") << 2 << 2046 << cleared << false << -1 << true;
    QTest::newRow("newest dive in eeprom") << 3 << 0 << int(SimLogMemory::EepromRecord::NewestDive) << false << -1 << false;
    QTest::newRow("eeprom record erased") << 3 << 0 << int(SimLogMemory::EepromRecord::Erased) << false << -1 << false;
    QTest::newRow("log data start unset") << 3 << 0 << cleared << true << -1 << false;
    QTest::newRow("newest without end") << 3 << 0 << cleared << false << 2 << false;
}

void TestSimLogMemory::colourV2LogBook()
{
    QFETCH(int, dives);
    QFETCH(int, firstSlot);
    QFETCH(int, eepromRecord);
    QFETCH(bool, startUnset);
    QFETCH(int, withoutEnd);
    QFETCH(bool, wrapped);

    SimLogMemory::Layout layout;
    layout.firstLogBookSlot = firstSlot;
    layout.eepromRecord = SimLogMemory::EepromRecord(eepromRecord);
    layout.logDataStartUnset = startUnset;
    if (withoutEnd >= 0)
        layout.withoutLogBookEnd.insert(withoutEnd);
    const QVector<DivePlan> plans = ShortDives(dives, 30);
    Handset h(SimProfile::ColourV2Bluetooth);
    h.SetFormat(Format::ColourV2);
    SimLogMemory memory(Format::ColourV2, plans, layout);
    QVERIFY2(h.Sim().LoadLogMemory(memory), qPrintable(memory.Error()));
    QVERIFY(h.Open());

    // Services Relocation: the log data start, little-endian, or unset.
    const QByteArray relocation = h.ReadRegion(RegionId::LoggingPointers, SimLogMemory::ServicesRelocationOffset, 0x40);
    const quint32 start = quint32(quint8(relocation.at(0x2C))) | quint32(quint8(relocation.at(0x2D))) << 8
        | quint32(quint8(relocation.at(0x2E))) << 16 | quint32(quint8(relocation.at(0x2F))) << 24;
    QCOMPARE(start, startUnset ? 0xFFFFFFFFu : memory.RingStart());
    QCOMPARE(memory.RingStart(), 0x10000u);

    const bool newestInEeprom = layout.eepromRecord == SimLogMemory::EepromRecord::NewestDive && dives > 0;
    const int inRing = dives - (newestInEeprom ? 1 : 0);
    const quint16 bookPointer = quint16(BigEndian(h.ReadRegion(RegionId::Eeprom, SimLogMemory::LogBookPointerOffset, 2), 0, 2));
    QCOMPARE(int(bookPointer), ((firstSlot + inRing) % 2048) * 32);
    QCOMPARE(memory.LogBookWrapped(), wrapped);
    const QByteArray marker = h.ReadRegion(RegionId::LogBook, int(SimLogMemory::V2WrapMarkerOffset), 1);
    QCOMPARE(quint8(marker.at(0)) == 0x70, wrapped);
    const int nextDive = int(quint8(h.ReadRegion(RegionId::Eeprom, SimLogMemory::V2NextDiveNumberOffset, 2).at(0)));
    QCOMPARE(nextDive, dives == 0 ? 1 : plans.last().diveNumber + 1);

    const auto checkRecord = [&](const QByteArray &r, int k) {
        const DivePlan &plan = plans.at(k);
        const SimLogMemory::Session &s = memory.Sessions().at(k);
        QCOMPARE(int(quint8(r.at(0))), 0x70);
        QCOMPARE(int(BigEndian(r, 1, 2)), plan.diveNumber);
        QCOMPARE(int(r.at(3)), plan.sequence);
        QCOMPARE(r.mid(4, 6), DateTimeBytes(plan.DiveStart()));
        // Start of dive data: the dive header of this dive, in the log data ring.
        const quint32 diveStart = BigEndian(r, 10, 4);
        const QByteArray header = Descramble(h.ReadRing(memory, diveStart, 32), diveStart);
        QCOMPARE(int(header.at(0)), L::Code::DiveHeader);
        QCOMPARE(int(BigEndian(header, L::DiveHeader::WideDiveNumber, 2)), plan.diveNumber);
        if (k == withoutEnd) {
            QVERIFY(AllErased(r.mid(14, 8)));
            return;
        }
        // End of dive data + 0x1F is the last byte of the dive's end-of-dive record.
        const quint32 end = BigEndian(r, 14, 4);
        QCOMPARE(end, s.diveEnd);
        const QByteArray last = Descramble(h.ReadRing(memory, end, 32), end);
        QCOMPARE(int(last.at(0)), L::Code::DateTimeSample);
        const QDateTime surfaced = plan.DiveStart().addSecs(qint64(plan.DiveLength()));
        QCOMPARE(last.mid(L::DateTimeAt::WideDiveHeader, 6), DateTimeBytes(surfaced));
        QCOMPARE(int(BigEndian(r, 18, 2)), int(plan.DiveLength()));
        QCOMPARE(int(BigEndian(r, 20, 2)), int(plan.profile.at(1).depth * 100));
    };
    for (int k = 0; k < inRing; ++k) {
        const int slot = (firstSlot + k) % 2048;
        QCOMPARE(memory.Sessions().at(k).logBookSlot, slot);
        checkRecord(h.ReadRegion(RegionId::LogBook, slot * 32, 32), k);
    }
    // Slots no dive reached stay erased.
    const int unusedSlot = (firstSlot + inRing) % 2048;
    QVERIFY(AllErased(h.ReadRegion(RegionId::LogBook, unusedSlot * 32, 32)));

    const QByteArray eeprom = h.ReadRegion(RegionId::EepromPart12, 0, 32);
    switch (layout.eepromRecord) {
    case SimLogMemory::EepromRecord::Erased:
        QVERIFY(AllErased(eeprom));
        break;
    case SimLogMemory::EepromRecord::Cleared:
        QCOMPARE(int(quint8(eeprom.at(0))), 0x70);
        QCOMPARE(eeprom.mid(10, 8), QByteArray(8, '\0'));
        break;
    case SimLogMemory::EepromRecord::NewestDive:
        QVERIFY(memory.Sessions().last().inEepromRecord);
        QCOMPARE(memory.Sessions().last().logBookSlot, -1);
        checkRecord(eeprom, dives - 1);
        break;
    }
}

void TestSimLogMemory::layoutsRefused_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<SimLogMemory::Layout>("layout");
    QTest::addColumn<int>("handset");

    SimLogMemory::Layout plain;
    SimLogMemory::Layout oddRing;
    oddRing.ringSize = 3000;
    SimLogMemory::Layout tinyRing;
    tinyRing.ringSize = 4096;
    SimLogMemory::Layout outside;
    outside.ringSize = 8192;
    outside.firstOffset = 8192;
    SimLogMemory::Layout breakOnV2;
    breakOnV2.breakAfterSessions = 1;
    SimLogMemory::Layout slotOnV1;
    slotOnV1.firstLogBookSlot = 3;
    SimLogMemory::Layout unsetSmall;
    unsetSmall.ringSize = 0x8000;
    unsetSmall.logDataStartUnset = true;

    QTest::newRow("mono format on a colour handset") << int(Format::Mono) << plain << int(DeviceId::DisplayColour);
    QTest::newRow("colour format on a mono handset") << int(Format::ColourV2) << plain << int(DeviceId::DisplayMono);
    QTest::newRow("ring not in whole blocks") << int(Format::ColourV1) << oddRing << int(DeviceId::DisplayColour);
    QTest::newRow("ring of one sector") << int(Format::ColourV2) << tinyRing << int(DeviceId::DisplayColour);
    QTest::newRow("first offset outside the ring") << int(Format::ColourV2) << outside << int(DeviceId::DisplayColour);
    QTest::newRow("logging break on v2") << int(Format::ColourV2) << breakOnV2 << int(DeviceId::DisplayColour);
    QTest::newRow("log book slot on v1") << int(Format::ColourV1) << slotOnV1 << int(DeviceId::DisplayColour);
    QTest::newRow("unset start with a small ring") << int(Format::ColourV2) << unsetSmall << int(DeviceId::DisplayColour);
}

void TestSimLogMemory::layoutsRefused()
{
    QFETCH(int, format);
    QFETCH(SimLogMemory::Layout, layout);
    QFETCH(int, handset);
    SimUnit unit{quint8(handset)};
    SimLogMemory memory(Format(format), ShortDives(2), layout);
    QVERIFY(!memory.WriteTo(unit));
    QVERIFY(!memory.Error().isEmpty());
}

void TestSimLogMemory::generatorSessionMarks_data()
{
    QTest::addColumn<bool>("wide");
    QTest::addColumn<double>("restartAt");   // session time of a power-on restart, < 0 none
    QTest::addColumn<int>("ambient");        // its ambient pressure (narrow PAmb)
    QTest::addColumn<bool>("withPowerOn");
    QTest::addColumn<bool>("withEndOfDive");

    // The plan's dive runs from 30 s: 60 s down to 18 m, flat, then up.
    QTest::newRow("narrow underwater restart") << false << 300.0 << 1013 + 1800 << true << true;
    QTest::newRow("narrow surface restart") << false << 650.0 << 1013 << true << true;
    QTest::newRow("wide restart") << true << 300.0 << 1013 + 1800 << true << false;
    QTest::newRow("narrow without power on") << false << -1.0 << 0 << false << true;
    QTest::newRow("wide without power on or end") << true << -1.0 << 0 << false << false;
}

void TestSimLogMemory::generatorSessionMarks()
{
    QFETCH(bool, wide);
    QFETCH(double, restartAt);
    QFETCH(int, ambient);
    QFETCH(bool, withPowerOn);
    QFETCH(bool, withEndOfDive);

    DivePlan plan = ShortDive(1, 18, 10);
    plan.wide = wide;
    plan.withPowerOn = withPowerOn;
    plan.withEndOfDive = withEndOfDive;
    if (restartAt >= 0)
        plan.restarts = {{restartAt, false, true}};
    const GeneratedSession s = LogRecordGenerator::Session(plan);
    QCOMPARE(s.records, LogRecordGenerator::Records(plan));
    QCOMPARE(int(s.records.first().at(0)) == L::Code::PowerOn, withPowerOn);
    QCOMPARE(int(s.records.at(s.diveStart).at(0)), L::Code::DiveHeader);
    QCOMPARE(int(s.records.at(s.diveEnd).at(0)), withEndOfDive ? L::Code::DateTimeSample : L::Code::Sample);
    QCOMPARE(s.maxDepthCm, 1800);
    // Nothing of the dive follows its end record but surface samples and the closing records.
    for (int i = s.diveEnd + 1; i < s.records.size(); ++i)
        QVERIFY(int(s.records.at(i).at(0)) != L::Code::DiveHeader);

    int powerOns = 0;
    for (int i = 0; i < s.records.size(); ++i) {
        if (int(s.records.at(i).at(0)) != L::Code::PowerOn)
            continue;
        ++powerOns;
        if (i == 0)
            continue;
        // The restart's power-on block: on a 64-byte boundary in narrow logs,
        // the ambient pressure at block bytes 0x1A-0x1B, the restart record after it.
        if (!wide) {
            QCOMPARE(i % 4, 0);
            QCOMPARE(int(BigEndian(s.records.at(i + 1), 0x1A - 16, 2)), ambient);
        }
        QCOMPARE(int(s.records.at(i + 2).at(0)), L::Code::ColdRestart);
    }
    QCOMPARE(powerOns, (withPowerOn ? 1 : 0) + (restartAt >= 0 ? 1 : 0));
}

void TestSimLogMemory::profilesAndProgramHoldDives_data()
{
    QTest::addColumn<QString>("profile");
    QTest::addColumn<int>("dives"); // -1: the default

    QTest::newRow("mono default") << "mono-serial" << -1;
    QTest::newRow("colour v1 default") << "colour-v1-usb" << -1;
    QTest::newRow("colour v2 default") << "colour-v2-usb" << -1;
    QTest::newRow("colour v2 bluetooth two") << "colour-v2-bluetooth" << 2;
    QTest::newRow("colour v2 empty log") << "colour-v2-usb" << 0;
    QTest::newRow("mono empty log") << "mono-serial" << 0;
}

void TestSimLogMemory::profilesAndProgramHoldDives()
{
    QFETCH(QString, profile);
    QFETCH(int, dives);
    const int expected = dives < 0 ? SimProfiles::DefaultDiveCount : dives;
    SimProfile p;
    QVERIFY(SimProfiles::FromName(profile, p));
    SimLogMemory::Format f;
    QVERIFY(SimProfiles::LogFormat(p, f));

    // What the profile writes is what a memory of its sample dives writes.
    SimLogMemory reference(f, SimLogMemory::SampleDives(expected, SimLogMemory::IsWide(f)));
    SimUnit unit(SimLogMemory::HandsetId(f));
    QVERIFY(reference.WriteTo(unit));
    QCOMPARE(reference.Sessions().size(), expected);
    for (const SimLogMemory::Session &s : reference.Sessions())
        QVERIFY(s.hasDive && s.intact);

    // The standalone program holds them, reachable through the link.
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/tessaro-simulator");
    QVERIFY2(QFileInfo::exists(program), qPrintable(program));
    QStringList arguments{QStringLiteral("--profile"), profile};
    if (dives >= 0)
        arguments << QStringLiteral("--dives") << QString::number(dives);
    QProcess process;
    process.start(program, arguments);
    QVERIFY(process.waitForStarted());
    QVERIFY(process.waitForReadyRead(10000));
    const QString path = QString::fromLocal8Bit(process.readLine()).trimmed();
    QSerialPort port;
    RixComms comms;
    comms.SetSerialPort(&port);
    comms.SetMessageLevel(0);
    comms.SetDebugEnabled(false);
    QVERIFY(comms.OpenComPort(path, true));
    const quint8 id = SimLogMemory::HandsetId(f);
    const Region eeprom = CatalogueRegion(id, RegionId::Eeprom);
    QByteArray b(7, '\0');
    QVERIFY(comms.Read(id, eeprom.memory, eeprom.start, 7, reinterpret_cast<uchar *>(b.data())));
    const quint32 pointer = f == Format::Mono ? BigEndian(b, 1, 3) : BigEndian(b, 1, 4);
    QCOMPARE(pointer, reference.LoggingPointer());
    QCOMPARE(pointer == reference.RingStart(), expected == 0);
    if (f != Format::Mono)
        QCOMPARE(quint16(BigEndian(b, 5, 2)), reference.LogBookPointer());
    // The newest session's first record, through the link, as the reference laid it.
    if (expected > 0) {
        const SimLogMemory::Session &s = reference.Sessions().last();
        QByteArray raw(16, '\0');
        QVERIFY(comms.Read(id, reference.RingMemory(), s.start, 16, reinterpret_cast<uchar *>(raw.data())));
        QCOMPARE(Descramble(raw, s.start), s.bytes.left(16));
    }
    comms.CloseComPort();
    process.terminate();
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestSimLogMemory)
#include "tst_SimLogMemory.moc"
