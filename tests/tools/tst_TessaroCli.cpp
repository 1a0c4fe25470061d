// tessaro-cli end to end: the executable downloads from a simulated
// rebreather on a pseudo-terminal (dives laid into its log memory) or from
// one it starts itself, and says by its exit code how it went.

#include "ToolRun.h"
#include "RebreatherSimulator.h"
#include "SimLogMemory.h"

#include <QSettings>
#include <QtTest>

namespace {

// The settings store of the tool (and the window) in the test's home.
QString StoreFolder() { return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Quor"); }
QString StorePath() { return StoreFolder() + QStringLiteral("/Tessaro.conf"); }

// Two short dives an hour apart.
QVector<DivePlan> TwoDives(const QDateTime &first, int firstNumber)
{
    QVector<DivePlan> plans;
    for (int i = 0; i < 2; ++i) {
        DivePlan plan;
        plan.powerOn = first.addSecs(i * 3600);
        plan.diveNumber = firstNumber + i;
        plan.sequence = 0;
        plan.sampleInterval = 10;
        plan.surfaceBefore = 30;
        plan.surfaceAfter = 30;
        plan.profile = {{0, 0}, {48, 12.0 - 4 * i}, {192, 12.0 - 4 * i}, {240, 0}};
        plans << plan;
    }
    return plans;
}

ToolRun Cli(const QStringList &arguments, const QString &workingFolder = QString())
{
    return ToolRun::Of(QStringLiteral("tessaro-cli"), arguments, 120000, workingFolder);
}

} // namespace

class TestTessaroCli : public QObject
{
    Q_OBJECT

private slots:
    void downloadsDivesFromAPort();
    void uddfCellsFollowTheSetting();
    void colourV2SelectionByNumber();
    void failuresExitNonZero_data();
    void failuresExitNonZero();
    void simulatedHandsetAndClock();
    void storedRelativeFolderIsBelowHome();
};

void TestTessaroCli::downloadsDivesFromAPort()
{
    RebreatherSimulator sim(SimProfile::ColourV1Usb);
    QVERIFY(sim.Start());
    SimLogMemory memory(SimLogMemory::Format::ColourV1, TwoDives(QDateTime(QDate(2026, 4, 1), QTime(9, 0, 0)), 1));
    QVERIFY(sim.LoadLogMemory(memory));
    QTemporaryDir dir;
    // The test home outlives a run: start from an empty settings store.
    QFile store(StorePath());
    store.remove();
    const QStringList args{QStringLiteral("download"), QStringLiteral("--port"), sim.PortPath(), QStringLiteral("--dir"),
                           dir.path(), QStringLiteral("--uddf")};
    const ToolRun first = Cli(args);
    QVERIFY2(first.exitCode == 0, qPrintable(first.out + first.err));
    const QStringList ccl = QDir(dir.path()).entryList({QStringLiteral("*.ccl")}, QDir::Files);
    QCOMPARE(ccl.size(), 2);
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.uddf")}, QDir::Files).size(), 2);
    for (const QString &name : QDir(dir.path()).entryList({QStringLiteral("*.ccl"), QStringLiteral("*.uddf")}, QDir::Files))
        QVERIFY2(first.out.contains(QStringLiteral("  ") + QDir(dir.path()).filePath(name) + QLatin1Char('\n')), qPrintable(first.out));
    QVERIFY2(first.out.contains(QStringLiteral("Files made: 5")), qPrintable(first.out)); // .ccx, 2 .ccl, 2 .uddf
    // --uddf holds for that run only: the windows' setting stays as it was.
    if (store.open(QIODevice::ReadOnly))
        QVERIFY2(!store.readAll().contains("UDDF"), "tessaro-cli --uddf changed the stored setting");
    store.close();
    QVERIFY(first.out.contains(QStringLiteral("2 log files found in memory.  0 skipped - 2 saved")));
    // Not a terminal: plain progress lines, no bar.
    QVERIFY(first.out.contains(QStringLiteral("Progress 100%")));
    QVERIFY(!first.out.contains(QLatin1Char('\r')));

    // Again with --no-to-all (a full read, so both dives come again): kept.
    const QDateTime before = QFileInfo(dir.filePath(ccl.first())).lastModified();
    const ToolRun second = Cli(args + QStringList{QStringLiteral("--full"), QStringLiteral("--no-to-all")});
    QVERIFY2(second.exitCode == 0, qPrintable(second.out + second.err));
    QVERIFY2(second.out.contains(QStringLiteral("2 log files found in memory.  2 skipped - 0 saved")), qPrintable(second.out));
    QCOMPARE(QFileInfo(dir.filePath(ccl.first())).lastModified(), before);
}

void TestTessaroCli::uddfCellsFollowTheSetting()
{
    // The stored choice "Cell readings as UDDF 3.3.0 ppo2" reaches the UDDF
    // files a download writes.
    RebreatherSimulator sim(SimProfile::ColourV1Usb);
    QVERIFY(sim.Start());
    SimLogMemory memory(SimLogMemory::Format::ColourV1, TwoDives(QDateTime(QDate(2026, 4, 1), QTime(9, 0, 0)), 1));
    QVERIFY(sim.LoadLogMemory(memory));
    QTemporaryDir dir;
    const QString storePath = StorePath();
    QFile::remove(storePath);
    {
        QSettings store(storePath, QSettings::IniFormat);
        store.setValue(QStringLiteral("Settings/Connect/UDDF Cells As ppo2"), true);
    }
    const ToolRun run = Cli({QStringLiteral("download"), QStringLiteral("--port"), sim.PortPath(), QStringLiteral("--dir"),
                         dir.path(), QStringLiteral("--uddf")});
    QFile::remove(storePath);
    QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
    const QStringList uddf = QDir(dir.path()).entryList({QStringLiteral("*.uddf")}, QDir::Files);
    QCOMPARE(uddf.size(), 2);
    for (const QString &name : uddf) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray document = file.readAll();
        QVERIFY2(document.contains("<ppo2 ref=\"o2sensor_1\">"), qPrintable(name));
        QVERIFY2(!document.contains("measuredpo2"), qPrintable(name));
    }
}

void TestTessaroCli::colourV2SelectionByNumber()
{
    RebreatherSimulator sim(SimProfile::ColourV2Usb);
    QVERIFY(sim.Start());
    SimLogMemory memory(SimLogMemory::Format::ColourV2, TwoDives(QDateTime(QDate(2026, 4, 2), QTime(9, 0, 0)), 7));
    QVERIFY(sim.LoadLogMemory(memory));
    QTemporaryDir dir;
    const ToolRun one = Cli({QStringLiteral("download"), QStringLiteral("--port"), sim.PortPath(), QStringLiteral("--dir"),
                         dir.path(), QStringLiteral("--dives"), QStringLiteral("8")});
    QVERIFY2(one.exitCode == 0, qPrintable(one.out + one.err));
    QStringList ccl = QDir(dir.path()).entryList({QStringLiteral("*.ccl")}, QDir::Files);
    QCOMPARE(ccl.size(), 1);
    QVERIFY(ccl.first().endsWith(QStringLiteral("_260402_100030.ccl")));
    // "new" takes only the dive not yet on this computer.
    const ToolRun fresh = Cli({QStringLiteral("download"), QStringLiteral("--port"), sim.PortPath(), QStringLiteral("--dir"),
                           dir.path(), QStringLiteral("--dives"), QStringLiteral("new")});
    QVERIFY2(fresh.exitCode == 0, qPrintable(fresh.out + fresh.err));
    QVERIFY2(fresh.out.contains(QStringLiteral("Log book: 2 dives, 1 selected")), qPrintable(fresh.out));
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.ccl")}, QDir::Files).size(), 2);
}

void TestTessaroCli::failuresExitNonZero_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");
    QTest::newRow("no command") << QStringList() << 2 << "give a command";
    QTest::newRow("unknown profile") << QStringList{"download", "--simulate", "nonsense"} << 2 << "Unknown simulator profile";
    QTest::newRow("port that does not exist") << QStringList{"download", "--port", "/nonexistent/tty"} << 3 << "Unable to open";
    QTest::newRow("no handset behind the bridge") << QStringList{"download", "--simulate", "bluetooth-bridge"} << 3 << "No handset";
    QTest::newRow("both answers") << QStringList{"download", "--yes-to-all", "--no-to-all"} << 2 << "exclude each other";
}

void TestTessaroCli::failuresExitNonZero()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const ToolRun run = Cli(arguments + QStringList{QStringLiteral("--dir"), dir.path()});
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(error), qPrintable(run.err));
}

void TestTessaroCli::simulatedHandsetAndClock()
{
    QTemporaryDir dir;
    const ToolRun download = Cli({QStringLiteral("download"), QStringLiteral("--simulate"), QStringLiteral("mono-serial"),
                              QStringLiteral("--dir"), dir.path()});
    QVERIFY2(download.exitCode == 0, qPrintable(download.out + download.err));
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.ccx")}, QDir::Files).size(), 1);
    const ToolRun clock = Cli({QStringLiteral("clock-sync"), QStringLiteral("--simulate"), QStringLiteral("mono-serial")});
    QVERIFY2(clock.exitCode == 0, qPrintable(clock.out + clock.err));
    QVERIFY(clock.out.contains(QStringLiteral("Clock synchronised")));
}

void TestTessaroCli::storedRelativeFolderIsBelowHome()
{
    // The download folder stored by the settings window (or edited by hand)
    // as a relative path lies below home, wherever the tool is started.
    QVERIFY(QDir().mkpath(StoreFolder()));
    QFile settings(StorePath());
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[Settings]\nDownload%20Directory=Stored Logs\n");
    settings.close();
    const QString expected = QDir::homePath() + QStringLiteral("/Stored Logs");
    QDir(expected).removeRecursively();

    QTemporaryDir startFolder;
    const ToolRun run = Cli({QStringLiteral("download"), QStringLiteral("--simulate"), QStringLiteral("mono-serial")},
                        startFolder.path());
    settings.remove();
    QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
    QVERIFY2(run.out.contains(QStringLiteral("Download folder ") + expected), qPrintable(run.out));
    QCOMPARE(QDir(expected).entryList({QStringLiteral("*.ccx")}, QDir::Files).size(), 1);
    QCOMPARE(QDir(startFolder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QDir(expected).removeRecursively();
}

QTEST_GUILESS_MAIN(TestTessaroCli)
#include "tst_TessaroCli.moc"
