#include "LinkSoak.h"

#include "DeviceList.h"
#include "RBData.h"
#include "RebreatherSimulator.h"
#include "RixComms.h"
#include "SimClockUnit.h"
#include "SimulatedPortEnumerator.h"
#include "WorkerC.h"

#include <QDateTime>
#include <QEventLoop>
#include <QSerialPort>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <functional>
#include <memory>
#include <mutex>
#include <random>

namespace {

// The unit the link operations talk to: the colour handset has every memory,
// the 32 MiB profile (log) memory included.
constexpr quint8 kUnit = DeviceId::DisplayColour;
constexpr SimProfile kProfile = SimProfile::ColourV2Usb;
constexpr int kMaxLength = 64;

// Addresses stay within the 24 bits a frame carries: above them the address
// travels partly in the command's modifier bits, which the simulated units
// do not apply. Writes stay out of the regions the identification reads:
// RAM, and a part of the log memory (which also keeps the simulator's sparse
// pages few).
struct Span
{
    quint8 memoryId;
    quint32 first;
    quint32 last; // inclusive
};
const Span kReadSpans[] = {
    {MemoryId::Flash, 0, 0x1FFFF},
    {MemoryId::Eeprom, 0, 0x3FF},
    {MemoryId::Ram, 0, 0xFFF},
    {MemoryId::Profile, 0, 0xFFFFFF},
};
const Span kBlockSpans[] = {
    {MemoryId::Flash, 0, 0x1FFFF},
    {MemoryId::Profile, 0, 0xFFFFFF},
};
const Span kWriteSpans[] = {
    {MemoryId::Ram, 0, 0xFFF},
    {MemoryId::Profile, 0x10000, 0x8FFFF},
};
// Past the end of the handset's RAM: the unit refuses whatever is asked there.
const Span kRefusedSpan = {MemoryId::Ram, 0x1000, 0x1FFF};

enum class Op { Read, ReadBlocks, Write, WriteAndVerify, RefusedRead, RefusedWrite };

struct OpRow
{
    Op op;
    const char *name;
    int weight;
};
const OpRow kOps[] = {
    {Op::Read, "Read", 35},
    {Op::ReadBlocks, "ReadBlocks", 15},
    {Op::Write, "Write", 20},
    {Op::WriteAndVerify, "WriteAndVerify", 20},
    {Op::RefusedRead, "Read, refused address", 5},
    {Op::RefusedWrite, "Write, refused address", 5},
};
const char kIdentification[] = "Identification (WorkerC)";

struct FaultName
{
    SimFault fault;
    const char *name;
};
const FaultName kFaultNames[] = {
    {SimFault::NoReply, "no reply"},
    {SimFault::TruncatedReply, "truncated"},
    {SimFault::CorruptChecksum, "bad checksum"},
    {SimFault::WrongHeader, "wrong header"},
    {SimFault::StatusError, "status error"},
    {SimFault::ChunkedReply, "chunked"},
    {SimFault::DelayedReply, "late"},
};

QString Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

QString Where(quint8 memoryId, quint32 address, int length)
{
    return QStringLiteral("%1 0x%2 length %3")
        .arg(DeviceList::MemoryName(memoryId))
        .arg(address, 6, 16, QLatin1Char('0'))
        .arg(length);
}

class Random
{
public:
    explicit Random(quint32 seed) : m_engine(seed) {}
    int Between(int first, int last) { return std::uniform_int_distribution<int>(first, last)(m_engine); }
    quint32 Address(const Span &span, int length)
    {
        return std::uniform_int_distribution<quint32>(span.first, span.last - quint32(length) + 1)(m_engine);
    }
    QByteArray Pattern(int length)
    {
        QByteArray bytes(length, '\0');
        for (char &b : bytes)
            b = char(Between(0, 255));
        return bytes;
    }
    template <typename T, size_t N> const T &Pick(const T (&rows)[N]) { return rows[size_t(Between(0, int(N) - 1))]; }
    Op PickOp()
    {
        int total = 0;
        for (const OpRow &row : kOps)
            total += row.weight;
        int draw = Between(0, total - 1);
        for (const OpRow &row : kOps) {
            if (draw < row.weight)
                return row.op;
            draw -= row.weight;
        }
        return Op::Read;
    }

private:
    std::mt19937 m_engine;
};

const char *OpName(Op op)
{
    for (const OpRow &row : kOps) {
        if (row.op == op)
            return row.name;
    }
    return "?";
}

void CountFaults(const RebreatherSimulator &sim, LinkSoak::Report &report)
{
    const QVector<SimFrameRecord> frames = sim.ReceivedFrames();
    report.frames += frames.size();
    for (const SimFrameRecord &frame : frames) {
        for (const FaultName &f : kFaultNames) {
            if (frame.faultApplied == f.fault)
                ++report.faultsInjected[QString::fromLatin1(f.name)];
        }
    }
}

SimTiming PacedTiming(const LinkSoak::Options &options)
{
    SimTiming timing;
    timing.lineRate = true;
    timing.deviceLatencyMs = options.deviceLatencyMs;
    return timing;
}

SimFaultRates Faults(const LinkSoak::Options &options)
{
    SimFaultRates rates = SimFaultRates::Spread(options.faultRate);
    rates.delayMs = options.lateReplyMs;
    return rates;
}

// ------------------------------------------------------------ identification

// What a correct identification of one unit reads, decoded from the
// simulator's memory with the record's own decoders.
struct UnitFacts
{
    QString serial;
    RBData::CodeDetails code;
    RBData::CodeDetails bootloader;
    bool codeValidity = false;
    quint8 hardwareConfig = 0;
    QString userName, telephone, postCode;
};

QByteArray RegionBytes(RebreatherSimulator &sim, quint8 deviceId, int regionId)
{
    static const DeviceList catalogue;
    quint8 memoryId = 0;
    quint32 start = 0, size = 0;
    if (!catalogue.GetRegion(deviceId, regionId, memoryId, start, size))
        return QByteArray();
    return sim.Memory(deviceId, memoryId, start, int(qMin<quint32>(size, kMaxLength)));
}

UnitFacts FactsOf(RebreatherSimulator &sim, quint8 deviceId)
{
    UnitFacts f;
    const QByteArray system = RegionBytes(sim, deviceId, RegionId::SystemInformation);
    f.serial = RBData::FilterText(system.mid(22, 12));
    f.hardwareConfig = quint8(system.at(35));
    f.code = RBData::DecodeCodeDetails(RegionBytes(sim, deviceId, RegionId::CodeDetails));
    f.bootloader = RBData::DecodeBootloaderDetails(RegionBytes(sim, deviceId, RegionId::BootloaderDetails));
    f.codeValidity = quint8(sim.Memory(deviceId, MemoryId::Eeprom, 0, 1).at(0)) < 16;
    const QByteArray user = RegionBytes(sim, deviceId, RegionId::UserInformation);
    f.userName = RBData::FilterText(user.mid(0, 16));
    f.telephone = RBData::FilterText(user.mid(18, 16));
    f.postCode = RBData::FilterText(user.mid(36, 16));
    return f;
}

// One identification judged field by field: a value is right, or the form a
// failed read leaves (reported: empty, "Invalid", not valid), or wrong.
class Judgement
{
public:
    void Field(const QString &name, const QString &actual, const QString &expected,
               const QStringList &failedForms)
    {
        if (actual == expected)
            return;
        if (failedForms.contains(actual))
            m_failed = true;
        else
            m_wrong << QStringLiteral("%1 \"%2\", expected \"%3\"").arg(name, actual, expected);
    }
    void Failed() { m_failed = true; }
    void Wrong(const QString &what) { m_wrong << what; }
    bool IsFailed() const { return m_failed; }
    const QStringList &WrongFields() const { return m_wrong; }

private:
    bool m_failed = false;
    QStringList m_wrong;
};

// What the worker reported for one connection, captured on the worker's
// thread as it happened.
struct Connection
{
    std::mutex mutex;
    int status = 0;
    QString serial;
    bool opened = false;
    RBData record;
    int bridgeType = -2;
};

void JudgeUnit(Judgement &j, const RBData &rb, quint8 id, const UnitFacts &f, bool handset)
{
    const QString unit = DeviceList::DeviceTypeName(id) + QLatin1Char(' ');
    const QStringList empty{QString()};
    j.Field(unit + QStringLiteral("serial number"), rb.SerialNumber(id), f.serial, empty);
    j.Field(unit + QStringLiteral("code version"), rb.CodeVersionText(id), f.code.versionText, empty);
    j.Field(unit + QStringLiteral("code date"), rb.CodeDateText(id), f.code.dateText, empty);
    const QStringList invalid{QStringLiteral("Invalid")};
    j.Field(unit + QStringLiteral("bootloader version"), rb.BootloaderVersionText(id), f.bootloader.versionText, invalid);
    j.Field(unit + QStringLiteral("bootloader date"), rb.BootloaderDateText(id), f.bootloader.dateText, invalid);
    j.Field(unit + QStringLiteral("hardware configuration"), QString::number(rb.HardwareConfig(id)),
            QString::number(f.hardwareConfig), {QStringLiteral("0")});
    j.Field(unit + QStringLiteral("code validity"), rb.CodeValidity(id) ? QStringLiteral("valid") : QStringLiteral("not valid"),
            f.codeValidity ? QStringLiteral("valid") : QStringLiteral("not valid"), {QStringLiteral("not valid")});
    j.Field(unit + QStringLiteral("user name"), rb.UserName(id), f.userName, empty);
    j.Field(unit + QStringLiteral("telephone"), rb.TelephoneNumber(id), f.telephone, empty);
    j.Field(unit + QStringLiteral("post code"), rb.PostCode(id), f.postCode, empty);
    Q_UNUSED(handset)
}

// Runs everything queued to the worker so far, waiting in an event loop.
void WaitForWorker(QObject *worker)
{
    QEventLoop loop;
    QObject context;
    bool done = false;
    QMetaObject::invokeMethod(
        worker,
        [&context, &done, &loop] {
            QMetaObject::invokeMethod(&context, [&done, &loop] {
                done = true;
                loop.quit();
            });
        },
        Qt::QueuedConnection);
    if (!done)
        loop.exec();
}

} // namespace

LinkSoak::Count LinkSoak::Report::Total() const
{
    Count total;
    for (const Count &c : byKind) {
        total.operations += c.operations;
        total.failed += c.failed;
        total.wrong += c.wrong;
    }
    return total;
}

LinkSoak::LinkSoak(const Options &options)
    : m_options(options)
{
}

bool LinkSoak::RunLink(Report &report, QTextStream *progress)
{
    RebreatherSimulator sim(kProfile, m_options.seed);
    sim.SetTiming(PacedTiming(m_options));
    if (!sim.Start(&m_error))
        return false;
    QSerialPort port;
    RixComms comms;
    comms.SetSerialPort(&port);
    comms.SetMessageLevel(0);
    comms.SetDebugEnabled(false);
    if (!comms.OpenComPort(sim.PortPath(), true)) {
        m_error = QStringLiteral("cannot open %1: %2").arg(sim.PortPath(), comms.GetLastError());
        return false;
    }
    sim.SetFaultRates(Faults(m_options));

    Random random(m_options.seed);
    for (int i = 0; i < m_options.operations; ++i) {
        const Op op = random.PickOp();
        Count &count = report.byKind[QString::fromLatin1(OpName(op))];
        ++count.operations;
        QString wrong;
        bool ok = false;
        switch (op) {
        case Op::Read:
        case Op::RefusedRead: {
            const Span &span = op == Op::Read ? random.Pick(kReadSpans) : kRefusedSpan;
            const int length = random.Between(1, kMaxLength);
            const quint32 address = random.Address(span, length);
            const QByteArray expected = sim.Memory(kUnit, span.memoryId, address, length);
            QByteArray data(length, '\0');
            ok = comms.Read(kUnit, span.memoryId, address, quint8(length), reinterpret_cast<uchar *>(data.data()));
            if (ok && op == Op::RefusedRead)
                wrong = QStringLiteral("refused address reported as read, data %1").arg(Hex(data));
            else if (ok && data != expected)
                wrong = QStringLiteral("data %1, memory holds %2").arg(Hex(data), Hex(expected));
            if (!wrong.isEmpty())
                wrong.prepend(QStringLiteral("Read %1: ").arg(Where(span.memoryId, address, length)));
            break;
        }
        case Op::ReadBlocks: {
            const Span &span = random.Pick(kBlockSpans);
            // Mostly short block reads, now and then the longest a reply may carry.
            const int blocks = random.Between(0, 9) == 0 ? 32 : random.Between(1, 8);
            const int length = blocks * RixMessage::BlockSize;
            const quint32 address = random.Address(span, length);
            const QByteArray expected = sim.Memory(kUnit, span.memoryId, address, length);
            QByteArray data(length, '\0');
            ok = comms.ReadBlocks(kUnit, span.memoryId, address, quint8(blocks), reinterpret_cast<uchar *>(data.data()));
            if (ok && data != expected)
                wrong = QStringLiteral("ReadBlocks %1: data differs from memory from byte %2")
                            .arg(Where(span.memoryId, address, length))
                            .arg(std::mismatch(data.cbegin(), data.cend(), expected.cbegin()).first - data.cbegin());
            break;
        }
        case Op::Write:
        case Op::WriteAndVerify:
        case Op::RefusedWrite: {
            const Span &span = op == Op::RefusedWrite ? kRefusedSpan : random.Pick(kWriteSpans);
            const int length = random.Between(1, kMaxLength);
            const quint32 address = random.Address(span, length);
            const QByteArray pattern = random.Pattern(length);
            const auto *p = reinterpret_cast<const uchar *>(pattern.constData());
            ok = op == Op::WriteAndVerify ? comms.WriteAndVerify(kUnit, span.memoryId, address, quint8(length), p)
                                          : comms.Write(kUnit, span.memoryId, address, quint8(length), p);
            const QByteArray stored = sim.Memory(kUnit, span.memoryId, address, length);
            if (ok && op == Op::RefusedWrite)
                wrong = QStringLiteral("refused address reported as written");
            else if (ok && stored != pattern)
                wrong = QStringLiteral("wrote %1, memory holds %2").arg(Hex(pattern), Hex(stored));
            if (!wrong.isEmpty())
                wrong.prepend(QStringLiteral("%1 %2: ").arg(QLatin1String(OpName(op)), Where(span.memoryId, address, length)));
            break;
        }
        }
        // A refused address must fail: that failure is the right answer.
        const bool refused = op == Op::RefusedRead || op == Op::RefusedWrite;
        if (!wrong.isEmpty()) {
            ++count.wrong;
            report.wrongResults << wrong;
        } else if (!ok && !refused) {
            ++count.failed;
        }
        if (progress && (i + 1) % 1000 == 0) {
            *progress << QStringLiteral("  %1 link operations, %2 wrong so far\n").arg(i + 1).arg(report.Total().wrong);
            progress->flush();
        }
    }
    comms.CloseComPort();
    CountFaults(sim, report);
    return true;
}

bool LinkSoak::RunIdentification(Report &report, QTextStream *progress)
{
    RebreatherSimulator sim(kProfile, m_options.seed + 1);
    sim.SetTiming(PacedTiming(m_options));
    // The device clock agrees with the computer's: no clock question in between.
    sim.WithBus([](SimulatedBus &bus) {
        if (auto *clock = dynamic_cast<SimClockUnit *>(bus.Unit(DeviceId::Rtc)))
            clock->SetOffsetSeconds(QDateTime::currentDateTime().offsetFromUtc());
    });
    if (!sim.Start(&m_error))
        return false;
    const quint8 units[] = {kUnit, DeviceId::C1, DeviceId::C2};
    QMap<quint8, UnitFacts> facts;
    for (quint8 id : units)
        facts.insert(id, FactsOf(sim, id));
    sim.SetFaultRates(Faults(m_options));

    auto ports = std::make_shared<SimulatedPortEnumerator>(
        QList<SerialPortDescription>{{QStringLiteral("SOAK"), QStringLiteral("Simulated rebreather"), sim.PortPath()}});
    QThread thread;
    auto *worker = new WorkerC(ports);
    worker->moveToThread(&thread);
    QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
    QObject::connect(&thread, &QThread::started, worker, &WorkerC::Start);
    Connection seen;
    QObject::connect(worker, &WorkerC::ConnectionStatusResult, worker,
                     [&seen](int status, const QString &serial) {
                         std::lock_guard<std::mutex> lock(seen.mutex);
                         seen.status = status;
                         seen.serial = serial;
                     }, Qt::DirectConnection);
    QObject::connect(worker, &WorkerC::OpenComPortResult, worker,
                     [&seen, worker](bool result) {
                         std::lock_guard<std::mutex> lock(seen.mutex);
                         seen.opened = result;
                         seen.record = worker->RBDataSnapshot();
                     }, Qt::DirectConnection);
    QObject::connect(worker, &WorkerC::RemoteSupportResultCmdGetPortDetails, worker,
                     [&seen](uint, bool, bool, int type, int) {
                         std::lock_guard<std::mutex> lock(seen.mutex);
                         seen.bridgeType = type;
                     }, Qt::DirectConnection);
    thread.start();
    QMetaObject::invokeMethod(worker, "SetMessageLevel", Q_ARG(int, 0));
    WaitForWorker(worker);

    Count &count = report.byKind[QString::fromLatin1(kIdentification)];
    for (int i = 0; i < m_options.connections; ++i) {
        {
            std::lock_guard<std::mutex> lock(seen.mutex);
            seen.status = 0;
            seen.serial.clear();
            seen.opened = false;
            seen.record = RBData();
            seen.bridgeType = -2;
        }
        QMetaObject::invokeMethod(worker, "OpenComPort", Q_ARG(QString, sim.PortPath()),
                                  Q_ARG(QString, QStringLiteral("SOAK")), Q_ARG(bool, true));
        QMetaObject::invokeMethod(worker, "RemoteSupportProcessCmdGetPortDetails", Q_ARG(uint, uint(i)));
        WaitForWorker(worker);

        Judgement j;
        {
            std::lock_guard<std::mutex> lock(seen.mutex);
            const RBData &rb = seen.record;
            if (!seen.opened) {
                j.Failed();
            } else {
                // Presence: a missing unit is a reported failure (the status
                // window shows it), a unit that is not there is never present.
                for (quint8 id : units) {
                    if (!rb.IsPresent(id))
                        j.Failed();
                    else
                        JudgeUnit(j, rb, id, facts.value(id), id == kUnit);
                }
                if (!rb.IsHandsetPresent())
                    j.Failed();
                else if (rb.DisplayDeviceId() != kUnit)
                    j.Wrong(QStringLiteral("display id 0x%1").arg(rb.DisplayDeviceId(), 2, 16, QLatin1Char('0')));
                if (!rb.IsPresent(DeviceId::Rtc))
                    j.Failed();
                // A code-details read that failed gives Colour V1 by rule; the
                // record says the details are not valid, so it is reported.
                const int format = rb.DisplayLoggingFormat();
                if (format == RBData::LoggingFormatColourV1 || format == RBData::LoggingFormatUndefined)
                    j.Failed();
                else if (format != RBData::LoggingFormatColourV2)
                    j.Wrong(QStringLiteral("logging format %1").arg(format));
                if (seen.bridgeType == -1)
                    j.Failed();
                else if (seen.bridgeType != RixComms::BridgeUsbHandset)
                    j.Wrong(QStringLiteral("bridge type %1").arg(seen.bridgeType));
                if (seen.status == WorkerC::StatusConnectedSerialValid && seen.serial != facts.value(kUnit).serial)
                    j.Wrong(QStringLiteral("connected with serial number \"%1\"").arg(seen.serial));
                else if (seen.status != WorkerC::StatusConnectedSerialValid)
                    j.Failed();
                if (!j.IsFailed() && j.WrongFields().isEmpty() && rb.OverallStatus() != RBData::StatusGood)
                    j.Wrong(QStringLiteral("overall status %1 on a healthy unit").arg(rb.OverallStatus()));
            }
        }
        ++count.operations;
        if (!j.WrongFields().isEmpty()) {
            ++count.wrong;
            report.wrongResults << QStringLiteral("Connection %1: %2").arg(i + 1).arg(j.WrongFields().join(QStringLiteral("; ")));
        } else if (j.IsFailed()) {
            ++count.failed;
        }
        QMetaObject::invokeMethod(worker, "CloseComPort");
        WaitForWorker(worker);
        if (progress && (i + 1) % 10 == 0) {
            *progress << QStringLiteral("  %1 connections, %2 wrong so far\n").arg(i + 1).arg(count.wrong);
            progress->flush();
        }
    }
    thread.quit();
    thread.wait();
    CountFaults(sim, report);
    return true;
}

void LinkSoak::Print(const Options &options, const Report &report, QTextStream &out)
{
    out << QStringLiteral("Seed %1, fault rate %2 per reply over every fault kind (late replies %3 ms), "
                          "57600-baud line, device latency %4 ms\n")
               .arg(options.seed)
               .arg(options.faultRate, 0, 'f', 3)
               .arg(options.lateReplyMs)
               .arg(options.deviceLatencyMs);
    const auto row = [&out](const QString &kind, const Count &c) {
        out << kind.leftJustified(28) << QString::number(c.operations).rightJustified(11)
            << QString::number(c.failed).rightJustified(9) << QString::number(c.wrong).rightJustified(8) << '\n';
    };
    out << QStringLiteral("Kind").leftJustified(28) << QStringLiteral("Operations").rightJustified(11)
        << QStringLiteral("Failed").rightJustified(9) << QStringLiteral("Wrong").rightJustified(8) << '\n';
    for (auto it = report.byKind.cbegin(); it != report.byKind.cend(); ++it)
        row(it.key(), it.value());
    const Count total = report.Total();
    row(QStringLiteral("Total"), total);
    int faults = 0;
    QStringList kinds;
    for (const FaultName &f : kFaultNames) {
        const int n = report.faultsInjected.value(QString::fromLatin1(f.name));
        faults += n;
        kinds << QStringLiteral("%1 %2").arg(QLatin1String(f.name)).arg(n);
    }
    out << QStringLiteral("Frames %1, faults injected %2 (%3)\n").arg(report.frames).arg(faults).arg(kinds.join(QStringLiteral(", ")));
    for (const QString &line : report.wrongResults)
        out << QStringLiteral("WRONG: ") << line << '\n';
    out << QStringLiteral("Operations %1, failed %2, wrong but reported as success %3\n")
               .arg(total.operations)
               .arg(total.failed)
               .arg(total.wrong);
    out.flush();
}
