// Prints the message lines of Tessaro status-log files as plain text.
//
// Exit codes: 0 every file decoded whole; 1 a file could not be read or the
// command line is wrong; 2 a file is damaged (its readable records are still
// printed, the damage is described on standard error).
#include "StatusLogReader.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace {

constexpr int ExitOk = 0;
constexpr int ExitUnreadable = 1;
constexpr int ExitDamaged = 2;

void Print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fputc('\n', stream);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessaro-logreader"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the message lines of Tessaro status-log files (Tessaro_yyyy_MM_dd.log) as plain text."));
    parser.addHelpOption();
    const QCommandLineOption offsets(QStringLiteral("offsets"),
                                     QStringLiteral("Prefix each line with the byte offset of its record."));
    parser.addOption(offsets);
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Status-log files to read."),
                                 QStringLiteral("<file> [<file>...]"));
    parser.process(app);

    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) {
        Print(stderr, QStringLiteral("tessaro-logreader: no file given (see --help)"));
        return ExitUnreadable;
    }

    int exitCode = ExitOk;
    for (const QString &path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            Print(stderr, QStringLiteral("%1: cannot open: %2").arg(path, file.errorString()));
            exitCode = ExitUnreadable;
            continue;
        }
        const QByteArray data = file.readAll();
        const StatusLogReader::Result result = StatusLogReader::Decode(data);

        if (files.size() > 1)
            Print(stdout, QStringLiteral("==> %1 <==").arg(path));
        for (const StatusLogReader::Entry &entry : result.entries) {
            Print(stdout, parser.isSet(offsets) ? QStringLiteral("%1: %2").arg(entry.offset).arg(entry.text)
                                                : entry.text);
        }
        std::fflush(stdout);

        if (!data.isEmpty() && result.entries.isEmpty()) {
            Print(stderr, QStringLiteral("%1: not a Tessaro status log: no record found").arg(path));
            if (exitCode == ExitOk)
                exitCode = ExitDamaged;
            continue;
        }
        for (const StatusLogReader::Problem &problem : result.problems)
            Print(stderr, QStringLiteral("%1: byte %2: %3").arg(path).arg(problem.offset).arg(problem.description));
        if (!result.problems.isEmpty() && exitCode == ExitOk)
            exitCode = ExitDamaged;
    }
    return exitCode;
}
