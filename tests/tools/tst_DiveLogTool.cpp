// The dive-log command-line tool, run as a process on generated files.

#include "ToolRun.h"
#include "LogFileWriter.h"
#include "LogRecordGenerator.h"
#include "StandardRecordFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

ToolRun Tool(const QStringList &arguments)
{
    return ToolRun::Of(QStringLiteral("divelogtool"), arguments, 30000);
}

DivePlan Plan()
{
    DivePlan plan;
    plan.profile = {{0, 0}, {60, 15}, {600, 15}, {720, 0}};
    plan.gases = {{32, 0}};
    plan.diveNumber = 5;
    return plan;
}

} // namespace

class TestDiveLogTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void summary();
    void lines();
    void uddfOutFolderAndOverwrite();
    void uddfCellsAsPpo2();
    void cellReport();
    void blocks();
    void failures_data();
    void failures();
    void damagedRecordIsReported();

private:
    QTemporaryDir m_dir;
    QString m_ccl;
    QString m_ccx;
    QString m_garbage;
    QString m_folder;
    QString m_uddfBlocked;
};

void TestDiveLogTool::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_ccl = m_dir.filePath(QStringLiteral("12A3456_dive.ccl"));
    QVERIFY(LogFileWriter::WriteSecured(m_ccl, LogRecordGenerator::LogFile(Plan()), nullptr));
    LogFileContent memory = LogRecordGenerator::LogFile(Plan());
    memory.hasDiveData = false;
    memory.memories.append({0xB2, 1, 0x2000, QByteArray(64, char(0x5A))});
    m_ccx = m_dir.filePath(QStringLiteral("12A3456_download.ccx"));
    QVERIFY(LogFileWriter::WriteSecured(m_ccx, memory, nullptr));

    // A text .ccl whose second data line is terminal control bytes.
    QStringList lines = LogFileWriter::TextLines(LogRecordGenerator::LogFile(Plan()));
    lines.insert(4, QStringLiteral("\x1b]0;owned\x07\x1b[2J06ZZ"));
    m_garbage = m_dir.filePath(QStringLiteral("garbage.ccl"));
    QVERIFY(LogFileWriter::WriteTextLines(m_garbage, lines, nullptr));
    m_folder = m_dir.filePath(QStringLiteral("folder.ccl"));
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder.ccl")));
    // A folder where the UDDF file should go cannot be replaced by it.
    m_uddfBlocked = m_dir.filePath(QStringLiteral("blocked"));
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("blocked/12A3456_dive.uddf")));
}

void TestDiveLogTool::summary()
{
    const ToolRun run = Tool({QStringLiteral("summary"), m_ccl});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains(QStringLiteral("Dive: 5\n")), qPrintable(run.out));
    QVERIFY(run.out.contains(QStringLiteral("Start: 2026-06-14 09:30:30\n")));
    QVERIFY(run.out.contains(QStringLiteral("Greatest depth: 15.0 m\n")));
    QVERIFY(run.out.contains(QStringLiteral("Gases: 32% Nx\n")));
    QVERIFY(run.out.contains(QStringLiteral("Duration: ")));
    QVERIFY(run.err.isEmpty());
}

void TestDiveLogTool::lines()
{
    const ToolRun run = Tool({QStringLiteral("lines"), m_ccl});
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(lines.first().startsWith(QStringLiteral("Tessaro Version ")));
    const QStringList expected = LogFileWriter::TextLines(LogRecordGenerator::LogFile(Plan()));
    QCOMPARE(lines.mid(3), expected.mid(3)); // creator/date/time lines carry the writing time
}

void TestDiveLogTool::uddfOutFolderAndOverwrite()
{
    QTemporaryDir out;
    const QString target = out.filePath(QStringLiteral("12A3456_dive.uddf"));
    ToolRun run = Tool({QStringLiteral("uddf"), QStringLiteral("--out"), out.path(), m_ccl});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out.trimmed(), target);
    QVERIFY(QFile::exists(target));
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("12A3456_dive.uddf"))));

    QFile marker(target);
    QVERIFY(marker.open(QIODevice::WriteOnly));
    marker.write("kept");
    marker.close();
    run = Tool({QStringLiteral("uddf"), QStringLiteral("--out"), out.path(), m_ccl});
    QCOMPARE(run.exitCode, 3);
    QVERIFY(run.err.contains(QStringLiteral("exists, not overwritten")));
    QVERIFY(marker.open(QIODevice::ReadOnly));
    QCOMPARE(marker.readAll(), QByteArray("kept"));
    marker.close();

    run = Tool({QStringLiteral("uddf"), QStringLiteral("--overwrite"), QStringLiteral("--out"), out.path(), m_ccl});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(marker.open(QIODevice::ReadOnly));
    QVERIFY(marker.readAll().startsWith("<?xml"));
}

void TestDiveLogTool::uddfCellsAsPpo2()
{
    // --cells-as-ppo2 renames every cell reading; without it the file keeps
    // measuredpo2.
    QTemporaryDir plain;
    QTemporaryDir renamed;
    QCOMPARE(Tool({QStringLiteral("uddf"), QStringLiteral("--out"), plain.path(), m_ccl}).exitCode, 0);
    const ToolRun run = Tool({QStringLiteral("uddf"), QStringLiteral("--cells-as-ppo2"), QStringLiteral("--out"), renamed.path(), m_ccl});
    QCOMPARE(run.exitCode, 0);
    QFile a(plain.filePath(QStringLiteral("12A3456_dive.uddf")));
    QFile b(renamed.filePath(QStringLiteral("12A3456_dive.uddf")));
    QVERIFY(a.open(QIODevice::ReadOnly));
    QVERIFY(b.open(QIODevice::ReadOnly));
    const QByteArray measured = a.readAll();
    const QByteArray ppo2 = b.readAll();
    const int readings = measured.count("<measuredpo2 ref=\"o2sensor_");
    QVERIFY(readings > 0);
    QCOMPARE(measured.count("<ppo2 "), 0);
    QCOMPARE(ppo2.count("<ppo2 ref=\"o2sensor_"), readings);
    QCOMPARE(ppo2.count("measuredpo2"), 0);
}

void TestDiveLogTool::cellReport()
{
    // The report over several files, newest dive's current-limited cell to
    // be replaced; a file that does not load is named and the rest reported.
    QTemporaryDir dir;
    QStringList files;
    for (int n = 1; n <= 2; ++n) {
        DivePlan plan = Plan();
        plan.diveNumber = n;
        plan.powerOn = plan.powerOn.addDays(n);
        plan.profile = {{0, 0}, {120, 30}, {1500, 30}, {1800, 6}, {2100, 6}, {2160, 0}};
        plan.setpoint = 0.7;
        plan.setpointChanges = {{120, 1.3}, {1800, 0.7}};
        if (n == 2)
            plan.cells[1] = DivePlan::CellBehaviour::CurrentLimited(1.0);
        files << dir.filePath(QStringLiteral("12A3456_%1.ccl").arg(n));
        QVERIFY(LogFileWriter::WriteSecured(files.last(), LogRecordGenerator::LogFile(plan), nullptr));
    }
    const QString broken = dir.filePath(QStringLiteral("broken.ccl"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a dive log\n");
    file.close();

    const ToolRun run = Tool(QStringList{QStringLiteral("cells")} + files + QStringList{broken});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.startsWith(broken + QStringLiteral(": ")), qPrintable(run.err));
    QVERIFY2(run.out.contains(QStringLiteral("Cell 2: replace")), qPrintable(run.out));
    QVERIFY2(run.out.contains(QStringLiteral("current-limited")), qPrintable(run.out));
    QVERIFY2(run.out.contains(QStringLiteral("Cell 1: good")), qPrintable(run.out));
    QVERIFY2(run.out.contains(QStringLiteral("Cell 3: good")), qPrintable(run.out));
}

void TestDiveLogTool::blocks()
{
    const ToolRun run = Tool({QStringLiteral("blocks"), m_ccx});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains(QStringLiteral("Device 0xB0")), qPrintable(run.out));
    QVERIFY(run.out.contains(QStringLiteral("Device 0xB2")));
    QVERIFY(run.out.contains(QStringLiteral("start 0x00002000, 64 bytes")));
    QVERIFY(run.out.contains(QStringLiteral("2 memory blocks")));
}

void TestDiveLogTool::failures_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("no arguments") << QStringList{} << 1 << "Usage:";
    QTest::newRow("unknown command") << QStringList{"frobnicate", "x.ccl"} << 1 << "Usage:";
    QTest::newRow("no files") << QStringList{"summary"} << 1 << "Usage:";
    QTest::newRow("--out without folder") << QStringList{"uddf", "--out"} << 1 << "--out needs a folder";
    QTest::newRow("missing file") << QStringList{"summary", "/nonexistent/x.ccl"} << 2
                                  << "/nonexistent/x.ccl: Unable to open the file - no such file (result 1)\n";
    QTest::newRow("a folder") << QStringList{"lines", m_folder} << 2
                              << m_folder + ": Unable to open the file - it is a folder (result 1)\n";
    QTest::newRow("wrong extension") << QStringList{"summary", "/nonexistent/x.txt"} << 2 << "Invalid file extension";
    // The bad line is shown with its control bytes escaped.
    QTest::newRow("garbage line") << QStringList{"summary", m_garbage} << 2
                                  << "at line 2 - \\x1b]0;owned\\x07\\x1b[2J06ZZ (result 2)\n";
    QTest::newRow("blocks of a missing file") << QStringList{"blocks", "/nonexistent/x.ccx"} << 2
                                              << "/nonexistent/x.ccx: Unable to open source file - no such file\n";
    QTest::newRow("blocks of a folder") << QStringList{"blocks", m_folder} << 2 << "it is a folder\n";
    QTest::newRow("UDDF target cannot be written") << QStringList{"uddf", "--overwrite", "--out", m_uddfBlocked, m_ccl} << 3
                                                   << "12A3456_dive.uddf: Unable to open the target UDDF file\n";
}

void TestDiveLogTool::failures()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const ToolRun run = Tool(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY2(!run.err.contains(QChar(0x1b)) && !run.err.contains(QChar(0x07)), qPrintable(run.err));
    // A failed file gives one line, not a second copy from the library.
    if (exitCode != 1)
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    // One bad file among good ones still reports the failure.
    if (exitCode == 2) {
        const ToolRun mixed = Tool(QStringList{arguments.first(), arguments.first() == QLatin1String("blocks") ? m_ccx : m_ccl} + arguments.mid(1));
        QCOMPARE(mixed.exitCode, 2);
        QVERIFY(!mixed.out.isEmpty());
    }
}

void TestDiveLogTool::damagedRecordIsReported()
{
    // The dive-data record's CRC fails inside an otherwise sealed file: the
    // dive is still summarised, with one warning line naming the record.
    QByteArray stream = LogFileWriter::RecordStream(LogRecordGenerator::LogFile(Plan()));
    int at = 0;
    while (StandardRecord::ReadU16(stream.constData() + at) != RecordType::DiveLogData)
        at += StandardRecord::Overhead + int(StandardRecord::ReadU32(stream.constData() + at + 2));
    const int crcAt = at + StandardRecord::HeaderSize + int(StandardRecord::ReadU32(stream.constData() + at + 2));
    stream[crcAt] = char(stream.at(crcAt) ^ 0x10);
    const QString path = m_dir.filePath(QStringLiteral("damaged.ccl"));
    QVERIFY(StandardRecordFile::WriteFileSafely(path, StandardRecordFile::SecuredContainer(stream), nullptr));

    for (const QString &command : {QStringLiteral("summary"), QStringLiteral("lines")}) {
        const ToolRun run = Tool({command, path});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, path + QStringLiteral(": warning: record 2 (dive data) failed its CRC check; its contents were read as stored\n"));
        if (command == QLatin1String("summary"))
            QVERIFY2(run.out.contains(QStringLiteral("Dive: 5\n")), qPrintable(run.out));
        else
            QVERIFY(run.out.count(QLatin1Char('\n')) > 700);
    }
}

QTEST_GUILESS_MAIN(TestDiveLogTool)
#include "tst_DiveLogTool.moc"
