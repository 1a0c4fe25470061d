#include "AppIdentity.h"
#include "CommandLine.h"
#include "DeviceList.h"
#include "FontLoader.h"
#include "MainDialog.h"
#include "MainWindowSetup.h"
#include "ScreenReport.h"
#include "SimulatedRebreatherMode.h"
#include "SplashChoice.h"
#include "StatusLog.h"

#include <QApplication>
#include <QDateTime>
#include <QDebug>
#include <QFont>
#include <QMessageBox>
#include <QScreen>
#include <QSplashScreen>
#include <QTimer>
#include <QVector>

namespace {

// Test harnesses set this to a number of milliseconds after which the
// program leaves its event loop as if the user had quit; unset or not a
// positive number, it has no effect.
const char QuitAfterVariable[] = "TESSARO_QUIT_AFTER_MS";

void ArmQuitTimer(QApplication &app)
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue(QuitAfterVariable, &ok);
    if (!ok || ms <= 0)
        return;
    qInfo().noquote() << "Leaving after" << ms << "ms as" << QuitAfterVariable << "asks";
    QTimer::singleShot(ms, &app, &QCoreApplication::quit);
}

// The arguments as the process received them, before any application
// object has taken its own.
QStringList RawArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(StatusLog::MessageHandler);
    StatusLog::SeedKeyOffsets();

    QCoreApplication::setOrganizationName(AppIdentity::OrganisationName);
    QCoreApplication::setOrganizationDomain(AppIdentity::OrganisationDomain);
    QCoreApplication::setApplicationName(AppIdentity::ApplicationName);

    // --help and --version need no window system: answer them with a core
    // application object, so they work without a display too.
    if (CommandLine::AsksForTextOnly(RawArguments(argc, argv))) {
        QCoreApplication textOnly(argc, argv);
        QCoreApplication::setApplicationVersion(AppIdentity::ApplicationVersion);
        CommandLine::AnswerWithText(textOnly);
    }

    QApplication app(argc, argv);
    // An unknown option is reported and ends the program here.
    CommandLine::Process(app);

    qInfo().noquote() << "Starting Windows Tessaro Version" << AppIdentity::ApplicationVersion;
    qInfo().noquote() << "Time Zone"
                      << DeviceList::UtcOffsetText(QDateTime::currentDateTime().offsetFromUtc());

    QApplication::setApplicationVersion(AppIdentity::ApplicationVersion);

    FontLoader::LoadFonts(FontLoader::ResourceFolder(), FontLoader::FontFileNames(), [] {
        QMessageBox::warning(nullptr, QStringLiteral("Tessaro"),
                             QStringLiteral("Unable to load font OpenSans."), QMessageBox::Ok);
    });
    QApplication::setFont(FontLoader::ApplicationFont());

    ScreenReport::Log();

    QSize available;
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        available = primary->availableSize();
    const SplashChoice::Size splashSize = SplashChoice::ForAvailableSize(available);
    qDebug().noquote() << "Screen Size" << available << SplashChoice::LogText(splashSize);

    QSplashScreen splash(QPixmap(SplashChoice::ImagePath(splashSize)));
    splash.show();

    // Registered before the main window exists: its constructor starts the
    // worker thread, whose queued signals may carry this type at once.
    qRegisterMetaType<QVector<quint8>>("QVector<quint8>");

    // Simulated rebreathers, when asked for, outlive the main window: its
    // worker closes their ports on the way out.
    SimulatedRebreatherMode simulation;
    std::shared_ptr<PortEnumerator> ports;
    const QStringList simulatedProfiles = SimulatedRebreatherMode::RequestedProfiles(app.arguments());
    if (!simulatedProfiles.isEmpty()) {
        QString error;
        if (!simulation.Start(simulatedProfiles, &error)) {
            qCritical().noquote() << error;
            QMessageBox::critical(nullptr, QStringLiteral("Tessaro"), error, QMessageBox::Ok);
            return 1;
        }
        ports = simulation.Ports();
    }

    int exitCode = 0;
    {
        MainDialog mainDialog(ports);

        MainWindowSetup::Apply(mainDialog, [&mainDialog] { mainDialog.on_contextHelp(); });

        mainDialog.show();
        splash.finish(&mainDialog);
        QCoreApplication::processEvents();
        QTimer::singleShot(5000, &splash, &QWidget::close);

        ArmQuitTimer(app);
        exitCode = app.exec();
    }
    return exitCode;
}
