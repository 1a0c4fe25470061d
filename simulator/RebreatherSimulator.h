#pragma once

#include "SimProfiles.h"
#include "SimTypes.h"
#include "SimulatedBus.h"

#include <QString>
#include <QVector>

#include <functional>
#include <memory>

class RebreatherSimulatorPrivate;

// A simulated rebreather on a pseudo-terminal. Start() opens the pair (both
// ends raw) and answers on the master side from a thread of its own; the
// program opens PortPath() with its real serial-port code.
//
// Everything random (faults from rates, random chunking) comes from one
// generator seeded at construction, so a run is reproducible from its seed.
// All methods are thread-safe.
class RebreatherSimulator
{
public:
    explicit RebreatherSimulator(SimProfile profile = SimProfile::MonoSerial, quint32 seed = 1);
    ~RebreatherSimulator(); // stops
    RebreatherSimulator(const RebreatherSimulator &) = delete;
    RebreatherSimulator &operator=(const RebreatherSimulator &) = delete;

    bool Start(QString *error = nullptr);
    void Stop();
    bool IsRunning() const;
    // The slave path, e.g. "/dev/pts/5"; empty until started.
    QString PortPath() const;
    // Keeps a symlink at linkPath pointing to the slave path (removed on stop/unplug).
    bool CreateSymlink(const QString &linkPath, QString *error = nullptr);

    // The bus model. The callback runs under the simulator's lock, between frames.
    void WithBus(const std::function<void(SimulatedBus &bus)> &fn);
    // Replaces the bus with a fresh profile whose handset holds `dives`
    // sample dives (0: nothing logged).
    void LoadProfile(SimProfile profile, int dives = SimProfiles::DefaultDiveCount);
    // Replaces the handset's log memories (SimLogMemory::WriteTo, between frames).
    bool LoadLogMemory(SimLogMemory &memory);
    // Shorthands for raw memory of a unit (ranges not checked); no-op / empty without the unit.
    QByteArray Memory(quint8 deviceId, quint8 memoryId, quint32 address, int length);
    void SetMemory(quint8 deviceId, quint8 memoryId, quint32 address, const QByteArray &bytes);

    void SetTiming(const SimTiming &timing);
    SimTiming Timing() const;

    // Faults for the next received frames, one entry per frame, in order.
    void QueueFaults(const QVector<SimFaultSpec> &faults);
    void QueueFault(const SimFaultSpec &fault) { QueueFaults({fault}); }
    void QueueFault(SimFault fault);
    // Random faults for every frame once the queue is empty.
    void SetFaultRates(const SimFaultRates &rates);
    void ClearFaults();

    // The port disappears after n more received frames (the n-th gets no reply).
    void UnplugAfterFrames(int frames);
    // The port disappears now.
    void Unplug();
    bool IsUnplugged() const;

    // Every request frame received since start (or the last clear).
    QVector<SimFrameRecord> ReceivedFrames() const;
    int ReceivedFrameCount() const;
    void ClearReceivedFrames();
    // Raw bytes received that were not part of a frame (noise, resynchronisation).
    int DiscardedByteCount() const;
    // Waits up to timeoutMs for at least count frames in total; true when they came.
    bool WaitForFrames(int count, int timeoutMs) const;

    // Monotonic clock the frame time stamps use, microseconds.
    static qint64 NowUs();

private:
    std::unique_ptr<RebreatherSimulatorPrivate> d;
};
