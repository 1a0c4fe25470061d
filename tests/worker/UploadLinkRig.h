#pragma once

// A simulated rebreather reached through the real serial-port code on the
// test thread, with a device record filled the way a connection fills it,
// for running the upload classes without the worker thread.

#include "DeviceList.h"
#include "RBData.h"
#include "RebreatherSimulator.h"
#include "RixComms.h"
#include "UploadFileLoader.h"
#include "UploadProcedure.h"
#include "WorkerC.h"

#include <QMap>
#include <QSerialPort>
#include <QtTest>

#include <memory>

// Request frames the simulator received for one unit since its last clear, in order.
inline QVector<SimRequest> RequestsTo(const RebreatherSimulator &sim, quint8 deviceId)
{
    QVector<SimRequest> requests;
    for (const SimFrameRecord &f : sim.ReceivedFrames()) {
        SimRequest request;
        if (SimulatedBus::ParseRequest(f.bytes, request) && request.deviceId == deviceId)
            requests << request;
    }
    return requests;
}

// The unit's Flash holds every piece (address -> bytes).
inline bool FlashHolds(RebreatherSimulator &sim, quint8 deviceId, const QMap<quint32, QByteArray> &pieces)
{
    for (auto it = pieces.cbegin(); it != pieces.cend(); ++it) {
        if (sim.Memory(deviceId, MemoryId::Flash, it.key(), it.value().size()) != it.value())
            return false;
    }
    return true;
}

class UploadLinkRig
{
public:
    explicit UploadLinkRig(SimProfile profile, const std::function<void(SimulatedBus &)> &setUp = nullptr)
        : sim(std::make_unique<RebreatherSimulator>(profile))
    {
        if (setUp)
            sim->WithBus(setUp);
        link.SetSerialPort(&port);
        link.SetMessageLevel(0);
        started = sim->Start() && Connect();
    }

    ~UploadLinkRig() { link.CloseComPort(); }

    // Opens the port and fills the record as a connection does.
    bool Connect()
    {
        if (!link.OpenComPort(sim->PortPath(), true))
            return false;
        record.Clear();
        record.SetPresent(DeviceId::Bridge, true);
        for (quint8 id : {DeviceId::DisplayColour, DeviceId::DisplayMono}) {
            if (link.IsDevicePresent(id)) {
                record.SetDisplayDeviceId(id);
                record.SetPresent(id, true);
                CheckDetails(id);
                break;
            }
        }
        for (quint8 id : {DeviceId::C1, DeviceId::C2}) {
            if (link.IsDevicePresent(id)) {
                record.SetPresent(id, true);
                CheckDetails(id);
            }
        }
        record.SetValid(true);
        return true;
    }

    // The port comes back (after an unplug) under a new path.
    bool Replug()
    {
        link.CloseComPort();
        sim->Stop();
        return sim->Start() && Connect();
    }

    // The unit's details the upload reads again: serial number, code
    // details, code validity.
    void CheckDetails(quint8 id)
    {
        QByteArray info(64, '\0');
        quint32 start = 0;
        if (catalogue.GetRegionStart(id, RegionId::SystemInformation, start)
            && link.Read(id, MemoryId::Flash, start, 64, reinterpret_cast<uchar *>(info.data())))
            record.SetSerialNumber(id, RBData::FilterText(info.mid(22, 12)));
        QByteArray code(8, '\0');
        record.SetCodeDetails(id, link.Read(id, MemoryId::Flash, 0x200000, 8,
                                            reinterpret_cast<uchar *>(code.data()))
                                      ? RBData::DecodeCodeDetails(code)
                                      : RBData::FailedCodeDetails());
        uchar marker = 0xFF;
        record.SetCodeValidity(id, link.Read(id, MemoryId::Eeprom, UploadConstants::CodeValidityAddress, 1, &marker)
                                       && marker < UploadConstants::CodeValidBelow);
    }

    bool Load(const QString &path, UploadData &data, QString *message = nullptr)
    {
        UploadFileLoader::Hooks hooks;
        const auto result = UploadFileLoader(catalogue).Load(path, data, hooks);
        if (message)
            *message = result.message;
        return result.ok;
    }

    struct Outcome
    {
        UploadProcedure::Result result;
        QStringList messages;
        QList<double> progress;
        QStringList questions;
        int confirmations = 0;
        UploadProcedure::WriteTimes times;
    };

    // Runs the upload; questions take the answers in order (yes when they
    // run out), the typed confirmation `confirmation`.
    Outcome Upload(const UploadData &data, QList<int> answers = {}, int confirmation = WorkerC::ResultYes,
                   SystemVariablesMemory *memory = nullptr,
                   std::function<void(double)> onProgress = nullptr)
    {
        Outcome outcome;
        UploadProcedure::Hooks hooks;
        hooks.message = [&outcome](const QString &m) { outcome.messages << m; };
        hooks.progress = [&outcome, onProgress](double p) {
            outcome.progress << p;
            if (onProgress)
                onProgress(p);
        };
        hooks.askYesNo = [&outcome, &answers](const QString &q) {
            outcome.questions << q;
            return answers.isEmpty() ? int(WorkerC::ResultYes) : answers.takeFirst();
        };
        hooks.askConfirmation = [&outcome, confirmation] {
            ++outcome.confirmations;
            return confirmation;
        };
        hooks.checkDetails = [this](quint8 id) { CheckDetails(id); };
        UploadProcedure procedure(link, record, catalogue, data, hooks, memory);
        outcome.result = procedure.Run(outcome.times);
        return outcome;
    }

    // Request frames sent to a unit since the last clear.
    QVector<SimRequest> Frames(quint8 deviceId) const { return RequestsTo(*sim, deviceId); }
    // Values written to the code-validity marker (EEPROM 0) of a unit, in order.
    QByteArray MarkerWrites(quint8 deviceId) const
    {
        QByteArray values;
        for (const SimRequest &f : Frames(deviceId)) {
            if (f.opcode == 4 && f.address == 0 && f.payload.size() == 1)
                values.append(f.payload);
        }
        return values;
    }
    quint8 Marker(quint8 deviceId) const
    {
        return quint8(sim->Memory(deviceId, MemoryId::Eeprom, 0, 1).at(0));
    }

    std::unique_ptr<RebreatherSimulator> sim;
    QSerialPort port;
    RixComms link;
    RBData record;
    DeviceList catalogue;
    bool started = false;
};
