#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// Turns the bytes of a status-log file back into its message lines.
//
// Real files are not always whole: the last record may be cut short by a
// crash, and a record whose text exceeded 65535 bytes keeps only the low 16
// bits of its length. The reader therefore never trusts a length alone: a
// record ends where the next record starts (marker 0x87, a key offset, a body
// that descrambles to "QR" followed by a "hh:mm:ss:zzz " time) or at the end
// of the file, and the true text length differs from the stored one by a
// multiple of 65536.
class StatusLogReader
{
public:
    struct Entry {
        qint64 offset = 0;          // byte offset of the record in the file
        QString text;               // the message line
        bool lengthWrapped = false; // the stored length kept only its low 16 bits
    };

    struct Problem {
        qint64 offset = 0;
        QString description;
    };

    struct Result {
        QVector<Entry> entries;
        QVector<Problem> problems; // empty for a whole, undamaged file
    };

    static Result Decode(const QByteArray &data);

    // True when a record starts at `pos`, judged by as many of its bytes as
    // the data holds.
    static bool RecordStartsAt(const QByteArray &data, qint64 pos);

private:
    static qint64 FindRecordStart(const QByteArray &data, qint64 from);
    static QByteArray Descramble(const QByteArray &data, qint64 pos, qint64 length, quint16 key,
                                 qint64 bodyIndex);
};
