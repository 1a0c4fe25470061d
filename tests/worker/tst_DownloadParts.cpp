// The download's parts on their own: read counting, history decisions,
// partitioning, file names, log book handling. No device or thread needed.

#include "BlockReader.h"
#include "CcxReprocessor.h"
#include "DeviceList.h"
#include "RBData.h"
#include "DownloadHistory.h"
#include "LogBookPointerCorrection.h"
#include "LogBookV2.h"
#include "LogFileSaver.h"
#include "LogFileWriter.h"
#include "LogPartitioner.h"
#include "LogRecordGenerator.h"
#include "MemoryList.h"
#include "SafeFileName.h"
#include "StandardRecordFile.h"
#include "V2DownloadPlan.h"
#include "V2LogSaver.h"
#include "WorkerC.h"

#include <QtTest>

namespace {

constexpr quint32 L = 0x10000;
constexpr quint32 S = 0x1FF0000;

// A narrow log buffer built record by record.
class LogBuffer
{
public:
    explicit LogBuffer(int size) : bytes(size, char(0x55)) {}
    // A 16-byte record of the type at pos; other bytes keep their filler.
    LogBuffer &Record(int pos, quint8 type)
    {
        bytes[pos] = char(type);
        return *this;
    }
    // A power-on at pos (64-byte aligned) with the ambient pressure given.
    LogBuffer &PowerOn(int pos, int pamb = 1013)
    {
        Record(pos, 0x00);
        bytes[pos + 0x1A] = char(pamb >> 8);
        bytes[pos + 0x1B] = char(pamb & 0xFF);
        return *this;
    }
    LogBuffer &StartOfDive(int pos, int day, int month, int year, int h, int m, int s)
    {
        Record(pos, 0x03);
        const int v[] = {day, month, year, h, m, s};
        for (int i = 0; i < 6; ++i)
            bytes[pos + 1 + i] = char(v[i]);
        return *this;
    }
    QByteArray bytes;
};

QByteArray LogBookEntry(int diveNumber, int seq, quint32 diveStart, quint32 storedEnd,
                        int duration = 600, int depthCm = 1234)
{
    QByteArray r(32, '\0');
    r[0] = char(0x70);
    r[1] = char(diveNumber >> 8);
    r[2] = char(diveNumber);
    r[3] = char(seq);
    r[4] = 14; r[5] = 6; r[6] = 26; r[7] = 10; r[8] = char(diveNumber % 60); r[9] = 0;
    for (int i = 0; i < 4; ++i) {
        r[10 + i] = char(diveStart >> (24 - 8 * i));
        r[14 + i] = char(storedEnd >> (24 - 8 * i));
    }
    r[18] = char(duration >> 8);
    r[19] = char(duration);
    r[20] = char(depthCm >> 8);
    r[21] = char(depthCm);
    return r;
}

QByteArray V1Book(const QVector<int> &numbers)
{
    QByteArray book(LogBookPointerCorrection::BookSize, char(0xFF));
    for (int i = 0; i < numbers.size(); ++i) {
        book[i * 16] = char(numbers[i] >> 8);
        book[i * 16 + 1] = char(numbers[i] & 0xFF);
        for (int k = 12; k < 16; ++k)
            book[i * 16 + k] = char(0xAB);
    }
    return book;
}

} // namespace

class TestDownloadParts : public QObject
{
    Q_OBJECT

private slots:
    void readCounts_data();
    void readCounts();
    void estimateIsAtLeastOneSecond();
    void wrappedItemCountsBothParts();

    void historyRange_data();
    void historyRange();
    void historyFileRoundTrip();

    void breakAddressIsEndOfBlock();
    void loggingBreakNeedsEightErasedRecords();

    void logBookInOrderNeedsNoSort();
    void logBookOutOfOrderIsSortedAndCleared();

    void partitionScan_data();
    void partitionScan();
    void partitionMonoStartsAtPointer();
    void partitionMonoPointerOffBoundary();
    void diveRecordsRunRoundTheRing();
    void borrowedPowerOnCountsUpSessionRecords();

    void sameSecondNamesGetCounters();
    void unsafeCharactersAreReplaced_data();
    void unsafeCharactersAreReplaced();

    void logBookRecordFields_data();
    void logBookRecordFields();
    void logBookSelections();
    void v2PartitionAnalysis();
    void v2RangeLength_data();
    void v2RangeLength();
    void v2VariableItemsReuseSharedRanges();
    void v2Trimming();

    void fixedAssignmentOfAbsentControllers();

    void messagesForTheWindowsAreTranslated();
    void savedDivesHoldWhatADirectWriteHolds();
    void unwritableFolderSkipsEveryDive();
};

void TestDownloadParts::readCounts_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("bluetooth");
    QTest::addColumn<int>("blockReads");
    QTest::addColumn<int>("shortReads");
    QTest::newRow("2047 bytes over Bluetooth: 1984 + 63") << 2047 << true << 1 << 1;
    QTest::newRow("64 bytes over Bluetooth: one short read") << 64 << true << 0 << 1;
    QTest::newRow("65 bytes over Bluetooth: one block, one byte") << 65 << true << 1 << 1;
    QTest::newRow("4096 bytes over Bluetooth") << 4096 << true << 2 << 0;
    QTest::newRow("128 bytes over serial: two short reads") << 128 << false << 0 << 2;
    QTest::newRow("130 bytes over serial") << 130 << false << 0 << 3;
}

void TestDownloadParts::readCounts()
{
    QFETCH(int, length);
    QFETCH(bool, bluetooth);
    QFETCH(int, blockReads);
    QFETCH(int, shortReads);
    const MemoryBlock item(MemoryBlock::DisplayLogData, 0xBC, 6, L, length);
    const ReadCounts c = BlockReader::CountReads(item, bluetooth);
    QCOMPARE(c.bluetooth, blockReads);
    QCOMPARE(c.shortReads, shortReads);
    QCOMPARE(c.total, blockReads + shortReads);
    // The download loop takes the same chunks the count assumed.
    int reads = 0;
    for (qint64 left = length; left > 0; ++reads)
        left -= BlockReader::ChooseChunk(left, bluetooth).bytes;
    QCOMPARE(reads, c.total);
    if (bluetooth && length == 2047)
        QCOMPARE(BlockReader::ChooseChunk(2047, true).bytes, 1984);
}

void TestDownloadParts::estimateIsAtLeastOneSecond()
{
    ReadCounts c;
    c.shortReads = 4;
    QCOMPARE(BlockReader::EstimateSeconds(c, 0.285, 0.1), 1); // 0.4 s
    c.shortReads = 25;
    c.bluetooth = 2;
    QCOMPARE(BlockReader::EstimateSeconds(c, 0.285, 0.1), 3); // 3.07 s truncated
}

void TestDownloadParts::wrappedItemCountsBothParts()
{
    MemoryBlock item(MemoryBlock::DisplayLogData, 0xBC, 6, 0x1FFFFC0, 0x80);
    QVERIFY(item.IsWrapped());
    QCOMPARE(item.FirstPartLength(), qint64(0x40));
    QCOMPARE(item.AddressOf(0x3F, 0x10000), quint32(0x1FFFFFF));
    QCOMPARE(item.AddressOf(0x40, 0x10000), quint32(0x10000));
    QCOMPARE(BlockReader::CountReads(item, false).total, 2);
    item.done = true;
    QCOMPARE(BlockReader::CountReads(item, false).total, 0);
}

void TestDownloadParts::historyRange_data()
{
    QTest::addColumn<quint32>("pointer");
    QTest::addColumn<bool>("full");
    QTest::addColumn<bool>("present");
    QTest::addColumn<quint32>("hStart");
    QTest::addColumn<quint32>("hFinish");
    QTest::addColumn<quint32>("hPointer");
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint32>("finish");
    QTest::addColumn<QString>("reason");

    QTest::newRow("nothing logged: (L, L)") << L << false << false << 0u << 0u << 0u << L << L << QString();
    QTest::newRow("no history: from the start") << L + 9000 << false << false << 0u << 0u << 0u << L << L + 8999 << QString();
    QTest::newRow("valid history restarts at its last block")
        << L + 9000 << false << true << L << L + 5000 << L + 5001 << L + 4096 << L + 8999 << QString();
    QTest::newRow("full download ignores history")
        << L + 9000 << true << true << L << L + 5000 << L + 5001 << L << L + 8999 << QString();
    QTest::newRow("last block 0x3FDF accepted")
        << L + 0x3FE0 * 2048u << false << true << L << L + 0x3FDF * 2048u << L + 0x3FDF * 2048u
        << L + 0x3FDF * 2048u << L + 0x3FE0 * 2048u - 1 << QString();
    QTest::newRow("last block 0x3FE0 refused")
        << L + S << false << true << L << L + 0x3FE0 * 2048u << L + S << L << L + S - 1
        << QStringLiteral("Invalid history, Invalid block pointer");
    QTest::newRow("start too low") << L + 9000 << false << true << L - 1 << L + 10 << L + 10 << L << L + 8999
                                   << QStringLiteral("Invalid history, Start address invalid - Too low");
    QTest::newRow("start too high") << L + 9000 << false << true << L + S + 1 << L + S + 2 << L + 10 << L << L + 8999
                                    << QStringLiteral("Invalid history, Start address invalid - Too high");
    QTest::newRow("finish below start") << L + 9000 << false << true << L + 100 << L + 50 << L + 10 << L << L + 8999
                                        << QStringLiteral("Invalid history, Finish address invalid - Less than start address");
    QTest::newRow("finish too high") << L + 9000 << false << true << L << L + S + 1 << L + 10 << L << L + 8999
                                     << QStringLiteral("Invalid history, Finish address invalid - Too high");
    QTest::newRow("pointer moved back") << L + 9000 << false << true << L << L + 5000 << L + 9001 << L << L + 8999
                                        << QStringLiteral("Invalid history, Current logging pointer is before the last recorded logging pointer");
}

void TestDownloadParts::historyRange()
{
    QFETCH(quint32, pointer);
    QFETCH(bool, full);
    QFETCH(bool, present);
    QFETCH(quint32, hStart);
    QFETCH(quint32, hFinish);
    QFETCH(quint32, hPointer);
    QFETCH(quint32, start);
    QFETCH(quint32, finish);
    QFETCH(QString, reason);
    DownloadHistory::Entry h;
    h.present = present;
    h.start = hStart;
    h.finish = hFinish;
    h.pointer = hPointer;
    if (present)
        QCOMPARE(DownloadHistory::RejectionReason(L, S, pointer, h), reason);
    const DownloadHistory::Range r = DownloadHistory::Decide(L, S, pointer, full, h);
    QCOMPARE(r.start, start);
    QCOMPARE(r.finish, finish);
}

void TestDownloadParts::historyFileRoundTrip()
{
    QTemporaryDir dir;
    const QString path = DownloadHistory::FilePath(dir.path(), QStringLiteral("12C/00417"));
    QCOMPARE(QFileInfo(path).dir().absolutePath(), QDir(dir.path()).absolutePath());
    QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("12C_00417_DownloadHistory.dat"));
    QVERIFY(!DownloadHistory::ReadLast(path).present);

    const QDateTime when(QDate(2026, 3, 4), QTime(5, 6, 7));
    QVERIFY(DownloadHistory::Append(path, DownloadHistory::Line(when, L, L + 0x123, L + 0x124)));
    QVERIFY(DownloadHistory::Append(path, DownloadHistory::Line(when, L + 0x800, L + 0x9FF, L + 0xA00)));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines, QStringList({QStringLiteral("26/03/04,05:06:07,0x00010000,0x00010123,0x00010124"),
                                 QStringLiteral("26/03/04,05:06:07,0x00010800,0x000109FF,0x00010A00")}));
    const DownloadHistory::Entry e = DownloadHistory::ReadLast(path);
    QVERIFY(e.present);
    QCOMPARE(e.start, L + 0x800);
    QCOMPARE(e.finish, L + 0x9FF);
    QCOMPARE(e.pointer, L + 0xA00);

    // A last line with fewer than five fields counts as no history.
    QVERIFY(DownloadHistory::Append(path, QStringLiteral("26/03/04,05:06:07,0x00010000,0x00010123")));
    QVERIFY(!DownloadHistory::ReadLast(path).present);
}

void TestDownloadParts::breakAddressIsEndOfBlock()
{
    QCOMPARE(BlockReader::EndOfBlock(L + 0x800 + 10), L + 0xFFF);
    QCOMPARE(BlockReader::EndOfBlock(L + 0xFFF), L + 0xFFF);
    QCOMPARE(BlockReader::EndOfBlock(L + 0x1000), L + 0x17FF);
}

void TestDownloadParts::loggingBreakNeedsEightErasedRecords()
{
    QByteArray buffer(256, '\0');
    for (int at = 128; at < 256; at += 16)
        buffer[at] = char(0xFF);
    QVERIFY(BlockReader::IsLoggingBreak(buffer, 256));
    QVERIFY(!BlockReader::IsLoggingBreak(buffer, 240)); // one record before the erased run counts
    buffer[128] = 0;
    QVERIFY(!BlockReader::IsLoggingBreak(buffer, 256));
    QVERIFY(!BlockReader::IsLoggingBreak(buffer, 64)); // fewer than 128 bytes in
}

void TestDownloadParts::logBookInOrderNeedsNoSort()
{
    // Dive numbers rising round the ring: newest at index 4.
    QVector<int> numbers;
    for (int i = 0; i < 48; ++i)
        numbers << (i <= 4 ? 100 + i : 50 + i);
    const LogBookPointerCorrection::Plan plan = LogBookPointerCorrection::Analyse(V1Book(numbers));
    QVERIFY(plan.inOrder);
    QCOMPARE(plan.highestIndex, 4);
    QCOMPARE(plan.expectedPointer, quint16((4 + 16) * 16));
    QVERIFY(plan.rewrittenBook.isEmpty());
}

void TestDownloadParts::logBookOutOfOrderIsSortedAndCleared()
{
    QVector<int> numbers;
    for (int i = 0; i < 48; ++i)
        numbers << 10 + i;
    std::swap(numbers[3], numbers[20]); // two dives out of place
    const LogBookPointerCorrection::Plan plan = LogBookPointerCorrection::Analyse(V1Book(numbers));
    QVERIFY(!plan.inOrder);
    QCOMPARE(plan.rewrittenBook.size(), LogBookPointerCorrection::BookSize);
    for (int i = 0; i < 48; ++i) {
        QCOMPARE(int(LogBookPointerCorrection::DiveNumber(plan.rewrittenBook, i)), 10 + i);
        QCOMPARE(plan.rewrittenBook.mid(i * 16 + 12, 4), QByteArray(4, '\0'));
    }
    QCOMPARE(plan.expectedPointer, quint16((47 + 16) * 16));
}

void TestDownloadParts::partitionScan_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<QList<qint64>>("expected"); // per dive: power on, start of dive, end

    // Two plain dives: PO, SOD, ..., EOD, Pd.
    {
        LogBuffer b(0x200);
        b.PowerOn(0x000).StartOfDive(0x040, 1, 2, 26, 10, 0, 0).Record(0x0A0, 0x08).Record(0x0B0, 0x7F);
        b.PowerOn(0x100).StartOfDive(0x140, 1, 2, 26, 11, 0, 0).Record(0x1C0, 0x08).Record(0x1D0, 0x7F);
        QTest::newRow("two dives ended by power off") << b.bytes << QList<qint64>{0x000, 0x040, 0x0B0, 0x100, 0x140, 0x1D0};
    }
    // A power on with 1150 mbar inside a dive keeps the dive going; 1149 ends it.
    {
        LogBuffer b(0x200);
        b.PowerOn(0x000).StartOfDive(0x040, 1, 2, 26, 10, 0, 0).PowerOn(0x080, 1150).PowerOn(0x100, 1149)
            .StartOfDive(0x140, 1, 2, 26, 11, 0, 0);
        QTest::newRow("underwater and surface restarts")
            << b.bytes << QList<qint64>{0x000, 0x040, 0x0F0, 0x100, 0x140, 0x1F0};
    }
    // A Pd followed by a power on at the next boundary behaves like the power on.
    {
        LogBuffer b(0x200);
        b.PowerOn(0x000).StartOfDive(0x040, 1, 2, 26, 10, 0, 0).Record(0x090, 0x7F).PowerOn(0x0C0, 900)
            .StartOfDive(0x100, 1, 2, 26, 11, 0, 0);
        QTest::newRow("Pd followed by PO") << b.bytes << QList<qint64>{0x000, 0x040, 0x0B0, 0x0C0, 0x100, 0x1F0};
    }
    // A Pd followed by anything else ends the dive at the record before it.
    {
        LogBuffer b(0x200);
        b.PowerOn(0x000).StartOfDive(0x040, 1, 2, 26, 10, 0, 0).Record(0x090, 0x7F).PowerOn(0x100)
            .StartOfDive(0x140, 1, 2, 26, 11, 0, 0);
        QTest::newRow("Pd followed by NOT PO") << b.bytes << QList<qint64>{0x000, 0x040, 0x080, 0x100, 0x140, 0x1F0};
    }
    // After an EOD a start of dive without a power on begins the next dive there.
    {
        LogBuffer b(0x200);
        b.PowerOn(0x000).StartOfDive(0x040, 1, 2, 26, 10, 0, 0).Record(0x080, 0x08).StartOfDive(0x0A0, 1, 2, 26, 11, 0, 0);
        QTest::newRow("SOD after EOD") << b.bytes << QList<qint64>{0x000, 0x040, 0x090, 0x0A0, 0x0A0, 0x1F0};
    }
    // A buffer that starts mid-dive: the first EOD turns to 16-byte steps,
    // the next boundary power on becomes the start of memory and the scan
    // runs round to it.
    {
        LogBuffer b(0x200);
        b.Record(0x020, 0x08).PowerOn(0x080).StartOfDive(0x0C0, 1, 2, 26, 10, 0, 0).Record(0x100, 0x08)
            .Record(0x110, 0x7F);
        QTest::newRow("buffer starting mid-dive") << b.bytes << QList<qint64>{0x080, 0x0C0, 0x110};
    }
    // A Pd in the last record: the next boundary is the end of the scan,
    // not the power on at the start of the buffer.
    {
        LogBuffer b(0x100);
        b.PowerOn(0x000).StartOfDive(0x040, 1, 2, 26, 10, 0, 0).Record(0x0F0, 0x7F);
        QTest::newRow("Pd at the end of the buffer") << b.bytes << QList<qint64>{0x000, 0x040, 0x0E0};
    }
    // A power-on record off its 64-byte boundary is not a power on.
    {
        LogBuffer b(0x100);
        b.Record(0x010, 0x00).PowerOn(0x040).StartOfDive(0x080, 1, 2, 26, 10, 0, 0).Record(0x0C0, 0x7F);
        QTest::newRow("unaligned power on ignored") << b.bytes << QList<qint64>{0x040, 0x080, 0x0B0};
    }
}

void TestDownloadParts::partitionScan()
{
    QFETCH(QByteArray, buffer);
    QFETCH(QList<qint64>, expected);
    const LogPartitioner::Result r = LogPartitioner::Run(buffer, true, 0);
    QList<qint64> got;
    for (const LogPartitioner::Dive &d : r.dives)
        got << d.powerOn << d.startOfDive << d.end;
    QCOMPARE(got, expected);
}

void TestDownloadParts::partitionMonoStartsAtPointer()
{
    // Ring of 0x200 bytes, pointer at 0x100: the older dive lies after the
    // pointer, the newer one wraps to the start; the last dive ends at the
    // record before the pointer.
    LogBuffer b(0x200);
    b.PowerOn(0x140).StartOfDive(0x180, 2, 2, 26, 9, 0, 0).Record(0x1C0, 0x08).Record(0x1D0, 0x7F);
    b.PowerOn(0x000).StartOfDive(0x040, 2, 2, 26, 10, 0, 0);
    for (int at = 0x100; at < 0x140; at += 16)
        b.Record(at, 0xFF);
    const LogPartitioner::Result r = LogPartitioner::Run(b.bytes, false, 0x100);
    QCOMPARE(r.dives.size(), 2);
    QCOMPARE(r.dives[0].powerOn, qint64(0x140));
    QCOMPARE(r.dives[0].name, QStringLiteral("260202_090000"));
    QCOMPARE(r.dives[1].powerOn, qint64(0x000));
    QCOMPARE(r.dives[1].end, qint64(0x0F0));
    qint64 from = 0, to = 0;
    const QByteArray last = LogPartitioner::DiveRecords(b.bytes, r, 1, &from, &to);
    QCOMPARE(to, qint64(0x0F0));
    QCOMPARE(last.size(), 0x100);
}

void TestDownloadParts::partitionMonoPointerOffBoundary()
{
    // The pointer stands after the last record written, not on a power-on
    // boundary: the dives are still found, and the last one ends at the
    // record before the pointer.
    LogBuffer b(0x200);
    b.PowerOn(0x000).StartOfDive(0x040, 2, 2, 26, 9, 0, 0).Record(0x080, 0x08).Record(0x090, 0x7F);
    b.PowerOn(0x0C0).StartOfDive(0x100, 2, 2, 26, 10, 0, 0).Record(0x140, 0x08).Record(0x150, 0x7F);
    for (int at = 0x160; at < 0x200; at += 16)
        b.Record(at, 0xFF);
    const LogPartitioner::Result r = LogPartitioner::Run(b.bytes, false, 0x160);
    QCOMPARE(r.dives.size(), 2);
    QCOMPARE(r.dives[1].startOfDive, qint64(0x100));
    qint64 from = 0, to = 0;
    LogPartitioner::DiveRecords(b.bytes, r, 1, &from, &to);
    QCOMPARE(to, qint64(0x150));
}

void TestDownloadParts::diveRecordsRunRoundTheRing()
{
    LogBuffer b(0x200);
    b.PowerOn(0x180).StartOfDive(0x1C0, 3, 2, 26, 9, 0, 0);
    b.PowerOn(0x040).StartOfDive(0x080, 3, 2, 26, 10, 0, 0);
    LogPartitioner::Result r;
    r.size = 0x200;
    r.end = 0x100;
    LogPartitioner::Dive d0, d1;
    d0.powerOn = 0x180;
    d0.startOfDive = 0x1C0;
    d1.powerOn = 0x040;
    d1.startOfDive = 0x080;
    r.dives = {d0, d1};
    qint64 from = 0, to = 0;
    const QByteArray first = LogPartitioner::DiveRecords(b.bytes, r, 0, &from, &to);
    QCOMPARE(to, qint64(0x080));
    // 0x180..0x1FF, then 0x000..0x08F: the next dive's start record included.
    QCOMPARE(first.size(), 0x80 + 0x90);
    QCOMPARE(first.left(0x80), b.bytes.mid(0x180));
    QCOMPARE(first.mid(0x80), b.bytes.left(0x90));
}

void TestDownloadParts::borrowedPowerOnCountsUpSessionRecords()
{
    LogBuffer b(0x100);
    b.PowerOn(0x000).Record(0x010, 0x01).Record(0x020, 0x40).StartOfDive(0x030, 1, 1, 26, 1, 1, 1);
    b.bytes[0x01F] = char(0x41);
    const QByteArray borrowed = LogPartitioner::BorrowedPowerOn(b.bytes, 0);
    QCOMPARE(borrowed.size(), 0x30);
    QCOMPARE(quint8(borrowed.at(0x1F)), quint8(0x42));
    QCOMPARE(borrowed.at(0x2F), b.bytes.at(0x2F));
}

void TestDownloadParts::sameSecondNamesGetCounters()
{
    LogFileSaver::Download d;
    d.directory = QStringLiteral("/logs");
    d.serialNumber = QStringLiteral("12C00417");
    const QStringList paths = LogFileSaver::DivePaths(
        d, {QStringLiteral("260614_093000"), QStringLiteral("260614_093000"), QStringLiteral("260614_093000"),
            QStringLiteral("260614_100000")});
    QCOMPARE(paths, QStringList({QStringLiteral("/logs/12C00417_260614_093000.ccl"),
                                 QStringLiteral("/logs/12C00417_260614_093000001.ccl"),
                                 QStringLiteral("/logs/12C00417_260614_093000002.ccl"),
                                 QStringLiteral("/logs/12C00417_260614_100000.ccl")}));
    d.start = QDateTime(QDate(2026, 6, 14), QTime(12, 0, 1));
    QCOMPARE(LogFileSaver::CcxPath(d), QStringLiteral("/logs/12C00417_260614_120001.ccx"));
    QTemporaryDir dir;
    d.directory = dir.path();
    d.start = QDateTime();
    QCOMPARE(QFileInfo(LogFileSaver::CcxPath(d)).fileName(), QStringLiteral("12C00417_InvalidDateTime_0000.ccx"));
    QFile taken(dir.filePath(QStringLiteral("12C00417_InvalidDateTime_0000.ccx")));
    QVERIFY(taken.open(QIODevice::WriteOnly));
    taken.close();
    QCOMPARE(QFileInfo(LogFileSaver::CcxPath(d)).fileName(), QStringLiteral("12C00417_InvalidDateTime_0001.ccx"));
}

void TestDownloadParts::unsafeCharactersAreReplaced_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("safe");
    QTest::newRow("plain") << "12C00417" << "12C00417";
    QTest::newRow("path separators") << "../../etc/x" << ".._.._etc_x";
    QTest::newRow("backslash and colon") << "C:\\SN" << "C__SN";
    QTest::newRow("wildcards and quotes") << "a*b?c\"d<e>f|g" << "a_b_c_d_e_f_g";
    QTest::newRow("control character") << QStringLiteral("a\tb") << "a_b";
    QTest::newRow("dots only") << ".." << "_";
    QTest::newRow("empty") << "" << "_";
    QTest::newRow("trailing dot") << "SN." << "SN";
}

void TestDownloadParts::unsafeCharactersAreReplaced()
{
    QFETCH(QString, text);
    QFETCH(QString, safe);
    QCOMPARE(SafeFileName::Part(text), safe);
    // Whatever the unit sends, the file stays in the folder.
    LogFileSaver::Download d;
    d.directory = QStringLiteral("/logs");
    d.serialNumber = text;
    QCOMPARE(QFileInfo(LogFileSaver::DivePaths(d, {QStringLiteral("260614_093000")}).first()).path(),
             QStringLiteral("/logs"));
}

void TestDownloadParts::logBookRecordFields_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<bool>("endValid");
    QTest::addColumn<quint32>("diveEnd");
    QTest::addColumn<double>("depth");
    QByteArray r = LogBookEntry(7, 0, 0x20000, 0x20400);
    QTest::newRow("complete") << r << true << quint32(0x2041F) << 12.34;
    QByteArray open = r;
    for (int i = 14; i <= 21; ++i)
        open[i] = char(0xFF);
    QTest::newRow("no end: 14-21 erased") << open << false << 0u << 0.0;
    QByteArray zeroEnd = open;
    for (int i = 14; i <= 17; ++i)
        zeroEnd[i] = 0;
    QTest::newRow("no end: zero end, erased values") << zeroEnd << false << 0u << 0.0;
    QByteArray zeroAddress = r;
    for (int i = 14; i <= 17; ++i)
        zeroAddress[i] = 0;
    QTest::newRow("end address zero") << zeroAddress << true << 0u << 12.34;
}

void TestDownloadParts::logBookRecordFields()
{
    QFETCH(QByteArray, raw);
    QFETCH(bool, endValid);
    QFETCH(quint32, diveEnd);
    QFETCH(double, depth);
    LogBookRecord rec;
    QVERIFY(rec.SetRaw(raw));
    QCOMPARE(rec.DiveNumber(), 7);
    QCOMPARE(rec.IsEndValid(), endValid);
    QCOMPARE(rec.DiveEnd(), diveEnd);
    QCOMPARE(rec.Depth(), depth);
    QCOMPARE(rec.DiveName(), QStringLiteral("260614_100700"));
    rec.serialNumber = QStringLiteral("12C00417");
    QCOMPARE(rec.FileName(), QStringLiteral("12C00417_260614_100700.ccl"));
    rec.nameCounter = 1;
    QCOMPARE(rec.FileName(), QStringLiteral("12C00417_260614_100700_001.ccl"));
    QByteArray block(2048, '\0');
    QVERIFY(!rec.SetData(block, 64)); // offset 2048 is past the last record
    QVERIFY(rec.SetData(block, 63));
}

void TestDownloadParts::logBookSelections()
{
    LogBookV2 book;
    for (int n : {3, 2, 1})
        book.AddRaw(LogBookEntry(n, 0, 0x20000 + quint32(n) * 0x1000, 0x20400 + quint32(n) * 0x1000), true,
                    QStringLiteral("SN"));
    book.At(1)->downloadedBefore = true;
    QVERIFY(!book.AnySelected());
    QVERIFY(book.SelectNewDives());
    QVERIFY(book.IsSelected(3) && !book.IsSelected(2) && book.IsSelected(1));
    QVERIFY(!book.SelectNewDives());
    QVERIFY(book.SelectOne(2, true));
    QVERIFY(!book.SelectOne(2, true));
    QVERIFY(book.SelectNewDives()); // unselects the one downloaded before
    QVERIFY(!book.IsSelected(2));
    QVERIFY(book.SelectAllDives());
    QVERIFY(!book.SelectAllDives());
    QVERIFY(book.ClearSelection());
    QVERIFY(!book.ClearSelection());
    QVERIFY(!book.AnySelected());
    QVERIFY(!book.SelectOne(99, true));
    QVERIFY(!book.At(3));

    // Two dives in the same second get distinct names.
    LogBookV2 twins;
    twins.AddRaw(LogBookEntry(5, 0, 0x20000, 0x20400), true, QStringLiteral("SN"));
    twins.AddRaw(LogBookEntry(5, 0, 0x21000, 0x21400), true, QStringLiteral("SN"));
    twins.MakeFileNamesUnique();
    QCOMPARE(twins.At(0)->FileName(), QStringLiteral("SN_260614_100500.ccl"));
    QCOMPARE(twins.At(1)->FileName(), QStringLiteral("SN_260614_100500_001.ccl"));
}

void TestDownloadParts::v2PartitionAnalysis()
{
    LogBookV2 book;
    const quint32 start = 0x10000;
    // Newest first: dive 3 without an end, dive 2, dive 1 (oldest, its pre-dive from the ring start).
    QByteArray open = LogBookEntry(3, 0, 0x30000, 0);
    for (int i = 14; i <= 21; ++i)
        open[i] = char(0xFF);
    book.AddRaw(open, true, QStringLiteral("SN"));
    book.AddRaw(LogBookEntry(2, 0, 0x20000, 0x20400), true, QStringLiteral("SN"));
    book.AddRaw(LogBookEntry(1, 0, 0x11000, 0x11400), true, QStringLiteral("SN"));
    V2DownloadPlan::Analyse(book, 0x30800, start);
    const LogBookRecord &newest = *book.At(0);
    QCOMPARE(newest.PostEnd(), quint32(0x307FF));
    QCOMPARE(newest.PreStart(), quint32(0x2041F + 1));
    QCOMPARE(newest.PreEnd(), quint32(0x2FFFF));
    QVERIFY(newest.AreDownloadLocationsValid());
    QCOMPARE(book.At(1)->PostStart(), quint32(0x20420));
    QCOMPARE(book.At(1)->PostEnd(), quint32(0x2FFFF));
    QCOMPARE(book.At(2)->PreStart(), start);
    QVERIFY(book.At(2)->AreDownloadLocationsValid());

    V2DownloadPlan::CheckBounds(book, 0x30800, start, 0x1FF0000);
    QVERIFY(book.At(0)->inMemory && book.At(2)->inMemory);
    // A pre-dive range that begins below the log data start is gone.
    V2DownloadPlan::CheckBounds(book, 0x30800, 0x12000, 0x1FF0000);
    QVERIFY(!book.At(2)->inMemory);
    // So is one a whole ring behind the pointer.
    V2DownloadPlan::CheckBounds(book, 0x30800 + 0x1FF0000, start, 0x1FF0000);
    QVERIFY(!book.At(2)->inMemory);
    // After a wrap the pointer lies below the older dives: data above its
    // 4 KiB boundary has not been written over yet.
    V2DownloadPlan::CheckBounds(book, 0x10800, start, 0x1FF0000);
    QVERIFY(book.At(1)->inMemory && book.At(0)->inMemory);
    V2DownloadPlan::CheckBounds(book, 0x30800, 0x12000, 0x1FF0000);

    MemoryList list;
    book.At(2)->selected = true;
    book.At(0)->selected = true;
    QCOMPARE(V2DownloadPlan::AssignVariableItems(list, book, start), 1);
    QCOMPARE(book.At(2)->diveIndex, -1);
    QCOMPARE(book.At(0)->postIndex, -1); // no end: the dive runs to PostEnd
    QCOMPARE(list.At(book.At(0)->diveIndex)->length, qint32(0x30800 - 0x30000));
}

void TestDownloadParts::v2RangeLength_data()
{
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint32>("end");
    QTest::addColumn<qint64>("length");
    QTest::newRow("plain") << 0x20000u << 0x200FFu << qint64(0x100);
    QTest::newRow("wraps to the log data start") << 0x1FFFF00u << 0x100FFu << qint64(0x100 + 0x100);
    QTest::newRow("addresses past the ring are folded") << 0x2020000u << 0x20200FFu << qint64(0x100);
}

void TestDownloadParts::v2RangeLength()
{
    QFETCH(quint32, start);
    QFETCH(quint32, end);
    QFETCH(qint64, length);
    QCOMPARE(V2DownloadPlan::RangeLength(start, end, 0x10000), length);
}

void TestDownloadParts::v2VariableItemsReuseSharedRanges()
{
    LogBookV2 book;
    book.AddRaw(LogBookEntry(2, 0, 0x20000, 0x20400), true, QStringLiteral("SN"));
    book.AddRaw(LogBookEntry(1, 0, 0x11000, 0x11400), true, QStringLiteral("SN"));
    V2DownloadPlan::Analyse(book, 0x21000, 0x10000);
    V2DownloadPlan::CheckBounds(book, 0x21000, 0x10000, 0x1FF0000);
    book.SelectAllDives();
    MemoryList list;
    QCOMPARE(V2DownloadPlan::AssignVariableItems(list, book, 0x10000), 2);
    // Dive 1's post-dive range is dive 2's pre-dive range: one item.
    QCOMPARE(book.At(1)->postIndex, book.At(0)->preIndex);
    QCOMPARE(list.Count(), 5);
    // Reading an item keeps it across a selection change; unread ones go.
    list.At(book.At(1)->diveIndex)->done = true;
    book.ClearSelection();
    QCOMPARE(V2DownloadPlan::AssignVariableItems(list, book, 0x10000), 0);
    QCOMPARE(list.Count(), 1);
}

void TestDownloadParts::v2Trimming()
{
    QByteArray pre(4 * 32, char(0x11));
    pre[64] = 0x00;
    QCOMPARE(V2LogSaver::PreDiveStart(pre), 64);
    QCOMPARE(V2LogSaver::PreDiveStart(QByteArray(64, char(0x11))), 0);
    QByteArray post(4 * 32, char(0x11));
    post[32] = char(0x7F);
    QCOMPARE(V2LogSaver::PostDiveLength(post), 64);
    post[64] = char(0x08);
    QCOMPARE(V2LogSaver::PostDiveLength(post), 96);
    QCOMPARE(V2LogSaver::PostDiveLength(QByteArray(64, char(0x11))), 64);
}

void TestDownloadParts::fixedAssignmentOfAbsentControllers()
{
    RBData record;
    record.SetPresent(0xB2, true);
    const DeviceList catalogue;
    MemoryList list;
    list.AssignFixedV1(0xB0, record, catalogue);
    QCOMPARE(list.Count(), 12);
    QCOMPARE(list.FixedCount(), 12);
    // The mono display has no log book region: the item repeats the one before.
    QCOMPARE(list.At(3)->startAddress, list.At(2)->startAddress);
    QCOMPARE(list.At(3)->length, list.At(2)->length);
    QCOMPARE(list.At(0)->length, qint32(0x100));
    QVERIFY(!list.At(4)->done);
    QVERIFY(list.At(8)->done);
    QCOMPARE(list.At(8)->buffer, QByteArray(list.At(8)->length, char(0xFF)));
    list.AssignFixedV2(record, catalogue);
    QCOMPARE(list.Count(), 17);
    QCOMPARE(list.At(3)->length, qint32(0x10000));
    QCOMPARE(MemoryBlock::TypeText(15), QStringLiteral("Undefined"));
}

// What the download windows show goes through the translation layer; with
// the German translation loaded the worker's messages arrive in German.
void TestDownloadParts::messagesForTheWindowsAreTranslated()
{
    QTranslator german;
    QVERIFY(german.load(QStringLiteral("Tessaro_de"), QCoreApplication::applicationDirPath() + QStringLiteral("/translations")));
    QVERIFY(QCoreApplication::installTranslator(&german));

    QStringList messages;
    DownloadCallbacks callbacks;
    callbacks.message = [&](const QString &m, bool) { messages << m; };
    LogFileSaver saver(callbacks);
    QTemporaryDir dir;
    LogFileSaver::Download download;
    download.directory = dir.path();
    download.serialNumber = QStringLiteral("SN");
    const QString summary = saver.SaveDives(download, MemoryList(), 0, QByteArray(64, char(0xFF)), LogPartitioner::Result());
    const DownloadOutcome none = CcxReprocessor(DeviceList(), callbacks).Process({});
    QCoreApplication::removeTranslator(&german);

    QCOMPARE(summary, QStringLiteral("Keine Protokolldateien im Speicher gefunden"));
    QCOMPARE(messages, QStringList{summary});
    QCOMPARE(none.message, QStringLiteral("Keine Dateien ausgewählt"));
}

namespace {

QStringList DecodedLines(const QString &path)
{
    StandardRecordFile file;
    QStringList lines;
    SRFileHeader header;
    bool wide = false;
    if (!file.ConvertToLines(path, lines, header, wide, StandardRecordFile::LoadMode::SecuredLog))
        return {QStringLiteral("unreadable: ") + file.LastError()};
    return lines;
}

} // namespace

// The dives of a download are written in batches made durable at once; each
// file must hold exactly what writing it on its own would have written, and
// nothing temporary may be left beside them.
void TestDownloadParts::savedDivesHoldWhatADirectWriteHolds()
{
    QVector<DivePlan> plans;
    for (int i = 0; i < 3; ++i) {
        DivePlan plan;
        plan.diveNumber = i + 1;
        plan.powerOn = QDateTime(QDate(2026, 2, 1), QTime(9, 0, 0)).addSecs(i * 3600);
        plan.profile = {{0, 0}, {60, 10}, {300, 10}, {360, 0}};
        plans << plan;
    }
    // Each session's power-on record starts a 64-byte block, as the handset logs it.
    QByteArray memory;
    for (const DivePlan &plan : plans) {
        memory += LogRecordGenerator::DiveData({plan});
        memory.append(QByteArray((64 - memory.size() % 64) % 64, char(0xFF)));
    }
    memory.append(QByteArray(4096, char(0xFF)));
    const LogPartitioner::Result partition = LogPartitioner::Run(memory, true, 0);
    QCOMPARE(partition.dives.size(), plans.size());

    QTemporaryDir saved, direct;
    LogFileSaver::Download download;
    download.directory = saved.path();
    download.serialNumber = QStringLiteral("SN");
    download.start = QDateTime(QDate(2026, 2, 2), QTime(10, 0, 0));
    download.deviceVersion = QByteArray::fromHex("00070002");
    MemoryList list;
    DownloadCallbacks callbacks;
    QStringList refreshed;
    callbacks.refreshRequired = [&](const QString &path) { refreshed << path; };
    LogFileSaver saver(callbacks);
    saver.SaveDives(download, list, 0, memory, partition);
    QCOMPARE(saver.SavedCount(), plans.size());

    const QStringList paths = LogFileSaver::DivePaths(download, {partition.dives.at(0).name, partition.dives.at(1).name,
                                                                 partition.dives.at(2).name});
    QCOMPARE(refreshed, paths);
    QStringList names;
    for (const QString &path : paths)
        names << QFileInfo(path).fileName();
    QCOMPARE(QDir(saved.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), names);
    for (int i = 0; i < plans.size(); ++i) {
        LogFileContent content = LogFileSaver::BaseContent(download, list, 0);
        content.hasDiveData = true;
        content.diveData = LogPartitioner::DiveRecords(memory, partition, i);
        const QString reference = direct.filePath(names.at(i));
        QString error;
        QVERIFY2(LogFileWriter::WriteSecured(reference, content, &error), qPrintable(error));
        QCOMPARE(DecodedLines(paths.at(i)), DecodedLines(reference));
        // The permissions any new file of the user gets, as a save file gives.
        QCOMPARE(QFileInfo(paths.at(i)).permissions(), QFileInfo(reference).permissions());
    }

    // Saved again over the same files: a file the user made private stays
    // private, and nothing is left beside the files.
    QVERIFY(QFile::setPermissions(paths.at(0), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    callbacks.askYesYesToAllNoNoToAll = [](const QString &) { return WorkerC::ResultYesToAll; };
    LogFileSaver again(callbacks);
    again.SaveDives(download, list, 0, memory, partition);
    QCOMPARE(again.SavedCount(), plans.size());
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    QCOMPARE(QFileInfo(paths.at(0)).permissions() & others, QFileDevice::Permissions());
    QVERIFY(QFileInfo(paths.at(0)).permissions() & QFileDevice::ReadOwner);
    QCOMPARE(QFileInfo(paths.at(1)).permissions(), QFileInfo(direct.filePath(names.at(1))).permissions());
    QCOMPARE(QDir(saved.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), names);
}

void TestDownloadParts::unwritableFolderSkipsEveryDive()
{
    DivePlan plan;
    plan.profile = {{0, 0}, {60, 10}, {300, 10}, {360, 0}};
    QByteArray memory = LogRecordGenerator::DiveData({plan});
    memory.append(QByteArray((64 - memory.size() % 64) % 64 + 4096, char(0xFF)));
    const LogPartitioner::Result partition = LogPartitioner::Run(memory, true, 0);
    QCOMPARE(partition.dives.size(), 1);

    // A folder below a regular file cannot be made or written, whoever runs this.
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    LogFileSaver::Download download;
    download.directory = dir.filePath(QStringLiteral("file/dives"));
    download.serialNumber = QStringLiteral("SN");
    download.start = QDateTime(QDate(2026, 2, 2), QTime(10, 0, 0));
    download.deviceVersion = QByteArray::fromHex("00070002");
    MemoryList list;
    DownloadCallbacks callbacks;
    QStringList messages;
    callbacks.message = [&](const QString &text, bool) { messages << text; };
    LogFileSaver saver(callbacks);
    saver.SaveDives(download, list, 0, memory, partition);
    QCOMPARE(saver.SavedCount(), 0);
    QCOMPARE(saver.SkippedCount(), 1);
    const QString name = QFileInfo(LogFileSaver::DivePaths(download, {partition.dives.at(0).name}).at(0)).fileName();
    QVERIFY2(messages.contains(QStringLiteral("File %1 Unable to be opened, Skipped").arg(name)), qPrintable(messages.join('\n')));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("file")});
}

QTEST_GUILESS_MAIN(TestDownloadParts)
#include "tst_DownloadParts.moc"
