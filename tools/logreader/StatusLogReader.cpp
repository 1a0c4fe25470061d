#include "StatusLogReader.h"

#include "RecordScrambler.h"

namespace {

constexpr quint8 Marker = 0x87;
constexpr qint64 HeaderSize = 7;           // marker, key offset, "QR", length
constexpr qint64 LengthWrap = 65536;       // the stored length keeps 16 bits
constexpr qint64 TimePrefixSize = 13;      // "hh:mm:ss:zzz "

// Callers check the bounds; the unchecked read keeps the scan for record
// starts cheap.
quint8 At(const QByteArray &data, qint64 pos)
{
    return quint8(data.constData()[pos]);
}

quint16 KeyAt(const QByteArray &data, qint64 pos)
{
    return quint16((At(data, pos + 1) << 8) | At(data, pos + 2));
}

// Body byte `index` of the record at `pos` (0 at "QR"), descrambled in
// place. The reader asks this at every marker byte it meets, so nothing is
// copied for it.
quint8 BodyByte(const QByteArray &data, qint64 pos, quint16 key, int index)
{
    return At(data, pos + 3 + index) ^ RecordScrambler::KeystreamByte(quint64(key) + quint64(index));
}

// The record's text starts with a "hh:mm:ss:zzz " time.
bool LooksLikeTimePrefix(const QByteArray &data, qint64 pos, quint16 key)
{
    static const char pattern[] = "99:99:99:999 ";
    for (int i = 0; i < int(TimePrefixSize); ++i) {
        const char c = char(BodyByte(data, pos, key, 4 + i));
        if (pattern[i] == '9' ? (c < '0' || c > '9') : c != pattern[i])
            return false;
    }
    return true;
}

} // namespace

QByteArray StatusLogReader::Descramble(const QByteArray &data, qint64 pos, qint64 length,
                                       quint16 key, qint64 bodyIndex)
{
    QByteArray out = data.mid(int(pos), int(length));
    RecordScrambler::Scramble(out.data(), std::size_t(out.size()), quint64(key) + quint64(bodyIndex));
    return out;
}

bool StatusLogReader::RecordStartsAt(const QByteArray &data, qint64 pos)
{
    const qint64 size = data.size();
    if (pos < 0 || pos >= size || At(data, pos) != Marker)
        return false;
    if (size - pos < 5)
        return true; // too little left to judge: a header cut short
    const quint16 key = KeyAt(data, pos);
    if (BodyByte(data, pos, key, 0) != 'Q' || BodyByte(data, pos, key, 1) != 'R')
        return false;
    if (size - pos >= HeaderSize + TimePrefixSize)
        return LooksLikeTimePrefix(data, pos, key);
    return true;
}

qint64 StatusLogReader::FindRecordStart(const QByteArray &data, qint64 from)
{
    for (qint64 pos = from; pos < data.size(); ++pos) {
        pos = data.indexOf(char(Marker), int(pos));
        if (pos < 0)
            return -1;
        if (RecordStartsAt(data, pos))
            return pos;
    }
    return -1;
}

StatusLogReader::Result StatusLogReader::Decode(const QByteArray &data)
{
    Result result;
    const qint64 size = data.size();
    qint64 pos = 0;

    while (pos < size) {
        if (!RecordStartsAt(data, pos)) {
            const qint64 next = FindRecordStart(data, pos + 1);
            const qint64 skipped = (next < 0 ? size : next) - pos;
            result.problems.append({pos, QStringLiteral("%1 unreadable bytes skipped").arg(skipped)});
            if (next < 0)
                break;
            pos = next;
            continue;
        }
        if (size - pos < HeaderSize) {
            result.problems.append(
                {pos, QStringLiteral("last record cut short: only %1 of its %2 header bytes present")
                          .arg(size - pos).arg(HeaderSize)});
            break;
        }

        const quint16 key = KeyAt(data, pos);
        const QByteArray lengthBytes = Descramble(data, pos + 5, 2, key, 2);
        const qint64 storedLength = (quint8(lengthBytes.at(0)) << 8) | quint8(lengthBytes.at(1));
        const qint64 textStart = pos + HeaderSize;

        // The record ends at the first candidate boundary (stored length plus
        // a multiple of 65536) where the file ends or a record starts.
        qint64 end = -1;
        for (qint64 candidate = textStart + storedLength; candidate <= size; candidate += LengthWrap) {
            if (candidate == size || RecordStartsAt(data, candidate)) {
                end = candidate;
                break;
            }
        }

        if (end < 0) {
            const qint64 next = FindRecordStart(data, textStart);
            if (next < 0) {
                const QByteArray partial = Descramble(data, textStart, size - textStart, key, 4);
                result.problems.append(
                    {pos, QStringLiteral("last record cut short: %1 of its %2 text bytes present; "
                                         "partial text: %3")
                              .arg(size - textStart).arg(storedLength)
                              .arg(QString::fromUtf8(partial))});
                break;
            }
            if (textStart + storedLength <= next) {
                // Stray bytes follow a record of the stated length: keep the
                // record; the loop reports the stray bytes.
                const QByteArray text = Descramble(data, textStart, storedLength, key, 4);
                result.entries.append({pos, QString::fromUtf8(text), false});
                pos = textStart + storedLength;
                continue;
            }
            // The stated length runs into the next record: the length field is
            // damaged; keep the text up to that record and say so.
            const QByteArray text = Descramble(data, textStart, next - textStart, key, 4);
            result.entries.append({pos, QString::fromUtf8(text), false});
            result.problems.append(
                {pos, QStringLiteral("record length %1 does not match the next record at byte %2; "
                                     "text taken up to it")
                          .arg(storedLength).arg(next)});
            pos = next;
            continue;
        }

        const QByteArray text = Descramble(data, textStart, end - textStart, key, 4);
        result.entries.append({pos, QString::fromUtf8(text), end - textStart != storedLength});
        pos = end;
    }
    return result;
}
