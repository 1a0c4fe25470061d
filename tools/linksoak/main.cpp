// tessaro-linksoak: drives the device link and the worker's identification
// against a simulated rebreather with random faults on a paced line, checks
// every byte against the simulator's memory, and counts the results that were
// wrong but reported as success. Exit code 0 when there were none, 1 when
// there were, 2 when the run could not be set up.
#include "LinkSoak.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

namespace {

// The link's own diagnostic lines would drown the report.
void QuietDebug(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtDebugMsg)
        return;
    QTextStream(stderr) << text << '\n';
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessaro-linksoak"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    LinkSoak::Options options;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Soaks the device link and the identification against a simulated rebreather with faults."));
    parser.addHelpOption();
    const QCommandLineOption operationsOpt(QStringLiteral("operations"),
        QStringLiteral("Link operations to run (reads, block reads, writes, writes with verify)."),
        QStringLiteral("n"), QString::number(options.operations));
    const QCommandLineOption connectionsOpt(QStringLiteral("connections"),
        QStringLiteral("Connections with identification through the worker."), QStringLiteral("n"),
        QString::number(options.connections));
    const QCommandLineOption faultOpt(QStringLiteral("fault-rate"),
        QStringLiteral("Fault rate per reply, 0-1, spread evenly over every fault kind."),
        QStringLiteral("rate"), QString::number(options.faultRate));
    const QCommandLineOption seedOpt(QStringLiteral("seed"),
        QStringLiteral("Seed of the operations and of the simulator's faults."), QStringLiteral("n"),
        QString::number(options.seed));
    const QCommandLineOption lateOpt(QStringLiteral("late-reply"),
        QStringLiteral("How late a delayed reply comes, in ms."), QStringLiteral("ms"),
        QString::number(options.lateReplyMs));
    const QCommandLineOption latencyOpt(QStringLiteral("latency"),
        QStringLiteral("The unit's time over each request, in ms."), QStringLiteral("ms"),
        QString::number(options.deviceLatencyMs));
    const QCommandLineOption verboseOpt(QStringLiteral("progress"), QStringLiteral("Report progress on standard error."));
    parser.addOptions({operationsOpt, connectionsOpt, faultOpt, seedOpt, lateOpt, latencyOpt, verboseOpt});
    parser.process(app);

    bool ok = true;
    const auto number = [&](const QCommandLineOption &opt, int low) {
        bool valid = false;
        const int value = parser.value(opt).toInt(&valid);
        ok = ok && valid && value >= low;
        return value;
    };
    options.operations = number(operationsOpt, 0);
    options.connections = number(connectionsOpt, 0);
    options.lateReplyMs = number(lateOpt, 0);
    options.deviceLatencyMs = number(latencyOpt, 0);
    bool valid = false;
    options.seed = parser.value(seedOpt).toUInt(&valid);
    ok = ok && valid;
    options.faultRate = parser.value(faultOpt).toDouble(&valid);
    ok = ok && valid && options.faultRate >= 0 && options.faultRate <= 1;
    if (!ok) {
        err << "Invalid option value; see --help.\n";
        return 2;
    }

    qInstallMessageHandler(QuietDebug);
    QTextStream *progress = parser.isSet(verboseOpt) ? &err : nullptr;
    LinkSoak soak(options);
    LinkSoak::Report report;
    if (!soak.RunLink(report, progress) || !soak.RunIdentification(report, progress)) {
        err << "Cannot run: " << soak.Error() << '\n';
        return 2;
    }
    LinkSoak::Print(options, report, out);
    return report.Total().wrong == 0 ? 0 : 1;
}
