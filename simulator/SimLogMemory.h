#pragma once

#include "DivePlan.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QVector>

class SimUnit;
class SimulatedBus;

// The log memories of a simulated handset, laid out as the handset itself
// keeps them: sessions generated from dive plans written one after the other
// into the log data ring (each 16-byte record scrambled with the record
// scrambler's keystream at its device address, erased records left 0xFF),
// the logging pointer, and the log book of the logging format.
//
//   Mono       ring = flash region 13 (64 KiB); logging pointer in EEPROM
//              bytes 1-3 (absolute address).
//   Colour V1  ring = profile memory from 0x10000 (region 13), erased and
//              written in 2 KiB blocks; logging pointer (bytes 1-4) and log
//              book pointer (bytes 5-6) in EEPROM; the 48-entry log book in
//              EEPROM region 10; optionally a logging break.
//   Colour V2  ring = profile memory from the log data start to 0x2000000,
//              erased in 4 KiB sectors; the log data start in the 'Services
//              Relocation' block (region 15 + 0x40, offset 0x2C, little-
//              endian); the ring of 32-byte log book records in region 11
//              with its pointer, the EEPROM record in region 12.
//
// docs/simulator.md describes the layouts and what each option does.
class SimLogMemory
{
public:
    enum class Format { Mono, ColourV1, ColourV2 };

    // What the Colour V2 EEPROM record (region 12) holds.
    enum class EepromRecord {
        Erased,     // all 0xFF
        Cleared,    // record id 0x70, every other byte 0 (no dive addresses)
        NewestDive, // the newest dive's record, which is then not in the log book ring
    };

    struct Layout {
        // Where the first session starts, as an offset into the ring
        // (rounded down to the record alignment). An offset near the end of
        // the ring makes the sessions straddle its wrap.
        quint32 firstOffset = 0;
        // Colour V1: the handset wraps its ring after this many bytes
        // (a multiple of 2 KiB); Colour V2: the ring size (a multiple of
        // 4 KiB), the log data start then being 0x2000000 - size.
        // 0: the whole region. The mono ring is always the whole region.
        quint32 ringSize = 0;
        // Colour V2: the Services Relocation block leaves the log data start
        // unset (0xFFFFFFFF), so the ring starts at region 13 (ringSize 0).
        bool logDataStartUnset = false;

        // Colour V1 logging break: logging stops after this many sessions,
        // the rest of that 2 KiB block and breakGapBlocks further blocks
        // stay erased, and logging restarts at the start of the next block.
        // -1: no break.
        int breakAfterSessions = -1;
        int breakGapBlocks = 4;
        // Colour V1 log book: the pointer names the entry before the newest,
        // and the two newest entries are swapped (as a break can leave them).
        bool staleLogBookPointer = false;
        bool logBookOutOfOrder = false;

        // Colour V2 log book: the slot of the first record (the ring of 2048
        // slots wraps after slot 2047, which then marks the wrap).
        int firstLogBookSlot = 0;
        // Colour V2: plans (by index) whose log book record has no end of
        // dive data (bytes 14-21 0xFF), as after a unit lost power in a dive.
        QSet<int> withoutLogBookEnd;
        EepromRecord eepromRecord = EepromRecord::Cleared;
        // Colour V2: the logging pointer and the log book's data addresses
        // count the ring's turns above the 32 MiB address space (each turn
        // adds 0x2000000; the low 25 bits stay the device address), so that
        // a record names data that newer logging has since replaced.
        bool countTurns = false;
    };

    // Where one plan's session went.
    struct Session {
        int plan = 0;            // index into the plans
        quint32 start = 0;       // device address of its first byte
        quint32 length = 0;      // bytes, narrow padding to 64 bytes included
        quint32 diveStart = 0;   // device address of the dive's first record (the dive header)
        quint32 diveEnd = 0;     // device address of the dive's last record (0 without a dive)
        bool hasDive = false;
        int maxDepthCm = 0;      // the greatest depth its samples reached
        bool intact = true;      // no byte of it has been erased or overwritten since
        int turn = 0;            // turns of the ring before its dive started (countTurns)
        int endTurn = 0;         // and before its last record
        int logBookSlot = -1;    // log book entry or record slot; -1 none (mono, EEPROM record)
        bool inEepromRecord = false;
        QByteArray bytes;        // the plain records as written
    };

    static constexpr quint32 ProfileMemoryEnd = 0x2000000;
    static constexpr int MonoEraseSize = 64;        // a flash row of the mono handset
    static constexpr int ColourV1BlockSize = 2048;
    static constexpr int ColourV2SectorSize = 4096;
    static constexpr int LoggingPointerOffset = 1;  // in EEPROM region 8
    static constexpr int LogBookPointerOffset = 5;  // in EEPROM region 8, colour handsets
    static constexpr int V1LogBookEntries = 48;
    static constexpr int V1LogBookEntrySize = 16;
    static constexpr int V2RecordSize = 32;
    static constexpr quint8 V2RecordId = 0x70;
    static constexpr quint32 V2WrapMarkerOffset = 0xFFE0; // last record slot of region 11
    static constexpr int ServicesRelocationOffset = 0x40; // in region 15
    static constexpr int LogDataStartOffset = 0x2C;       // in the Services Relocation block
    static constexpr int V2NextDiveNumberOffset = 0x4A;   // EEPROM, little-endian

    SimLogMemory(Format format, const QVector<DivePlan> &plans);
    SimLogMemory(Format format, const QVector<DivePlan> &plans, const Layout &layout);

    // Replaces the handset's log memories. False, with Error(), when the
    // unit is not a handset of the format or the layout cannot be built.
    bool WriteTo(SimUnit &handset);
    // The bus's handset (0xB0 for mono, 0xBC otherwise).
    bool WriteTo(SimulatedBus &bus);
    QString Error() const { return m_error; }

    // What WriteTo laid out.
    quint32 RingStart() const { return m_ringStart; }
    quint32 RingSize() const { return m_ringSize; }
    quint8 RingMemory() const { return m_ringMemory; }
    quint32 LoggingPointer() const { return m_loggingPointer; }
    quint16 LogBookPointer() const { return m_logBookPointer; }
    bool RingWrapped() const { return m_ringWrapped; }
    bool LogBookWrapped() const { return m_logBookWrapped; }
    const QVector<Session> &Sessions() const { return m_sessions; }

    static quint8 HandsetId(Format format);
    static bool IsWide(Format format) { return format == Format::ColourV2; }

    // The handset's storage rule, both ways: every 16-byte record that is
    // not all 0xFF is XORed with the keystream from (address + its offset).
    static QByteArray Scramble(const QByteArray &bytes, quint32 address);

    // A day's diving for a simulated handset: count sessions of one dive
    // each, different depths, times and gases, numbered from 1 (sequence 0).
    static QVector<DivePlan> SampleDives(int count, bool wide);

private:
    bool CheckLayout(const SimUnit &handset);
    void WriteRing(SimUnit &handset);
    void WriteV1LogBook(SimUnit &handset);
    void WriteV2LogBook(SimUnit &handset);
    QByteArray V2Record(const Session &session, bool withEnd) const;

    Format m_format;
    QVector<DivePlan> m_plans;
    Layout m_layout;
    QString m_error;
    quint32 m_ringStart = 0;
    quint32 m_ringSize = 0;
    quint8 m_ringMemory = 0;
    quint32 m_loggingPointer = 0;
    quint16 m_logBookPointer = 0;
    bool m_ringWrapped = false;
    bool m_logBookWrapped = false;
    QVector<Session> m_sessions;
};
