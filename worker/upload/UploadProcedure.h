#pragma once

#include "LogMigration.h"
#include "UploadConstants.h"
#include "UploadData.h"

#include <QCoreApplication>
#include <QString>

#include <functional>

class DeviceList;
class LogBookV2;
class RBData;
class RixComms;

// Writes a loaded update (UploadData) to the connected units: the device
// checks (presence, display/code match, the CO2 sensor's bootloader, the
// version and date questions, the logging-system change and its migration),
// the code-validity stages, the verified page writes with SBL protection
// and the TFT stages, the ID, configuration and EEPROM data, the logging
// pointer adjustment, re-reading the units' details and learning the write
// time. Every failure after the first write leaves the unit's code marked
// invalid and ends with "Upload failed".
class UploadProcedure
{
    Q_DECLARE_TR_FUNCTIONS(UploadProcedure)
public:
    struct Hooks
    {
        std::function<void(const QString &msg)> message;   // for the window
        std::function<void(double fraction)> progress;     // 0..1
        std::function<int(const QString &question)> askYesNo;
        std::function<int()> askConfirmation;
        // Re-reads one unit's details into the record.
        std::function<void(quint8 deviceId)> checkDetails;
        // Evaluates the device status from the record (and reports it).
        std::function<void()> evaluateStatus;
        // The log book a reversion reads the display's V2 log book into (as
        // the download's log book read does); null: one of its own.
        LogBookV2 *logBook = nullptr;
    };

    // Seconds per 64-byte unit; the upload moves the one for the link in use.
    struct WriteTimes
    {
        double shortWriteTime = 0.13;
        double btWriteTime = 0.13;
    };

    struct Result
    {
        bool ok = false;
        QString message;
        bool timesChanged = false;
    };

    UploadProcedure(RixComms &link, RBData &record, const DeviceList &catalogue,
                    const UploadData &data, Hooks hooks, SystemVariablesMemory *memory = nullptr);
    // The migration it holds calls back into this object.
    UploadProcedure(const UploadProcedure &) = delete;
    UploadProcedure &operator=(const UploadProcedure &) = delete;

    // The checks run when a file is loaded: presence, the colour display for
    // a theme, display/code match and every block's unit. Nothing is written
    // and nothing is asked. False with the failure text.
    bool CheckDevicesForLoad(QString &failure);

    // The whole upload; `times` is updated when the write time is learned.
    Result Run(WriteTimes &times);

    // The learning rule: with a positive time and more than the minimum
    // units, the per-unit time moves 0.75 of the way toward the measured one.
    static bool LearnedWriteTime(double previous, qint64 totalMs, int units, double &learned);
    // The four addresses of the SBL/TFT descriptor of a colour display image.
    struct Descriptor
    {
        bool valid = false;
        quint32 sblStart = 0, sblEnd = 0, tftStart = 0, tftEnd = 0;
    };
    static Descriptor ReadDescriptor(const UploadBlock &block, quint32 regionStart, quint32 regionSize);
    // The sensor is in its bootloader when its last Flash word says so.
    static bool Co2WordMeansBootloader(quint16 word);

private:
    enum class CheckMode { Load, Upload };
    // The display's V2 log book as the download reads it, keeping the entries
    // without dive data (a reversion carries every entry back): the raw
    // records, newest first. A unit that never logged gives none.
    bool ReadV2LogBook(QVector<QByteArray> &recordsNewestFirst);
    void TestPresence();
    bool CheckDisplayMatch(CheckMode mode, QString &failure) const;
    bool CheckBlockUnitsPresent(QString &failure) const;
    bool EnterCo2Bootloader(QString &failure);
    bool Co2InBootloader();
    bool VersionAndDateChecks(const UploadBlock &block);
    bool DeviceChecks(QString &failure, bool &unitChanged);
    bool WriteData();
    bool WriteTheme();
    bool WriteBlock(const UploadBlock &block);
    bool WriteIdConfigEeprom(const UploadBlock &block);
    bool SetStage(quint8 deviceId, UploadConstants::Stage stage);
    bool PresetColourRam();
    bool TimedWriteAndVerify(quint8 deviceId, quint8 memoryId, quint32 address, const QByteArray &bytes);
    void UnitsDone(int units, bool written);
    void RereadDetails();
    bool AnyUnitMissing();
    void LearnWriteTime(WriteTimes &times, bool &changed);
    void Send(const QString &msg) const;
    void Trace(const QString &line) const;
    QString LastError() const;

    RixComms &m_link;
    RBData &m_record;
    const DeviceList &m_catalogue;
    const UploadData &m_data;
    Hooks m_hooks;
    SystemVariablesMemory *m_memory;
    LogMigration m_migration;

    int m_totalUnits = 0;
    int m_unitsDone = 0;     // for the progress (SBL-protected pages included)
    int m_unitsWritten = 0;  // for the learning
    qint64 m_writeMs = 0;
};
