// Status-log throughput: records per second for 100-character messages, as
// the log writes them (file opened and closed per record), beside a baseline
// that appends the same record bytes to one file kept open.
// Usage: bench_statuslog [records per thread, default 20000]
#include "StatusLog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const QString Message(100, QLatin1Char('m'));

void RunLog(const QString &folder, int count)
{
    StatusLog log(folder, [] { return QDateTime(QDate(2026, 1, 1), QTime(12, 0)); });
    for (int i = 0; i < count; ++i)
        log.Write(QtDebugMsg, Message);
}

void RunBaseline(const QString &path, int count)
{
    // The same record bytes, one write each, on a file that stays open.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return;
    for (int i = 0; i < count; ++i) {
        const QByteArray record = StatusLog::Record(
            StatusLog::MessageLine(QtDebugMsg, Message, QTime(12, 0)).toUtf8(), StatusLog::NextKeyOffset());
        file.write(record);
    }
}

double RecordsPerSecond(int threads, int perThread, const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    std::vector<QThread *> workers;
    for (int t = 0; t < threads; ++t)
        workers.push_back(QThread::create(work));
    for (QThread *w : workers)
        w->start();
    for (QThread *w : workers) {
        w->wait();
        delete w;
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    return double(threads) * perThread / seconds;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int perThread = 20000;
    if (argc > 1)
        perThread = qMax(1, QByteArray(argv[1]).toInt());
    StatusLog::SeedKeyOffsets();

    std::printf("Status-log throughput, %d records of 100-character messages per thread\n", perThread);
    std::printf("%-8s %26s %28s %8s\n", "threads", "open/close per record", "file kept open (baseline)", "ratio");
    for (int threads : {1, 2}) {
        QTemporaryDir logDir;
        QTemporaryDir baseDir;
        const QString folder = logDir.path();
        const QString basePath = baseDir.filePath("baseline.log");
        const double log = RecordsPerSecond(threads, perThread, [&] { RunLog(folder, perThread); });
        const double base = RecordsPerSecond(threads, perThread, [&] { RunBaseline(basePath, perThread); });
        std::printf("%-8d %22.0f r/s %24.0f r/s %8.2f\n", threads, log, base, base / log);
    }
    return 0;
}
