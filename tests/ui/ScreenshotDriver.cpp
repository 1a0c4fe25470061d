// Drives the main window through the connection story against a simulated
// rebreather and saves a picture of every window on the way. Run by
// scripts/screenshots.sh under Xvfb; not a test.

#include "About.h"
#include "AppSettings.h"
#include "CancelNextConnect.h"
#include "CellReportDialog.h"
#include "Clock.h"
#include "DeviceStatus.h"
#include "DiveProfileView.h"
#include "DivesDialog.h"
#include "FontLoader.h"
#include "LogFileWriter.h"
#include "LogRecordGenerator.h"
#include "MainDialog.h"
#include "RebreatherSimulator.h"
#include "SettingsDialog.h"
#include "SimClockUnit.h"
#include "SimulatedPortEnumerator.h"
#include "WorkerC.h"
#include "YesNo.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTableView>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace {

QString outputFolder;
int failures = 0;

bool waitFor(const std::function<bool()> &condition, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void settle(int ms = 300)
{
    waitFor([] { return false; }, ms);
}

void save(QWidget *window, const QString &name)
{
    const QString path = outputFolder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (window->grab().save(path))
        qInfo().noquote() << "saved" << path;
    else {
        qWarning().noquote() << "could not save" << path;
        ++failures;
    }
}

void check(bool ok, const char *what)
{
    if (!ok) {
        qWarning() << "step failed:" << what;
        ++failures;
    }
}

void press(QWidget *window, const char *buttonName)
{
    if (auto *button = window->findChild<QPushButton *>(QLatin1String(buttonName)))
        button->click();
    else
        check(false, buttonName);
}

// Runs trigger (which opens a modal window of type T); once that window is
// up and painted, saves it as name and lets handle close it.
template <typename T>
void withModal(const QString &name, const std::function<void()> &trigger,
               const std::function<void(T *)> &handle, const std::function<bool(T *)> &ready = {})
{
    auto *poll = new QTimer;
    poll->setInterval(100);
    QObject::connect(poll, &QTimer::timeout, [=] {
        T *window = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!window || (ready && !ready(window)))
            return;
        poll->stop();
        settle();
        save(window, name);
        handle(window);
        poll->deleteLater();
    });
    poll->start();
    trigger();
}

// A folder of a diver's dives for the Dives window: a dozen dives over two
// months, the third cell of controller 1 current-limited on the newest ones,
// the second cell slowly losing sensitivity, battery records, and one file
// damaged in transfer.
QString MakeDiveFolder()
{
    const QString folder = QDir::home().filePath(QStringLiteral("Dives"));
    QDir().mkpath(folder);
    for (int n = 1; n <= 12; ++n) {
        DivePlan plan;
        plan.diveNumber = n;
        plan.powerOn = QDateTime(QDate(2026, 8, 1), QTime(9, 15), Qt::UTC).addDays(n * 5);
        plan.surfaceBefore = 90;
        plan.surfaceAfter = 60;
        const double depth = 24 + (n * 7) % 30;
        const double bottom = 1500 + (n % 4) * 300;
        plan.profile = {{0, 0}, {depth * 5, depth}, {bottom, depth}, {bottom + 300, 9}, {bottom + 420, 6},
                        {bottom + 720, 6}, {bottom + 800, 0}};
        plan.gases = {{21, 0}, {50, 0}};
        plan.gasSwitches = {{bottom + 300, 1}};
        plan.alarms = {{bottom + 200, quint64(1) << 16}, {bottom + 240, 0}};
        plan.setpoint = 0.7;
        plan.setpointChanges = {{depth * 5, 1.3}, {bottom + 420, 1.0}, {bottom + 720, 0.7}};
        plan.flushes = {{bottom - 400, 60, 1.6}};
        plan.waterTemperature = 9.0 + n % 3;
        plan.cellNoise = 0.015;
        plan.cells[1] = DivePlan::CellBehaviour::Drift(-0.007);
        if (n >= 10)
            plan.cells[2] = DivePlan::CellBehaviour::CurrentLimited(1.05);
        plan.battery.logged = true;
        plan.battery.startVolts = 4.15 - n * 0.01;
        plan.battery.endVolts = plan.battery.startVolts - 0.18;
        QString error;
        const QString path = QDir(folder).filePath(QStringLiteral("12A3456_%1.ccl").arg(plan.DiveStart().toString(QStringLiteral("yyyy_MM_dd_HH_mm_ss"))));
        if (!LogFileWriter::WriteSecured(path, LogRecordGenerator::LogFile(plan), &error))
            check(false, "writing a dive");
    }
    QFile damaged(QDir(folder).filePath(QStringLiteral("12A3456_2026_07_30_10_00_00.ccl")));
    if (damaged.open(QIODevice::WriteOnly))
        damaged.write(QByteArray::fromHex("F353460100112233445566778899AABBCCDDEEFF0011"));
    return folder;
}

// The Dives window with the newest dive, its cursor at the flush, then the
// cell report over the dives.
void ShootDives(MainDialog &w, const QString &suffix)
{
    withModal<DivesDialog>(
        QStringLiteral("12_dives") + suffix, [&] { press(&w, "divesBtn"); },
        [suffix](DivesDialog *dives) {
            dives->Profile()->SaveImage(outputFolder + QStringLiteral("/12b_profile") + suffix + QStringLiteral(".png"));
            withModal<CellReportDialog>(QStringLiteral("13_cell_report") + suffix, [dives] { press(dives, "cellReportBtn"); },
                                        [](CellReportDialog *report) { press(report, "closeBtn"); });
            press(dives, "closeBtn");
        },
        [](DivesDialog *dives) {
            if (dives->IsListing() || !dives->Profile()->HasDive())
                return false;
            dives->resize(1180, 820);
            dives->Profile()->SetCursorTime(dives->Profile()->EvidenceRegions().isEmpty()
                                                ? 600.0
                                                : dives->Profile()->EvidenceRegions().first().first + 120);
            return true;
        });
    check(waitFor([] { return QApplication::activeModalWidget() == nullptr; }), "dives closed");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setOrganizationName(QStringLiteral("Quor"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessaro"));
    QApplication app(argc, argv);
    outputFolder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(outputFolder);

    FontLoader::LoadFonts(FontLoader::ResourceFolder(), FontLoader::FontFileNames(), [] {
        qWarning() << "Unable to load font OpenSans.";
    });
    QApplication::setFont(FontLoader::ApplicationFont());

    RebreatherSimulator sim(SimProfile::ColourV2Usb);
    QString error;
    if (!sim.Start(&error)) {
        qWarning() << "simulator did not start:" << error;
        return 1;
    }
    const qint64 localOffset = QDateTime::currentDateTime().offsetFromUtc();
    sim.WithBus([localOffset](SimulatedBus &bus) {
        if (auto *clock = dynamic_cast<SimClockUnit *>(bus.Unit(0xA2)))
            clock->SetOffsetSeconds(localOffset);
    });
    auto ports = std::make_shared<SimulatedPortEnumerator>(QList<SerialPortDescription>{
        {QStringLiteral("COM3"), QStringLiteral("USB Serial Port"), QStringLiteral("/nonexistent/tessaro-com3")},
        {QStringLiteral("COM4"), QStringLiteral("Simulated rebreather"), sim.PortPath()},
    });
    AppSettings::SetValue(AppSettings::Key::ComPort, QString());
    AppSettings::SetValue(AppSettings::Key::Language, QString());

    {
        MainDialog w(ports);
        w.resize(900, 660);
        w.show();
        check(waitFor([&] { return w.LastConnectionStatus() == WorkerC::StatusDisconnected; }), "first status");
        settle();
        save(&w, QStringLiteral("01_main_disconnected"));

        withModal<CancelNextConnect>(
            QStringLiteral("03_device_found"),
            [&] {
                press(&w, "searchBtn");
                check(waitFor([&] { return w.LastConnectionStatus() == WorkerC::StatusSearching; }), "searching");
                settle(100);
                save(&w, QStringLiteral("02_main_searching"));
            },
            [](CancelNextConnect *found) { press(found, "connectBtn"); });
        check(waitFor([&] { return w.LastConnectionStatus() == WorkerC::StatusConnectedSerialValid; }), "connected");
        check(waitFor([&] { return !w.Worker()->IsWorkInProgress() && !w.IsSearchRunning(); }), "idle");
        settle();
        save(&w, QStringLiteral("04_main_connected"));

        withModal<DeviceStatus>(QStringLiteral("05_device_status"), [&] { press(&w, "statusBtn"); },
                                [](DeviceStatus *status) { press(status, "closeBtn"); });

        withModal<Clock>(
            QStringLiteral("06_clock"), [&] { press(&w, "clockBtn"); },
            [](Clock *clock) { press(clock, "closeBtn"); },
            [](Clock *clock) { return !clock->findChild<QLabel *>(QStringLiteral("rbClock"))->text().isEmpty(); });

        withModal<SettingsDialog>(QStringLiteral("07_settings"), [&] { press(&w, "settingsBtn"); },
                                  [](SettingsDialog *settings) { settings->reject(); });

        withModal<About>(QStringLiteral("07b_about"), [&] { press(&w, "aboutBtn"); },
                         [](About *about) { press(about, "closeBtn"); });

        AppSettings::SetValue(AppSettings::Key::DownloadDirectory, MakeDiveFolder());
        ShootDives(w, QString());

        withModal<YesNo>(
            QStringLiteral("08_clock_question"), [&] { w.ClockSynchRequired(3600); },
            [](YesNo *question) { press(question, "noBtn"); });

        w.LoadLanguage(QStringLiteral("de"));
        settle();
        save(&w, QStringLiteral("09_main_connected_de"));
        withModal<SettingsDialog>(QStringLiteral("10_settings_de"), [&] { press(&w, "settingsBtn"); },
                                  [](SettingsDialog *settings) { settings->reject(); });
        withModal<About>(QStringLiteral("10b_about_de"), [&] { press(&w, "aboutBtn"); },
                         [](About *about) { press(about, "closeBtn"); });
        ShootDives(w, QStringLiteral("_de"));
        w.LoadLanguage(QStringLiteral("en"));
        AppSettings::SetValue(AppSettings::Key::Language, QString());
    }
    qInfo() << "screenshots finished," << failures << "failures";
    return failures == 0 ? 0 : 1;
}
