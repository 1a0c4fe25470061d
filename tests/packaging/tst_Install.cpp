// Installs the build with `cmake --install` into a staging prefix, then runs
// what was installed: the program (by its link in the command folder, as a
// user starts it), the command-line tools, and checks the desktop entry,
// its icon and the translations beside the program.
#include "LogFileWriter.h"
#include "LogRecordGenerator.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

struct Run
{
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

Run Start(const QString &program, const QStringList &arguments, const QProcessEnvironment &env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    Run run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.finished = process.exitStatus() == QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString Describe(const Run &run)
{
    return QStringLiteral("exit %1\nstdout:\n%2\nstderr:\n%3").arg(run.exitCode).arg(run.out, run.err);
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void filesInPlace_data();
    void filesInPlace();
    void onlyProgramsForUsersInstalled();
    void programLinkPointsBesideItsTranslations();
    void versionAndHelpWithoutDisplay_data();
    void versionAndHelpWithoutDisplay();
    void unknownOptionIsRefused();
    void installedProgramStartsAndLogs();
    void installedDiveLogToolReadsGeneratedLog();
    void installedToolsAnswerHelp_data();
    void installedToolsAnswerHelp();
    void desktopEntry();

private:
    QString Installed(const QString &relative) const { return m_stage.filePath(relative); }
    QString Bin(const QString &name) const
    {
        return Installed(QStringLiteral(TESSARO_INSTALL_BIN_DIR "/") + name);
    }
    QProcessEnvironment Environment() const;

    QTemporaryDir m_stage;
    QTemporaryDir m_home;
};

void TestInstall::initTestCase()
{
    QVERIFY(m_stage.isValid());
    QVERIFY(m_home.isValid());
    const Run install = Start(QStringLiteral(TESSARO_CMAKE_COMMAND),
                              {QStringLiteral("--install"), QStringLiteral(TESSARO_BUILD_DIR),
                               QStringLiteral("--prefix"), m_stage.path()},
                              QProcessEnvironment::systemEnvironment());
    QVERIFY2(install.finished && install.exitCode == 0, qPrintable(Describe(install)));
}

QProcessEnvironment TestInstall::Environment() const
{
    // A home of its own: the installed program's settings and status logs
    // stay inside the test.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString home = m_home.path();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

void TestInstall::filesInPlace_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");

    QTest::newRow("program") << TESSARO_INSTALL_PROGRAM_DIR "/Tessaro" << true;
    QTest::newRow("program link") << TESSARO_INSTALL_BIN_DIR "/Tessaro" << true;
    QTest::newRow("simulator") << TESSARO_INSTALL_BIN_DIR "/tessaro-simulator" << true;
    QTest::newRow("status-log reader") << TESSARO_INSTALL_BIN_DIR "/tessaro-logreader" << true;
    QTest::newRow("dive-log tool") << TESSARO_INSTALL_BIN_DIR "/divelogtool" << true;
    QTest::newRow("device operations without windows") << TESSARO_INSTALL_BIN_DIR "/tessaro-cli" << true;
    QTest::newRow("German translation") << TESSARO_INSTALL_TRANSLATIONS_DIR "/Tessaro_de.qm" << false;
    QTest::newRow("desktop entry") << TESSARO_INSTALL_DESKTOP_DIR "/tessaro.desktop" << false;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        QTest::newRow(qPrintable(QStringLiteral("icon %1").arg(size)))
            << QStringLiteral(TESSARO_INSTALL_ICON_DIR "/hicolor/%1x%1/apps/tessaro.png").arg(size) << false;
    }
}

void TestInstall::filesInPlace()
{
    QFETCH(QString, path);
    QFETCH(bool, executable);
    const QFileInfo info(Installed(path));
    QVERIFY2(info.exists(), qPrintable(info.filePath()));
    QVERIFY(info.size() > 0);
    QCOMPARE(info.isExecutable(), executable);
}

void TestInstall::onlyProgramsForUsersInstalled()
{
    // Build tools, tests, benchmarks and fuzz targets stay out.
    const QStringList installed = QDir(Installed(TESSARO_INSTALL_BIN_DIR)).entryList(QDir::Files);
    for (const QString &name : installed) {
        QVERIFY2(name != QLatin1String("imagegen") && !name.startsWith(QLatin1String("test_"))
                     && !name.startsWith(QLatin1String("bench_")) && !name.startsWith(QLatin1String("fuzz_")),
                 qPrintable(name));
    }
}

void TestInstall::programLinkPointsBesideItsTranslations()
{
    // The program finds "translations" beside its real location; the link
    // is relative, so the installation can be moved (DESTDIR, packages).
    const QFileInfo link(Bin(QStringLiteral("Tessaro")));
    QVERIFY(link.isSymLink());
    char target[4096] = {};
    const ssize_t length = ::readlink(QFile::encodeName(link.filePath()).constData(), target, sizeof target - 1);
    QVERIFY(length > 0);
    QVERIFY2(QDir::isRelativePath(QString::fromLocal8Bit(target, int(length))), target);
    QCOMPARE(QFileInfo(link.canonicalFilePath()).absolutePath(),
             QFileInfo(Installed(TESSARO_INSTALL_PROGRAM_DIR)).canonicalFilePath());
    QVERIFY(QFileInfo::exists(QFileInfo(link.canonicalFilePath()).absolutePath()
                              + QStringLiteral("/translations/Tessaro_de.qm")));
}

void TestInstall::versionAndHelpWithoutDisplay_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("expected"); // a pattern the output must match

    QTest::newRow("--version") << "--version" << "^Tessaro 1\\.2\\.6\\.0\\n$";
    QTest::newRow("-v") << "-v" << "^Tessaro 1\\.2\\.6\\.0\\n$";
    QTest::newRow("--help") << "--help" << "--simulate[^\\n]*\\n(.*\\n)*.*colour-v2-usb";
    QTest::newRow("-h") << "-h" << "-v, --version";
}

void TestInstall::versionAndHelpWithoutDisplay()
{
    QFETCH(QString, argument);
    QFETCH(QString, expected);
    // The X11 platform without a display: creating a window-system
    // connection would abort, so the answer must come without one; a GUI
    // application option beside it ("-reverse") does not get in the way.
    QProcessEnvironment env = Environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const Run run = Start(Bin(QStringLiteral("Tessaro")), {QStringLiteral("-reverse"), argument}, env);
    QVERIFY2(run.finished && run.exitCode == 0, qPrintable(Describe(run)));
    QVERIFY2(QRegularExpression(expected).match(run.out).hasMatch(), qPrintable(Describe(run)));
}

void TestInstall::unknownOptionIsRefused()
{
    const Run run = Start(Bin(QStringLiteral("Tessaro")), {QStringLiteral("--no-such-option")}, Environment());
    QVERIFY2(run.finished, qPrintable(Describe(run)));
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("no-such-option")), qPrintable(Describe(run)));
}

void TestInstall::installedProgramStartsAndLogs()
{
    QProcessEnvironment env = Environment();
    env.insert(QStringLiteral("TESSARO_QUIT_AFTER_MS"), QStringLiteral("1500"));
    const Run run = Start(Bin(QStringLiteral("Tessaro")), {QStringLiteral("--simulate=mono-serial")}, env);
    QVERIFY2(run.finished && run.exitCode == 0, qPrintable(Describe(run)));

    const QDir logs(m_home.path() + QStringLiteral("/data/Quor/Tessaro"));
    const QStringList files = logs.entryList({QStringLiteral("Tessaro_*.log")}, QDir::Files);
    QVERIFY2(!files.isEmpty(), "the installed program wrote no status log");
    const Run reader = Start(Bin(QStringLiteral("tessaro-logreader")), {logs.filePath(files.first())}, env);
    QVERIFY2(reader.finished && reader.exitCode == 0, qPrintable(Describe(reader)));
    QVERIFY2(reader.out.contains(QStringLiteral("MSG Starting Windows Tessaro Version 1.2.6.0")), qPrintable(reader.out));
    QVERIFY2(reader.out.contains(QStringLiteral("SIM1")), qPrintable(reader.out));
}

void TestInstall::installedDiveLogToolReadsGeneratedLog()
{
    DivePlan plan;
    plan.profile = {{0, 0}, {60, 15}, {600, 15}, {720, 0}};
    plan.diveNumber = 7;
    const QString ccl = m_home.filePath(QStringLiteral("12A3456_dive.ccl"));
    QString error;
    QVERIFY2(LogFileWriter::WriteSecured(ccl, LogRecordGenerator::LogFile(plan), &error), qPrintable(error));

    const Run run = Start(Bin(QStringLiteral("divelogtool")), {QStringLiteral("summary"), ccl}, Environment());
    QVERIFY2(run.finished && run.exitCode == 0, qPrintable(Describe(run)));
    QVERIFY2(run.out.contains(QStringLiteral("Dive: 7\n")), qPrintable(Describe(run)));
}

void TestInstall::installedToolsAnswerHelp_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("simulator") << "tessaro-simulator" << "--profile";
    QTest::newRow("status-log reader") << "tessaro-logreader" << "--offsets";
    QTest::newRow("device operations without windows") << "tessaro-cli" << "clock-sync";
}

void TestInstall::installedToolsAnswerHelp()
{
    QFETCH(QString, tool);
    QFETCH(QString, mentions);
    const Run run = Start(Bin(tool), {QStringLiteral("--help")}, Environment());
    QVERIFY2(run.finished && run.exitCode == 0, qPrintable(Describe(run)));
    QVERIFY2(run.out.contains(mentions), qPrintable(Describe(run)));
}

void TestInstall::desktopEntry()
{
    const QString path = Installed(TESSARO_INSTALL_DESKTOP_DIR "/tessaro.desktop");
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    QVERIFY2(!validator.isEmpty(), "desktop-file-validate is missing: run scripts/install-deps.sh");
    const Run check = Start(validator, {path}, Environment());
    QVERIFY2(check.finished && check.exitCode == 0 && check.out.trimmed().isEmpty(), qPrintable(Describe(check)));

    QSettings entry(path, QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    // The command names the installed program, the icon names the installed icon.
    QVERIFY(QFileInfo(Bin(entry.value(QStringLiteral("Exec")).toString())).isExecutable());
    const QString icon = entry.value(QStringLiteral("Icon")).toString();
    QImageReader reader(Installed(QStringLiteral(TESSARO_INSTALL_ICON_DIR "/hicolor/256x256/apps/") + icon
                                  + QStringLiteral(".png")));
    QCOMPARE(reader.size(), QSize(256, 256));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_Install.moc"
