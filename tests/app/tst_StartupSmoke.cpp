#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Runs the real program in home (its settings file holding settingsText when
// that is not empty) until it leaves by itself.
void runProgram(const QTemporaryDir &home, const QByteArray &settingsText = QByteArray())
{
    const QString bin = QCoreApplication::applicationDirPath();
    QVERIFY(home.isValid());
    const QString runtime = home.path() + "/run";
    QVERIFY(QDir().mkpath(runtime));
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!settingsText.isEmpty()) {
        QVERIFY(QDir().mkpath(home.path() + "/config/Quor"));
        QFile settings(home.path() + "/config/Quor/Tessaro.conf");
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write(settingsText);
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_DATA_HOME", home.path() + "/data");
    env.insert("XDG_CONFIG_HOME", home.path() + "/config");
    env.insert("XDG_CACHE_HOME", home.path() + "/cache");
    env.insert("XDG_RUNTIME_DIR", runtime);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TESSARO_QUIT_AFTER_MS", "1500");

    QProcess program;
    program.setProcessEnvironment(env);
    program.start(bin + "/Tessaro", QStringList());
    QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));
    if (!program.waitForFinished(60000)) {
        program.kill();
        program.waitForFinished();
        QFAIL("the program did not leave its event loop");
    }
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

} // namespace

// Starts the real program under the offscreen platform with a home folder of
// its own, lets it leave by itself, and reads its status log back with the
// reader tool.
class TestStartupSmoke : public QObject
{
    Q_OBJECT

private slots:
    void programStartsLogsAndQuitsCleanly()
    {
        const QString bin = QCoreApplication::applicationDirPath();
        QTemporaryDir home;
        runProgram(home);
        if (QTest::currentTestFailed())
            return;

        const QDir logDir(home.path() + "/data/Quor/Tessaro");
        const QStringList logs = logDir.entryList({"Tessaro_*.log"}, QDir::Files, QDir::Name);
        QVERIFY2(!logs.isEmpty(), "no status log written");

        QStringList args;
        for (const QString &name : logs)
            args << logDir.filePath(name);
        QProcess reader;
        reader.start(bin + "/tessaro-logreader", args);
        QVERIFY(reader.waitForFinished(30000));
        QCOMPARE(reader.exitCode(), 0);
        const QString text = QString::fromUtf8(reader.readAllStandardOutput());

        const QString time = QStringLiteral("^\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d ");
        const QStringList expectedLines = {
            time + "MSG Starting Windows Tessaro Version 1.2.6.0$",
            time + "MSG Time Zone (00:00|[+-]\\d\\d:\\d\\d UTC)$",
            time + "DBG Number of screens: 1$",
            time + "DBG   Available size: \\d+ x \\d+$",
            time + "DBG Screen Size QSize\\(\\d+, \\d+\\) Loading (Small|Medium|Large) Splash$",
        };
        for (const QString &pattern : expectedLines) {
            const QRegularExpression re(pattern, QRegularExpression::MultilineOption);
            QVERIFY2(re.match(text).hasMatch(), qPrintable("missing line " + pattern + " in:\n" + text));
        }
        // The start-up lines come in their order.
        QVERIFY(text.indexOf("Starting Windows Tessaro") < text.indexOf("Time Zone"));
        QVERIFY(text.indexOf("Time Zone") < text.indexOf("Number of screens"));
        QVERIFY(!text.contains("Unable to load font"));
    }

    // Settings files that once made every start hang or crash, or would open
    // the window where no one can see it.
    void hostileWindowGeometryStillStarts_data()
    {
        QTest::addColumn<QByteArray>("settingsText");
        QTest::newRow("60000 x 60000") << QByteArray("[Settings]\nGeometry%20Main%20Size=@Size(60000 60000)\n");
        QTest::newRow("40000 x 30000 on a detached monitor")
            << QByteArray("[Settings]\nGeometry%20Main%20Size=@Size(40000 30000)\n"
                          "Geometry%20Main%20Pos=@Point(-50000 90000)\n");
        QTest::newRow("damaged values of every kind")
            << QByteArray("[Settings]\nGeometry%20Main=@ByteArray(\\x1d\\x9d\\f\\xcb\\0\\x3)\n"
                          "Geometry%20Main%20Size=@Size(-7 abc)\nGeometry%20Main%20Pos=hello\n"
                          "Geometry%20Main%20Maximized=@Variant(\\0\\0\\0\\x7f)\n");
    }

    void hostileWindowGeometryStillStarts()
    {
        QFETCH(QByteArray, settingsText);
        QTemporaryDir home;
        runProgram(home, settingsText);
    }
};

QTEST_GUILESS_MAIN(TestStartupSmoke)
#include "tst_StartupSmoke.moc"
