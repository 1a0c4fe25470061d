#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// One dive of a Colour V2 handset's log book: the 32 bytes as stored, what
// they say (dive number, start, where the dive's data lies, duration,
// depth), the three address ranges worked out for its download, and the
// selection flags of the download window.
class LogBookRecord
{
public:
    static constexpr quint32 RingAddressMask = 0x1FFFFFF; // the 32 MiB address space
    static constexpr int Size = 32;
    static constexpr quint8 ValidId = 0x70;
    static constexpr int MaxOffset = 2016; // last record of a 2048-byte block
    static constexpr quint32 EndOffset = 0x1F;

    // Takes record `index` of a block read from the log book; false (and a
    // status-log line) when the index lies outside a 2048-byte block.
    bool SetData(const QByteArray &block, int index);
    // Takes 32 raw bytes.
    bool SetRaw(const QByteArray &raw);

    static bool IsValidId(const QByteArray &raw) { return !raw.isEmpty() && quint8(raw.at(0)) == ValidId; }
    // Bytes 10-17 (start and end of the dive data) are all zero.
    static bool HasZeroAddresses(const QByteArray &raw);

    QByteArray Raw() const { return m_raw; }
    int DiveNumber() const { return m_diveNumber; }
    int SequenceNumber() const { return m_sequence; }
    QDateTime StartDateTime() const { return m_start; }
    bool IsEndValid() const { return m_endValid; }
    double Duration() const { return m_duration; }
    double Depth() const { return m_depth; }

    quint32 PreStart() const { return m_preStart; }
    quint32 PreEnd() const { return m_preEnd; }
    quint32 DiveStart() const { return m_diveStart; }
    quint32 DiveEnd() const { return m_diveEnd; }
    quint32 PostStart() const { return m_postStart; }
    quint32 PostEnd() const { return m_postEnd; }
    void SetPreStart(quint32 v) { m_preStart = v; UpdateLocationsValid(); }
    void SetPreEnd(quint32 v) { m_preEnd = v; UpdateLocationsValid(); }
    void SetDiveStart(quint32 v) { m_diveStart = v; UpdateLocationsValid(); }
    void SetDiveEnd(quint32 v) { m_diveEnd = v; UpdateLocationsValid(); }
    void SetPostStart(quint32 v) { m_postStart = v; UpdateLocationsValid(); }
    void SetPostEnd(quint32 v) { m_postEnd = v; UpdateLocationsValid(); }
    bool AreDownloadLocationsValid() const { return m_locationsValid; }

    bool selected = false;
    bool downloadedBefore = false;
    bool inMemory = true;
    bool inLogBook = true;
    int preIndex = -1;
    int diveIndex = -1;
    int postIndex = -1;
    QString serialNumber;
    int nameCounter = 0;

    // "yyMMdd_hhmmss" or the raw date bytes and "_Invalid".
    QString DiveName() const;
    // "<serial>_<dive name>[_NNN].ccl"
    QString FileName() const;
    QString Description() const;
    // "Pre Dive %1, Dive %2, Post Dive %3"
    QString RangesLine() const;

private:
    void UpdateLocationsValid();

    QByteArray m_raw;
    int m_diveNumber = 0;
    int m_sequence = 0;
    QDateTime m_start;
    bool m_endValid = false;
    double m_duration = 0;
    double m_depth = 0;
    quint32 m_preStart = 0, m_preEnd = 0, m_diveStart = 0, m_diveEnd = 0, m_postStart = 0,
            m_postEnd = 0;
    bool m_locationsValid = false;
};
