// Window geometry from the settings: whatever a settings file holds, every
// window opens whole on an attached screen. The offscreen platform offers one
// 800 x 600 screen, smaller than the main window's designed size.

#include "WindowCatalogue.h"
#include "WindowGeometry.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>

namespace {

// A geometry laid out as the toolkit saves it (version 3 unless told).
QByteArray savedGeometry(const QRect &frame, const QRect &normal, qint32 screen = 0, quint8 maximized = 0,
                         quint8 fullScreen = 0, qint32 screenWidth = 800, quint16 major = 3,
                         quint32 magic = 0x1D9D0CB)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_4_0);
    stream << magic << major << quint16(0) << frame << normal << screen << maximized << fullScreen;
    if (major >= 2)
        stream << screenWidth;
    if (major >= 3)
        stream << frame;
    return bytes;
}

QByteArray savedGeometry(const QRect &rect)
{
    return savedGeometry(rect, rect);
}

const QRect extremes(QPoint(INT_MIN, INT_MIN), QPoint(INT_MAX, INT_MAX));

// Gives each test case a settings file of its own, written as text exactly
// as it would lie on disk, so that values of any type and any damage reach
// the program through the real settings store.
class SettingsFile
{
public:
    SettingsFile()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_folder.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_folder.path());
    }
    ~SettingsFile()
    {
        const QString home = qEnvironmentVariable("XDG_CONFIG_HOME");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home);
    }
    // One line "name=text" under [Settings], text as it stands in the file.
    void WriteRaw(AppSettings::Key key, const QString &text)
    {
        const QString name = AppSettings::KeyName(key).section(QLatin1Char('/'), 1).replace(QLatin1Char(' '),
                                                                                              QStringLiteral("%20"));
        const QString path = QSettings().fileName();
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("[Settings]\n%1=%2\n").arg(name, text).toUtf8());
    }
    bool isValid() const { return m_folder.isValid(); }

private:
    QTemporaryDir m_folder;
};

QRect availableArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

bool onScreen(const QWidget *window)
{
    return availableArea().contains(window->frameGeometry());
}

// Every control of the window lies inside it, is shown, and has at least the
// size it asks for as its minimum: nothing is cut off or squeezed away.
void verifyEveryControlReachable(QWidget *window)
{
    const QRect inside = window->rect();
    for (QWidget *control : window->findChildren<QWidget *>()) {
        if (!qobject_cast<QAbstractButton *>(control) && !qobject_cast<QComboBox *>(control)
            && !qobject_cast<QPlainTextEdit *>(control))
            continue;
        const QString what = control->objectName() + QStringLiteral(" at ")
                             + QString::number(control->mapTo(window, QPoint()).x()) + QLatin1Char(',')
                             + QString::number(control->mapTo(window, QPoint()).y()) + QStringLiteral(" size ")
                             + QString::number(control->width()) + QLatin1Char('x')
                             + QString::number(control->height());
        QVERIFY2(control->isVisible(), qPrintable(what));
        QVERIFY2(inside.contains(QRect(control->mapTo(window, QPoint()), control->size())), qPrintable(what));
        const QSize needed = control->minimumSizeHint().expandedTo(control->minimumSize());
        QVERIFY2(control->width() >= needed.width() && control->height() >= needed.height(), qPrintable(what));
    }
}

} // namespace

class tst_WindowGeometry : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void fitRule_data();
    void fitRule();
    void plausibleSavedGeometry_data();
    void plausibleSavedGeometry();
    void hostileSettings_data();
    void hostileSettings();
    void savedGeometryComesBack_data();
    void savedGeometryComesBack();
    void maximisedMainWindowKeepsItsNormalPlace();
    void offScreenMainWindowReturnsToPrimary();
    void mainWindowFitsSmallScreen();
    void mainWindowAtItsMinimum_data();
    void mainWindowAtItsMinimum();
};

void tst_WindowGeometry::init()
{
    QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 800, 600));
}

void tst_WindowGeometry::fitRule_data()
{
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<int>("primary");
    QTest::addColumn<QRect>("expected");

    const QList<QRect> one{QRect(0, 0, 1024, 600)};
    // A laptop screen with a larger monitor to its left; the laptop is primary.
    const QList<QRect> two{QRect(0, 0, 1366, 738), QRect(-1920, -300, 1920, 1040)};
    const QSize small(200, 150);

    QTest::newRow("fits already") << QRect(100, 50, 800, 500) << small << one << 0 << QRect(100, 50, 800, 500);
    QTest::newRow("too tall for a 1024x600 screen")
        << QRect(80, 20, 860, 640) << small << one << 0 << QRect(80, 0, 860, 600);
    QTest::newRow("60000 x 60000") << QRect(0, 0, 60000, 60000) << small << one << 0 << QRect(0, 0, 1024, 600);
    QTest::newRow("40000 x 30000 far away")
        << QRect(20000, 9000, 40000, 30000) << small << one << 0 << QRect(0, 0, 1024, 600);
    QTest::newRow("hanging over the bottom right")
        << QRect(900, 500, 400, 300) << small << one << 0 << QRect(624, 300, 400, 300);
    QTest::newRow("above and left of the screen")
        << QRect(-300, -200, 400, 300) << small << one << 0 << QRect(0, 0, 400, 300);
    QTest::newRow("empty frame takes the minimum")
        << QRect(10, 10, 0, 0) << small << one << 0 << QRect(10, 10, 200, 150);
    QTest::newRow("negative size takes the minimum")
        << QRect(QPoint(10, 10), QPoint(-500, -500)) << small << one << 0 << QRect(10, 10, 200, 150);
    QTest::newRow("extreme corners") << extremes << small << one << 0 << QRect(0, 0, 1024, 600);
    QTest::newRow("minimum larger than the screen keeps the title bar on it")
        << QRect(300, 300, 500, 500) << QSize(1200, 700) << one << 0 << QRect(0, 0, 1200, 700);
    QTest::newRow("on the monitor to the left")
        << QRect(-1800, -200, 800, 600) << small << two << 0 << QRect(-1800, -200, 800, 600);
    QTest::newRow("mostly on the left monitor, pulled onto it")
        << QRect(-500, 100, 800, 600) << small << two << 0 << QRect(-800, 100, 800, 600);
    QTest::newRow("mostly on the laptop, pulled onto it")
        << QRect(-100, 100, 800, 600) << small << two << 0 << QRect(0, 100, 800, 600);
    QTest::newRow("on a monitor no longer attached goes to the primary")
        << QRect(1500, 100, 800, 600) << small << QList<QRect>{QRect(0, 0, 1366, 738)} << 0
        << QRect(566, 100, 800, 600);
    QTest::newRow("off every screen, primary listed second")
        << QRect(5000, 5000, 300, 200) << small << QList<QRect>{QRect(-1920, 0, 1920, 1080), QRect(0, 0, 1280, 1024)}
        << 1 << QRect(980, 824, 300, 200);
    QTest::newRow("no primary known takes the first screen")
        << QRect(5000, 5000, 300, 200) << small << one << 7 << QRect(724, 400, 300, 200);
    QTest::newRow("no screens leaves the frame alone")
        << QRect(5, 6, 7, 8) << small << QList<QRect>() << 0 << QRect(5, 6, 7, 8);
}

void tst_WindowGeometry::fitRule()
{
    QFETCH(QRect, frame);
    QFETCH(QSize, minimum);
    QFETCH(QList<QRect>, screens);
    QFETCH(int, primary);
    QFETCH(QRect, expected);
    QCOMPARE(WindowGeometry::Fit(frame, minimum, screens, primary), expected);
}

void tst_WindowGeometry::plausibleSavedGeometry_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("plausible");

    QWidget window;
    window.setGeometry(120, 90, 400, 300);
    const QByteArray real = window.saveGeometry();
    const QRect normal(100, 100, 640, 480);

    QTest::newRow("saved by a window") << real << true;
    QTest::newRow("version 3") << savedGeometry(normal) << true;
    QTest::newRow("version 2") << savedGeometry(normal, normal, 0, 0, 0, 800, 2) << true;
    QTest::newRow("version 1") << savedGeometry(normal, normal, 0, 0, 0, 800, 1) << true;
    QTest::newRow("maximised, never shown normal")
        << savedGeometry(QRect(0, 0, 800, 600), QRect(), 0, 1) << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("cut short") << real.left(real.size() - 20) << false;
    QTest::newRow("garbage") << QByteArray("\x01\x02\x03garbage bytes of no meaning", 29) << false;
    QTest::newRow("wrong magic") << savedGeometry(normal, normal, 0, 0, 0, 800, 3, 0xDEADBEEF) << false;
    QTest::newRow("future version") << savedGeometry(normal, normal, 0, 0, 0, 800, 4) << false;
    QTest::newRow("version 0") << savedGeometry(normal, normal, 0, 0, 0, 800, 0) << false;
    QTest::newRow("60000 x 60000") << savedGeometry(QRect(0, 0, 60000, 60000)) << true;
    QTest::newRow("beyond any screen") << savedGeometry(QRect(0, 0, 4000000, 4000000)) << false;
    QTest::newRow("extreme corners") << savedGeometry(extremes) << false;
    QTest::newRow("negative size") << savedGeometry(QRect(QPoint(10, 10), QPoint(-500, -500))) << false;
    QTest::newRow("zero size") << savedGeometry(QRect(10, 10, 0, 0)) << false;
    QTest::newRow("screen 99") << savedGeometry(normal, normal, 99) << true;
    QTest::newRow("screen -7") << savedGeometry(normal, normal, -7) << false;
    QTest::newRow("screen width negative") << savedGeometry(normal, normal, 0, 0, 0, -800) << false;
}

void tst_WindowGeometry::plausibleSavedGeometry()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, plausible);
    QCOMPARE(WindowGeometry::IsPlausibleSavedGeometry(bytes), plausible);
}

void tst_WindowGeometry::hostileSettings_data()
{
    QTest::addColumn<QString>("windowName");
    QTest::addColumn<int>("key");
    // Either a value the settings store writes itself, or (when raw is set)
    // the text as it stands in the file.
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("raw");

    struct Row {
        const char *name;
        QVariant value;
        QString raw;
    };
    const QList<Row> savedGeometryRows = {
        {"60000 x 60000", savedGeometry(QRect(0, 0, 60000, 60000)), {}},
        {"40000 x 30000", savedGeometry(QRect(0, 0, 40000, 30000)), {}},
        {"beyond any screen", savedGeometry(QRect(0, 0, 4000000, 4000000)), {}},
        {"negative size", savedGeometry(QRect(QPoint(10, 10), QPoint(-500, -500))), {}},
        {"zero size", savedGeometry(QRect(10, 10, 0, 0)), {}},
        {"extreme corners", savedGeometry(extremes), {}},
        {"off every screen", savedGeometry(QRect(5000, 4000, 300, 200)), {}},
        {"screen 99", savedGeometry(QRect(100, 100, 300, 200), QRect(100, 100, 300, 200), 99), {}},
        {"full screen and maximised, huge normal",
         savedGeometry(QRect(0, 0, 800, 600), QRect(-90000, -90000, 60000, 60000), 0, 1, 1), {}},
        {"cut short", savedGeometry(QRect(100, 100, 300, 200)).left(17), {}},
        {"garbage bytes", QByteArray("\x1d\x9d\x0c\xb0 not a geometry", 19), {}},
        {"empty bytes", QByteArray(), {}},
        {"text", {}, QStringLiteral("hello")},
        {"number", {}, QStringLiteral("12345")},
        {"negative number", {}, QStringLiteral("-2147483648")},
        {"list", {}, QStringLiteral("a, b, c")},
        {"size in place of bytes", {}, QStringLiteral("@Size(60000 60000)")},
        {"rectangle in place of bytes", {}, QStringLiteral("@Rect(-99999 -99999 60000 60000)")},
        {"broken byte array", {}, QStringLiteral("@ByteArray(\\x1d\\x9d\\f\\xcb\\0\\x3")},
        {"broken variant", {}, QStringLiteral("@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x12garbage)")},
    };
    for (const CataloguedWindow &window : AllWindows()) {
        if (!window.geometryKey)
            continue;
        for (const Row &row : savedGeometryRows)
            QTest::addRow("%s: %s", window.name, row.name)
                << QString::fromLatin1(window.name) << int(*window.geometryKey) << row.value << row.raw;
    }

    // The main window's position, size and maximised state.
    struct MainRow {
        const char *name;
        AppSettings::Key key;
        QString raw;
    };
    const QList<MainRow> mainRows = {
        {"size 60000 x 60000", AppSettings::Key::GeometryMainSize, QStringLiteral("@Size(60000 60000)")},
        {"size 40000 x 30000", AppSettings::Key::GeometryMainSize, QStringLiteral("@Size(40000 30000)")},
        {"size beyond int", AppSettings::Key::GeometryMainSize, QStringLiteral("@Size(99999999999 99999999999)")},
        {"size negative", AppSettings::Key::GeometryMainSize, QStringLiteral("@Size(-5 -5)")},
        {"size zero", AppSettings::Key::GeometryMainSize, QStringLiteral("@Size(0 0)")},
        {"size unreadable", AppSettings::Key::GeometryMainSize, QStringLiteral("@Size(abc)")},
        {"size as text", AppSettings::Key::GeometryMainSize, QStringLiteral("huge")},
        {"size as bytes", AppSettings::Key::GeometryMainSize, QStringLiteral("@ByteArray(\\xff\\xff)")},
        {"position on a detached monitor", AppSettings::Key::GeometryMainPos, QStringLiteral("@Point(2400 100)")},
        {"position far off", AppSettings::Key::GeometryMainPos, QStringLiteral("@Point(99999 -99999)")},
        {"position at the int limits", AppSettings::Key::GeometryMainPos,
         QStringLiteral("@Point(-2147483648 2147483647)")},
        {"position unreadable", AppSettings::Key::GeometryMainPos, QStringLiteral("@Point(")},
        {"position as a size", AppSettings::Key::GeometryMainPos, QStringLiteral("@Size(100 100)")},
        {"maximised as text", AppSettings::Key::GeometryMainMaximized, QStringLiteral("banana")},
        {"maximised as bytes", AppSettings::Key::GeometryMainMaximized, QStringLiteral("@ByteArray(\\x1)")},
    };
    for (const MainRow &row : mainRows)
        QTest::addRow("MainDialog: %s", row.name) << QStringLiteral("MainDialog") << int(row.key) << QVariant()
                                                  << row.raw;
}

void tst_WindowGeometry::hostileSettings()
{
    QFETCH(QString, windowName);
    QFETCH(int, key);
    QFETCH(QVariant, value);
    QFETCH(QString, raw);

    SettingsFile settings;
    QVERIFY(settings.isValid());
    if (raw.isEmpty())
        AppSettings::SetValue(AppSettings::Key(key), value);
    else
        settings.WriteRaw(AppSettings::Key(key), raw);

    std::unique_ptr<QWidget> window;
    for (const CataloguedWindow &entry : AllWindows()) {
        if (windowName == QLatin1String(entry.name))
            window = entry.build();
    }
    QVERIFY(window);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QTRY_VERIFY2(onScreen(window.get()), qPrintable(QStringLiteral("frame %1,%2 %3x%4")
                                                        .arg(window->frameGeometry().x())
                                                        .arg(window->frameGeometry().y())
                                                        .arg(window->frameGeometry().width())
                                                        .arg(window->frameGeometry().height())));
    QVERIFY(window->width() >= window->minimumSizeHint().width());
    QVERIFY(window->height() >= window->minimumSizeHint().height());
}

void tst_WindowGeometry::savedGeometryComesBack_data()
{
    QTest::addColumn<QString>("windowName");
    for (const CataloguedWindow &window : AllWindows()) {
        if (window.geometryKey)
            QTest::newRow(window.name) << QString::fromLatin1(window.name);
    }
}

void tst_WindowGeometry::savedGeometryComesBack()
{
    // Hardening must not lose what a window really saved.
    QFETCH(QString, windowName);
    SettingsFile settings;
    CataloguedWindow entry;
    for (const CataloguedWindow &candidate : AllWindows()) {
        if (windowName == QLatin1String(candidate.name))
            entry = candidate;
    }
    const QSize size = QSize(560, 420).expandedTo(entry.build()->minimumSizeHint());
    const QRect placed(QPoint(40, 30), size);
    {
        std::unique_ptr<QWidget> window = entry.build();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->setGeometry(placed);
        QTRY_COMPARE(window->geometry(), placed);
        if (auto *main = qobject_cast<MainDialog *>(window.get()))
            main->on_closeBtn_clicked();
        else
            WindowGeometry::Save(window.get(), *entry.geometryKey);
    }
    std::unique_ptr<QWidget> window = entry.build();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QTRY_COMPARE(window->geometry(), placed);
}

void tst_WindowGeometry::maximisedMainWindowKeepsItsNormalPlace()
{
    SettingsFile settings;
    QSize normalSize;
    {
        MainDialog window(std::make_shared<SimulatedPortEnumerator>());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        normalSize = QSize(720, 400).expandedTo(window.minimumSize());
        window.resize(normalSize);
        QTRY_COMPARE(window.size(), normalSize);
        window.showMaximized();
        QTRY_VERIFY(window.isMaximized());
        QTRY_VERIFY(window.size() != normalSize);
        window.on_closeBtn_clicked();
    }
    // The size it returns to, not the whole screen.
    QCOMPARE(AppSettings::Value(AppSettings::Key::GeometryMainSize).toSize(), normalSize);
    QVERIFY(AppSettings::BoolValue(AppSettings::Key::GeometryMainMaximized));

    MainDialog window(std::make_shared<SimulatedPortEnumerator>());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(window.isMaximized());
    window.showNormal();
    QTRY_COMPARE(window.size(), normalSize);
    QTRY_VERIFY(onScreen(&window));
}

void tst_WindowGeometry::offScreenMainWindowReturnsToPrimary()
{
    // Saved on a second monitor to the right, which is no longer attached.
    SettingsFile settings;
    AppSettings::SetValue(AppSettings::Key::GeometryMain, savedGeometry(QRect(1900, 200, 700, 500)));
    AppSettings::SetValue(AppSettings::Key::GeometryMainPos, QPoint(1900, 200));
    AppSettings::SetValue(AppSettings::Key::GeometryMainSize, QSize(700, 500));
    MainDialog window(std::make_shared<SimulatedPortEnumerator>());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(onScreen(&window));
    // It fits as it is, so it keeps its size.
    QCOMPARE(window.size(), QSize(700, 500));
}

void tst_WindowGeometry::mainWindowFitsSmallScreen()
{
    // Nothing stored: the designed size is larger than this screen.
    SettingsFile settings;
    MainDialog window(std::make_shared<SimulatedPortEnumerator>());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(onScreen(&window));
    verifyEveryControlReachable(&window);
    // Small enough for a 1024 x 600 netbook screen with a task bar and a
    // title bar taking up to 120 pixels.
    QVERIFY2(window.minimumSize().height() <= 480, qPrintable(QString::number(window.minimumSize().height())));
    QVERIFY2(window.minimumSize().width() <= 800, qPrintable(QString::number(window.minimumSize().width())));
}

void tst_WindowGeometry::mainWindowAtItsMinimum_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << QString();
    QTest::newRow("German") << QStringLiteral("de");
}

void tst_WindowGeometry::mainWindowAtItsMinimum()
{
    QFETCH(QString, language);
    SettingsFile settings;
    MainDialog window(std::make_shared<SimulatedPortEnumerator>());
    if (!language.isEmpty())
        window.LoadLanguage(language);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Shrunk as far as it goes (longer texts widen the minimum): what the
    // window allows, it lays out whole.
    window.resize(1, 1);
    QTRY_COMPARE(window.size(), window.minimumSize());
    verifyEveryControlReachable(&window);
    if (!language.isEmpty())
        window.LoadLanguage(QStringLiteral("en"));
}

QTEST_MAIN(tst_WindowGeometry)
#include "tst_WindowGeometry.moc"
