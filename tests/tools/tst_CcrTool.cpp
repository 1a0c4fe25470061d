// The update-file tool, run as a process on HEX files.

#include "ToolRun.h"
#include "CcrBuilder.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

ToolRun Tool(const QStringList &arguments)
{
    return ToolRun::Of(QStringLiteral("tessaro-ccrtool"), arguments, 30000);
}

QString WriteHex(const QString &path, const QStringList &lines)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write(lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
    return path;
}

} // namespace

class TestCcrTool : public QObject
{
    Q_OBJECT
private slots:
    void makesAFileTheProgramLoads_data();
    void makesAFileTheProgramLoads();
    void refusals_data();
    void refusals();
};

void TestCcrTool::makesAFileTheProgramLoads_data()
{
    QTest::addColumn<bool>("plain");
    QTest::addColumn<bool>("withEndRecord");
    QTest::newRow("secured") << false << true;
    QTest::newRow("plain binary, no end record in the HEX file") << true << false;
}

void TestCcrTool::makesAFileTheProgramLoads()
{
    QFETCH(bool, plain);
    QFETCH(bool, withEndRecord);
    QTemporaryDir dir;
    QStringList display = CcrBuilder::DataRecords(0x1000, QByteArray(4096, 'x'), 16)
                          + CcrBuilder::DataRecords(0x200000, QByteArray::fromHex("0106190100070105"))
                          + CcrBuilder::DataRecords(0xF00020, QByteArray::fromHex("0102"));
    if (withEndRecord)
        display << CcrBuilder::EndOfFileRecord();
    const QStringList c1 = CcrBuilder::DataRecords(0x2100, QByteArray(1024, 'y'))
                           + QStringList{CcrBuilder::EndOfFileRecord()};
    const QString out = dir.filePath(QStringLiteral("update.ccr"));
    QStringList args{"make", "--type", "firmware", "--out", out,
                     "--block", "BC:" + WriteHex(dir.filePath("display.hex"), display),
                     "--block", "B2:" + WriteHex(dir.filePath("c1.hex"), c1)};
    if (plain)
        args << "--plain";
    const ToolRun made = Tool(args);
    QVERIFY2(made.exitCode == 0, qPrintable(made.err));
    QCOMPARE(made.out,
             QStringLiteral("Firmware Upgrade\nConfig Absent\nEeprom Present\nConfig Absent\nEeprom Absent\n"
                            "Block BC: Flash 0x001000-0x001FFF, 64 pages, ID, Eeprom 2 bytes\n"
                            "Block B2: Flash 0x002100-0x0024FF, 16 pages\n"
                            "Estimated upload time 10 (s)\n"));
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(3);
    QCOMPARE(head.left(2) == QByteArray(2, '\0'), plain);
    QCOMPARE(head == QByteArray::fromHex("F35346"), !plain);

    const ToolRun checked = Tool({"check", out});
    QCOMPARE(checked.exitCode, 0);
    QCOMPARE(checked.out, made.out);
}

void TestCcrTool::refusals_data()
{
    QTest::addColumn<QStringList>("hexLines");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");
    QTest::newRow("bad checksum") << QStringList{":0400000001020304F3"} << "firmware" << 2 << "display.hex:1:";
    QTest::newRow("code area starts later") << CcrBuilder::DataRecords(0x1040, QByteArray(64, 'x')) << "firmware" << 3
                                            << "refused: Invalid address. Start address 0x001040 does not equal 0x001000";
    QTest::newRow("unknown type") << CcrBuilder::DataRecords(0x1000, QByteArray(64, 'x')) << "fix" << 1
                                  << "Unknown type fix";
}

void TestCcrTool::refusals()
{
    QFETCH(QStringList, hexLines);
    QFETCH(QString, type);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("update.ccr"));
    const ToolRun run = Tool({"make", "--type", type, "--out", out, "--block",
                          "BC:" + WriteHex(dir.filePath("display.hex"), hexLines)});
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(error), qPrintable(run.err));
    QVERIFY(!QFile::exists(out));
}

QTEST_GUILESS_MAIN(TestCcrTool)
#include "tst_CcrTool.moc"
