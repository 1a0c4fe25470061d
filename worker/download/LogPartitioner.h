#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>

// Splits the log data of a mono or Colour V1 display into dives: a scan of
// the buffer as a ring of 16-byte records that finds, per dive, its power-on
// record, its start-of-dive record and its end. Every step goes to the
// status log. The buffer is read in place.
class LogPartitioner
{
public:
    static constexpr int RecordSize = 16;
    static constexpr int PowerOnSize = 64;
    static constexpr int UnderwaterPressure = 1150; // mbar
    static constexpr int TableSize = 10000;
    static constexpr int PressureOffset = 0x1A;

    enum RecordType : quint8 {
        PowerOn = 0x00,
        StartOfDive = 0x03,
        EndOfDive = 0x08,
        PowerOff = 0x7F,
    };

    struct Dive {
        qint64 powerOn = 0;
        qint64 startOfDive = 0;
        qint64 end = 0;
        QDateTime start;
        QString name;
    };
    struct Result {
        QVector<Dive> dives;
        qint64 size = 0;     // N
        qint64 end = 0;      // E, where the scan stopped
        bool tableFull = false; // more dives than the table holds; later ones not recorded
    };

    // colour: the buffer starts at a download start; otherwise (mono) the
    // scan starts and ends at the logging pointer offset.
    static Result Run(const QByteArray &buffer, bool colour, quint32 loggingPointer);

    // "yyMMdd_hhmmss", or the raw bytes and "_Invalid".
    static QString DiveName(const QByteArray &buffer, qint64 sodPosition, QDateTime *start = nullptr);

    // The bytes saved for dive i: from its power-on position to the next
    // dive's start of dive (or E - 16 for the last), that record included,
    // read round the ring.
    static QByteArray DiveRecords(const QByteArray &buffer, const Result &result, int dive,
                                  qint64 *from = nullptr, qint64 *to = nullptr);
    // The records from `powerOn` up to, not including, the next start of
    // dive, for a dive that lacks its own power-on records; the last byte of
    // every 0x01 record is increased by one.
    static QByteArray BorrowedPowerOn(const QByteArray &buffer, qint64 powerOn);
};
