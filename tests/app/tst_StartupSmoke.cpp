#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

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
        QVERIFY(home.isValid());
        const QString runtime = home.path() + "/run";
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

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
};

QTEST_GUILESS_MAIN(TestStartupSmoke)
#include "tst_StartupSmoke.moc"
