// The main window with its real worker thread, against simulated
// rebreathers on pseudo-terminals reached through the real serial-port code.

#include "LogCollector.h"
#include "AppSettings.h"
#include "CancelNextConnect.h"
#include "Clock.h"
#include "DeviceStatus.h"
#include "MainDialog.h"
#include "MakerDetails.h"
#include "ModalResponder.h"
#include "RebreatherSimulator.h"
#include "SimClockUnit.h"
#include "SimProfiles.h"
#include "SimulatedPortEnumerator.h"
#include "WorkerC.h"
#include "YesNo.h"
#include "PrivateSettingsDialog.h"
#include "RemoteSupportDialog.h"
#include "YesConfirmation.h"
#include "YesNoCancel.h"
#include "YesYesToAllNoNoToAll.h"
#include "ok.h"

#include <QLineEdit>
#include <QSpinBox>

#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace {

// Waits until everything the window has asked of the worker so far has run
// and the worker's answers have arrived: a marker goes through the worker's
// queue and comes back behind them.
bool WorkerRoundTrip(MainDialog &w, int timeoutMs = 10000)
{
    auto back = std::make_shared<bool>(false);
    QObject *window = &w;
    QMetaObject::invokeMethod(
        w.Worker(), [window, back] { QMetaObject::invokeMethod(window, [back] { *back = true; }); },
        Qt::QueuedConnection);
    return QTest::qWaitFor([back] { return *back; }, timeoutMs);
}

void click(QWidget *window, const char *buttonName)
{
    auto *button = window->findChild<QPushButton *>(QLatin1String(buttonName));
    QVERIFY2(button, buttonName);
    QTest::mouseClick(button, Qt::LeftButton);
}

QPushButton *button(MainDialog &w, const char *name)
{
    return w.findChild<QPushButton *>(QLatin1String(name));
}

QString messages(MainDialog &w)
{
    return w.findChild<QPlainTextEdit *>(QStringLiteral("msgEdit"))->toPlainText();
}

SerialPortDescription port(const QString &name, const QString &description, const QString &location)
{
    return SerialPortDescription{name, description, location};
}

// Records the connection statuses the worker sends, in the test thread.
QList<int> *recordStatuses(MainDialog &w)
{
    auto *statuses = new QList<int>;
    QObject::connect(w.Worker(), &WorkerC::ConnectionStatusResult, &w,
                     [statuses](int status, const QString &) { statuses->append(status); });
    QObject::connect(&w, &QObject::destroyed, [statuses] { delete statuses; });
    return statuses;
}

// Takes the place of the system browser for the duration of a test.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    UrlCatcher()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
    }
    ~UrlCatcher() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    }
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

} // namespace

class tst_MainDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void portNameFromEntry_data();
    void portNameFromEntry();
    void statusDrivesButtons_data();
    void statusDrivesButtons();
    void commsDisconnectedOncePerDisconnect();
    void statusTraceLines_data();
    void statusTraceLines();
    void firstStartSaysWhereToBegin_data();
    void firstStartSaysWhereToBegin();
    void choosingPortClosesAndReopens();
    void searchFindsAndConnectsSimulatedRebreather();
    void closingDeviceFoundCancelsSearch();
    void clockQuestionOpensClockWindowAndSynchronises();
    void questionsReachTheWorker_data();
    void questionsReachTheWorker();
    void keyChordOpensAdvancedSettings();
    void linksOpenTheMakersPages_data();
    void linksOpenTheMakersPages();
    void languageSwitchRetranslates();
    void closingStoresSettings();
    void closingDuringSearchDoesNotHang();
    void supportButtonOpensTheSupportWindow();
};

void tst_MainDialog::initTestCase()
{
    LogCollector::Install();
}

void tst_MainDialog::cleanupTestCase()
{
    LogCollector::Uninstall();
    AppSettings::SetValue(AppSettings::Key::MessageLevel, 0);
}

void tst_MainDialog::init()
{
    for (const auto key : {AppSettings::Key::ComPort, AppSettings::Key::ComPortName, AppSettings::Key::Language,
                           AppSettings::Key::GeometryMain, AppSettings::Key::GeometryMainPos,
                           AppSettings::Key::GeometryMainSize})
        AppSettings::SetValue(key, QVariant());
    AppSettings::SetValue(AppSettings::Key::ComPort, QString());
    AppSettings::SetValue(AppSettings::Key::GeometryMainMaximized, false);
}

void tst_MainDialog::portNameFromEntry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("name");
    QTest::newRow("with description") << "COM5 - USB Serial Device" << "COM5";
    QTest::newRow("without description") << "ttyS0" << "ttyS0";
    QTest::newRow("separator in description") << "COM7 - Bridge - BT" << "COM7";
}

void tst_MainDialog::portNameFromEntry()
{
    QFETCH(QString, entry);
    QFETCH(QString, name);
    QCOMPARE(MainDialog::PortNameFromEntry(entry), name);
}

void tst_MainDialog::statusDrivesButtons_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("statusText");
    QTest::addColumn<bool>("statusEnabled");
    QTest::addColumn<bool>("infoIcon");
    QTest::addColumn<QString>("searchText");
    QTest::addColumn<bool>("searchEnabled");

    QTest::newRow("1 disconnected") << 1 << "RECONNECT" << true << false << "SEARCH" << true;
    QTest::newRow("2 connecting") << 2 << "CONNECTING..." << false << false << "SEARCH" << false;
    QTest::newRow("4 verifying") << 4 << "VERIFYING..." << false << false << "SEARCH" << false;
    QTest::newRow("7 bridge only") << 7 << "CONNECTED" << true << true << "SEARCH" << true;
    QTest::newRow("8 disconnecting") << 8 << "DISCONNECTING..." << false << false << "SEARCH" << false;
    QTest::newRow("9 searching") << 9 << "SEARCHING..." << false << false << "ABORT" << true;
    QTest::newRow("10 aborting") << 10 << "ABORTING..." << false << false << "ABORTING" << false;
}

void tst_MainDialog::statusDrivesButtons()
{
    QFETCH(int, status);
    QFETCH(QString, statusText);
    QFETCH(bool, statusEnabled);
    QFETCH(bool, infoIcon);
    QFETCH(QString, searchText);
    QFETCH(bool, searchEnabled);

    MainDialog w(std::make_shared<SimulatedPortEnumerator>());
    // The stored port is empty, so the first open fails and the window settles.
    QTRY_COMPARE(w.LastConnectionStatus(), 1);

    w.ConnectionStatusResult(status, QString());
    QCOMPARE(button(w, "statusBtn")->text(), statusText);
    QCOMPARE(button(w, "statusBtn")->isEnabled(), statusEnabled);
    QCOMPARE(!button(w, "statusBtn")->icon().isNull(), infoIcon);
    QCOMPARE(w.findChild<QComboBox *>(QStringLiteral("comPortCombo"))->isEnabled(), statusEnabled);
    QCOMPARE(button(w, "searchBtn")->text(), searchText);
    QCOMPARE(button(w, "searchBtn")->isEnabled(), searchEnabled);
    // No handset in the record: nothing to download or upload, no clock.
    QVERIFY(!button(w, "downloadBtn")->isEnabled());
    QVERIFY(!button(w, "uploadBtn")->isEnabled());
    QVERIFY(!button(w, "clockBtn")->isEnabled());
    QVERIFY(button(w, "closeBtn")->isEnabled());
    QVERIFY(button(w, "helpBtn")->isEnabled());
}

void tst_MainDialog::commsDisconnectedOncePerDisconnect()
{
    MainDialog w(std::make_shared<SimulatedPortEnumerator>());
    QTRY_COMPARE(w.LastConnectionStatus(), 1);
    QSignalSpy spy(&w, &MainDialog::CommsDisconnected);
    w.ConnectionStatusResult(8, QString());
    w.ConnectionStatusResult(8, QString());
    QCOMPARE(spy.count(), 1);
    w.ConnectionStatusResult(1, QString());
    w.ConnectionStatusResult(8, QString());
    QCOMPARE(spy.count(), 2);
}

void tst_MainDialog::statusTraceLines_data()
{
    QTest::addColumn<int>("level");
    QTest::newRow("level 0") << 0;
    QTest::newRow("level 1") << 1;
}

void tst_MainDialog::statusTraceLines()
{
    QFETCH(int, level);
    AppSettings::SetValue(AppSettings::Key::MessageLevel, level);
    MainDialog w(std::make_shared<SimulatedPortEnumerator>());
    QTRY_COMPARE(w.LastConnectionStatus(), 1);
    QVERIFY(WorkerRoundTrip(w));
    LogCollector::Take();
    w.ConnectionStatusResult(2, QString());
    w.DeviceStatusResult(2);
    w.ConnectionStatusResult(8, QString());
    AppSettings::SetValue(AppSettings::Key::MessageLevel, 0);
    QStringList lines;
    for (const QString &line : LogCollector::Take()) {
        if (line.startsWith(QLatin1String("MainDialog::")))
            lines << line;
    }
    if (level == 0) {
        QCOMPARE(lines, QStringList());
        return;
    }
    // One space between the text and the code.
    QCOMPARE(lines, (QStringList{"MainDialog::ConnectionStatusResult() - status 2",
                                 "MainDialog::DeviceStatusResult() - status 2",
                                 "MainDialog::ConnectionStatusResult() - status 8",
                                 "MainDialog::ConnectionStatusResult() - Emitting CommsDisconnected()",
                                 "MainDialog::ConnectionStatusResult() - Emit finished"}));
}

void tst_MainDialog::firstStartSaysWhereToBegin_data()
{
    QTest::addColumn<QString>("storedPort");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("expected");
    const QString hint = QStringLiteral("Connect the handset, then click SEARCH to find it.");
    QTest::newRow("no port known") << QString() << QString() << hint;
    QTest::newRow("no port known, German") << QString() << QStringLiteral("de")
                                           << QStringLiteral("Handset anschließen, dann auf SUCHEN klicken, um es zu finden.");
    QTest::newRow("port known") << QStringLiteral("/nonexistent/tessaro-com5") << QString() << QString();
}

void tst_MainDialog::firstStartSaysWhereToBegin()
{
    QFETCH(QString, storedPort);
    QFETCH(QString, language);
    QFETCH(QString, expected);
    AppSettings::SetValue(AppSettings::Key::ComPort, storedPort);
    AppSettings::SetValue(AppSettings::Key::Language, language);

    MainDialog w(std::make_shared<SimulatedPortEnumerator>());
    QTRY_COMPARE(w.LastConnectionStatus(), 1);
    QTRY_VERIFY(!w.Worker()->IsWorkInProgress());
    // One line, and nothing else in the message area.
    QCOMPARE(messages(w), expected);
    QCOMPARE(button(w, "searchBtn")->text(), language.isEmpty() ? QStringLiteral("SEARCH") : QStringLiteral("SUCHEN"));
    if (!language.isEmpty())
        w.LoadLanguage(QStringLiteral("en"));
}

void tst_MainDialog::choosingPortClosesAndReopens()
{
    auto ports = std::make_shared<SimulatedPortEnumerator>(QList<SerialPortDescription>{
        port(QStringLiteral("COM5"), QStringLiteral("USB Serial Device"), QStringLiteral("/nonexistent/tessaro-com5")),
        port(QStringLiteral("COM3"), QString(), QStringLiteral("/nonexistent/tessaro-com3")),
    });
    MainDialog w(ports);
    QList<int> *statuses = recordStatuses(w);
    QTRY_COMPARE(w.LastConnectionStatus(), 1);
    QTRY_VERIFY(!w.Worker()->IsWorkInProgress());

    auto *combo = w.findChild<QComboBox *>(QStringLiteral("comPortCombo"));
    // Ports are listed in search order; the stored port is not among them.
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->itemText(0), QStringLiteral("COM3"));
    QCOMPARE(combo->itemText(1), QStringLiteral("COM5 - USB Serial Device"));
    QCOMPARE(combo->currentIndex(), -1);

    statuses->clear();
    combo->setCurrentIndex(1);
    QCOMPARE(w.CurrentPort(), QStringLiteral("/nonexistent/tessaro-com5"));
    QCOMPARE(w.CurrentPortName(), QStringLiteral("COM5"));
    // Closed, then reopened on the new port (which cannot open).
    QTRY_COMPARE(*statuses, (QList<int>{8, 1, 2, 1}));

    // Choosing the port that is already current does nothing.
    statuses->clear();
    emit combo->currentIndexChanged(1);
    QVERIFY(WorkerRoundTrip(w));
    QVERIFY(statuses->isEmpty());
}

void tst_MainDialog::searchFindsAndConnectsSimulatedRebreather()
{
    RebreatherSimulator sim(SimProfile::MonoSerial);
    QVERIFY(sim.Start());
    // The device clock agrees with the computer's, so no clock question comes.
    sim.WithBus([](SimulatedBus &bus) {
        if (auto *clock = dynamic_cast<SimClockUnit *>(bus.Unit(0xA2)))
            clock->SetOffsetSeconds(QDateTime::currentDateTime().offsetFromUtc());
    });
    auto ports = std::make_shared<SimulatedPortEnumerator>(QList<SerialPortDescription>{
        port(QStringLiteral("COM3"), QStringLiteral("Nothing"), QStringLiteral("/nonexistent/tessaro-com3")),
        port(QStringLiteral("COM4"), QStringLiteral("Simulated rebreather"), sim.PortPath()),
    });
    MainDialog w(ports);
    w.show();
    QTRY_COMPARE(w.LastConnectionStatus(), 1);
    QTRY_VERIFY(!w.Worker()->IsWorkInProgress());

    QString deviceDetails;
    QStringList unexpected;
    auto responder = std::make_unique<ModalResponder>([&](QWidget *modal) {
        if (auto *found = qobject_cast<CancelNextConnect *>(modal)) {
            deviceDetails = found->findChild<QLabel *>(QStringLiteral("deviceDetails"))->text();
            click(found, "connectBtn");
        } else {
            unexpected << modal->metaObject()->className();
            modal->close();
        }
    });

    QTest::mouseClick(button(w, "searchBtn"), Qt::LeftButton);
    QVERIFY(w.IsSearchRunning());
    QTRY_COMPARE_WITH_TIMEOUT(w.LastConnectionStatus(), 5, 60000);
    QTRY_VERIFY(!w.IsSearchRunning());

    QCOMPARE(deviceDetails, QStringLiteral("ORBITA / %1").arg(QLatin1String(SimProfileFacts::HandsetSerial)));
    QVERIFY(unexpected.isEmpty());
    QCOMPARE(w.CurrentPort(), sim.PortPath());
    QCOMPARE(w.CurrentPortName(), QStringLiteral("COM4"));
    QCOMPARE(w.findChild<QComboBox *>(QStringLiteral("comPortCombo"))->currentText(),
             QStringLiteral("COM4 - Simulated rebreather"));
    QVERIFY(messages(w).contains(QStringLiteral("Checking COM3")));
    QVERIFY(messages(w).contains(QStringLiteral("Accepted port COM4")));
    QCOMPARE(button(w, "statusBtn")->text(), QStringLiteral("CONNECTED"));
    QVERIFY(button(w, "downloadBtn")->isEnabled());
    QVERIFY(button(w, "uploadBtn")->isEnabled());
    QVERIFY(button(w, "clockBtn")->isEnabled());
    QCOMPARE(button(w, "statusBtn")->whatsThis(), QStringLiteral("Click to view connected device information."));

    // The status button now opens the device status window.
    responder.reset();
    QString shownSerial;
    ModalResponder statusReader([&](QWidget *modal) {
        if (auto *status = qobject_cast<DeviceStatus *>(modal)) {
            shownSerial = status->Cell(DeviceStatusRecord::UnitDisplay, DeviceStatusUnit::RowSerialNumber)->text();
            click(status, "closeBtn");
        }
    });
    QTest::mouseClick(button(w, "statusBtn"), Qt::LeftButton);
    QCOMPARE(shownSerial, QLatin1String(SimProfileFacts::HandsetSerial));

    // A second search: while it runs the clock button is off, even though the
    // record still holds a clock. CANCEL restores the connection.
    bool clockEnabledDuringSearch = true;
    bool searchButtonWasAbort = false;
    ModalResponder second([&](QWidget *modal) {
        if (auto *found = qobject_cast<CancelNextConnect *>(modal)) {
            clockEnabledDuringSearch = button(w, "clockBtn")->isEnabled();
            searchButtonWasAbort = button(w, "searchBtn")->text() == QLatin1String("ABORT");
            click(found, "cancelBtn");
        }
    });
    QVERIFY(button(w, "clockBtn")->isEnabled());
    QTest::mouseClick(button(w, "searchBtn"), Qt::LeftButton);
    // Decided by the window alone, before the worker has done anything.
    QVERIFY(!button(w, "clockBtn")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!w.IsSearchRunning(), 60000);
    QVERIFY(!clockEnabledDuringSearch);
    QVERIFY(searchButtonWasAbort);
    QVERIFY(messages(w).contains(QStringLiteral("Search cancelled")));
    // The ping finds the device again on the restored port.
    QTRY_COMPARE_WITH_TIMEOUT(w.LastConnectionStatus(), 5, 60000);
    QTRY_VERIFY(button(w, "clockBtn")->isEnabled());
}

void tst_MainDialog::closingDeviceFoundCancelsSearch()
{
    RebreatherSimulator sim(SimProfile::MonoSerial);
    QVERIFY(sim.Start());
    auto ports = std::make_shared<SimulatedPortEnumerator>(QList<SerialPortDescription>{
        port(QStringLiteral("COM4"), QString(), sim.PortPath()),
    });
    MainDialog w(ports);
    w.show();
    QTRY_COMPARE(w.LastConnectionStatus(), 1);
    QTRY_VERIFY(!w.Worker()->IsWorkInProgress());

    int questions = 0;
    ModalResponder responder([&](QWidget *modal) {
        if (qobject_cast<CancelNextConnect *>(modal)) {
            ++questions;
            modal->close(); // the window's own close button, no answer button
        }
    });
    QTest::mouseClick(button(w, "searchBtn"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!w.IsSearchRunning(), 60000);
    QCOMPARE(questions, 1);
    QVERIFY(messages(w).endsWith(QStringLiteral("Search cancelled")));
    QCOMPARE(w.LastConnectionStatus(), 1);
    QCOMPARE(button(w, "searchBtn")->text(), QStringLiteral("SEARCH"));
}

void tst_MainDialog::clockQuestionOpensClockWindowAndSynchronises()
{
    RebreatherSimulator sim(SimProfile::MonoSerial);
    QVERIFY(sim.Start());
    // The device clock runs an hour ahead of the computer's.
    const qint64 localOffset = QDateTime::currentDateTime().offsetFromUtc();
    sim.WithBus([localOffset](SimulatedBus &bus) {
        if (auto *clock = dynamic_cast<SimClockUnit *>(bus.Unit(0xA2)))
            clock->SetOffsetSeconds(localOffset + 3600);
    });
    AppSettings::SetValue(AppSettings::Key::ComPort, sim.PortPath());
    AppSettings::SetValue(AppSettings::Key::ComPortName, QStringLiteral("COM4"));
    auto ports = std::make_shared<SimulatedPortEnumerator>(QList<SerialPortDescription>{
        port(QStringLiteral("COM4"), QString(), sim.PortPath()),
    });

    QString question;
    bool clockOpened = false;
    bool synchronised = false;
    QString disconnectMessage;
    ModalResponder responder([&](QWidget *modal) {
        if (auto *yesNo = qobject_cast<YesNo *>(modal)) {
            question = yesNo->findChild<QLabel *>(QStringLiteral("question"))->text();
            click(yesNo, "yesBtn");
        } else if (auto *clock = qobject_cast<Clock *>(modal)) {
            clockOpened = true;
            const QString rb = clock->findChild<QLabel *>(QStringLiteral("rbClock"))->text();
            const QString pc = clock->findChild<QLabel *>(QStringLiteral("pcClock"))->text();
            if (!synchronised && !rb.isEmpty() && rb != pc) {
                synchronised = true;
                click(clock, "synchroniseBtn");
            } else if (synchronised && !rb.isEmpty() && rb == pc) {
                // Device and computer now agree: unplug the device under the open window.
                sim.Unplug();
            }
        } else if (auto *message = qobject_cast<ok *>(modal)) {
            disconnectMessage = message->findChild<QLabel *>(QStringLiteral("statement"))->text();
            click(message, "okBtn");
        }
    });

    MainDialog w(ports);
    w.show();
    QTRY_VERIFY_WITH_TIMEOUT(!disconnectMessage.isEmpty(), 60000);
    QCOMPARE(question, QStringLiteral("The PC and Rebreather clocks differ\n\nDo you wish to synchronise them now?"));
    QVERIFY(clockOpened);
    QVERIFY(synchronised);
    QCOMPARE(disconnectMessage, QStringLiteral("Disconnected.  Reconnect and try again."));
    // The device clock was set to the computer's time.
    qint64 offsetAfter = -1;
    sim.WithBus([&](SimulatedBus &bus) {
        if (auto *clock = dynamic_cast<SimClockUnit *>(bus.Unit(0xA2)))
            offsetAfter = clock->OffsetSeconds();
    });
    QVERIFY2(qAbs(offsetAfter - localOffset) <= 2, qPrintable(QString::number(offsetAfter - localOffset)));
    QTRY_COMPARE(w.LastConnectionStatus(), 1);
}

void tst_MainDialog::questionsReachTheWorker_data()
{
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("buttonName");
    QTest::addColumn<int>("expected");

    QTest::newRow("yes/no, yes") << "YesNo" << "yesBtn" << 4;
    QTest::newRow("yes/no, no") << "YesNo" << "noBtn" << 5;
    QTest::newRow("yes/no/cancel, cancel") << "YesNoCancel" << "cancelBtn" << 1;
    QTest::newRow("yes to all") << "YesYesToAllNoNoToAll" << "yesToAllBtn" << 6;
    QTest::newRow("no to all") << "YesYesToAllNoNoToAll" << "noToAllBtn" << 7;
    QTest::newRow("typed confirmation, continue") << "YesConfirmation" << "continueBtn" << 4;
    QTest::newRow("typed confirmation, cancel") << "YesConfirmation" << "cancelBtn" << 5;
}

void tst_MainDialog::questionsReachTheWorker()
{
    QFETCH(QString, question);
    QFETCH(QString, buttonName);
    QFETCH(int, expected);

    MainDialog w(std::make_shared<SimulatedPortEnumerator>());
    w.show();
    QTRY_COMPARE(w.LastConnectionStatus(), 1);
    WorkerC *worker = w.Worker();

    QString shownQuestion;
    QString dialogClass;
    ModalResponder responder([&](QWidget *modal) {
        dialogClass = QString::fromLatin1(modal->metaObject()->className());
        if (auto *label = modal->findChild<QLabel *>(QStringLiteral("question")))
            shownQuestion = label->text();
        if (auto *edit = modal->findChild<QLineEdit *>(QStringLiteral("lineEdit")))
            edit->setText(QStringLiteral("yes"));
        click(modal, qPrintable(buttonName));
    });

    // The worker's question signals, as a running operation would send them.
    const QString text = QStringLiteral("Replace the newer code?");
    int answer = 0;
    if (question == QLatin1String("YesNo")) {
        emit worker->AskYesNoQuestion(text);
        answer = worker->m_responseToYesNo;
    } else if (question == QLatin1String("YesNoCancel")) {
        emit worker->AskYesNoCancelQuestion(text);
        answer = worker->m_responseToYesNoCancel;
    } else if (question == QLatin1String("YesYesToAllNoNoToAll")) {
        emit worker->AskYesYesToAllNoNoToAllQuestion(text);
        answer = worker->m_responseToYesYesToAllNoNoToAll;
    } else {
        emit worker->AskYesConfirmation();
        answer = worker->m_responseToYesConfirmation;
    }
    QCOMPARE(dialogClass, question);
    if (question != QLatin1String("YesConfirmation"))
        QCOMPARE(shownQuestion, text);
    QCOMPARE(answer, expected);
}

void tst_MainDialog::keyChordOpensAdvancedSettings()
{
    MainDialog w(std::make_shared<SimulatedPortEnumerator>());
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTRY_COMPARE(w.LastConnectionStatus(), 1);

    bool opened = false;
    ModalResponder responder([&](QWidget *modal) {
        if (auto *advanced = qobject_cast<PrivateSettingsDialog *>(modal)) {
            opened = true;
            advanced->findChild<QSpinBox *>(QStringLiteral("messageLevel"))->setValue(1);
            click(advanced, "okBtn");
        }
    });
    QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
    QTest::keyClick(&w, Qt::Key_R, Qt::ControlModifier);
    QTRY_VERIFY(opened);
    QTest::mouseClick(button(w, "closeBtn"), Qt::LeftButton);
    QCOMPARE(AppSettings::IntValue(AppSettings::Key::MessageLevel), 1);
    AppSettings::SetValue(AppSettings::Key::MessageLevel, 0);
}

void tst_MainDialog::linksOpenTheMakersPages_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("url");
    QTest::newRow("HELP") << "helpBtn" << MakerDetails::SupportPageUrl;
    QTest::newRow("F1") << "F1" << MakerDetails::SupportPageUrl;
    QTest::newRow("WEBSITE") << "webSiteBtn" << MakerDetails::HomePageUrl;
    QTest::newRow("logo") << "logoBtn" << MakerDetails::HomePageUrl;
}

void tst_MainDialog::linksOpenTheMakersPages()
{
    QFETCH(QString, trigger);
    QFETCH(QString, url);

    UrlCatcher browser;
    MainDialog w(std::make_shared<SimulatedPortEnumerator>());
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    if (trigger == QLatin1String("F1"))
        QTest::keyClick(&w, Qt::Key_F1);
    else
        QTest::mouseClick(button(w, qPrintable(trigger)), Qt::LeftButton);
    QCOMPARE(browser.opened, QList<QUrl>{QUrl(url)});
}

void tst_MainDialog::languageSwitchRetranslates()
{
    MainDialog w(std::make_shared<SimulatedPortEnumerator>());
    QTRY_COMPARE(w.LastConnectionStatus(), 1);
    QCOMPARE(w.CurrentLanguage(), QStringLiteral("en"));

    w.LoadLanguage(QStringLiteral("de"));
    QTRY_COMPARE(button(w, "statusBtn")->text(), QStringLiteral("NEU VERBINDEN"));
    QCOMPARE(button(w, "searchBtn")->text(), QStringLiteral("SUCHEN"));
    QCOMPARE(button(w, "closeBtn")->text(), QStringLiteral("&SCHLIESSEN"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Tessaro S, v1.2.6.0"));
    QCOMPARE(AppSettings::StringValue(AppSettings::Key::Language), QStringLiteral("de"));

    // A language without a file falls back to the built-in texts and is still stored.
    w.LoadLanguage(QStringLiteral("en"));
    QTRY_COMPARE(button(w, "statusBtn")->text(), QStringLiteral("RECONNECT"));
    QCOMPARE(AppSettings::StringValue(AppSettings::Key::Language), QStringLiteral("en"));
}

void tst_MainDialog::closingStoresSettings()
{
    auto ports = std::make_shared<SimulatedPortEnumerator>(QList<SerialPortDescription>{
        port(QStringLiteral("COM5"), QStringLiteral("USB Serial Device"), QStringLiteral("/nonexistent/tessaro-com5")),
    });
    for (const bool byCloseButton : {true, false}) {
        init();
        MainDialog w(ports);
        w.show();
        QTRY_COMPARE(w.LastConnectionStatus(), 1);
        w.findChild<QComboBox *>(QStringLiteral("comPortCombo"))->setCurrentIndex(0);
        QTRY_VERIFY(!w.Worker()->IsWorkInProgress());
        if (byCloseButton)
            QTest::mouseClick(button(w, "closeBtn"), Qt::LeftButton);
        else
            QTest::keyClick(&w, Qt::Key_Escape);
        QCOMPARE(w.result(), int(byCloseButton ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(AppSettings::StringValue(AppSettings::Key::ComPort), QStringLiteral("/nonexistent/tessaro-com5"));
        QCOMPARE(AppSettings::StringValue(AppSettings::Key::ComPortName), QStringLiteral("COM5"));
        QCOMPARE(AppSettings::Value(AppSettings::Key::GeometryMainSize).toSize(), w.size());
        QVERIFY(!AppSettings::Value(AppSettings::Key::GeometryMain).toByteArray().isEmpty());
    }
}

void tst_MainDialog::closingDuringSearchDoesNotHang()
{
    // The window goes away while the worker is about to ask DEVICE FOUND: the
    // question is answered without a dialog and the worker thread ends.
    RebreatherSimulator sim(SimProfile::MonoSerial);
    QVERIFY(sim.Start());
    // The handset holds its serial-number reply until the window is closing,
    // so the question can only come while the window goes away.
    std::mutex gateMutex;
    std::condition_variable gateChanged;
    bool held = false;
    bool released = false;
    sim.WithBus([&](SimulatedBus &bus) {
        bus.Unit(0xB0)->SetHandler(1, [&](SimUnit &unit, const SimRequest &r) {
            std::unique_lock<std::mutex> lock(gateMutex);
            if (!released) {
                held = true;
                gateChanged.notify_all();
                gateChanged.wait(lock, [&] { return released; });
            }
            return unit.DefaultHandle(r);
        });
    });
    const auto release = [&] {
        std::lock_guard<std::mutex> lock(gateMutex);
        released = true;
        gateChanged.notify_all();
    };
    auto ports = std::make_shared<SimulatedPortEnumerator>(QList<SerialPortDescription>{
        port(QStringLiteral("COM4"), QString(), sim.PortPath()),
    });
    QStringList shown;
    ModalResponder responder([&](QWidget *modal) {
        shown << modal->metaObject()->className();
        modal->close();
    });
    auto w = std::make_unique<MainDialog>(ports);
    std::atomic<bool> asked{false};
    QObject::connect(w->Worker(), &WorkerC::AskCancelNextConnectQuestion, w->Worker(),
                     [&asked] { asked = true; }, Qt::DirectConnection);
    w->show();
    QTRY_COMPARE(w->LastConnectionStatus(), 1);
    QTRY_VERIFY(!w->Worker()->IsWorkInProgress());
    QTest::mouseClick(button(*w, "searchBtn"), Qt::LeftButton);
    {
        std::unique_lock<std::mutex> lock(gateMutex);
        QVERIFY(gateChanged.wait_for(lock, std::chrono::seconds(20), [&] { return held; }));
    }
    // Released from the closing window's own event loop, once it is closing.
    QTimer::singleShot(0, release);

    QElapsedTimer timer;
    timer.start();
    w.reset();
    release(); // in case the window never got to it
    QVERIFY2(timer.elapsed() < 15000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY2(shown.isEmpty(), qPrintable(shown.join(QLatin1Char(' '))));
    // The search really reached the question.
    QVERIFY(asked);
}

void tst_MainDialog::supportButtonOpensTheSupportWindow()
{
    RebreatherSimulator sim(SimProfile::MonoSerial);
    QVERIFY(sim.Start());
    sim.WithBus([](SimulatedBus &bus) {
        if (auto *clock = dynamic_cast<SimClockUnit *>(bus.Unit(0xA2)))
            clock->SetOffsetSeconds(QDateTime::currentDateTime().offsetFromUtc());
    });
    AppSettings::SetValue(AppSettings::Key::ComPort, sim.PortPath());
    AppSettings::SetValue(AppSettings::Key::ComPortName, QStringLiteral("COM4"));
    // A lookup address nothing listens on: the window learns no server address.
    AppSettings::SetValue(AppSettings::Key::RemoteSupportIpEchoUrl, QStringLiteral("http://127.0.0.1:9/ip"));
    auto ports = std::make_shared<SimulatedPortEnumerator>(QList<SerialPortDescription>{
        port(QStringLiteral("COM4"), QString(), sim.PortPath()),
    });

    QString unitButton;
    QString unitDetails;
    bool statusShown = false;
    QString question;
    // The support window's buttons open windows of their own, so they are
    // pressed from the event loop rather than from inside the responder.
    const auto pressLater = [](QWidget *window, const char *name) {
        QMetaObject::invokeMethod(window->findChild<QPushButton *>(QLatin1String(name)), "click", Qt::QueuedConnection);
    };
    ModalResponder responder([&](QWidget *modal) {
        if (auto *support = qobject_cast<RemoteSupportDialog *>(modal)) {
            if (!statusShown) {
                unitButton = support->findChild<QPushButton *>(QStringLiteral("unitConnectBtn"))->text();
                unitDetails = support->findChild<QLabel *>(QStringLiteral("unitConnectionDetails"))->text();
                pressLater(support, "unitConnectBtn");
            } else if (question.isEmpty()) {
                pressLater(support, "closeBtn");
            }
        } else if (auto *status = qobject_cast<DeviceStatus *>(modal)) {
            statusShown = true;
            click(status, "closeBtn");
        } else if (auto *yesNo = qobject_cast<YesNo *>(modal)) {
            question = yesNo->findChild<QLabel *>(QStringLiteral("question"))->text();
            click(yesNo, "yesBtn");
        }
    });

    MainDialog w(ports);
    w.show();
    QTRY_COMPARE_WITH_TIMEOUT(w.LastConnectionStatus(), int(WorkerC::StatusConnectedSerialValid), 20000);
    QTRY_VERIFY(!w.Worker()->IsWorkInProgress());
    click(&w, "supportBtn"); // returns when the window has closed
    QCOMPARE(unitButton, QStringLiteral("CONNECTED"));
    QCOMPARE(unitDetails, QStringLiteral("Serial Number %1").arg(QString::fromLatin1(SimProfileFacts::HandsetSerial)));
    QVERIFY(statusShown);
    QCOMPARE(question, QStringLiteral("Are you sure you wish to end this support session?"));
    QCOMPARE(w.LastConnectionStatus(), int(WorkerC::StatusConnectedSerialValid));
}

QTEST_MAIN(tst_MainDialog)
#include "tst_MainDialog.moc"
