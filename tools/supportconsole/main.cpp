// The support technician's console: reads commands line by line from
// standard input (typed, piped or from a script) and prints the answers.
// "help" lists the commands.
//
// Exit codes: 0 after quit or the end of input; 1 the command line is wrong or
// the server could not be joined; 2 the connection ended unexpectedly.
#include "RemoteSupportConstants.h"
#include "SupportConsole.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace {

void PrintLine(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// Feeds the console from standard input without blocking the event loop.
class InputReader : public QObject
{
public:
    InputReader(SupportConsole &console, QObject *parent)
        : QObject(parent)
        , m_console(console)
        , m_notifier(STDIN_FILENO, QSocketNotifier::Read, this)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, &InputReader::ReadAvailable);
    }

private:
    void ReadAvailable()
    {
        char chunk[4096];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got <= 0) {
            m_notifier.setEnabled(false);
            if (!m_pending.isEmpty())
                m_console.AddLine(QString::fromUtf8(m_pending));
            m_pending.clear();
            m_console.EndOfInput();
            return;
        }
        m_pending.append(chunk, int(got));
        int newline = 0;
        while ((newline = m_pending.indexOf('\n')) >= 0) {
            m_console.AddLine(QString::fromUtf8(m_pending.left(newline)).remove(QLatin1Char('\r')));
            m_pending.remove(0, newline + 1);
        }
    }

    SupportConsole &m_console;
    QSocketNotifier m_notifier;
    QByteArray m_pending;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessaro-support-console"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Tessaro remote support for technicians: link to a user, chat, send device commands, "
        "fetch status logs. Commands are read from standard input; type help for the list."));
    parser.addHelpOption();
    const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("Support server (default 127.0.0.1)."),
                                  QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Support server port (default %1).").arg(RemoteSupportConstants::ServerPort),
                                  QStringLiteral("port"), QString::number(RemoteSupportConstants::ServerPort));
    const QCommandLineOption name(QStringLiteral("name"), QStringLiteral("Your name as the server shows it."),
                                  QStringLiteral("name"));
    const QCommandLineOption keyFile(QStringLiteral("staff-key-file"),
                                     QStringLiteral("File whose first line is the staff key (or set TESSARO_STAFF_KEY)."),
                                     QStringLiteral("file"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("Seconds to wait for each answer (default 30)."),
                                     QStringLiteral("seconds"), QStringLiteral("30"));
    const QCommandLineOption saveLogs(QStringLiteral("save-logs"),
                                      QStringLiteral("Also save fetched status logs into this folder."),
                                      QStringLiteral("folder"));
    parser.addOptions({host, port, name, keyFile, timeout, saveLogs});
    parser.process(app);

    SupportConsole::Options options;
    options.host = parser.value(host);
    bool ok = false;
    const uint portValue = parser.value(port).toUInt(&ok);
    if (!ok || portValue == 0 || portValue > 65535) {
        PrintLine(QStringLiteral("not a port: %1").arg(parser.value(port)));
        return 1;
    }
    options.port = quint16(portValue);
    const double seconds = parser.value(timeout).toDouble(&ok);
    if (!ok || seconds <= 0) {
        PrintLine(QStringLiteral("not a number of seconds: %1").arg(parser.value(timeout)));
        return 1;
    }
    options.answerTimeoutMs = int(seconds * 1000);
    options.staffName = parser.isSet(name) ? parser.value(name) : qEnvironmentVariable("USER");
    options.staffKey = qEnvironmentVariable("TESSARO_STAFF_KEY");
    if (parser.isSet(keyFile)) {
        QFile file(parser.value(keyFile));
        if (!file.open(QIODevice::ReadOnly)) {
            PrintLine(QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString()));
            return 1;
        }
        options.staffKey = QString::fromUtf8(file.readLine()).trimmed();
    }
    options.saveLogsFolder = parser.value(saveLogs);

    SupportConsole console(options, PrintLine);
    QObject::connect(&console, &SupportConsole::Finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    InputReader input(console, &app);
    console.Start();
    return app.exec();
}
