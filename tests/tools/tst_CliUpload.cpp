// tessaro-cli upload end to end: the executable writes update files to a
// simulated rebreather on a pseudo-terminal, answering the upload's
// questions from its flags, and says by its exit code how it went.

#include "ToolRun.h"
#include "../worker/UploadLinkRig.h"
#include "../worker/UploadTestFiles.h"
#include "PseudoTerminal.h"
#include "RebreatherSimulator.h"
#include "SimProfiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace UploadTestFiles;

Q_DECLARE_METATYPE(SimProfile)

namespace {

QString CliPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tessaro-cli");
}

ToolRun Cli(const QStringList &arguments)
{
    return ToolRun::Of(QStringLiteral("tessaro-cli"), arguments);
}

QString Firmware(const QString &dir, const QByteArray &id, QMap<quint32, QByteArray> *pieces = nullptr)
{
    const BlockContent b = ColourFirmware(ColourImage(4096, ColourLayout(), 17), id);
    if (pieces)
        *pieces = b.flash;
    return WriteCcr(dir, QStringLiteral("update.ccr"), 0, {b});
}

// Page writes (Flash, write command) the display has received so far.
int DisplayPageWrites(const RebreatherSimulator &sim)
{
    int writes = 0;
    for (const SimRequest &request : RequestsTo(sim, DeviceId::DisplayColour))
        writes += request.opcode == 2 && request.address >= 0x1000;
    return writes;
}

} // namespace

class TestCliUpload : public QObject
{
    Q_OBJECT

private slots:
    void uploadsFirmware();
    void terminalBarNamesTheUpload();
    void killedMidUploadThenUploadedAgain();
    void questionsAnsweredFromFlags_data();
    void questionsAnsweredFromFlags();
    void refusedFiles_data();
    void refusedFiles();
};

void TestCliUpload::uploadsFirmware()
{
    RebreatherSimulator sim(SimProfile::ColourV2Usb);
    QVERIFY(sim.Start());
    QTemporaryDir dir;
    QMap<quint32, QByteArray> pieces;
    const QString file = Firmware(dir.path(), NewerId(), &pieces);
    const ToolRun run = Cli({QStringLiteral("upload"), file, QStringLiteral("--port"), sim.PortPath()});
    QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
    // The estimate follows the write time learned by earlier uploads.
    for (const char *line : {"Firmware Upgrade\n", "Estimated upload time 0:", "Uploading file\n",
                             "Progress 100%", "Upload complete - Verifying data\n", "Upload complete\n"})
        QVERIFY2(run.out.contains(QLatin1String(line)), qPrintable(run.out));
    QVERIFY(FlashHolds(sim, DeviceId::DisplayColour, pieces));
    QCOMPARE(quint8(sim.Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 0, 1).at(0)), quint8(0x08));
}

void TestCliUpload::terminalBarNamesTheUpload()
{
    // On a terminal the progress is a bar redrawn in place; its last state
    // names the operation that completed.
    RebreatherSimulator sim(SimProfile::ColourV2Usb);
    QVERIFY(sim.Start());
    QTemporaryDir dir;
    const QString file = Firmware(dir.path(), NewerId());
    PseudoTerminal terminal;
    QString error;
    QVERIFY2(terminal.Open(&error), qPrintable(error));
    const int flags = fcntl(terminal.MasterFd(), F_GETFL);
    QVERIFY(fcntl(terminal.MasterFd(), F_SETFL, flags | O_NONBLOCK) == 0);

    QProcess process;
    process.setStandardOutputFile(terminal.SlavePath());
    process.start(CliPath(), {QStringLiteral("upload"), file, QStringLiteral("--port"), sim.PortPath()});
    QByteArray out;
    auto drain = [&] {
        char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(terminal.MasterFd(), buffer, sizeof buffer)) > 0)
            out.append(buffer, int(n));
    };
    // The terminal is read while the tool runs, so its output never blocks.
    QDeadlineTimer deadline(120000);
    while (!process.waitForFinished(50) && !deadline.hasExpired())
        drain();
    drain();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 0, out.constData());
    QVERIFY2(out.contains("] 100%  Upload Completed"), out.constData());
    QVERIFY2(!out.contains("Download"), out.constData());
}

void TestCliUpload::killedMidUploadThenUploadedAgain()
{
    // A dealer's upload stopped by killing the tool half-way: the unit
    // reports invalid code, and the same file uploaded again leaves the
    // file's image with valid code.
    RebreatherSimulator sim(SimProfile::ColourV2Usb);
    QVERIFY(sim.Start());
    QTemporaryDir dir;
    QMap<quint32, QByteArray> pieces;
    const QString file = Firmware(dir.path(), NewerId(), &pieces);

    // Slow replies keep the upload going long after the kill is decided.
    SimTiming slow;
    slow.deviceLatencyMs = 100;
    sim.SetTiming(slow);
    QProcess first;
    first.start(CliPath(), {QStringLiteral("upload"), file, QStringLiteral("--port"), sim.PortPath()});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(DisplayPageWrites(sim) >= 3 || first.state() == QProcess::NotRunning, 60000);
    first.kill();
    QVERIFY(first.waitForFinished(30000));
    int pages = 0;
    for (const QByteArray &piece : qAsConst(pieces))
        pages += (piece.size() + 63) / 64;
    QVERIFY2(DisplayPageWrites(sim) < pages, "the upload ended before it could be interrupted");
    QVERIFY(quint8(sim.Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 0, 1).at(0)) >= 16);
    QVERIFY(!FlashHolds(sim, DeviceId::DisplayColour, pieces));

    sim.SetTiming(SimTiming());
    const ToolRun again = Cli({QStringLiteral("upload"), file, QStringLiteral("--port"), sim.PortPath()});
    QVERIFY2(again.exitCode == 0, qPrintable(again.out + again.err));
    QVERIFY(again.out.contains(QStringLiteral("Upload complete\n")));
    QVERIFY(FlashHolds(sim, DeviceId::DisplayColour, pieces));
    QCOMPARE(quint8(sim.Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 0, 1).at(0)), quint8(0x08));
}

void TestCliUpload::questionsAnsweredFromFlags_data()
{
    QTest::addColumn<SimProfile>("profile");
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<QStringList>("flags");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");
    const QByteArray older = IdBytes(1, 1, 24, 0x07, 0x01, 0x03);
    const QByteArray migrating = NewerId();
    QTest::newRow("older code, no flag") << SimProfile::ColourV2Usb << older << QStringList{} << 1
                                         << "Error, Code Version & Date checks";
    QTest::newRow("older code, --yes") << SimProfile::ColourV2Usb << older << QStringList{"--yes"} << 0
                                       << "Upload complete";
    QTest::newRow("logging change, --yes only") << SimProfile::ColourV1Usb << migrating << QStringList{"--yes"} << 1
                                                << "Logging Format Change Check - Aborting Upload";
    QTest::newRow("logging change, both flags") << SimProfile::ColourV1Usb << migrating
                                                << QStringList{"--yes", "--accept-profile-loss"} << 0
                                                << "Upload complete";
}

void TestCliUpload::questionsAnsweredFromFlags()
{
    QFETCH(SimProfile, profile);
    QFETCH(QByteArray, id);
    QFETCH(QStringList, flags);
    QFETCH(int, exitCode);
    QFETCH(QString, said);

    RebreatherSimulator sim(profile);
    QVERIFY(sim.Start());
    QTemporaryDir dir;
    const QByteArray before = sim.Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1400, 0xC00);
    const ToolRun run = Cli(QStringList{QStringLiteral("upload"), Firmware(dir.path(), id), QStringLiteral("--port"),
                                    sim.PortPath()}
                        + flags);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.out.contains(said + QLatin1Char('\n')), qPrintable(run.out));
    if (exitCode != 0) {
        QVERIFY(run.out.contains(QStringLiteral("Upload not permitted\n")));
        QCOMPARE(sim.Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1400, 0xC00), before);
    }
}

void TestCliUpload::refusedFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");
    QTest::newRow("not an update file") << "update.hex" << 1 << "Invalid file extension";
    QTest::newRow("no file") << "" << 2 << "No update file given";
}

void TestCliUpload::refusedFiles()
{
    QFETCH(QString, name);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QTemporaryDir dir;
    QStringList args{QStringLiteral("upload")};
    if (!name.isEmpty())
        args << dir.filePath(name);
    const ToolRun run = Cli(args + QStringList{QStringLiteral("--simulate"), QStringLiteral("colour-v2-usb")});
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2((run.out + run.err).contains(said), qPrintable(run.out + run.err));
}

QTEST_GUILESS_MAIN(TestCliUpload)
#include "tst_CliUpload.moc"
