// tessaro-cli: the device operations of the program without its windows.
// Commands come from one table; each runs the real worker in its own thread.

#include "AppIdentity.h"
#include "CliSession.h"
#include "SimProfiles.h"
#include "StatusLog.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

struct Command {
    const char *name;
    const char *summary;
    int (*run)(CliSession &session);
};

const Command kCommands[] = {
    {"download", "Download the dive logs of the connected handset",
     [](CliSession &s) { return s.Download(); }},
    {"clock-sync", "Set the rebreather's clock to this computer's clock",
     [](CliSession &s) { return s.ClockSync(); }},
    {"upload", "Write an update file (FILE.ccr) to the connected units",
     [](CliSession &s) { return s.Upload(); }},
};

QString CommandList()
{
    QString text;
    for (const Command &c : kCommands)
        text += QStringLiteral("  %1  %2\n").arg(QString::fromLatin1(c.name), -12).arg(QString::fromLatin1(c.summary));
    return text;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(AppIdentity::OrganisationName);
    QCoreApplication::setOrganizationDomain(AppIdentity::OrganisationDomain);
    QCoreApplication::setApplicationName(AppIdentity::ApplicationName);
    QCoreApplication::setApplicationVersion(AppIdentity::ApplicationVersion);
    StatusLog::SeedKeyOffsets();
    qInstallMessageHandler(StatusLog::MessageHandler);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tessaro without windows.\n\nCommands:\n") + CommandList());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("download, clock-sync or upload"));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("upload: the update file (.ccr)"), QStringLiteral("[file]"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Serial port path (any pseudo-terminal too)."), QStringLiteral("path"));
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Use an in-process simulated rebreather: %1.").arg(SimProfiles::Names().join(QStringLiteral(", "))),
                                      QStringLiteral("profile"));
    const QCommandLineOption dir(QStringLiteral("dir"), QStringLiteral("Download folder (default: the program's download folder setting)."), QStringLiteral("folder"));
    const QCommandLineOption yes(QStringLiteral("yes-to-all"), QStringLiteral("Overwrite files that exist."));
    const QCommandLineOption no(QStringLiteral("no-to-all"), QStringLiteral("Never overwrite files that exist (the default)."));
    const QCommandLineOption full(QStringLiteral("full"), QStringLiteral("Read the whole log memory (or the whole log book)."));
    const QCommandLineOption dives(QStringLiteral("dives"), QStringLiteral("Colour V2 dives to download: new, all, or dive numbers such as 3,4,7."),
                                   QStringLiteral("which"), QStringLiteral("new"));
    const QCommandLineOption uddf(QStringLiteral("uddf"), QStringLiteral("Also write a UDDF file per dive, for this run only (the stored setting stays as it is)."));
    const QCommandLineOption yesAnswer(QStringLiteral("yes"),
                                       QStringLiteral("upload: answer its questions yes (older code over newer, an invalid code date, a change of the logging system)."));
    const QCommandLineOption profileLoss(QStringLiteral("accept-profile-loss"),
                                         QStringLiteral("upload: confirm, as typing 'yes' does in the window, that the unit's dive profiles may be lost."));
    parser.addOptions({port, simulate, dir, yes, no, full, dives, uddf, yesAnswer, profileLoss});
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    const Command *command = nullptr;
    for (const Command &c : kCommands) {
        if (!args.isEmpty() && args.first() == QLatin1String(c.name))
            command = &c;
    }
    if (!command) {
        std::fprintf(stderr, "tessaro-cli: give a command:\n%s", qPrintable(CommandList()));
        return 2;
    }
    if (parser.isSet(yes) && parser.isSet(no)) {
        std::fprintf(stderr, "tessaro-cli: --yes-to-all and --no-to-all exclude each other\n");
        return 2;
    }
    CliSession::Options options;
    options.port = parser.value(port);
    options.simulate = parser.value(simulate);
    options.directory = parser.value(dir);
    options.yesToAll = parser.isSet(yes);
    options.noToAll = parser.isSet(no);
    options.full = parser.isSet(full);
    options.uddf = parser.isSet(uddf);
    options.dives = parser.value(dives);
    options.updateFile = args.value(1);
    options.yes = parser.isSet(yesAnswer);
    options.acceptProfileLoss = parser.isSet(profileLoss);
    CliSession session(options);
    return command->run(session);
}
