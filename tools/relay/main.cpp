// The remote-support relay server: pairs end users of Tessaro with support
// technicians and passes their messages on. Logs to standard error (the
// journal, when run as the systemd service).
//
// Exit codes: 0 stopped; 1 the command line or the staff key file is wrong;
// 2 the port cannot be listened on.
#include "RelayServer.h"
#include "RemoteSupportConstants.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QHostAddress>
#include <QSocketNotifier>

#include <csignal>
#include <utility>
#include <cstdio>
#include <unistd.h>

namespace {

void LogToStandardError(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    const char *level = "info";
    switch (type) {
    case QtDebugMsg: level = "debug"; break;
    case QtWarningMsg: level = "warning"; break;
    case QtCriticalMsg: level = "critical"; break;
    case QtFatalMsg: level = "fatal"; break;
    case QtInfoMsg: break;
    }
    const QByteArray line = QStringLiteral("%1 %2 %3\n")
                                .arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs),
                                     QLatin1String(level), text)
                                .toUtf8();
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    std::fflush(stderr);
}

// SIGTERM and SIGINT only write a byte; the event loop reads it and stops.
int signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

void StopOnSignals(QCoreApplication &app)
{
    if (::pipe(signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(LogToStandardError);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessaro-relay"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Relays Tessaro remote-support sessions between end users and support technicians."));
    parser.addHelpOption();
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Address to listen on (default: every address)."),
                                    QStringLiteral("address"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("TCP port (default %1).").arg(RemoteSupportConstants::ServerPort),
                                  QStringLiteral("port"));
    const QCommandLineOption keyFile(QStringLiteral("staff-key-file"),
                                     QStringLiteral("File whose first line is the key technicians join with."),
                                     QStringLiteral("file"));
    const QCommandLineOption anyTechnician(QStringLiteral("allow-any-technician"),
                                           QStringLiteral("Accept technicians without a key (trials on one machine only)."));
    const RelayServer::Limits defaults;
    const QCommandLineOption maxConnections(
        QStringLiteral("max-connections"),
        QStringLiteral("Connections open at once (default %1).").arg(defaults.maxConnections),
        QStringLiteral("count"));
    const QCommandLineOption maxPerAddress(
        QStringLiteral("max-connections-per-address"),
        QStringLiteral("Connections open at once from one address (default %1).")
            .arg(defaults.maxConnectionsPerAddress),
        QStringLiteral("count"));
    parser.addOptions({listen, port, keyFile, anyTechnician, maxConnections, maxPerAddress});
    parser.process(app);

    RelayServer::Limits limits;
    for (const auto &[option, field] : {std::pair{&maxConnections, &limits.maxConnections},
                                        std::pair{&maxPerAddress, &limits.maxConnectionsPerAddress}}) {
        if (!parser.isSet(*option))
            continue;
        bool ok = false;
        const int value = parser.value(*option).toInt(&ok);
        if (!ok || value < 1) {
            qCritical().noquote() << "not a count:" << parser.value(*option);
            return 1;
        }
        *field = value;
    }

    QHostAddress address = QHostAddress::Any;
    if (parser.isSet(listen) && !address.setAddress(parser.value(listen))) {
        qCritical().noquote() << "not an address:" << parser.value(listen);
        return 1;
    }
    quint16 portNumber = RemoteSupportConstants::ServerPort;
    if (parser.isSet(port)) {
        bool ok = false;
        const uint value = parser.value(port).toUInt(&ok);
        if (!ok || value > 65535) {
            qCritical().noquote() << "not a port:" << parser.value(port);
            return 1;
        }
        portNumber = quint16(value);
    }

    RelayServer relay;
    relay.SetLimits(limits);
    if (parser.isSet(keyFile)) {
        QFile file(parser.value(keyFile));
        if (!file.open(QIODevice::ReadOnly)) {
            qCritical().noquote() << "cannot read the staff key file" << file.fileName() << "-" << file.errorString();
            return 1;
        }
        const QString key = QString::fromUtf8(file.readLine()).trimmed();
        if (key.isEmpty()) {
            qCritical().noquote() << "the staff key file" << file.fileName() << "holds no key";
            return 1;
        }
        relay.SetStaffKey(key);
    } else if (!parser.isSet(anyTechnician)) {
        qCritical() << "a staff key is needed: --staff-key-file FILE (or --allow-any-technician for a trial)";
        return 1;
    } else {
        qWarning() << "technicians are not checked: anyone may link to a user and send device commands";
    }

    if (!relay.Listen(address, portNumber)) {
        qCritical().noquote() << "cannot listen on port" << portNumber << "-" << relay.ErrorText();
        return 2;
    }
    StopOnSignals(app);
    const int code = app.exec();
    qInfo() << "relay: stopped";
    return code;
}
