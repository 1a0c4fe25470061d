#include "UploadProcedure.h"

#include "DeviceList.h"
#include "LogBookV2.h"
#include "LogBookV2Reader.h"
#include "RBData.h"
#include "RixComms.h"
#include "WorkerC.h"

#include <QDebug>
#include <QElapsedTimer>

namespace {

// Names of the file types in the status log of a write.
struct TypeNameRow {
    int fileType;
    const char *name;
};

const TypeNameRow kTypeNames[] = {
    {UploadFileType::UserInformation, "User Info"},
    {UploadFileType::DecompressionOptions, "Decompresion Option Update"},
    {UploadFileType::Firmware, "Firmware Upgrade"},
    {UploadFileType::Co2Sensor, "CO2 Sensor Update"},
    {UploadFileType::TestEquipment, "ATE Update"},
};

QString TypeName(int fileType)
{
    for (const TypeNameRow &row : kTypeNames) {
        if (row.fileType == fileType)
            return QString::fromLatin1(row.name);
    }
    return QString::number(fileType);
}

// Names of the code-validity stages in the status log.
struct StageRow {
    UploadConstants::Stage stage;
    const char *name;
};

const StageRow kStageNames[] = {
    {UploadConstants::Stage::StartOfProgramming, "Start of programming"},
    {UploadConstants::Stage::StartOfTft, "Start of TFT driver"},
    {UploadConstants::Stage::EndOfTft, "End of TFT driver"},
    {UploadConstants::Stage::StartOfSbl, "Start of SBL"},
    {UploadConstants::Stage::EndOfProgramming, "End of programming"},
};

QString StageName(UploadConstants::Stage stage)
{
    for (const StageRow &row : kStageNames) {
        if (row.stage == stage)
            return QString::fromLatin1(row.name);
    }
    return QString();
}

QString Hex(quint32 value, int width)
{
    return DeviceList::HexText(value, width);
}

bool IsDisplay(quint8 id)
{
    return id == DeviceId::DisplayMono || id == DeviceId::DisplayColour;
}

} // namespace

UploadProcedure::UploadProcedure(RixComms &link, RBData &record, const DeviceList &catalogue,
                                 const UploadData &data, Hooks hooks, SystemVariablesMemory *memory)
    : m_link(link),
      m_record(record),
      m_catalogue(catalogue),
      m_data(data),
      m_hooks(std::move(hooks)),
      m_memory(memory),
      m_migration(link, catalogue,
                  LogMigration::Hooks{m_hooks.askYesNo, m_hooks.askConfirmation,
                                      [this](QVector<QByteArray> &records) { return ReadV2LogBook(records); }},
                  memory)
{
}

bool UploadProcedure::ReadV2LogBook(QVector<QByteArray> &recordsNewestFirst)
{
    LogBookV2 local;
    LogBookV2 &book = m_hooks.logBook ? *m_hooks.logBook : local;
    book.Clear();
    const DownloadCallbacks none;
    const LogBookV2Reader::Result read =
        LogBookV2Reader(m_link, m_record, m_catalogue, none).Read(false, book, nullptr, true);
    if (!read.ok && !read.virgin)
        return false;
    for (int i = 0; i < book.Count(); ++i)
        recordsNewestFirst << book.At(i)->Raw();
    return true;
}

void UploadProcedure::Send(const QString &msg) const
{
    qDebug().noquote() << msg;
    if (m_hooks.message)
        m_hooks.message(msg);
}

void UploadProcedure::Trace(const QString &line) const
{
    if (m_link.GetMessageLevel() >= 3)
        qDebug().noquote() << line;
}

QString UploadProcedure::LastError() const
{
    return m_link.GetLastError();
}

// ------------------------------------------------------------------ checks

void UploadProcedure::TestPresence()
{
    const int type = m_data.fileType;
    m_link.SetDebugEnabled(false);
    if (type == UploadFileType::ColourTheme) {
        const bool colour = m_link.IsDevicePresent(DeviceId::DisplayColour);
        if (colour) {
            m_record.SetDisplayDeviceId(DeviceId::DisplayColour);
            m_record.SetPresent(DeviceId::DisplayColour, true);
        } else if (m_record.DisplayDeviceId() == DeviceId::DisplayColour) {
            m_record.SetPresent(DeviceId::DisplayColour, false);
        }
    } else {
        const bool mono = m_link.IsDevicePresent(DeviceId::DisplayMono);
        const bool colour = m_link.IsDevicePresent(DeviceId::DisplayColour);
        const bool c1 = m_link.IsDevicePresent(DeviceId::C1);
        const bool c2 = m_link.IsDevicePresent(DeviceId::C2);
        if (mono || colour)
            m_record.SetDisplayDeviceId(mono ? DeviceId::DisplayMono : DeviceId::DisplayColour);
        m_record.SetPresent(mono ? DeviceId::DisplayMono : DeviceId::DisplayColour, mono || colour);
        m_record.SetPresent(DeviceId::C1, c1);
        m_record.SetPresent(DeviceId::C2, c2);
        if (type == UploadFileType::Co2Sensor)
            m_record.SetPresent(DeviceId::Co2Sensor, m_link.IsDevicePresent(DeviceId::Co2Sensor));
        if (type == UploadFileType::TestEquipment)
            m_record.SetPresent(DeviceId::AteProcessor, m_link.IsDevicePresent(DeviceId::AteProcessor));
    }
    m_link.SetDebugEnabled(true);
}

bool UploadProcedure::CheckDisplayMatch(CheckMode mode, QString &failure) const
{
    const bool monoCode = m_data.HasBlockFor(DeviceId::DisplayMono);
    const bool colourCode = m_data.HasBlockFor(DeviceId::DisplayColour);
    if (!monoCode && !colourCode)
        return true;
    if (!m_record.IsHandsetPresent()) {
        failure = tr("Error, Incompatible display connected");
        return false;
    }
    const quint8 connected = m_record.DisplayDeviceId();
    if (monoCode && connected == DeviceId::DisplayColour) {
        failure = mode == CheckMode::Load ? tr("Error, Code is for a mono display - Colour display connected")
                                          : tr("Error, Mono Code - Colour display connected");
        return false;
    }
    if (colourCode && connected == DeviceId::DisplayMono) {
        failure = mode == CheckMode::Load ? tr("Error, Code is for a Colour display - Mono display connected")
                                          : tr("Error, Colour Code - Mono display connected");
        return false;
    }
    return true;
}

bool UploadProcedure::CheckBlockUnitsPresent(QString &failure) const
{
    if (m_data.fileType == UploadFileType::ColourTheme) {
        if (!(m_record.IsHandsetPresent() && m_record.DisplayDeviceId() == DeviceId::DisplayColour)) {
            failure = tr("Missing device - %1").arg(DeviceList::DeviceTypeName(DeviceId::DisplayColour));
            return false;
        }
        return true;
    }
    // A block for a unit that does not answer could only be written in part.
    for (const UploadBlock &block : m_data.blocks) {
        if (!block.used)
            continue;
        // Display blocks are judged by the display match.
        if (!IsDisplay(block.deviceId) && !m_record.IsPresent(block.deviceId)) {
            failure = tr("Missing device - %1").arg(DeviceList::DeviceTypeName(block.deviceId));
            return false;
        }
    }
    return true;
}

bool UploadProcedure::CheckDevicesForLoad(QString &failure)
{
    TestPresence();
    return CheckDisplayMatch(CheckMode::Load, failure) && CheckBlockUnitsPresent(failure);
}

bool UploadProcedure::Co2WordMeansBootloader(quint16 word)
{
    const int value = int((word >> 5) & ~0x7u) + int((word & 0xFF) >> 5);
    return value == UploadConstants::Co2BootloaderSignature;
}

bool UploadProcedure::Co2InBootloader()
{
    quint8 memoryId = 0;
    quint32 start = 0, size = 0;
    if (!m_catalogue.GetRegion(DeviceId::Co2Sensor, RegionId::FlashLastWord, memoryId, start, size))
        return false;
    uchar word[2] = {0, 0};
    if (!m_link.Read(DeviceId::Co2Sensor, memoryId, start, 2, word))
        return false;
    return Co2WordMeansBootloader(quint16((word[0] << 8) | word[1]));
}

bool UploadProcedure::EnterCo2Bootloader(QString &failure)
{
    if (Co2InBootloader())
        return true;
    qDebug() << "Unlock Command";
    const uchar unlock = UploadConstants::Co2UnlockValue;
    m_link.Write(DeviceId::Co2Sensor, MemoryId::Buffer, UploadConstants::Co2UnlockAddress, 1, &unlock);
    qDebug().noquote() << QStringLiteral("Bootloader Command %1")
                              .arg(QLatin1String(UploadConstants::Co2BootloaderCommand));
    m_link.Write(DeviceId::Co2Sensor, MemoryId::Buffer, UploadConstants::Co2BootloaderCommandAddress, 4,
                 reinterpret_cast<const uchar *>(UploadConstants::Co2BootloaderCommand));
    if (Co2InBootloader()) {
        qDebug() << "In bootloader Mode - After command";
        return true;
    }
    qDebug() << "NOT In bootloader Mode - After command";
    failure = tr("Error, Unable to set CO2 sensor mode correctly.");
    return false;
}

bool UploadProcedure::VersionAndDateChecks(const UploadBlock &block)
{
    const quint8 id = block.deviceId;
    if (m_hooks.checkDetails)
        m_hooks.checkDetails(id);
    const QDate currentDate = m_record.CodeDate(id);
    const QString currentDateText = m_record.CodeDateText(id);
    const int currentVersion = m_record.CodeVersionNumber(id);
    const QString currentVersionText = m_record.CodeVersionText(id);
    const UploadCodeIdentity next = UploadCodeIdentity::FromIdBytes(block);
    const QString typeName = DeviceList::DeviceTypeName(id);
    const QString overwrite = tr("\n\nDo you wish to overwrite the existing code?");
    auto ask = [this](const QString &question) {
        return m_hooks.askYesNo ? m_hooks.askYesNo(question) : 0;
    };

    const bool datesValid = next.date.isValid() && currentDate.isValid();
    const bool olderDate = datesValid && next.date < currentDate;
    if (olderDate) {
        const QString question = tr("The new code date for %1 is older than the current code date!").arg(typeName)
                                 + tr("\n\nNew Date ") + next.dateText + tr(", Current Date ")
                                 + currentDateText + overwrite;
        if (ask(question) != WorkerC::ResultYes) {
            qDebug() << "Version And Date Checks - User rejected date overwrite";
            return false;
        }
        qDebug() << "Version And Date Checks - User accepted date overwrite";
    }
    if (!datesValid) {
        if (ask(tr("An invalid code date was encountered!") + overwrite) != WorkerC::ResultYes) {
            qDebug() << "Version And Date Checks - User rejected invalid date overwrite";
            return false;
        }
        qDebug() << "Version And Date Checks - User accepted invalid date overwrite";
    }
    if (next.versionNumber < currentVersion && olderDate) {
        const QString question = tr("The new code version for %1 is older than the current code version!").arg(typeName)
                                 + tr("\n\nNew Version ") + next.versionText + tr(", Current Version ")
                                 + currentVersionText + overwrite;
        if (ask(question) != WorkerC::ResultYes) {
            qDebug() << "Version And Date Checks - User rejected version overwrite";
            return false;
        }
        qDebug() << "Version And Date Checks - User accepted version overwrite";
    }
    return true;
}

bool UploadProcedure::DeviceChecks(QString &failure, bool &unitChanged)
{
    unitChanged = false;
    TestPresence();
    if (!CheckDisplayMatch(CheckMode::Upload, failure) || !CheckBlockUnitsPresent(failure))
        return false;
    if (m_data.fileType == UploadFileType::Co2Sensor && !EnterCo2Bootloader(failure))
        return false;
    if (m_data.fileType != UploadFileType::Firmware)
        return true;

    // Every question first: a refusal must end the upload before anything
    // (the log book and system variables included) has been changed.
    const UploadBlock *colourBlock = nullptr;
    for (const UploadBlock &block : m_data.blocks) {
        if (!block.used)
            continue;
        if (!m_data.exempt && !VersionAndDateChecks(block)) {
            failure = tr("Error, Code Version & Date checks");
            return false;
        }
        if (block.deviceId == DeviceId::DisplayColour)
            colourBlock = &block;
    }
    if (!colourBlock)
        return true;
    if (m_data.exempt && m_hooks.checkDetails)
        m_hooks.checkDetails(DeviceId::DisplayColour);
    const int current = m_record.CodeVersionNumber(DeviceId::DisplayColour);
    const UploadCodeIdentity next = UploadCodeIdentity::FromIdBytes(*colourBlock);
    if (!next.versionKnown)
        qDebug() << "New display code version unknown - the logging system is left as it is";
    const int newVersion = next.versionKnown ? next.versionNumber : -1;
    if (!m_migration.TestLoggingFormatChange(current, newVersion)) {
        failure = tr("Logging Format Change Check - Aborting Upload");
        return false;
    }

    const QString unitName = DeviceList::DeviceTypeName(DeviceId::DisplayColour);
    const QString serial = m_record.SerialNumber(DeviceId::DisplayColour);
    bool ok = true;
    if (LogMigration::DirectionFor(current, newVersion) != LogMigration::Direction::None)
        ok = m_migration.RestoreUnfinishedRewrite();
    LogMigration::LogBookResult logBook;
    if (ok) {
        logBook = m_migration.MigrateLogBook(current, newVersion, unitName);
        ok = logBook.ok;
    }
    if (ok) {
        if (logBook.migrated)
            qDebug().noquote() << QStringLiteral("Log Migrated, Last Dive Number %1, Log Book Pointer 0x%2")
                                      .arg(logBook.diveNumber)
                                      .arg(Hex(quint32(logBook.logBookPointer) & 0xFFFF, 4));
        else
            qDebug() << "Log Book NOT migrated";
        ok = m_migration.MigrateEeprom(current, newVersion, unitName, logBook, serial);
    }
    if (!ok) {
        failure = tr("Log book and Eeprom migration failed");
        unitChanged = m_migration.SystemVariablesTouched();
        return false;
    }
    return true;
}

// ----------------------------------------------------------------- writing

bool UploadProcedure::TimedWriteAndVerify(quint8 deviceId, quint8 memoryId, quint32 address,
                                          const QByteArray &bytes)
{
    QElapsedTimer timer;
    timer.start();
    const bool ok = m_link.WriteAndVerify(deviceId, memoryId, address, quint8(bytes.size()),
                                          reinterpret_cast<const uchar *>(bytes.constData()));
    m_writeMs += timer.elapsed();
    return ok;
}

void UploadProcedure::UnitsDone(int units, bool written)
{
    m_unitsDone += units;
    if (written)
        m_unitsWritten += units;
    if (m_hooks.progress && m_totalUnits > 0)
        m_hooks.progress(std::min(1.0, double(m_unitsDone) / double(m_totalUnits)));
}

bool UploadProcedure::SetStage(quint8 deviceId, UploadConstants::Stage stage)
{
    using UploadConstants::Stage;
    const bool colour = deviceId == DeviceId::DisplayColour;
    quint8 value = 0;
    if (colour) {
        uchar current = 0xFF;
        if (!m_link.Read(deviceId, MemoryId::Eeprom, UploadConstants::CodeValidityAddress, 1, &current)) {
            Send(tr("Code Validity write failed.  Error - %1").arg(LastError()));
            return false;
        }
        switch (stage) {
        case Stage::StartOfProgramming:
            value = quint8(current | UploadConstants::ColourStartOfProgrammingOr);
            break;
        case Stage::StartOfTft:
            value = UploadConstants::ColourStartOfTft;
            break;
        case Stage::EndOfTft:
            value = UploadConstants::ColourEndOfTft;
            break;
        case Stage::StartOfSbl:
            value = UploadConstants::ColourStartOfSbl;
            break;
        case Stage::EndOfProgramming:
            value = UploadConstants::ColourEndOfProgramming;
            break;
        }
        qDebug().noquote() << QStringLiteral("SetCodeValidity - %1, New value 0x%2")
                                  .arg(StageName(stage), Hex(value, 2));
    } else {
        if (stage == Stage::StartOfProgramming)
            value = UploadConstants::OtherStartOfProgramming;
        else if (stage == Stage::EndOfProgramming)
            value = UploadConstants::OtherEndOfProgramming;
        else
            return true; // the other stages are the colour display's alone
        qDebug().noquote() << QStringLiteral("SetCodeValidity - Display Mono or Controller, New value 0x%1")
                                  .arg(Hex(value, 2));
    }
    if (!m_link.WriteAndVerify(deviceId, MemoryId::Eeprom, UploadConstants::CodeValidityAddress, 1, &value)) {
        Send(tr("Code Validity write failed.  Error - %1").arg(LastError()));
        return false;
    }
    return true;
}

bool UploadProcedure::PresetColourRam()
{
    qDebug() << "Pre setting display colour ram items";
    for (int i = 0; i < 3; ++i) {
        const quint8 *bytes = i == 0 ? UploadConstants::ColourRamPresetFirst
                                     : UploadConstants::ColourRamPresetOthers;
        if (!m_link.WriteAndVerify(DeviceId::DisplayColour, MemoryId::Ram,
                                   UploadConstants::ColourRamPresetAddresses[i], 6, bytes)) {
            Send(tr("Colour ram preset write failed.  Error - %1").arg(LastError()));
            return false;
        }
    }
    return true;
}

UploadProcedure::Descriptor UploadProcedure::ReadDescriptor(const UploadBlock &block,
                                                            quint32 regionStart, quint32 regionSize)
{
    Descriptor d;
    if (regionSize < quint32(UploadConstants::DescriptorSize))
        return d;
    const quint32 last = regionStart + regionSize; // one past the region
    quint32 values[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        if (!block.FlashU32LittleEndian(last - quint32(4 * (i + 1)), values[i]))
            return d;
    }
    d.sblStart = values[0];
    d.sblEnd = values[1];
    d.tftStart = values[2];
    d.tftEnd = values[3];
    d.valid = true;
    return d;
}

bool UploadProcedure::WriteTheme()
{
    qDebug().noquote() << QStringLiteral("Uploading data to %1").arg(DeviceList::DeviceName(DeviceId::DisplayColour));
    quint8 memoryId = 0;
    quint32 start = 0, size = 0;
    if (!m_catalogue.GetRegion(DeviceId::DisplayColour, RegionId::ColourDisplayBlock, memoryId, start, size))
        return false;
    const int half = UploadData::ThemeDataSize / 2;
    if (!TimedWriteAndVerify(DeviceId::DisplayColour, memoryId, start, m_data.themeData.left(half))) {
        Send(tr("Block 1 write failed.  Error - %1").arg(LastError()));
        return false;
    }
    UnitsDone(1, true);
    if (!TimedWriteAndVerify(DeviceId::DisplayColour, memoryId, start + quint32(half),
                             m_data.themeData.mid(half, half))) {
        Send(tr("Block 2 write failed.  Error - %1").arg(LastError()));
        return false;
    }
    UnitsDone(1, true);
    return true;
}

bool UploadProcedure::WriteIdConfigEeprom(const UploadBlock &block)
{
    const quint8 id = block.deviceId;
    if (block.idPresent) {
        qDebug() << "Writing ID";
        if (!TimedWriteAndVerify(id, MemoryId::Flash, UploadConstants::IdAddress, block.id)) {
            Send(tr("ID write failed.  Error - %1").arg(LastError()));
            return false;
        }
    }
    if (block.configPresent) {
        qDebug() << "Writing Config";
        if (!TimedWriteAndVerify(id, MemoryId::Flash, UploadConstants::ConfigAddress, block.config)) {
            Send(tr("Config write failed.  Error - %1").arg(LastError()));
            return false;
        }
    }
    if (block.eepromPresent) {
        qDebug() << "Writing Eeprom";
        const bool firmware = m_data.fileType == UploadFileType::Firmware;
        for (int row : block.EepromRowsWritten()) {
            const int rowSize = UploadBlock::EepromRowSize;
            const quint32 address = quint32(row * rowSize);
            qDebug().noquote() << QStringLiteral("EEPROM upload required in block starting address 0x%1")
                                      .arg(Hex(address, 4));
            QByteArray bytes(rowSize, '\0');
            if (!m_link.Read(id, MemoryId::Eeprom, address, quint8(rowSize),
                             reinterpret_cast<uchar *>(bytes.data()))) {
                Send(tr("Eeprom write failed.  Error - %1").arg(LastError()));
                return false;
            }
            int written = 0;
            for (int i = 0; i < rowSize; ++i) {
                const int offset = row * rowSize + i;
                if (!block.eepromWritten.at(offset))
                    continue;
                ++written;
                // The code-validity marker belongs to the firmware stages:
                // file data must never mark half-written code valid.
                if (firmware && quint32(offset) == UploadConstants::CodeValidityAddress)
                    continue;
                bytes[i] = block.eeprom.at(offset);
            }
            if (!TimedWriteAndVerify(id, MemoryId::Eeprom, address, bytes)) {
                Send(tr("Eeprom write failed.  Error - %1").arg(LastError()));
                return false;
            }
            UnitsDone(written, true);
        }
    }
    return true;
}

bool UploadProcedure::WriteBlock(const UploadBlock &block)
{
    using UploadConstants::Stage;
    const quint8 id = block.deviceId;
    const bool firmware = m_data.fileType == UploadFileType::Firmware;
    const bool colourFirmware = firmware && id == DeviceId::DisplayColour;
    const QString unitName = DeviceList::DeviceTypeName(id);
    const int pages = block.PageCount();
    qDebug().noquote() << QStringLiteral("Writing %1 blocks to %2").arg(pages).arg(unitName);

    if (firmware && !SetStage(id, Stage::StartOfProgramming))
        return false;

    Descriptor descriptor;
    if (colourFirmware) {
        quint8 memoryId = 0;
        quint32 start = 0, size = 0;
        if (m_catalogue.GetRegion(id, RegionId::LoggingPointers, memoryId, start, size))
            descriptor = ReadDescriptor(block, start, size);
        if (descriptor.valid)
            qDebug().noquote() << QStringLiteral("SBL Start 0x%1, SBL End 0x%2, TFT Start 0x%3, TFT End 0x%4")
                                      .arg(Hex(descriptor.sblStart, 8), Hex(descriptor.sblEnd, 8),
                                           Hex(descriptor.tftStart, 8), Hex(descriptor.tftEnd, 8));
        else
            qDebug() << "SBL and TFT descriptor not available";
    }
    const bool sblProtected = !m_link.IsBridgeDetailsValid() || m_link.IsBluetoothHandset();
    const bool stages = colourFirmware && !m_data.exempt && descriptor.valid;
    bool sblStarted = false, tftStarted = false, tftEnded = false;

    for (int page = 0; page < pages; ++page) {
        if (!block.pageWritten.at(page)) {
            Trace(QStringLiteral("Skipping block %1").arg(page));
            continue;
        }
        const quint32 address = block.PageAddress(page);
        if (colourFirmware && descriptor.valid && address >= descriptor.sblStart
            && address <= descriptor.sblEnd) {
            if (sblProtected) {
                qDebug().noquote() << QStringLiteral("Skipping block %1 write to address %2 due to SBL protection")
                                          .arg(page)
                                          .arg(QStringLiteral("0x") + Hex(address, 6));
                UnitsDone(1, false);
                continue;
            }
            if (stages && !sblStarted) {
                if (!SetStage(id, Stage::StartOfSbl))
                    return false;
                sblStarted = true;
            }
        }
        if (stages) {
            if (!tftStarted && address >= descriptor.tftStart && address <= descriptor.tftEnd) {
                if (!SetStage(id, Stage::StartOfTft))
                    return false;
                tftStarted = true;
            } else if (tftStarted && !tftEnded && address > descriptor.tftEnd) {
                if (!PresetColourRam() || !SetStage(id, Stage::EndOfTft))
                    return false;
                tftEnded = true;
            }
        }
        Trace(QStringLiteral("Writing block %1").arg(page));
        if (!TimedWriteAndVerify(id, MemoryId::Flash, address, block.PageBytes(page))) {
            Send(tr("Block write failed. Block %1 Address %2. Error - %3")
                     .arg(page)
                     .arg(QStringLiteral("0x") + Hex(address, 6), LastError()));
            return false;
        }
        UnitsDone(1, true);
    }
    qDebug().noquote() << QStringLiteral("Finished writing %1 blocks to %2").arg(pages).arg(unitName);

    if (!WriteIdConfigEeprom(block))
        return false;
    if (colourFirmware)
        m_migration.AdjustLoggingPointer(block);
    if (firmware && !SetStage(id, Stage::EndOfProgramming))
        return false;
    return true;
}

bool UploadProcedure::WriteData()
{
    if (m_data.fileType == UploadFileType::ColourTheme)
        return WriteTheme();
    qDebug().noquote() << QStringLiteral("Uploading file type %1").arg(TypeName(m_data.fileType));
    for (const UploadBlock &block : m_data.blocks) {
        if (block.used && !WriteBlock(block))
            return false;
    }
    return true;
}

// ------------------------------------------------------------ afterwards

void UploadProcedure::RereadDetails()
{
    // Without the bridge every read would only wait for its time-out.
    m_link.SetDebugEnabled(false);
    const bool bridge = m_link.Command(DeviceId::Bridge, 0);
    m_link.SetDebugEnabled(true);
    if (!bridge) {
        qDebug() << "Upload - the bridge does not answer, details not read again";
        return;
    }
    if (!m_hooks.checkDetails)
        return;
    if (m_record.IsHandsetPresent() && m_record.IsDisplayDeviceIdValid())
        m_hooks.checkDetails(m_record.DisplayDeviceId());
    if (m_record.IsPresent(DeviceId::C1))
        m_hooks.checkDetails(DeviceId::C1);
    if (m_record.IsPresent(DeviceId::C2))
        m_hooks.checkDetails(DeviceId::C2);
}

bool UploadProcedure::AnyUnitMissing()
{
    bool missing = false;
    m_link.SetDebugEnabled(false);
    if (m_data.fileType == UploadFileType::ColourTheme) {
        missing = !m_link.IsDevicePresent(DeviceId::DisplayColour);
    } else {
        for (const UploadBlock &block : m_data.blocks) {
            if (block.used && !m_link.IsDevicePresent(block.deviceId)) {
                missing = true;
                break;
            }
        }
    }
    m_link.SetDebugEnabled(true);
    return missing;
}

bool UploadProcedure::LearnedWriteTime(double previous, qint64 totalMs, int units, double &learned)
{
    learned = previous;
    if (totalMs <= 0 || units <= UploadConstants::LearnMinimumUnits)
        return false;
    const double measured = double(totalMs) / double(units) / 1000.0;
    learned = previous + (measured - previous) * UploadConstants::LearnFactor;
    return true;
}

void UploadProcedure::LearnWriteTime(WriteTimes &times, bool &changed)
{
    changed = false;
    qDebug().noquote() << QStringLiteral("Actual upload time %1 (s) - Estimated %2 (s)")
                              .arg(m_writeMs / 1000)
                              .arg(m_data.estimateSeconds);
    if (AnyUnitMissing()) {
        qDebug() << "Not adjusting timings due to missing device";
        return;
    }
    qDebug().noquote() << QString::asprintf("Previous upload times, BT %0.6f - Short %0.6f",
                                            times.btWriteTime, times.shortWriteTime);
    double &time = m_link.IsBluetooth() ? times.btWriteTime : times.shortWriteTime;
    double learned = time;
    if (!LearnedWriteTime(time, m_writeMs, m_unitsWritten, learned))
        return;
    time = learned;
    changed = true;
    qDebug().noquote() << QString::asprintf("Adjusted upload times, BT %0.6f - Short %0.6f",
                                            times.btWriteTime, times.shortWriteTime);
}

UploadProcedure::Result UploadProcedure::Run(WriteTimes &times)
{
    Result result;
    m_totalUnits = m_data.EstimateUnits();
    m_unitsDone = 0;
    m_unitsWritten = 0;
    m_writeMs = 0;

    QString failure;
    bool unitChanged = false;
    if (!DeviceChecks(failure, unitChanged)) {
        if (!failure.isEmpty())
            Send(failure);
        if (!unitChanged) {
            result.message = tr("Upload not permitted~~~");
            return result;
        }
        // The system variables were (partly) rewritten for code that never
        // arrived: the display must not run its old code on them.
        SetStage(DeviceId::DisplayColour, UploadConstants::Stage::StartOfProgramming);
        qDebug() << "Upload Failed";
        RereadDetails();
        if (m_hooks.evaluateStatus)
            m_hooks.evaluateStatus();
        result.message = tr("Upload failed");
        return result;
    }

    const bool written = WriteData();
    qDebug() << (written ? "Upload Completed Correctly" : "Upload Failed");
    LearnWriteTime(times, result.timesChanged);
    if (!written) {
        RereadDetails();
        if (m_hooks.evaluateStatus)
            m_hooks.evaluateStatus();
        result.message = tr("Upload failed");
        return result;
    }
    if (m_memory)
        m_memory->Clear();
    Send(tr("Upload complete - Verifying data"));
    RereadDetails();
    if (m_hooks.evaluateStatus)
        m_hooks.evaluateStatus();
    result.ok = true;
    result.message = tr("Upload complete");
    return result;
}
