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

#include <QMap>
#include <QSerialPort>
#include <QtTest>

#include <memory>

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
        record.SetCodeValidity(id, link.Read(id, MemoryId::Eeprom, 0, 1, &marker) && marker < 16);
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
    Outcome Upload(const UploadData &data, QList<int> answers = {}, int confirmation = 4,
                   SystemVariablesMemory *memory = nullptr,
                   std::function<void(double)> onProgress = nullptr,
                   std::function<bool(QVector<QByteArray> &)> readV2LogBook = nullptr)
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
            return answers.isEmpty() ? 4 : answers.takeFirst();
        };
        hooks.askConfirmation = [&outcome, confirmation] {
            ++outcome.confirmations;
            return confirmation;
        };
        hooks.checkDetails = [this](quint8 id) { CheckDetails(id); };
        hooks.readV2LogBook = std::move(readV2LogBook);
        UploadProcedure procedure(link, record, catalogue, data, hooks, memory);
        outcome.result = procedure.Run(outcome.times);
        return outcome;
    }

    // Frames of one kind sent to a unit since the last clear: (address, payload).
    struct Frame
    {
        quint8 opcode = 0;
        quint32 address = 0;
        QByteArray payload;
    };
    QVector<Frame> Frames(quint8 deviceId) const
    {
        QVector<Frame> frames;
        for (const SimFrameRecord &f : sim->ReceivedFrames()) {
            if (f.bytes.size() < 11 || quint8(f.bytes.at(4)) != deviceId)
                continue;
            Frame frame;
            frame.opcode = quint8(f.bytes.at(5)) & 0x3F;
            frame.address = (quint32(quint8(f.bytes.at(6))) << 16) | (quint32(quint8(f.bytes.at(7))) << 8)
                            | quint8(f.bytes.at(8));
            if ((frame.opcode & 1) == 0)
                frame.payload = f.bytes.mid(10, quint8(f.bytes.at(9)));
            frames << frame;
        }
        return frames;
    }
    // Values written to the code-validity marker (EEPROM 0) of a unit, in order.
    QByteArray MarkerWrites(quint8 deviceId) const
    {
        QByteArray values;
        for (const Frame &f : Frames(deviceId)) {
            if (f.opcode == 4 && f.address == 0 && f.payload.size() == 1)
                values.append(f.payload);
        }
        return values;
    }
    // The unit's Flash holds every piece.
    bool FlashHolds(quint8 deviceId, const QMap<quint32, QByteArray> &pieces) const
    {
        for (auto it = pieces.cbegin(); it != pieces.cend(); ++it) {
            if (sim->Memory(deviceId, MemoryId::Flash, it.key(), it.value().size()) != it.value())
                return false;
        }
        return true;
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
