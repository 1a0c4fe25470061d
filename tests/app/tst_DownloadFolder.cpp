#include "AppSettings.h"
#include "DownloadFolder.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// The download folder rule: whatever the user typed or a settings file
// holds, the folder is absolute and never depends on the folder the program
// was started from.
class tst_DownloadFolder : public QObject
{
    Q_OBJECT
private slots:
    void resolve_data();
    void resolve();
    void currentAndStore();
};

void tst_DownloadFolder::resolve_data()
{
    QTest::addColumn<QString>("typed");
    // "HOME" stands for the home folder, "DEFAULT" for the default folder.
    QTest::addColumn<QString>("expected");

    QTest::newRow("absolute") << "/data/dives" << "/data/dives";
    QTest::newRow("absolute, cleaned") << "/data//dives/./old/../" << "/data/dives";
    QTest::newRow("relative") << "Dives" << "HOME/Dives";
    QTest::newRow("relative, nested") << "Dives/2024/Red Sea" << "HOME/Dives/2024/Red Sea";
    QTest::newRow("relative, dot") << "./Dives" << "HOME/Dives";
    QTest::newRow("relative, climbing out of home") << "../elsewhere" << "HOME/../elsewhere";
    QTest::newRow("tilde") << "~" << "HOME";
    QTest::newRow("tilde and folder") << "~/Dives" << "HOME/Dives";
    QTest::newRow("tilde user is a plain name") << "~diver/Dives" << "HOME/~diver/Dives";
    QTest::newRow("blanks around") << "  Dives  " << "HOME/Dives";
    QTest::newRow("empty") << "" << "DEFAULT";
    QTest::newRow("only blanks") << "   " << "DEFAULT";
}

void tst_DownloadFolder::resolve()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);

    const QString defaultFolder = AppSettings::DefaultValue(AppSettings::Key::DownloadDirectory).toString();
    expected.replace(QStringLiteral("DEFAULT"), defaultFolder);
    expected.replace(QStringLiteral("HOME"), QDir::homePath());
    expected = QDir::cleanPath(expected);

    // Whatever folder the program runs in.
    QTemporaryDir elsewhere;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    const QString resolved = DownloadFolder::Resolve(typed);
    QVERIFY(QDir::setCurrent(previous));

    QCOMPARE(resolved, expected);
    QVERIFY(QDir::isAbsolutePath(resolved));
}

void tst_DownloadFolder::currentAndStore()
{
    // A relative folder in the settings file (hand-edited, or from an older
    // version) is read below home as well.
    AppSettings::SetValue(AppSettings::Key::DownloadDirectory, QStringLiteral("Logs"));
    QCOMPARE(DownloadFolder::Current(), QDir::homePath() + QStringLiteral("/Logs"));

    QCOMPARE(DownloadFolder::Store(QStringLiteral("~/Quor")), QDir::homePath() + QStringLiteral("/Quor"));
    QCOMPARE(AppSettings::StringValue(AppSettings::Key::DownloadDirectory), QDir::homePath() + QStringLiteral("/Quor"));

    QSettings().remove(AppSettings::KeyName(AppSettings::Key::DownloadDirectory));
}

QTEST_GUILESS_MAIN(tst_DownloadFolder)
#include "tst_DownloadFolder.moc"
