#pragma once

#include <QStringList>

class QCoreApplication;

// The program's command line: --help, --version and --simulate[=<profiles>].
//
// Help and version are plain text: they are answered with a core application
// object only, so they work in a terminal without a display. Everything else
// is checked once the GUI application object has taken its own options
// (-platform, -style, ...). SimulatedRebreatherMode reads the value of
// --simulate; here the option is only described and recognised.
class CommandLine
{
public:
    // True when the arguments ask for help or for the version.
    static bool AsksForTextOnly(const QStringList &arguments);
    // Prints the version or the help text and ends the process with exit
    // code 0. Other options beside them (the GUI application's own, which
    // only the GUI application object would take away) do not matter.
    [[noreturn]] static void AnswerWithText(const QCoreApplication &app);

    // Checks the application's arguments. Help, version and mistakes (an
    // unknown option) are printed and end the process, as
    // QCommandLineParser::process does: exit code 0 for help and version,
    // 1 for a mistake. Returns only when the program is to run.
    static void Process(const QCoreApplication &app);

private:
    // The arguments as the parser sees them: "--simulate=<list>" becomes
    // "--simulate", whose list only SimulatedRebreatherMode reads.
    static QStringList ParserArguments(const QStringList &arguments);
};
