#include "LogMigration.h"

#include "DeviceList.h"
#include "LogBookRecord.h"
#include "MemoryBlock.h"
#include "RixComms.h"
#include "UploadConstants.h"
#include "UploadData.h"
#include "WorkerC.h"

#include <QDebug>

#include <algorithm>

namespace {

quint16 U16BigEndian(const QByteArray &b, int offset)
{
    return quint16((quint8(b.at(offset)) << 8) | quint8(b.at(offset + 1)));
}

void PutU16BigEndian(QByteArray &b, int offset, quint16 value)
{
    b[offset] = char(value >> 8);
    b[offset + 1] = char(value & 0xFF);
}

void PutU16LittleEndian(QByteArray &b, int offset, quint16 value)
{
    b[offset] = char(value & 0xFF);
    b[offset + 1] = char(value >> 8);
}

quint16 U16LittleEndian(const QByteArray &b, int offset)
{
    return quint16(quint8(b.at(offset)) | (quint8(b.at(offset + 1)) << 8));
}

// New byte <- old byte moves of the system-variables rewrites.
struct Move {
    int to;
    int from;
};

const Move kMigrationMoves[] = {
    {0x07, 0x15}, {0x08, 0x13}, {0x09, 0x14}, {0x0E, 0x16},
    // The six old triples keep their first two bytes as pairs.
    {0x1A, 0x1B}, {0x1B, 0x1C}, {0x1C, 0x1E}, {0x1D, 0x1F}, {0x1E, 0x21},
    {0x1F, 0x22}, {0x20, 0x24}, {0x21, 0x25}, {0x22, 0x27}, {0x23, 0x28},
    {0x73, 0x09}, {0x74, 0x0A}, {0x75, 0x0B}, {0x76, 0x0C}, {0x77, 0x0D}, {0x78, 0x0E},
    {0x79, 0x07}, {0x7A, 0x08}, {0x7C, 0x17},
};

struct Fill {
    int first;
    QByteArray bytes;
};

const Fill kMigrationFills[] = {
    {0x01, QByteArray("\x00\x01\x00\x00", 4)},
    {0x0A, QByteArray("\x63\x63\x63\x63", 4)},
    {0x13, QByteArray("\x23\x8C\xA0\xFF\xFF", 5)},
    {0x24, QByteArray("\x15\x00\x15\x00\x15\x00", 6)},
    {0x3C, QByteArray("\xFF\xFF\xFF\xFF", 4)},
    {0x7B, QByteArray("\x02", 1)},
    {0x7D, QByteArray("\xFF\xFF\xFF", 3)},
};

const Move kReversionMoves[] = {
    {0x07, 0x79}, {0x08, 0x7A},
    {0x09, 0x73}, {0x0A, 0x74}, {0x0B, 0x75}, {0x0C, 0x76}, {0x0D, 0x77}, {0x0E, 0x78},
    {0x13, 0x08}, {0x14, 0x09}, {0x15, 0x07}, {0x16, 0x0E}, {0x17, 0x7C},
    {0x73, 0x24}, {0x74, 0x25}, {0x75, 0x26}, {0x76, 0x27}, {0x77, 0x28}, {0x78, 0x29},
};

const Fill kReversionFills[] = {
    {0x01, QByteArray("\x00\x01\x00\x00", 4)},
};

// The old pairs the reversion turns back into triples, and where each goes.
struct PairToTriple {
    int pair;
    int triple;
};

const PairToTriple kReversionTriples[] = {
    {0x1A, 0x1B}, {0x1C, 0x1E}, {0x1E, 0x21}, {0x20, 0x24}, {0x22, 0x27},
};

void Apply(QByteArray &image, const QByteArray &old, const Move *moves, int moveCount,
           const Fill *fills, int fillCount)
{
    for (int i = 0; i < moveCount; ++i)
        image[moves[i].to] = old.at(moves[i].from);
    for (int i = 0; i < fillCount; ++i) {
        for (int k = 0; k < fills[i].bytes.size(); ++k)
            image[fills[i].first + k] = fills[i].bytes.at(k);
    }
}

quint8 Remainder(quint8 a, quint8 b)
{
    return quint8(100 - a - b); // modulo 256
}

} // namespace

LogMigration::LogMigration(RixComms &link, const DeviceList &catalogue, Hooks hooks,
                           SystemVariablesMemory *memory)
    : m_link(link), m_catalogue(catalogue), m_hooks(std::move(hooks)), m_memory(memory)
{
}

LogMigration::Direction LogMigration::DirectionFor(int currentVersion, int newVersion)
{
    const int threshold = UploadConstants::LogBookCodeVersion;
    if (currentVersion < 0 || newVersion < 0)
        return Direction::None;
    if (currentVersion < threshold && newVersion >= threshold)
        return Direction::Migration;
    if (currentVersion >= threshold && newVersion < threshold)
        return Direction::Reversion;
    return Direction::None;
}

QString LogMigration::VersionLine(const QString &unitName, int current, int newVersion,
                                  const char *what) const
{
    return QStringLiteral("The code version for %1 is %2, the new code is %3 and %4")
        .arg(unitName)
        .arg(current)
        .arg(newVersion)
        .arg(QLatin1String(what));
}

bool LogMigration::TestLoggingFormatChange(int currentVersion, int newVersion)
{
    bool result = true;
    if (DirectionFor(currentVersion, newVersion) == Direction::Migration) {
        const QString question = tr("This Upgrade will change the dive logging system.") + QStringLiteral("\n\n")
                                 + tr("If you want to keep your current dive profiles you need to download them now.")
                                 + QStringLiteral("\n\n")
                                 + tr("Do you want to continue with the upgrade?");
        const int first = m_hooks.askYesNo ? m_hooks.askYesNo(question) : 0;
        if (first != WorkerC::ResultYes) {
            qDebug() << "Logging format change - User cancelled at stage 1";
            result = false;
        } else {
            qDebug() << "Logging format change - User accepted at stage 1";
            const int second = m_hooks.askConfirmation ? m_hooks.askConfirmation() : 0;
            if (second != WorkerC::ResultYes) {
                qDebug() << "Logging format change - User cancelled at stage 2";
                result = false;
            } else {
                qDebug() << "Logging format change - User accepted at stage 2";
            }
        }
    }
    qDebug() << "Worker::UploadTestLoggingFormatChange - Returning";
    return result;
}

QStringList LogMigration::DumpLines(const QByteArray &bytes)
{
    QStringList lines;
    for (int i = 0; i < bytes.size(); i += 32) {
        QString line = DeviceList::HexText(quint32(i), 4) + QStringLiteral(":");
        for (int k = i; k < std::min<int>(i + 32, bytes.size()); ++k)
            line += QLatin1Char(' ') + DeviceList::HexText(quint8(bytes.at(k)), 2);
        lines << line;
    }
    return lines;
}

bool LogMigration::ReadBlocks(quint32 address, quint8 memoryId, int size, QByteArray &out)
{
    out.clear();
    for (int offset = 0; offset < size; offset += TransferSize) {
        QByteArray block(TransferSize, '\0');
        if (!m_link.Read(DeviceId::DisplayColour, memoryId, address + quint32(offset),
                         quint8(TransferSize), reinterpret_cast<uchar *>(block.data())))
            return false;
        out.append(block);
    }
    return true;
}

bool LogMigration::WriteBlocks(quint32 address, quint8 memoryId, const QByteArray &bytes)
{
    for (int offset = 0; offset < bytes.size(); offset += TransferSize) {
        if (!m_link.WriteAndVerify(DeviceId::DisplayColour, memoryId, address + quint32(offset),
                                   quint8(TransferSize),
                                   reinterpret_cast<const uchar *>(bytes.constData() + offset)))
            return false;
    }
    return true;
}

QByteArray LogMigration::V2LogBookFromV1(const QByteArray &v1, int &records, int &lastDiveNumber)
{
    struct Entry {
        int diveNumber;
        QByteArray bytes;
    };
    QVector<Entry> entries;
    for (int i = 0; i + V1EntrySize <= v1.size() && i < V1LogBookSize; i += V1EntrySize)
        entries.append({U16BigEndian(v1, i), v1.mid(i, V1EntrySize)});
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry &a, const Entry &b) { return a.diveNumber < b.diveNumber; });

    QByteArray image(V2MigratedSize, char(0xFF));
    records = 0;
    lastDiveNumber = 0;
    for (const Entry &e : qAsConst(entries)) {
        if (e.diveNumber < 1 || e.diveNumber > MaxMigratedDiveNumber)
            continue;
        const int at = records * V2RecordSize;
        QByteArray record(V2RecordSize, char(0xFF));
        record[0] = char(0x70);
        PutU16BigEndian(record, 1, quint16(e.diveNumber));
        record[3] = 0;
        for (int k = 0; k < 6; ++k)
            record[4 + k] = e.bytes.at(2 + k); // date and time
        for (int k = 10; k <= 17; ++k)
            record[k] = 0; // no dive data addresses
        record[18] = e.bytes.at(8);
        record[19] = e.bytes.at(9);
        record[20] = e.bytes.at(10);
        record[21] = e.bytes.at(11);
        image.replace(at, V2RecordSize, record);
        lastDiveNumber = e.diveNumber;
        ++records;
    }
    return image;
}

QByteArray LogMigration::V1LogBookFromV2(const QVector<QByteArray> &recordsNewestFirst,
                                         int &entries, int &lastDiveNumber)
{
    QByteArray image(V1LogBookSize, '\0');
    entries = 0;
    lastDiveNumber = 0;
    if (recordsNewestFirst.isEmpty())
        return image;
    // A record shorter than a log book record is skipped; a longer one is
    // taken by its first 32 bytes.
    const auto read = [](const QByteArray &raw, LogBookRecord &record) {
        return raw.size() >= V2RecordSize && record.SetRaw(raw.left(V2RecordSize));
    };
    LogBookRecord newest;
    if (read(recordsNewestFirst.first(), newest))
        lastDiveNumber = newest.DiveNumber();
    // The book holds 48 entries: the newest 48 dives are kept, oldest first,
    // so that the book ends with the dive the next-dive counter follows.
    const int count = std::min<int>(recordsNewestFirst.size(), V1EntryCount);
    for (int n = count - 1; n >= 0; --n) {
        const QByteArray &r = recordsNewestFirst.at(n);
        LogBookRecord record;
        if (!read(r, record))
            continue;
        QByteArray e(V1EntrySize, char(0xFF));
        e[0] = r.at(1);
        e[1] = r.at(2);
        for (int k = 0; k < 6; ++k)
            e[2 + k] = r.at(4 + k);
        // Duration and depth only when the record says where its dive ended.
        const bool endValid = record.IsEndValid();
        e[8] = endValid ? r.at(18) : char(0);
        e[9] = endValid ? r.at(19) : char(0);
        e[10] = endValid ? r.at(20) : char(0); // centimetres: metres x 100
        e[11] = endValid ? r.at(21) : char(0);
        image.replace(entries * V1EntrySize, V1EntrySize, e);
        ++entries;
    }
    return image;
}

QByteArray LogMigration::MigratedSystemVariables(const QByteArray &old, const LogBookResult &logBook)
{
    QByteArray image = old.left(SystemVariablesSize);
    if (image.size() < SystemVariablesSize)
        image.append(QByteArray(SystemVariablesSize - image.size(), char(0xFF)));
    const QByteArray source = image;
    Apply(image, source, kMigrationMoves, int(std::size(kMigrationMoves)), kMigrationFills,
          int(std::size(kMigrationFills)));
    PutU16BigEndian(image, 0x05, logBook.migrated ? quint16(logBook.logBookPointer) : quint16(0));
    const int lastDive = logBook.migrated ? logBook.diveNumber : U16LittleEndian(source, 0x4A);
    PutU16LittleEndian(image, 0x4A, quint16(lastDive + 1));
    return image;
}

QByteArray LogMigration::RevertedSystemVariables(const QByteArray &old, const LogBookResult &logBook)
{
    QByteArray image = old.left(SystemVariablesSize);
    if (image.size() < SystemVariablesSize)
        image.append(QByteArray(SystemVariablesSize - image.size(), char(0xFF)));
    const QByteArray source = image;
    Apply(image, source, kReversionMoves, int(std::size(kReversionMoves)), kReversionFills,
          int(std::size(kReversionFills)));
    if (logBook.migrated)
        PutU16BigEndian(image, 0x05, quint16(logBook.logBookPointer + int(V1LogBookEepromAddress)));
    image[0x1A] = char(Remainder(quint8(source.at(0x18)), quint8(source.at(0x19))));
    for (const PairToTriple &t : kReversionTriples) {
        const quint8 first = quint8(source.at(t.pair));
        const quint8 second = quint8(source.at(t.pair + 1));
        image[t.triple] = char(first);
        image[t.triple + 1] = char(second);
        image[t.triple + 2] = char(Remainder(first, second));
    }
    if (logBook.migrated)
        PutU16LittleEndian(image, 0x4A, quint16(logBook.diveNumber));
    return image;
}

LogMigration::LogBookResult LogMigration::MigrateLogBook(int currentVersion, int newVersion,
                                                         const QString &unitName)
{
    LogBookResult result;
    const Direction direction = DirectionFor(currentVersion, newVersion);
    if (direction == Direction::None) {
        qDebug().noquote() << VersionLine(unitName, currentVersion, newVersion,
                                          "does not require Log Book Migration / Reversion");
        return result;
    }

    quint8 v1Memory = 0, v2Memory = 0;
    quint32 v1Start = 0, v1Size = 0, v2Start = 0, v2Size = 0;
    if (!m_catalogue.GetRegion(DeviceId::DisplayColour, RegionId::EepromPart10, v1Memory, v1Start, v1Size)
        || !m_catalogue.GetRegion(DeviceId::DisplayColour, RegionId::LogBook, v2Memory, v2Start, v2Size)) {
        result.ok = false;
        return result;
    }

    if (direction == Direction::Migration) {
        qDebug().noquote() << VersionLine(unitName, currentVersion, newVersion,
                                          "requires Log Book Migration");
        QByteArray v1;
        if (!ReadBlocks(v1Start, v1Memory, V1LogBookSize, v1)) {
            qDebug() << "Log Book Migration - Read failed";
            result.ok = false;
            return result;
        }
        qDebug() << "Current Log Book Data";
        for (const QString &line : DumpLines(v1))
            qDebug().noquote() << line;
        int records = 0, lastDive = 0;
        const QByteArray image = V2LogBookFromV1(v1, records, lastDive);
        qDebug() << "New Log Book Data";
        for (const QString &line : DumpLines(image))
            qDebug().noquote() << line;
        if (!WriteBlocks(v2Start, v2Memory, image)) {
            qDebug() << "Log Book Migration - Write failed";
            result.ok = false;
            return result;
        }
        result.migrated = true;
        result.diveNumber = lastDive;
        result.logBookPointer = records * V2RecordSize;
        qDebug() << "Log Book Migration completed";
        return result;
    }

    qDebug().noquote() << VersionLine(unitName, currentVersion, newVersion,
                                      "requires Log Book Reversion");
    QVector<QByteArray> records;
    if (!m_hooks.readV2LogBook || !m_hooks.readV2LogBook(records)) {
        qDebug() << "Log Book Reversion - Read failed";
        result.ok = false;
        return result;
    }
    if (records.isEmpty())
        qDebug() << "Current Log Book Data is empty";
    int entries = 0, lastDive = 0;
    const QByteArray image = V1LogBookFromV2(records, entries, lastDive);
    qDebug() << "New Log Book Data";
    for (const QString &line : DumpLines(image))
        qDebug().noquote() << line;
    if (!WriteBlocks(v1Start, v1Memory, image)) {
        qDebug() << "Log Book Reversion - Write failed";
        result.ok = false;
        return result;
    }
    result.migrated = true;
    result.diveNumber = lastDive;
    result.logBookPointer = entries * V1EntrySize - V1EntrySize;
    qDebug() << "Log Book Reversion completed";
    return result;
}

bool LogMigration::MigrateEeprom(int currentVersion, int newVersion, const QString &unitName,
                                 const LogBookResult &logBook, const QString &serialNumber)
{
    const Direction direction = DirectionFor(currentVersion, newVersion);
    if (direction == Direction::None) {
        qDebug().noquote() << VersionLine(unitName, currentVersion, newVersion,
                                          "does not require Eeprom Migration / Reversion");
        return true;
    }
    const bool migration = direction == Direction::Migration;
    const char *name = migration ? "Eeprom Migration" : "Eeprom Reversion";
    qDebug().noquote() << VersionLine(unitName, currentVersion, newVersion,
                                      migration ? "requires Eeprom Migration"
                                                : "requires Eeprom Reversion");
    quint8 memoryId = 0;
    quint32 start = 0, size = 0;
    QByteArray old;
    if (!m_catalogue.GetRegion(DeviceId::DisplayColour, RegionId::Eeprom, memoryId, start, size)
        || !ReadBlocks(start, memoryId, SystemVariablesSize, old)) {
        qDebug().noquote() << QLatin1String(name) + QStringLiteral(" - Read failed");
        return false;
    }
    qDebug() << "Current Eeprom Data 0x00 - 0xFF";
    for (const QString &line : DumpLines(old))
        qDebug().noquote() << line;

    // 0x00 (the code-validity marker) is left as the unit holds it now; the
    // upload's own stages change it, so it takes no part in the comparison below.
    const quint8 marker = quint8(old.at(0));

    // An earlier run of this upload that rewrote the variables and then
    // failed left them (wholly or block by block) in the rewritten form:
    // start again from the bytes they replaced.
    if (IsUnfinishedRewrite(old)) {
        qDebug() << "Eeprom rewritten by an unfinished upload - starting from the bytes it replaced";
        old = m_memory->original;
    }

    QByteArray image = migration ? MigratedSystemVariables(old, logBook)
                                 : RevertedSystemVariables(old, logBook);
    image[0] = char(marker);
    if (migration)
        qDebug() << (logBook.migrated
                         ? "Log Book migrated - Setting new log book pointer"
                         : "Log Book NOT migrated and current version < 7.00.03 - Setting log book pointer to 0x0000");
    if (migration)
        qDebug() << "Current version < 7.00.03 - Setting Logging Pointer to 0x00010000";
    qDebug() << "New Eeprom Data 0x00 - 0xFF";
    for (const QString &line : DumpLines(image))
        qDebug().noquote() << line;

    if (m_memory) {
        m_memory->serialNumber = serialNumber;
        m_memory->original = old;
        m_memory->rewritten = image;
    }
    m_systemVariablesTouched = true;
    if (!WriteBlocks(start, memoryId, image)) {
        qDebug().noquote() << QLatin1String(name) + QStringLiteral(" - Write failed");
        return false;
    }
    qDebug().noquote() << QLatin1String(name) + QStringLiteral(" completed");
    return true;
}

bool LogMigration::IsUnfinishedRewrite(const QByteArray &now) const
{
    if (!m_memory || m_memory->original.size() != SystemVariablesSize
        || m_memory->rewritten.size() != SystemVariablesSize || now.size() != SystemVariablesSize)
        return false;
    // The code-validity marker at 0x00 is changed by the upload's stages.
    auto withoutMarker = [](QByteArray b) {
        b[0] = 0;
        return b;
    };
    const QByteArray current = withoutMarker(now);
    const QByteArray original = withoutMarker(m_memory->original);
    const QByteArray rewritten = withoutMarker(m_memory->rewritten);
    bool ours = true;
    bool changed = false;
    for (int b = 0; b < SystemVariablesSize; b += TransferSize) {
        const bool isOriginal = current.mid(b, TransferSize) == original.mid(b, TransferSize);
        const bool isRewritten = current.mid(b, TransferSize) == rewritten.mid(b, TransferSize);
        ours = ours && (isOriginal || isRewritten);
        changed = changed || !isOriginal;
    }
    return ours && changed;
}

bool LogMigration::RestoreUnfinishedRewrite()
{
    if (!m_memory || m_memory->original.isEmpty())
        return true;
    quint8 memoryId = 0;
    quint32 start = 0, size = 0;
    QByteArray now;
    if (!m_catalogue.GetRegion(DeviceId::DisplayColour, RegionId::Eeprom, memoryId, start, size)
        || !ReadBlocks(start, memoryId, SystemVariablesSize, now))
        return false;
    if (!IsUnfinishedRewrite(now))
        return true;
    qDebug() << "Eeprom rewritten by an unfinished upload - restoring the bytes it replaced";
    QByteArray original = m_memory->original;
    original[0] = now.at(0);
    m_systemVariablesTouched = true;
    return WriteBlocks(start, memoryId, original);
}

void LogMigration::AdjustLoggingPointer(const UploadBlock &block)
{
    quint8 memoryId = 0;
    quint32 start = 0, size = 0;
    QByteArray bytes(5, '\0');
    if (!m_catalogue.GetRegion(DeviceId::DisplayColour, RegionId::Eeprom, memoryId, start, size)
        || !m_link.Read(DeviceId::DisplayColour, memoryId, start, 5,
                        reinterpret_cast<uchar *>(bytes.data()))) {
        qDebug() << "Read logging pointer failed";
        return;
    }
    const quint32 current = (quint32(quint8(bytes.at(1))) << 24) | (quint32(quint8(bytes.at(2))) << 16)
                            | (quint32(quint8(bytes.at(3))) << 8) | quint32(quint8(bytes.at(4)));
    qDebug().noquote() << QStringLiteral("Logging Pointer was 0x%1").arg(DeviceList::HexText(current, 8));

    quint32 relocationStart = 0;
    quint32 logStart = 0;
    if (!m_catalogue.GetRegionStart(DeviceId::DisplayColour, RegionId::LoggingPointers, relocationStart)
        || relocationStart < block.flashStart
        || !block.FlashU32LittleEndian(relocationStart + UploadConstants::ServicesRelocationLogStartOffset,
                                       logStart)) {
        qDebug() << "Services relocation not available";
        return;
    }
    // The unit's log memory ends at the top of its address space; a value
    // past it is no log data start, and writing it would leave every logged
    // dive outside the memory a download reads.
    if (logStart >= MemoryBlock::AddressSpaceEnd) {
        qDebug().noquote() << QStringLiteral("Services relocation log data start 0x%1 is outside the log memory")
                                  .arg(DeviceList::HexText(logStart, 8));
        return;
    }
    if (logStart <= current)
        return;
    bytes[1] = char(logStart >> 24);
    bytes[2] = char(logStart >> 16);
    bytes[3] = char(logStart >> 8);
    bytes[4] = char(logStart);
    qDebug().noquote() << QStringLiteral("Logging Pointer set to 0x%1 0x%2 0x%3 0x%4 = 0x%5")
                              .arg(DeviceList::HexText(quint8(bytes.at(1)), 2),
                                   DeviceList::HexText(quint8(bytes.at(2)), 2),
                                   DeviceList::HexText(quint8(bytes.at(3)), 2),
                                   DeviceList::HexText(quint8(bytes.at(4)), 2),
                                   DeviceList::HexText(logStart, 8));
    if (m_link.WriteAndVerify(DeviceId::DisplayColour, memoryId, start, 5,
                              reinterpret_cast<const uchar *>(bytes.constData())))
        qDebug() << "Write logging pointer adjusted";
    else
        qDebug() << "Write logging pointer failed";
}
