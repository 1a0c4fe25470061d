#include "CommandLine.h"

#include "SimulatedRebreatherMode.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

// Holds the parser together with its options; QCommandLineParser keeps
// copies of the options, so nothing else needs to outlive a call.
struct ProgramParser
{
    QCommandLineParser parser;

    ProgramParser()
    {
        // "-platform" and the other options of the GUI application object
        // use one dash; read as long options they never pass for -h or -v.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(QStringLiteral(
            "Companion program for the electronics of a closed-circuit rebreather: connects over a "
            "serial port, reads the device's identity, downloads dive logs, uploads updates, "
            "synchronises the clock and hands the device to remote support."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(QCommandLineOption(
            QStringList{SimulatedRebreatherMode::Option.mid(2)},
            QStringLiteral("Start simulated rebreathers inside the program, one per profile, and list "
                           "their ports as SIM1, SIM2, ... Without a list: %1. Choose others with "
                           "--simulate=<profile>,<profile>,... Profiles: %2.")
                .arg(SimulatedRebreatherMode::DefaultProfiles().join(QLatin1Char(',')),
                     SimulatedRebreatherMode::KnownProfiles().join(QStringLiteral(", ")))));
    }
};

} // namespace

QStringList CommandLine::ParserArguments(const QStringList &arguments)
{
    QStringList out;
    out.reserve(arguments.size());
    for (const QString &argument : arguments)
        out << (SimulatedRebreatherMode::IsOptionArgument(argument) ? SimulatedRebreatherMode::Option : argument);
    return out;
}

bool CommandLine::AsksForTextOnly(const QStringList &arguments)
{
    ProgramParser p;
    // Options of the GUI application object are still in the list and count
    // as unknown here; only help and version matter.
    p.parser.parse(ParserArguments(arguments));
    return p.parser.isSet(QStringLiteral("help")) || p.parser.isSet(QStringLiteral("help-all"))
           || p.parser.isSet(QStringLiteral("version"));
}

void CommandLine::AnswerWithText(const QCoreApplication &app)
{
    ProgramParser p;
    p.parser.parse(ParserArguments(app.arguments()));
    if (p.parser.isSet(QStringLiteral("version")))
        p.parser.showVersion();
    if (p.parser.isSet(QStringLiteral("help-all"))) {
        // Only the parser's own handling adds the toolkit's options.
        p.parser.process(QStringList{app.arguments().value(0), QStringLiteral("--help-all")});
    }
    p.parser.showHelp(0);
}

void CommandLine::Process(const QCoreApplication &app)
{
    ProgramParser p;
    p.parser.process(ParserArguments(app.arguments()));
}
