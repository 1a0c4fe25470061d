// The dive list and the oxygen-cell analysis. Lists a folder of generated
// secured dive logs through DiveFolderScanner in its own thread, as the Dives
// window does, and prints the time to the first row and to the full list
// beside the time it takes merely to read the same files' bytes. Then times
// the cell analysis of a two-hour dive with one sample per second beside the
// time its log takes to load.
// Usage: bench_dives [dives (1000)] [sample interval in s (10)] [rounds (3)] [folder]
// With a folder the generated dives are written there and kept (to look at
// them in the window); otherwise into a temporary folder.

#include "CellHealthAnalysis.h"
#include "DiveFolderScanner.h"
#include "LogFileWriter.h"
#include "LogRecordGenerator.h"
#include "QuorLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <ctime>

namespace {
void Quiet(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        QTextStream(stderr) << message << "\n";
}

DivePlan Dive(int number, int interval)
{
    DivePlan plan;
    plan.diveNumber = number;
    plan.sampleInterval = interval;
    plan.powerOn = QDateTime(QDate(2022, 1, 1), QTime(9, 0), Qt::UTC).addDays(number / 2).addSecs((number % 2) * 4 * 3600);
    const double depth = 18 + (number * 7) % 45;
    const double length = 1800 + (number * 13) % 60 * 60;
    plan.profile = {{0, 0}, {depth * 6, depth}, {length * 0.6, depth}, {length * 0.9, 6}, {length - 60, 6}, {length, 0}};
    plan.setpoint = 0.7;
    plan.setpointChanges = {{depth * 6, 1.3}, {length - 60, 0.7}};
    plan.cellNoise = 0.02;
    plan.battery.logged = true;
    return plan;
}

double Median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0.0 : v[v.size() / 2];
}
} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(Quiet);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int dives = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 1000;
    const int interval = argc > 2 ? std::max(1, QString::fromLocal8Bit(argv[2]).toInt()) : 10;
    const int rounds = argc > 3 ? std::max(1, QString::fromLocal8Bit(argv[3]).toInt()) : 3;

    QTemporaryDir temporary;
    const QDir dir(argc > 4 ? QString::fromLocal8Bit(argv[4]) : temporary.path());
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        out << "Unable to make the folder " << dir.path() << "\n";
        return 1;
    }
    qint64 bytes = 0;
    for (int i = 1; i <= dives; ++i) {
        const QString path = dir.filePath(QStringLiteral("12A3456_%1.ccl").arg(i, 5, 10, QLatin1Char('0')));
        QString error;
        if (!LogFileWriter::WriteSecured(path, LogRecordGenerator::LogFile(Dive(i, interval)), &error)) {
            out << "Unable to write a dive: " << error << "\n";
            return 1;
        }
        bytes += QFileInfo(path).size();
    }
    out << "Dive list: " << dives << " generated dives of 30 to 90 minutes, one sample every " << interval << " s, "
        << bytes / 1024 << " KiB in all; median of " << rounds << " rounds\n";

    QThread thread;
    DiveFolderScanner scanner;
    scanner.moveToThread(&thread);
    thread.start();
    QVector<double> readMs, firstMs, fullMs, cpuMs;
    int listed = 0;
    for (int round = 0; round < rounds; ++round) {
        // Baseline: only the bytes of the same files.
        QElapsedTimer timer;
        timer.start();
        qint64 read = 0;
        for (const QString &path : DiveFolderScanner::DiveFiles(dir.path())) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly))
                read += f.readAll().size();
        }
        readMs.append(timer.nsecsElapsed() / 1e6);

        QEventLoop loop;
        double first = -1;
        listed = 0;
        auto found = QObject::connect(&scanner, &DiveFolderScanner::EntriesFound, &loop,
                                      [&](int, const QVector<DiveListEntry> &entries) {
                                          if (first < 0)
                                              first = timer.nsecsElapsed() / 1e6;
                                          listed += entries.size();
                                      });
        auto done = QObject::connect(&scanner, &DiveFolderScanner::ScanFinished, &loop, [&] { loop.quit(); });
        timer.restart();
        const std::clock_t cpuStart = std::clock();
        QMetaObject::invokeMethod(&scanner, "Scan", Qt::QueuedConnection, Q_ARG(QString, dir.path()), Q_ARG(int, round + 1));
        loop.exec();
        fullMs.append(timer.nsecsElapsed() / 1e6);
        cpuMs.append(double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
        firstMs.append(first);
        QObject::disconnect(found);
        QObject::disconnect(done);
    }
    thread.quit();
    thread.wait();
    out << "  read the files' bytes only (baseline): " << QString::number(Median(readMs), 'f', 1) << " ms\n"
        << "  first row:                              " << QString::number(Median(firstMs), 'f', 1) << " ms\n"
        << "  full list (" << listed << " rows):                 " << QString::number(Median(fullMs), 'f', 1)
        << " ms (target under 1000 ms)\n"
        << "  processor time of the full list, all threads: " << QString::number(Median(cpuMs), 'f', 1) << " ms\n";

    // Cell analysis of a two-hour dive, one sample per second.
    DivePlan plan;
    plan.sampleInterval = 1;
    plan.profile = {{0, 0}, {180, 40}, {1800, 40}, {3600, 21}, {5400, 6}, {7200, 0}};
    plan.setpoint = 0.7;
    plan.setpointChanges = {{180, 1.3}, {5400, 0.7}};
    plan.flushes = {{2400, 60, 1.6}};
    plan.cells[1] = DivePlan::CellBehaviour::Slow(12);
    plan.cells[2] = DivePlan::CellBehaviour::CurrentLimited(1.1);
    plan.cells[4] = DivePlan::CellBehaviour::Offset(0.3);
    plan.cellNoise = 0.02;
    const QString path = dir.filePath(QStringLiteral("two-hours.ccl"));
    QString error;
    if (!LogFileWriter::WriteSecured(path, LogRecordGenerator::LogFile(plan), &error)) {
        out << "Unable to write the dive: " << error << "\n";
        return 1;
    }
    QVector<double> loadMs, cellMs;
    int samples = 0;
    for (int round = 0; round < std::max(rounds, 10); ++round) {
        QElapsedTimer timer;
        timer.start();
        QuorLog log;
        if (log.Load(path) != QuorLog::Success) {
            out << "Load failed: " << log.ErrorText() << "\n";
            return 1;
        }
        loadMs.append(timer.nsecsElapsed() / 1e6);
        timer.restart();
        const DiveCellHealth health = CellHealthAnalysis::AnalyseDive(log);
        cellMs.append(timer.nsecsElapsed() / 1e6);
        samples = 0;
        for (const CellVerdict &v : health.cells)
            samples += v.findings.size();
    }
    out << "Cell analysis of a two-hour dive, one sample per second (" << samples << " findings):\n"
        << "  load of its log (baseline): " << QString::number(Median(loadMs), 'f', 2) << " ms\n"
        << "  cell analysis, both controllers: " << QString::number(Median(cellMs), 'f', 2) << " ms (target under 10 ms)\n";
    return 0;
}
