#include "CcxReprocessor.h"

#include "AppSettings.h"
#include "DeviceList.h"
#include "LogFileSaver.h"
#include "LogPartitioner.h"
#include "RBData.h"
#include "SRMemoryBlock.h"
#include "StandardRecordFile.h"

#include <QDebug>
#include <QFileInfo>

namespace {

constexpr quint16 MemoryBlockRecord = 0x0010;
constexpr int SerialOffset = 22;
constexpr int SerialLength = 12;

} // namespace

CcxReprocessor::CcxReprocessor(const DeviceList &catalogue, const DownloadCallbacks &callbacks)
    : m_catalogue(catalogue), m_callbacks(callbacks)
{
}

DownloadOutcome CcxReprocessor::ProcessFile(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    m_callbacks.Message(tr("Processing %1").arg(name));
    StandardRecordFile file;
    SRFileHeader header;
    if (!file.Load(path, header, StandardRecordFile::LoadMode::SecuredLog))
        return {false, tr("File %1 Unable to be loaded - %2").arg(name, file.LastError())};

    // The image holds the fixed memories in download order, then the
    // display's log data, which is the block inside its log data region.
    MemoryList list;
    int logIndex = -1;
    for (const StandardRecord &record : file.Records()) {
        if (record.Type() != MemoryBlockRecord || !record.IsValid())
            continue;
        const SRMemoryBlock block(record.Payload());
        if (!block.IsWellFormed())
            continue;
        const QByteArray data = block.Data();
        auto item = std::make_unique<MemoryBlock>(MemoryBlock::TypeNone, block.DeviceId(), block.MemoryId(),
                                                  block.StartAddress(), data.size());
        item->buffer = data;
        item->done = true;
        quint8 logMemory = 0;
        quint32 logStart = 0, logSize = 0;
        const bool display = block.DeviceId() == DeviceId::DisplayMono || block.DeviceId() == DeviceId::DisplayColour;
        if (display && logIndex < 0
            && m_catalogue.GetRegion(block.DeviceId(), 13, logMemory, logStart, logSize)
            && block.MemoryId() == logMemory && block.StartAddress() >= logStart
            && quint64(block.StartAddress()) < quint64(logStart) + logSize) {
            item->blockType = MemoryBlock::DisplayLogData;
            logIndex = list.Count();
        }
        list.Append(std::move(item));
    }
    if (logIndex < 0)
        return {false, tr("File %1 - Unable to locate the Log Data memory").arg(name)};
    const MemoryBlock &log = *list.At(logIndex);
    const quint8 displayId = log.deviceId;

    // Serial number and, for a mono display, the logging pointer come from
    // the fixed memories of the same download.
    QString serial;
    quint32 pointer = 0;
    for (int i = 0; i < list.Count(); ++i) {
        const MemoryBlock &m = *list.At(i);
        if (m.deviceId != displayId)
            continue;
        quint32 sysStart = 0, varsStart = 0, logStart = 0;
        if (serial.isEmpty() && m_catalogue.GetRegionStart(displayId, 0, sysStart)
            && m.startAddress == sysStart && m.buffer.size() >= SerialOffset + SerialLength)
            serial = RBData::FilterText(m.buffer.mid(SerialOffset, SerialLength));
        quint8 varsMemory = 0;
        quint32 varsSize = 0;
        if (displayId == DeviceId::DisplayMono
            && m_catalogue.GetRegion(displayId, 8, varsMemory, varsStart, varsSize)
            && m.memoryId == varsMemory && m.startAddress == varsStart && m.buffer.size() >= 4
            && m_catalogue.GetRegionStart(displayId, 13, logStart))
            pointer = ((quint32(quint8(m.buffer.at(1))) << 16) | (quint32(quint8(m.buffer.at(2))) << 8)
                       | quint8(m.buffer.at(3)))
                      - logStart;
    }
    // The list as a download builds it: the fixed items come first.
    if (logIndex != list.Count() - 1)
        qDebug().noquote() << "CcxReprocessor -" << name << "log data is not the last memory block";

    LogFileSaver::Download download;
    download.directory = QFileInfo(path).absolutePath();
    download.serialNumber = serial;
    download.start = header.DateTime();
    download.deviceVersion = header.DeviceVersionKnown() ? header.DeviceVersion() : QByteArray();
    download.uddf = AppSettings::BoolValue(AppSettings::Key::DownloadUddf);

    const LogPartitioner::Result partition =
        LogPartitioner::Run(log.buffer, displayId == DeviceId::DisplayColour, pointer);
    LogFileSaver saver(m_callbacks);
    // Every item but the log data is a fixed memory of the download.
    MemoryList fixed;
    for (int i = 0; i < list.Count(); ++i) {
        if (i == logIndex)
            continue;
        const MemoryBlock &m = *list.At(i);
        auto copy = std::make_unique<MemoryBlock>(m);
        fixed.Append(std::move(copy));
    }
    saver.SaveDives(download, fixed, fixed.Count(), log.buffer, partition);
    m_saved << saver.SavedFiles();
    return {true, QString()};
}

DownloadOutcome CcxReprocessor::Process(const QStringList &ccxFiles)
{
    m_saved.clear();
    int failed = 0;
    for (const QString &path : ccxFiles) {
        const DownloadOutcome one = ProcessFile(path);
        if (!one.result) {
            ++failed;
            m_callbacks.Message(one.message);
        }
    }
    if (ccxFiles.isEmpty())
        return {false, tr("No files selected")};
    if (failed > 0)
        return {false, tr("%1 of %2 files could not be processed").arg(failed).arg(ccxFiles.size())};
    return {true, tr("Processing completed")};
}
