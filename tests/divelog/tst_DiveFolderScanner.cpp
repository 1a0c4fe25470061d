// Reading a folder of dive logs for the dive list: every file once, unreadable
// ones with their reason, and a cancelled scan that stops handing rows over.
#include "DiveFolderScanner.h"
#include "LogFileWriter.h"
#include "LogRecordGenerator.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int DiveFiles = 24;

DivePlan ShortDive(int number)
{
    DivePlan plan;
    plan.wide = true;
    plan.sampleInterval = 4;
    plan.surfaceBefore = 8;
    plan.surfaceAfter = 8;
    plan.profile = {{0, 0}, {20, 12}, {60, 12}, {80, 0}};
    plan.gases = {{21, 0}};
    plan.diveNumber = number;
    plan.powerOn = plan.powerOn.addDays(number);
    return plan;
}

// What one scan handed over, in order.
struct ScanRecord
{
    int started = -1;
    QVector<DiveListEntry> entries;
    int batchesAfterCancel = 0;
    bool finished = false;
    int finishedFiles = -1;
    bool cancelled = false;
};

} // namespace

class TestDiveFolderScanner : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_damaged;

    // Runs one scan on this thread, the signals connected directly;
    // `cancelAfterFirstBatch` cancels it from the first batch on.
    ScanRecord RunScan(DiveFolderScanner &scanner, int generation, bool cancelAfterFirstBatch)
    {
        ScanRecord record;
        bool cancelledNow = false;
        QObject context;
        connect(&scanner, &DiveFolderScanner::ScanStarted, &context, [&](int g, int files) {
            if (g == generation)
                record.started = files;
        });
        connect(&scanner, &DiveFolderScanner::EntriesFound, &context, [&](int g, const QVector<DiveListEntry> &found) {
            if (g != generation)
                return;
            if (cancelledNow)
                ++record.batchesAfterCancel;
            record.entries += found;
            if (cancelAfterFirstBatch && !cancelledNow) {
                scanner.CancelBefore(generation + 1);
                cancelledNow = true;
            }
        });
        connect(&scanner, &DiveFolderScanner::ScanFinished, &context, [&](int g, int files, bool cancelled) {
            if (g != generation)
                return;
            record.finished = true;
            record.finishedFiles = files;
            record.cancelled = cancelled;
        });
        scanner.Scan(m_dir.path(), generation);
        return record;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (int i = 1; i <= DiveFiles; ++i) {
            QString error;
            const QString name = i == 1 ? QStringLiteral("UPPER_%1.CCL").arg(i) : QStringLiteral("dive_%1.ccl").arg(i);
            QVERIFY2(LogFileWriter::WriteSecured(m_dir.filePath(name), LogRecordGenerator::LogFile(ShortDive(i)), &error),
                     qPrintable(error));
        }
        m_damaged = m_dir.filePath(QStringLiteral("damaged.ccl"));
        QFile damaged(m_damaged);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("not a dive log\n");
        damaged.close();
        QFile other(m_dir.filePath(QStringLiteral("notes.txt")));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("not listed\n");
    }

    void everyFileOnceWithItsReason()
    {
        DiveFolderScanner scanner;
        const ScanRecord scan = RunScan(scanner, 1, false);
        QCOMPARE(scan.started, DiveFiles + 1);
        QVERIFY(scan.finished);
        QVERIFY(!scan.cancelled);
        QCOMPARE(scan.finishedFiles, DiveFiles + 1);
        QCOMPARE(scan.entries.size(), DiveFiles + 1);
        QSet<QString> paths;
        QSet<int> diveNumbers;
        for (const DiveListEntry &entry : scan.entries) {
            paths << entry.filePath;
            if (entry.filePath == QFileInfo(m_damaged).absoluteFilePath()) {
                QVERIFY(!entry.loaded);
                QVERIFY(!entry.error.isEmpty());
            } else {
                QVERIFY2(entry.loaded, qPrintable(entry.filePath + QStringLiteral(": ") + entry.error));
                diveNumbers << entry.diveNumber;
            }
        }
        QCOMPARE(paths.size(), DiveFiles + 1);
        QCOMPARE(diveNumbers.size(), DiveFiles);
    }

    void cancelledScanStopsHandingOver()
    {
        DiveFolderScanner scanner;
        const ScanRecord cancelled = RunScan(scanner, 5, true);
        QVERIFY(cancelled.finished);
        QVERIFY(cancelled.cancelled);
        QVERIFY(!cancelled.entries.isEmpty());
        QCOMPARE(cancelled.batchesAfterCancel, 0);

        // The next scan is not touched by the cancel of the one before.
        const ScanRecord next = RunScan(scanner, 6, false);
        QVERIFY(next.finished);
        QVERIFY(!next.cancelled);
        QCOMPARE(next.entries.size(), DiveFiles + 1);
    }

    void missingFolderListsNothing()
    {
        DiveFolderScanner scanner;
        QVERIFY(DiveFolderScanner::DiveFiles(m_dir.filePath(QStringLiteral("nowhere"))).isEmpty());
        QVERIFY(DiveFolderScanner::DiveFiles(QString()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDiveFolderScanner)
#include "tst_DiveFolderScanner.moc"
