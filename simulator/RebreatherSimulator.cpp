#include "RebreatherSimulator.h"

#include "PseudoTerminal.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <mutex>
#include <poll.h>
#include <random>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kHeaderSize = 10;
constexpr quint8 kStartByte = 0xAC;
// A partial request that gets no new byte for this long is thrown away, so a
// torn frame cannot swallow the next good one.
constexpr qint64 kStaleFragmentUs = 100 * 1000;
constexpr int kPollMs = 20;
constexpr int kLineRateChunk = 8; // bytes written per paced step

using Clock = std::chrono::steady_clock;

} // namespace

class RebreatherSimulatorPrivate
{
public:
    // Everything below m_mutex is guarded by it.
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_framesChanged;
    SimulatedBus m_bus;
    SimTiming m_timing;
    std::deque<SimFaultSpec> m_faultQueue;
    SimFaultRates m_rates;
    std::mt19937 m_random;
    QVector<SimFrameRecord> m_frames;
    int m_totalFrames = 0;
    int m_discarded = 0;
    int m_unplugAfter = -1;
    QString m_symlink;

    PseudoTerminal m_pty;
    QString m_portPath;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_unplugged{false};
    std::atomic<bool> m_unplugRequested{false};

    QByteArray m_rx;
    qint64 m_lastRxUs = 0;
    qint64 m_firstByteUs = 0;

    // Reply bytes waiting for their time on the line, in order.
    struct Pending {
        qint64 dueUs;
        QByteArray bytes;
    };
    std::deque<Pending> m_outQueue;
    qint64 m_lineFreeUs = 0; // when the last scheduled byte has left

    void Run();
    void ExtractFrames();
    void HandleFrame(const QByteArray &frame, qint64 firstByteUs);
    SimFaultSpec NextFault();
    void Schedule(const QByteArray &bytes, const SimFaultSpec &fault, qint64 startUs, bool lineRate, int baud);
    void FlushDue();
    bool WriteAll(const char *data, int size);
    void DoUnplug();
};

qint64 RebreatherSimulator::NowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
}

RebreatherSimulator::RebreatherSimulator(SimProfile profile, quint32 seed)
    : d(std::make_unique<RebreatherSimulatorPrivate>())
{
    d->m_random.seed(seed);
    SimProfiles::Build(profile, d->m_bus);
}

RebreatherSimulator::~RebreatherSimulator()
{
    Stop();
}

bool RebreatherSimulator::Start(QString *error)
{
    if (d->m_running)
        return true;
    if (!d->m_pty.Open(error))
        return false;
    d->m_portPath = d->m_pty.SlavePath();
    d->m_stop = false;
    d->m_unplugged = false;
    d->m_unplugRequested = false;
    d->m_running = true;
    d->m_thread = std::thread([this] { d->Run(); });
    return true;
}

void RebreatherSimulator::Stop()
{
    d->m_stop = true;
    if (d->m_thread.joinable())
        d->m_thread.join();
    d->m_pty.Close();
    d->m_running = false;
    std::lock_guard<std::mutex> lock(d->m_mutex);
    if (!d->m_symlink.isEmpty()) {
        QFile::remove(d->m_symlink);
        d->m_symlink.clear();
    }
}

bool RebreatherSimulator::IsRunning() const
{
    return d->m_running && !d->m_unplugged;
}

QString RebreatherSimulator::PortPath() const
{
    return d->m_portPath;
}

bool RebreatherSimulator::CreateSymlink(const QString &linkPath, QString *error)
{
    if (d->m_portPath.isEmpty()) {
        if (error)
            *error = QStringLiteral("simulator not started");
        return false;
    }
    QFile::remove(linkPath);
    if (::symlink(QFile::encodeName(d->m_portPath).constData(), QFile::encodeName(linkPath).constData()) != 0) {
        if (error)
            *error = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    std::lock_guard<std::mutex> lock(d->m_mutex);
    d->m_symlink = linkPath;
    return true;
}

void RebreatherSimulator::WithBus(const std::function<void(SimulatedBus &)> &fn)
{
    std::lock_guard<std::mutex> lock(d->m_mutex);
    fn(d->m_bus);
}

void RebreatherSimulator::LoadProfile(SimProfile profile, int dives)
{
    std::lock_guard<std::mutex> lock(d->m_mutex);
    SimProfiles::Build(profile, d->m_bus, dives);
}

bool RebreatherSimulator::LoadLogMemory(SimLogMemory &memory)
{
    std::lock_guard<std::mutex> lock(d->m_mutex);
    return memory.WriteTo(d->m_bus);
}

QByteArray RebreatherSimulator::Memory(quint8 deviceId, quint8 memoryId, quint32 address, int length)
{
    std::lock_guard<std::mutex> lock(d->m_mutex);
    const SimUnit *unit = d->m_bus.Unit(deviceId);
    return unit ? unit->ReadMemory(memoryId, address, length) : QByteArray();
}

void RebreatherSimulator::SetMemory(quint8 deviceId, quint8 memoryId, quint32 address, const QByteArray &bytes)
{
    std::lock_guard<std::mutex> lock(d->m_mutex);
    if (SimUnit *unit = d->m_bus.Unit(deviceId))
        unit->WriteMemory(memoryId, address, bytes);
}

void RebreatherSimulator::SetTiming(const SimTiming &timing)
{
    std::lock_guard<std::mutex> lock(d->m_mutex);
    d->m_timing = timing;
}

SimTiming RebreatherSimulator::Timing() const
{
    std::lock_guard<std::mutex> lock(d->m_mutex);
    return d->m_timing;
}

void RebreatherSimulator::QueueFaults(const QVector<SimFaultSpec> &faults)
{
    std::lock_guard<std::mutex> lock(d->m_mutex);
    for (const SimFaultSpec &f : faults)
        d->m_faultQueue.push_back(f);
}

void RebreatherSimulator::QueueFault(SimFault fault)
{
    SimFaultSpec spec;
    spec.fault = fault;
    QueueFaults({spec});
}

void RebreatherSimulator::SetFaultRates(const SimFaultRates &rates)
{
    std::lock_guard<std::mutex> lock(d->m_mutex);
    d->m_rates = rates;
}

void RebreatherSimulator::ClearFaults()
{
    std::lock_guard<std::mutex> lock(d->m_mutex);
    d->m_faultQueue.clear();
    d->m_rates = SimFaultRates();
    d->m_unplugAfter = -1;
}

void RebreatherSimulator::UnplugAfterFrames(int frames)
{
    std::lock_guard<std::mutex> lock(d->m_mutex);
    d->m_unplugAfter = frames;
}

void RebreatherSimulator::Unplug()
{
    d->m_unplugRequested = true;
    // The thread notices within one poll step; wait so the caller sees the port gone.
    std::unique_lock<std::mutex> lock(d->m_mutex);
    d->m_framesChanged.wait(lock, [this] { return !d->m_running || d->m_unplugged; });
}

bool RebreatherSimulator::IsUnplugged() const
{
    return d->m_unplugged;
}

QVector<SimFrameRecord> RebreatherSimulator::ReceivedFrames() const
{
    std::lock_guard<std::mutex> lock(d->m_mutex);
    return d->m_frames;
}

int RebreatherSimulator::ReceivedFrameCount() const
{
    std::lock_guard<std::mutex> lock(d->m_mutex);
    return d->m_frames.size();
}

void RebreatherSimulator::ClearReceivedFrames()
{
    std::lock_guard<std::mutex> lock(d->m_mutex);
    d->m_frames.clear();
    d->m_discarded = 0;
}

int RebreatherSimulator::DiscardedByteCount() const
{
    std::lock_guard<std::mutex> lock(d->m_mutex);
    return d->m_discarded;
}

bool RebreatherSimulator::WaitForFrames(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(d->m_mutex);
    return d->m_framesChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                       [&] { return d->m_frames.size() >= count; });
}

// ------------------------------------------------------------ worker thread

void RebreatherSimulatorPrivate::Run()
{
    char buf[4096];
    while (!m_stop) {
        if (m_unplugRequested && !m_unplugged)
            DoUnplug();
        if (m_unplugged) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
            continue;
        }
        FlushDue();
        // Sleep until input arrives or the next reply bytes are due.
        qint64 waitUs = qint64(kPollMs) * 1000;
        if (!m_outQueue.empty())
            waitUs = qBound<qint64>(0, m_outQueue.front().dueUs - RebreatherSimulator::NowUs(), waitUs);
        timespec ts{time_t(waitUs / 1000000), long((waitUs % 1000000) * 1000)};
        pollfd pfd{m_pty.MasterFd(), POLLIN, 0};
        const int ready = ::ppoll(&pfd, 1, &ts, nullptr);
        const qint64 now = RebreatherSimulator::NowUs();
        if (ready > 0 && (pfd.revents & POLLIN)) {
            const ssize_t n = ::read(m_pty.MasterFd(), buf, sizeof buf);
            if (n > 0) {
                if (m_rx.isEmpty())
                    m_firstByteUs = now;
                m_rx.append(buf, int(n));
                m_lastRxUs = now;
                ExtractFrames();
                continue;
            }
        } else if (ready > 0 && (pfd.revents & (POLLHUP | POLLERR))) {
            // No slave is open on the other side for a moment; keep waiting.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (!m_rx.isEmpty() && now - m_lastRxUs > kStaleFragmentUs) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_discarded += m_rx.size();
            m_rx.clear();
        }
    }
}

void RebreatherSimulatorPrivate::ExtractFrames()
{
    static const char kHeader[4] = {char(kStartByte), 'R', 'i', 'x'};
    while (!m_rx.isEmpty() && !m_stop && !m_unplugged) {
        // Resynchronise on the header: drop bytes until the buffer starts with
        // (a prefix of) it.
        int mismatch = -1;
        for (int i = 0; i < 4 && i < m_rx.size(); ++i) {
            if (m_rx.at(i) != kHeader[i]) {
                mismatch = i;
                break;
            }
        }
        if (mismatch >= 0) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_rx.remove(0, 1);
            ++m_discarded;
            continue;
        }
        if (m_rx.size() < kHeaderSize)
            return;
        const quint8 command = quint8(m_rx.at(5));
        const int payload = (command & 0x01) ? 0 : quint8(m_rx.at(9));
        const int total = kHeaderSize + payload + 1;
        if (m_rx.size() < total)
            return;
        const QByteArray frame = m_rx.left(total);
        m_rx.remove(0, total);
        const qint64 first = m_firstByteUs;
        m_firstByteUs = RebreatherSimulator::NowUs();
        HandleFrame(frame, first);
    }
}

SimFaultSpec RebreatherSimulatorPrivate::NextFault()
{
    if (!m_faultQueue.empty()) {
        SimFaultSpec f = m_faultQueue.front();
        m_faultQueue.pop_front();
        return f;
    }
    SimFaultSpec spec;
    struct RateRow { double rate; SimFault fault; };
    const RateRow rows[] = {
        {m_rates.noReply, SimFault::NoReply},
        {m_rates.truncatedReply, SimFault::TruncatedReply},
        {m_rates.corruptChecksum, SimFault::CorruptChecksum},
        {m_rates.wrongHeader, SimFault::WrongHeader},
        {m_rates.statusError, SimFault::StatusError},
        {m_rates.chunkedReply, SimFault::ChunkedReply},
        {m_rates.delayedReply, SimFault::DelayedReply},
    };
    double total = 0;
    for (const RateRow &r : rows)
        total += r.rate;
    if (total <= 0)
        return spec;
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    double draw = uniform(m_random);
    for (const RateRow &r : rows) {
        if (draw < r.rate) {
            spec.fault = r.fault;
            break;
        }
        draw -= r.rate;
    }
    spec.delayMs = m_rates.delayMs;
    spec.chunkGapMs = m_rates.maxChunkGapMs;
    return spec;
}

void RebreatherSimulatorPrivate::HandleFrame(const QByteArray &frame, qint64 firstByteUs)
{
    const qint64 now = RebreatherSimulator::NowUs();
    QByteArray reply;
    SimFaultSpec fault;
    SimTiming timing;
    bool unplugNow = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        SimFrameRecord record;
        record.bytes = frame;
        record.receivedAtUs = now;
        record.checksumValid =
            SimulatedBus::Checksum(frame.constData(), frame.size() - 1) == quint8(frame.at(frame.size() - 1));
        fault = NextFault();
        record.faultApplied = fault.fault;
        timing = m_timing;
        if (m_unplugAfter > 0 && --m_unplugAfter == 0) {
            unplugNow = true;
            m_unplugAfter = -1;
        }

        if (!unplugNow) {
            SimRequest request;
            SimReply answer;
            if (!record.checksumValid) {
                // Only a unit that is there can complain about the checksum.
                const quint8 id = quint8(frame.at(4));
                answer = (m_bus.Unit(id) || id == SimulatedBus::BridgeId)
                             ? SimReply::Status(SimStatus::ChecksumInvalid) : SimReply::Silent();
            } else if (SimulatedBus::ParseRequest(frame, request)) {
                answer = m_bus.Answer(request);
            }
            if (fault.fault == SimFault::StatusError && answer.kind != SimReply::Kind::Silent)
                answer = SimReply::Status(fault.statusCode);
            reply = SimulatedBus::BuildReply(answer, quint8(frame.at(4)));
            if (fault.fault == SimFault::ChunkedReply && fault.chunkSizes.isEmpty() && !reply.isEmpty()) {
                std::uniform_int_distribution<int> size(1, qMax(1, reply.size() / 2));
                std::uniform_int_distribution<int> gap(0, qMax(0, fault.chunkGapMs));
                for (int left = reply.size(); left > 0;) {
                    const int s = qMin(left, size(m_random));
                    fault.chunkSizes.append(s);
                    left -= s;
                }
                fault.chunkGapMs = gap(m_random);
            }
        }
        m_frames.append(record);
        ++m_totalFrames;
    }
    m_framesChanged.notify_all();

    if (unplugNow) {
        DoUnplug();
        return;
    }
    if (reply.isEmpty())
        return;

    switch (fault.fault) {
    case SimFault::NoReply:
        return;
    case SimFault::TruncatedReply:
        reply.truncate(qBound(0, fault.truncateTo, qMax(0, reply.size() - 1)));
        break;
    case SimFault::CorruptChecksum:
        reply[reply.size() - 1] = char(quint8(reply.at(reply.size() - 1)) ^ 0xFF);
        break;
    case SimFault::WrongHeader:
        reply[0] = char(0xCA);
        break;
    default:
        break;
    }

    // Earliest start of the reply: the request has to have crossed the line,
    // then the unit takes its latency. A unit answers one request at a time:
    // one that came in while an earlier reply was still going out is taken up
    // after that reply has left, and then takes its latency as usual.
    const int baud = timing.baudRate > 0 ? timing.baudRate : 57600;
    qint64 start = now;
    if (timing.lineRate)
        start = qMax(start, firstByteUs + qint64(frame.size()) * 10 * 1000000 / baud);
    start = qMax(start, m_lineFreeUs);
    start += qint64(timing.deviceLatencyMs) * 1000;
    if (fault.fault == SimFault::DelayedReply)
        start += qint64(fault.delayMs) * 1000;
    Schedule(reply, fault, start, timing.lineRate, baud);
}

bool RebreatherSimulatorPrivate::WriteAll(const char *data, int size)
{
    int done = 0;
    while (done < size && !m_stop) {
        const ssize_t n = ::write(m_pty.MasterFd(), data + done, size_t(size - done));
        if (n > 0) {
            done += int(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd pfd{m_pty.MasterFd(), POLLOUT, 0};
            ::poll(&pfd, 1, 10);
        } else {
            return false;
        }
    }
    return done == size;
}

void RebreatherSimulatorPrivate::FlushDue()
{
    const qint64 now = RebreatherSimulator::NowUs();
    while (!m_outQueue.empty() && m_outQueue.front().dueUs <= now && !m_stop) {
        WriteAll(m_outQueue.front().bytes.constData(), m_outQueue.front().bytes.size());
        m_outQueue.pop_front();
    }
}

void RebreatherSimulatorPrivate::Schedule(const QByteArray &bytes, const SimFaultSpec &fault, qint64 startUs,
                                          bool lineRate, int baud)
{
    // The line is serial: a reply cannot start before the previous one has left.
    qint64 t = qMax(startUs, m_lineFreeUs);
    QVector<int> chunks;
    if (fault.fault == SimFault::ChunkedReply && !fault.chunkSizes.isEmpty())
        chunks = fault.chunkSizes;
    else
        chunks.append(bytes.size());

    const qint64 byteUs = qint64(10) * 1000000 / baud;
    int offset = 0;
    for (int c = 0; c < chunks.size() && offset < bytes.size(); ++c) {
        if (c > 0)
            t += qint64(qMax(0, fault.chunkGapMs)) * 1000;
        const int chunkEnd = c == chunks.size() - 1 ? bytes.size()
                                                    : qMin(bytes.size(), offset + qMax(1, chunks.at(c)));
        if (!lineRate) {
            m_outQueue.push_back(Pending{t, bytes.mid(offset, chunkEnd - offset)});
            offset = chunkEnd;
            continue;
        }
        // Paced: every byte leaves no earlier than its slot on a real line.
        while (offset < chunkEnd) {
            const int n = qMin(kLineRateChunk, chunkEnd - offset);
            t += byteUs * n;
            m_outQueue.push_back(Pending{t, bytes.mid(offset, n)});
            offset += n;
        }
    }
    m_lineFreeUs = t;
    FlushDue();
}

void RebreatherSimulatorPrivate::DoUnplug()
{
    // Flagged only once the port is really gone, so whoever sees the flag can
    // rely on the path failing to open.
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_symlink.isEmpty()) {
            QFile::remove(m_symlink);
            m_symlink.clear();
        }
    }
    m_pty.Close();
    m_rx.clear();
    m_outQueue.clear();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_unplugged = true;
    }
    m_framesChanged.notify_all();
}
