#include "DeviceList.h"
#include "FontLoader.h"
#include "MainWindowSetup.h"
#include "ScreenReport.h"
#include "SplashChoice.h"

#include <QAction>
#include <QDialog>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QScreen>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void splashChoice_data()
    {
        QTest::addColumn<QSize>("available");
        QTest::addColumn<int>("expected");
        const int small = int(SplashChoice::Size::Small);
        const int medium = int(SplashChoice::Size::Medium);
        const int large = int(SplashChoice::Size::Large);
        QTest::newRow("2048 x 1200") << QSize(2048, 1200) << small;
        QTest::newRow("2049 x 1201") << QSize(2049, 1201) << medium;
        QTest::newRow("2049 x 1200: both must exceed") << QSize(2049, 1200) << small;
        QTest::newRow("2048 x 1201: both must exceed") << QSize(2048, 1201) << small;
        QTest::newRow("4096 x 2304") << QSize(4096, 2304) << medium;
        QTest::newRow("4097 x 2304") << QSize(4097, 2304) << medium;
        QTest::newRow("4097 x 2305") << QSize(4097, 2305) << large;
        QTest::newRow("no screen") << QSize() << small;
    }

    void splashChoice()
    {
        QFETCH(QSize, available);
        QFETCH(int, expected);
        QCOMPARE(int(SplashChoice::ForAvailableSize(available)), expected);
    }

    void splashImagesExistForEveryChoice_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("logText");
        QTest::newRow("small") << int(SplashChoice::Size::Small) << ":/Images/TessaroSplashSmall.bmp" << "Loading Small Splash";
        QTest::newRow("medium") << int(SplashChoice::Size::Medium) << ":/Images/TessaroSplashMedium.bmp" << "Loading Medium Splash";
        QTest::newRow("large") << int(SplashChoice::Size::Large) << ":/Images/TessaroSplashLarge.bmp" << "Loading Large Splash";
    }

    void splashImagesExistForEveryChoice()
    {
        QFETCH(int, size);
        QFETCH(QString, path);
        QFETCH(QString, logText);
        QCOMPARE(SplashChoice::ImagePath(SplashChoice::Size(size)), path);
        QCOMPARE(SplashChoice::LogText(SplashChoice::Size(size)), logText);
        QVERIFY(!QImage(path).isNull());
    }

    void timeZoneText_data()
    {
        QTest::addColumn<int>("offsetSeconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("+05:30") << (5 * 3600 + 30 * 60) << "+05:30 UTC";
        QTest::newRow("-03:30") << -(3 * 3600 + 30 * 60) << "-03:30 UTC";
        QTest::newRow("zero") << 0 << "00:00";
        QTest::newRow("+12:45") << (12 * 3600 + 45 * 60) << "+12:45 UTC";
        QTest::newRow("-00:30") << -(30 * 60) << "-00:30 UTC";
    }

    void timeZoneText()
    {
        QFETCH(int, offsetSeconds);
        QFETCH(QString, expected);
        QCOMPARE(DeviceList::UtcOffsetText(offsetSeconds), expected);
    }

    void fontsLoadFromResources()
    {
        int warnings = 0;
        const int failures = FontLoader::LoadFonts(FontLoader::ResourceFolder(), FontLoader::FontFileNames(),
                                                   [&] { ++warnings; });
        QCOMPARE(failures, 0);
        QCOMPARE(warnings, 0);
        // The application font must really resolve to the registered Light face.
        const QFont font = FontLoader::ApplicationFont();
        QCOMPARE(font.pointSize(), 10);
        QVERIFY(!font.italic());
        const QFontInfo info(font);
        QCOMPARE(info.family(), QStringLiteral("Open Sans"));
        QCOMPARE(info.styleName(), QStringLiteral("Light"));
    }

    void fontFailuresWarnOnce_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("expectedFailures");
        QTest::newRow("missing folder") << ":/NoSuchFolder/" << FontLoader::FontFileNames() << 10;
        QTest::newRow("one missing among good")
            << FontLoader::ResourceFolder()
            << QStringList{"OpenSans-Bold.ttf", "OpenSans-Missing.ttf", "OpenSans-Light.ttf"} << 1;
        // A file that opens but is no font: registration fails.
        QTest::newRow("not a font") << ":/Images/" << QStringList{"logo.png", "clock.png"} << 2;
    }

    void fontFailuresWarnOnce()
    {
        QFETCH(QString, folder);
        QFETCH(QStringList, names);
        QFETCH(int, expectedFailures);
        int warnings = 0;
        QCOMPARE(FontLoader::LoadFonts(folder, names, [&] { ++warnings; }), expectedFailures);
        QCOMPARE(warnings, 1);
    }

    void resourceImages_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::newRow("splash small") << ":/Images/TessaroSplashSmall.bmp" << QSize(600, 350);
        QTest::newRow("splash medium") << ":/Images/TessaroSplashMedium.bmp" << QSize(900, 525);
        QTest::newRow("splash large") << ":/Images/TessaroSplashLarge.bmp" << QSize(1200, 700);
        for (const char *name : {"downloadlargest", "downloadlargest_disabled", "uploadlargest", "uploadlargest_disabled"})
            QTest::newRow(name) << QStringLiteral(":/Images/%1.bmp").arg(QLatin1String(name)) << QSize(400, 300);
        for (const char *name : {"deviceinfoleft", "supportconnect", "sendmessage", "search", "clock", "browse",
                                 "upload", "download"})
            QTest::newRow(name) << QStringLiteral(":/Images/%1.png").arg(QLatin1String(name)) << QSize(32, 32);
        QTest::newRow("logo") << ":/Images/logo.png" << QSize(160, 48);
    }

    void resourceImages()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), size);
    }

    void windowIcons_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("Quor-C") << ":/Quor-C.ico";
        QTest::newRow("Quor") << ":/Quor.ico";
        QTest::newRow("Quor-DS") << ":/Quor-DS.ico";
    }

    void windowIcons()
    {
        QFETCH(QString, path);
        QImageReader reader(path);
        QCOMPARE(reader.imageCount(), 4);
        QList<int> widths;
        for (int i = 0; i < reader.imageCount(); ++i) {
            QVERIFY(reader.jumpToImage(i));
            const QImage image = reader.read();
            QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
            QCOMPARE(image.width(), image.height());
            widths << image.width();
            // Transparent corner, opaque centre: the alpha channel survived.
            QVERIFY(qAlpha(image.pixel(0, 0)) < 128);
            QCOMPARE(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);
        }
        std::sort(widths.begin(), widths.end());
        QCOMPARE(widths, (QList<int>{16, 32, 48, 256}));
    }

    void mainWindowGetsContextHelpAndFlags()
    {
        QDialog window;
        int calls = 0;
        MainWindowSetup::Apply(window, [&] { ++calls; });
        auto *action = window.findChild<QAction *>(QStringLiteral("ContextHelp"));
        QVERIFY(action);
        QVERIFY(window.actions().contains(action));
        QCOMPARE(action->shortcut(), QKeySequence(QStringLiteral("Shift+F1")));
        action->trigger();
        QCOMPARE(calls, 1);
        const Qt::WindowFlags flags = window.windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Window);
        QCOMPARE(MainWindowSetup::WindowFlags(),
                 Qt::WindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint
                                 | Qt::WindowCloseButtonHint));
        // Qt adds the title and system-menu hints these buttons need; a
        // dialog's own context-help button and any other hint must be gone.
        for (Qt::WindowType hint : {Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint, Qt::WindowCloseButtonHint})
            QVERIFY(flags.testFlag(hint));
        for (Qt::WindowType hint : {Qt::WindowContextHelpButtonHint, Qt::FramelessWindowHint, Qt::WindowStaysOnTopHint})
            QVERIFY(!flags.testFlag(hint));
    }

    void orientationNames_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QString>("name");
        QTest::newRow("primary") << int(Qt::PrimaryOrientation) << "Primary";
        QTest::newRow("portrait") << int(Qt::PortraitOrientation) << "Portrait";
        QTest::newRow("landscape") << int(Qt::LandscapeOrientation) << "Landscape";
        QTest::newRow("inverted portrait") << int(Qt::InvertedPortraitOrientation) << "Inverted portrait";
        QTest::newRow("inverted landscape") << int(Qt::InvertedLandscapeOrientation) << "Inverted landscape";
        QTest::newRow("other") << 0x40 << "Unknown";
    }

    void orientationNames()
    {
        QFETCH(int, orientation);
        QFETCH(QString, name);
        QCOMPARE(ScreenReport::OrientationName(orientation), name);
    }

    void screenReportLines()
    {
        const QList<QScreen *> screens = QGuiApplication::screens();
        QVERIFY(!screens.isEmpty());
        const QStringList lines = ScreenReport::Lines(screens, QGuiApplication::primaryScreen());
        QCOMPARE(lines.size(), 2 + 20 * screens.size());
        QCOMPARE(lines.at(0), QStringLiteral("Number of screens: %1").arg(screens.size()));
        QCOMPARE(lines.at(1), "Primary screen: " + QGuiApplication::primaryScreen()->name());

        const QScreen *s = screens.first();
        const QRect g = s->geometry();
        QCOMPARE(lines.at(2), "Information for screen: " + s->name());
        QCOMPARE(lines.at(3), QStringLiteral("  Available geometry: %1 %2 %3 x %4")
                                  .arg(s->availableGeometry().x()).arg(s->availableGeometry().y())
                                  .arg(s->availableGeometry().width()).arg(s->availableGeometry().height()));
        QCOMPARE(lines.at(7), QStringLiteral("  Depth: %1 bits").arg(s->depth()));
        QCOMPARE(lines.at(8), QStringLiteral("  Geometry: %1 %2 %3 x %4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height()));
        QVERIFY(QRegularExpression("^  Physical size: [0-9.]+ x [0-9.]+ mm$").match(lines.at(16)).hasMatch());
        QVERIFY(QRegularExpression("^  Refresh rate: [0-9.]+ Hz$").match(lines.at(18)).hasMatch());
        QCOMPARE(lines.at(21), QStringLiteral("  Virtual size: %1 x %2").arg(s->virtualSize().width()).arg(s->virtualSize().height()));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_Startup.moc"
