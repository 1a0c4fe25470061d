// Drives the main window through the connection story against a simulated
// rebreather and saves a picture of every window on the way. Run by
// scripts/screenshots.sh under Xvfb; not a test.

#include "About.h"
#include "AppSettings.h"
#include "CancelNextConnect.h"
#include "CcrBuilder.h"
#include "CellReportDialog.h"
#include "Clock.h"
#include "DeviceStatus.h"
#include "DiveProfileView.h"
#include "DivesDialog.h"
#include "DownloadV1Dialog.h"
#include "DownloadV2Dialog.h"
#include "FontLoader.h"
#include "LogFileWriter.h"
#include "LogRecordGenerator.h"
#include "MainDialog.h"
#include "PrivateSettingsDialog.h"
#include "ProcessCCXDialog.h"
#include "RebreatherSimulator.h"
#include "RelayServer.h"
#include "RemoteSupportDialog.h"
#include "SettingsDialog.h"
#include "SimClockUnit.h"
#include "SimulatedPortEnumerator.h"
#include "SupportConsole.h"
#include "UploadDialog.h"
#include "WorkerC.h"
#include "YesNo.h"
#include "YesYesToAllNoNoToAll.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTableView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

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

// Answers the remote-support window's address lookup on 127.0.0.1.
class AddressEcho : public QObject
{
public:
    AddressEcho()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    if (!socket->readAll().contains("\r\n\r\n"))
                        return;
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 11\r\nConnection: close\r\n\r\n192.0.2.99\n");
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }
    QString Url() const { return QStringLiteral("http://127.0.0.1:%1/ip").arg(m_server.serverPort()); }

private:
    QTcpServer m_server;
};

QString messageArea(QWidget *window)
{
    return window->findChild<QPlainTextEdit *>(QStringLiteral("messagesEdit"))->toPlainText();
}

// The support window through a session: connected to a relay on 127.0.0.1,
// a technician (the console's code) linked and chatting, then the question
// before it closes.
void remoteSupportPictures(MainDialog &w, RelayServer &relay, const QString &prefix, bool chat)
{
    withModal<RemoteSupportDialog>(
        prefix + QStringLiteral("_remote_support"), [&] { press(&w, "supportBtn"); },
        [&](RemoteSupportDialog *support) {
            if (chat) {
                press(support, "connectBtn");
                check(waitFor([&] { return relay.UsersOnline().contains(QStringLiteral("diver-anna")); }), "joined");
                SupportConsole::Options options;
                options.port = relay.Port();
                options.staffName = QStringLiteral("Sam");
                options.staffKey = QStringLiteral("screenshots");
                QStringList consoleOutput;
                SupportConsole console(options, [&](const QString &line) { consoleOutput << line; });
                console.Start();
                console.AddLine(QStringLiteral("link diver-anna"));
                console.AddLine(QStringLiteral("say Hello Anna, this is Sam from Quor support. Is the handset connected?"));
                check(waitFor([&] { return messageArea(support).contains(QStringLiteral("Is the handset connected?")); }),
                      "technician's text");
                support->findChild<QLineEdit *>(QStringLiteral("sendMessageEdit"))
                    ->setText(QStringLiteral("Yes, it is connected over USB."));
                press(support, "sendBtn");
                check(waitFor([&] { return consoleOutput.join(QLatin1Char('\n')).contains(QStringLiteral("user: Yes")); }),
                      "user's text");
                settle();
                save(support, prefix + QStringLiteral("_remote_support_session"));
            }
            withModal<YesNo>(
                prefix + QStringLiteral("_remote_support_closing"), [&] { press(support, "closeBtn"); },
                [](YesNo *question) { press(question, "yesBtn"); });
        },
        [](RemoteSupportDialog *support) {
            return support->findChild<QPushButton *>(QStringLiteral("connectBtn"))->isEnabled();
        });
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

    // Remote support stays on this machine: a local address lookup and relay.
    AddressEcho echo;
    RelayServer relay;
    relay.SetStaffKey(QStringLiteral("screenshots"));
    check(relay.Listen(QHostAddress::LocalHost, 0), "relay");
    AppSettings::SetValue(AppSettings::Key::RemoteSupportIpEchoUrl, echo.Url());
    AppSettings::SetValue(AppSettings::Key::RemoteSupportServerPublicAddress, QStringLiteral("127.0.0.1"));
    AppSettings::SetValue(AppSettings::Key::RemoteSupportServerInternalAddress, QStringLiteral("127.0.0.1"));
    AppSettings::SetValue(AppSettings::Key::RemoteSupportServerPort, int(relay.Port()));
    AppSettings::SetValue(AppSettings::Key::ClientName, QStringLiteral("diver-anna"));

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

        // The upload window: an update for the display loaded, written at
        // the line rate of a real link, pictured half way and at the end.
        QTemporaryDir updateDir;
        CcrBuilder::Block display;
        display.deviceId = 0xBC;
        display.hexLines = CcrBuilder::DataRecords(0x1000, QByteArray(0x80, char(0x11)))
                           + CcrBuilder::DataRecords(0x1400, QByteArray(0x1C00, char(0x22)))
                           + CcrBuilder::DataRecords(0x200000, QByteArray::fromHex("0106190100070105"));
        display.hexLines << CcrBuilder::EndOfFileRecord();
        const QString update = updateDir.filePath(QStringLiteral("ORBITA2020_070105_S.ccr"));
        check(CcrBuilder::WriteContainer(update, 0, false, CcrBuilder::UploadLines({display}), true, nullptr),
              "update file");
        SimTiming lineRate;
        lineRate.lineRate = true;
        sim.SetTiming(lineRate);
        int uploadStep = 0;
        withModal<UploadDialog>(
            QStringLiteral("08c_upload_running"), [&] { press(&w, "uploadBtn"); },
            [](UploadDialog *upload) {
                check(waitFor([&] { return !upload->IsUploading(); }, 60000), "upload finished");
                settle();
                save(upload, QStringLiteral("08d_upload_done"));
                press(upload, "closeBtn");
            },
            [&](UploadDialog *upload) {
                if (uploadStep == 0) {
                    upload->SetFileChooser([&](QWidget *, const QString &) { return update; });
                    press(upload, "selectBtn");
                    uploadStep = 1;
                } else if (uploadStep == 1 && !upload->IsLoading() && upload->IsLoaded()) {
                    press(upload, "uploadBtn");
                    uploadStep = 2;
                } else if (uploadStep == 2) {
                    return upload->findChild<QProgressBar *>(QStringLiteral("progressBar"))->value() >= 450;
                }
                return false;
            });
        sim.SetTiming(SimTiming());
        remoteSupportPictures(w, relay, QStringLiteral("08b"), true);

        // Colour V2 download: the log book list, a download of every dive,
        // and the overwrite question when they are downloaded again.
        QTemporaryDir downloads;
        AppSettings::SetValue(AppSettings::Key::DownloadDirectory, downloads.path());
        withModal<DownloadV2Dialog>(
            QStringLiteral("20_download_v2_log_book"), [&] { press(&w, "downloadBtn"); },
            [&](DownloadV2Dialog *v2) {
                press(v2, "allDivesBtn");
                press(v2, "downloadBtn");
                check(waitFor([v2] { return !v2->IsBusy(); }, 60000), "v2 download");
                settle();
                save(v2, QStringLiteral("21_download_v2_done"));
                press(v2, "allDivesBtn");
                withModal<YesYesToAllNoNoToAll>(
                    QStringLiteral("22_overwrite_question"), [v2] { press(v2, "downloadBtn"); },
                    [](YesYesToAllNoNoToAll *question) { press(question, "noToAllBtn"); });
                press(v2, "closeBtn");
            },
            [](DownloadV2Dialog *v2) {
                return !v2->IsBusy() && v2->findChild<QTreeWidget *>(QStringLiteral("logBook"))->topLevelItemCount() > 0;
            });

        // The same port now answers as a Colour V1 handset on a paced line,
        // so the progress and remaining time can be seen.
        sim.LoadProfile(SimProfile::ColourV1Usb);
        sim.WithBus([localOffset](SimulatedBus &bus) {
            if (auto *clock = dynamic_cast<SimClockUnit *>(bus.Unit(0xA2)))
                clock->SetOffsetSeconds(localOffset);
        });
        SimTiming paced;
        paced.lineRate = true;
        sim.SetTiming(paced);
        // A folder of its own: the Colour V1 unit holds the same dives, whose
        // files would otherwise be asked about.
        QTemporaryDir v1Downloads;
        AppSettings::SetValue(AppSettings::Key::DownloadDirectory, v1Downloads.path());
        bool disconnected = false;
        const auto watch = QObject::connect(w.Worker(), &WorkerC::ConnectionStatusResult, &w, [&](int status, QString) {
            disconnected = disconnected || status == WorkerC::StatusDisconnecting;
        });
        w.RemoteSupportReconnect();
        check(waitFor([&] { return disconnected && w.LastConnectionStatus() == WorkerC::StatusConnectedSerialValid
                                   && !w.Worker()->IsWorkInProgress(); }), "reconnected");
        QObject::disconnect(watch);
        withModal<DownloadV1Dialog>(
            QStringLiteral("23_download_v1"), [&] { press(&w, "downloadBtn"); },
            [&](DownloadV1Dialog *v1) {
                press(v1, "downloadBtn");
                auto *bar = v1->findChild<QProgressBar *>(QStringLiteral("progressBar"));
                check(waitFor([bar] { return bar->value() >= 40; }, 60000), "v1 progress");
                save(v1, QStringLiteral("24_download_v1_progress"));
                check(waitFor([v1] { return !v1->IsBusy(); }, 120000), "v1 download");
                settle();
                save(v1, QStringLiteral("25_download_v1_done"));
                press(v1, "closeBtn");
            },
            [](DownloadV1Dialog *v1) { return v1->IsPrepared() && !v1->IsBusy(); });
        sim.SetTiming(SimTiming());

        // The memory image of that download, processed again from the advanced settings.
        const QStringList images = QDir(v1Downloads.path()).entryList({QStringLiteral("*.ccx")}, QDir::Files);
        check(!images.isEmpty(), "memory image");
        // Its dives come back as the only .ccl files (no overwrite questions).
        for (const QString &name : QDir(v1Downloads.path()).entryList({QStringLiteral("*.ccl")}, QDir::Files))
            QFile::remove(QDir(v1Downloads.path()).filePath(name));
        withModal<PrivateSettingsDialog>(
            QStringLiteral("26_advanced_settings"), [&] { w.PrivateSettings(); },
            [&](PrivateSettingsDialog *advanced) {
                withModal<ProcessCCXDialog>(
                    QStringLiteral("27_process_ccx"),
                    [advanced] { press(advanced, "processCcxBtn"); },
                    [](ProcessCCXDialog *ccx) { press(ccx, "closeBtn"); },
                    [&](ProcessCCXDialog *ccx) {
                        if (!ccx->IsBusy() && ccx->findChild<QPlainTextEdit *>(QStringLiteral("messagesEdit"))
                                                  ->toPlainText().isEmpty() && !images.isEmpty())
                            ccx->ProcessFiles({QDir(v1Downloads.path()).filePath(images.first())});
                        return !ccx->IsBusy()
                            && !ccx->findChild<QPlainTextEdit *>(QStringLiteral("messagesEdit"))->toPlainText().isEmpty();
                    });
                press(advanced, "cancelBtn");
            });

        w.LoadLanguage(QStringLiteral("de"));
        settle();
        save(&w, QStringLiteral("09_main_connected_de"));
        withModal<SettingsDialog>(QStringLiteral("10_settings_de"), [&] { press(&w, "settingsBtn"); },
                                  [](SettingsDialog *settings) { settings->reject(); });
        withModal<About>(QStringLiteral("10b_about_de"), [&] { press(&w, "aboutBtn"); },
                         [](About *about) { press(about, "closeBtn"); });
        AppSettings::SetValue(AppSettings::Key::DownloadDirectory, QDir::home().filePath(QStringLiteral("Dives")));
        ShootDives(w, QStringLiteral("_de"));
        remoteSupportPictures(w, relay, QStringLiteral("10c_de"), false);
        withModal<DownloadV1Dialog>(
            QStringLiteral("28_download_v1_de"), [&] { press(&w, "downloadBtn"); },
            [](DownloadV1Dialog *v1) { press(v1, "closeBtn"); },
            [](DownloadV1Dialog *v1) { return v1->IsPrepared() && !v1->IsBusy(); });
        w.LoadLanguage(QStringLiteral("en"));
        AppSettings::SetValue(AppSettings::Key::Language, QString());
    }
    qInfo() << "screenshots finished," << failures << "failures";
    return failures == 0 ? 0 : 1;
}
