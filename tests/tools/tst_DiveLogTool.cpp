// The dive-log command-line tool, run as a process on generated files.

#include "LogFileWriter.h"
#include "LogRecordGenerator.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run Tool(const QStringList &arguments)
{
    QProcess process;
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/divelogtool"), arguments);
    Run run;
    if (!process.waitForFinished(30000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
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
    void blocks();
    void failures_data();
    void failures();

private:
    QTemporaryDir m_dir;
    QString m_ccl;
    QString m_ccx;
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
}

void TestDiveLogTool::summary()
{
    const Run run = Tool({QStringLiteral("summary"), m_ccl});
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
    const Run run = Tool({QStringLiteral("lines"), m_ccl});
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
    Run run = Tool({QStringLiteral("uddf"), QStringLiteral("--out"), out.path(), m_ccl});
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

void TestDiveLogTool::blocks()
{
    const Run run = Tool({QStringLiteral("blocks"), m_ccx});
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
    QTest::newRow("missing file") << QStringList{"summary", "/nonexistent/x.ccl"} << 2 << "(result";
    QTest::newRow("wrong extension") << QStringList{"summary", "/nonexistent/x.txt"} << 2 << "Invalid file extension";
    QTest::newRow("blocks of a missing file") << QStringList{"blocks", "/nonexistent/x.ccx"} << 2 << "/nonexistent/x.ccx: ";
}

void TestDiveLogTool::failures()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const Run run = Tool(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    // One bad file among good ones still reports the failure.
    if (exitCode == 2) {
        const Run mixed = Tool(QStringList{arguments.first(), arguments.first() == QLatin1String("blocks") ? m_ccx : m_ccl} + arguments.mid(1));
        QCOMPARE(mixed.exitCode, 2);
        QVERIFY(!mixed.out.isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestDiveLogTool)
#include "tst_DiveLogTool.moc"
