#include "DiveFolderScanner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMutex>
#include <QRunnable>
#include <QThreadPool>
#include <QWaitCondition>
#include <QThread>
#include <algorithm>
#include <functional>

namespace {

// What the readers of one scan share with the scanner's thread.
struct ScanState
{
    const QStringList *files = nullptr;
    std::atomic<int> next{0};
    QMutex mutex;
    QWaitCondition ready;
    QVector<DiveListEntry> done; // read, not yet handed over
    int readersLeft = 0;
};

// Reads files, taking the next unread one each time, until none is left or
// the scan is cancelled.
class Reader : public QRunnable
{
public:
    Reader(ScanState &state, const std::function<bool()> &cancelled) : m_state(state), m_cancelled(cancelled) {}

    void run() override
    {
        for (;;) {
            const int index = m_state.next.fetch_add(1);
            if (index >= m_state.files->size() || m_cancelled())
                break;
            DiveListEntry entry = DiveListEntry::FromFile(m_state.files->at(index));
            QMutexLocker lock(&m_state.mutex);
            m_state.done.append(std::move(entry));
            m_state.ready.wakeAll();
        }
        QMutexLocker lock(&m_state.mutex);
        --m_state.readersLeft;
        m_state.ready.wakeAll();
    }

private:
    ScanState &m_state;
    std::function<bool()> m_cancelled;
};

} // namespace

DiveFolderScanner::DiveFolderScanner(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<DiveListEntry>();
    qRegisterMetaType<QVector<DiveListEntry>>();
}

void DiveFolderScanner::CancelBefore(int generation)
{
    int current = m_cancelBefore.load();
    while (current < generation && !m_cancelBefore.compare_exchange_weak(current, generation)) {
    }
}

QStringList DiveFolderScanner::DiveFiles(const QString &folder)
{
    QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return {};
    // Sorted here on the plain time values: QDir's own sort by time compares
    // date-times through the time zone and takes most of a second for a
    // thousand files.
    const QFileInfoList infos = dir.entryInfoList({QStringLiteral("*.ccl")}, QDir::Files | QDir::Hidden, QDir::NoSort);
    QVector<QPair<qint64, QString>> byTime;
    byTime.reserve(infos.size());
    for (const QFileInfo &info : infos)
        byTime.append({-info.lastModified().toMSecsSinceEpoch(), info.absoluteFilePath()});
    std::sort(byTime.begin(), byTime.end());
    QStringList files;
    files.reserve(byTime.size());
    for (const auto &f : byTime)
        files.append(f.second);
    return files;
}

int DiveFolderScanner::Readers() { return std::max(1, QThread::idealThreadCount()); }

void DiveFolderScanner::Scan(const QString &folder, int generation)
{
    const QStringList files = DiveFiles(folder);
    emit ScanStarted(generation, files.size());
    const auto cancelled = [this, generation] { return generation < m_cancelBefore.load(); };

    // Files are read by a few threads at once; this thread hands what they
    // read to the window, the first row at once and then in batches, so a
    // thousand files cost the window a few dozen updates.
    ScanState state;
    state.files = &files;
    QThreadPool pool;
    const int readers = std::min(Readers(), std::max(1, int(files.size())));
    pool.setMaxThreadCount(readers);
    state.readersLeft = readers;
    for (int i = 0; i < readers; ++i)
        pool.start(new Reader(state, cancelled));

    bool first = true;
    QElapsedTimer sinceBatch;
    sinceBatch.start();
    QVector<DiveListEntry> batch;
    for (;;) {
        QMutexLocker lock(&state.mutex);
        while (state.readersLeft > 0 && (state.done.isEmpty() || (!first && state.done.size() < BatchEntries
                                                                    && sinceBatch.elapsed() < BatchMilliseconds)))
            state.ready.wait(&state.mutex, first ? BatchMilliseconds : std::max<qint64>(1, BatchMilliseconds - sinceBatch.elapsed()));
        batch.swap(state.done);
        const bool end = state.readersLeft == 0;
        lock.unlock();
        if (!batch.isEmpty() && !cancelled()) {
            emit EntriesFound(generation, batch);
            first = false;
            sinceBatch.restart();
        }
        batch.clear();
        if (end)
            break;
    }
    pool.waitForDone();
    emit ScanFinished(generation, files.size(), cancelled());
}
