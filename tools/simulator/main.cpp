// tessaro-simulator: a simulated rebreather on a pseudo-terminal, for manual
// use with the program. Prints the port path and answers until interrupted.
#include "RebreatherSimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <thread>

namespace {
volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessaro-simulator"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated rebreather bus on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption profileOpt(QStringLiteral("profile"),
        QStringLiteral("Bus profile: %1.").arg(SimProfiles::Names().join(QStringLiteral(", "))),
        QStringLiteral("name"), QStringLiteral("mono-serial"));
    const QCommandLineOption linkOpt(QStringLiteral("link"),
        QStringLiteral("Keep a symlink to the port at this path."), QStringLiteral("path"));
    const QCommandLineOption seedOpt(QStringLiteral("seed"),
        QStringLiteral("Seed of the fault and chunking generator."), QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption lineRateOpt(QStringLiteral("line-rate"),
        QStringLiteral("Pace replies as a 57600-baud line would."));
    const QCommandLineOption latencyOpt(QStringLiteral("latency"),
        QStringLiteral("Device latency per request in ms."), QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption faultOpt(QStringLiteral("fault-rate"),
        QStringLiteral("Random fault rate per frame, 0-1, spread evenly over no reply, "
                       "truncated reply, bad checksum, wrong header, status error, "
                       "chunked reply and delayed reply."),
        QStringLiteral("rate"), QStringLiteral("0"));
    const QCommandLineOption unplugOpt(QStringLiteral("unplug-after"),
        QStringLiteral("Make the port disappear after this many frames."), QStringLiteral("frames"));
    const QCommandLineOption divesOpt(QStringLiteral("dives"),
        QStringLiteral("Sample dives in the handset's log memory (0: nothing logged)."),
        QStringLiteral("n"), QString::number(SimProfiles::DefaultDiveCount));
    parser.addOptions({profileOpt, linkOpt, seedOpt, lineRateOpt, latencyOpt, faultOpt, unplugOpt, divesOpt});
    parser.process(app);

    SimProfile profile;
    if (!SimProfiles::FromName(parser.value(profileOpt), profile)) {
        err << "Unknown profile " << parser.value(profileOpt) << '\n';
        return 2;
    }
    bool divesOk = false;
    const int dives = parser.value(divesOpt).toInt(&divesOk);
    if (!divesOk || dives < 0) {
        err << "The number of dives must be 0 or more\n";
        return 2;
    }
    RebreatherSimulator sim(profile, parser.value(seedOpt).toUInt());
    if (dives != SimProfiles::DefaultDiveCount)
        sim.LoadProfile(profile, dives);
    SimTiming timing;
    timing.lineRate = parser.isSet(lineRateOpt);
    timing.deviceLatencyMs = parser.value(latencyOpt).toInt();
    sim.SetTiming(timing);
    const double rate = parser.value(faultOpt).toDouble();
    if (rate > 0) {
        sim.SetFaultRates(SimFaultRates::Spread(rate));
    }
    if (parser.isSet(unplugOpt))
        sim.UnplugAfterFrames(parser.value(unplugOpt).toInt());

    QString error;
    if (!sim.Start(&error)) {
        err << "Cannot start: " << error << '\n';
        return 1;
    }
    if (parser.isSet(linkOpt) && !sim.CreateSymlink(parser.value(linkOpt), &error)) {
        err << "Cannot create link: " << error << '\n';
        return 1;
    }
    out << sim.PortPath() << '\n';
    out.flush();

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    while (!g_stop && !sim.IsUnplugged())
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    sim.Stop();
    return 0;
}
