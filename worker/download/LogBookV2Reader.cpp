#include "LogBookV2Reader.h"

#include "BlockReader.h"
#include "DeviceList.h"
#include "LogBookV2.h"
#include "LoggingPointers.h"
#include "RBData.h"
#include "RixComms.h"

#include <QDebug>

namespace {

QString Hex8(quint32 v)
{
    return DeviceList::HexText(v, 8);
}

void Log(const QString &line)
{
    qDebug().noquote() << line;
}

const char *const kCommandInvalid = "Status Message: RS232 - Command invalid.";

} // namespace

LogBookV2Reader::LogBookV2Reader(RixComms &link, const RBData &record, const DeviceList &catalogue,
                                 const DownloadCallbacks &callbacks)
    : m_link(link), m_record(record), m_catalogue(catalogue), m_callbacks(callbacks)
{
}

bool LogBookV2Reader::ReadBlock(quint8 memory, quint32 address, int readSize, QByteArray &block)
{
    block = QByteArray(readSize, '\0');
    uchar *into = reinterpret_cast<uchar *>(block.data());
    if (readSize > BlockReader::ShortReadSize)
        return m_link.ReadBlocks(DeviceId::DisplayColour, memory, address,
                                 quint8(readSize / BlockReader::BlockSize), into);
    return m_link.Read(DeviceId::DisplayColour, memory, address, quint8(readSize), into);
}

LogBookV2Reader::Result LogBookV2Reader::Read(bool fullRead, LogBookV2 &book, QByteArray *image,
                                              bool keepRecordsWithoutData)
{
    Result result;
    const quint8 display = DeviceId::DisplayColour;
    const QString serial = m_record.SerialNumber(display);
    const auto fail = [&](const QString &message) {
        result.ok = false;
        result.message = message;
        return result;
    };

    // Where the log data ring starts.
    quint8 servicesMemory = 0, logMemory = 0, eepromMemory = 0, bookMemory = 0;
    quint32 servicesStart = 0, servicesSize = 0, logStart = 0, logSize = 0, eepromStart = 0,
            eepromSize = 0, bookStart = 0, bookSize = 0;
    if (!m_catalogue.GetRegion(display, 15, servicesMemory, servicesStart, servicesSize)
        || !m_catalogue.GetRegion(display, 13, logMemory, logStart, logSize)
        || !m_catalogue.GetRegion(display, 12, eepromMemory, eepromStart, eepromSize)
        || !m_catalogue.GetRegion(display, 11, bookMemory, bookStart, bookSize))
        return fail(tr("Unable to locate the Log Book memory"));

    QByteArray services(int(servicesSize) - ServicesOffset, '\0');
    if (!m_link.Read(display, servicesMemory, servicesStart + ServicesOffset, quint8(services.size()),
                     reinterpret_cast<uchar *>(services.data()))) {
        Log(QStringLiteral("V2 Logging - Read 'Services Relocation' block failed"));
        return fail(tr("V2 Logging - Read 'Services Relocation' block failed"));
    }
    const auto le = [&](int at) { return quint32(quint8(services.at(at))); };
    const quint32 stored = le(LogDataStartOffset) | (le(LogDataStartOffset + 1) << 8)
                           | (le(LogDataStartOffset + 2) << 16) | (le(LogDataStartOffset + 3) << 24);
    if (stored == 0xFFFFFFFF) {
        result.logDataStart = logStart;
        Log(QString::asprintf("V2 Logging - Log Data Start unitialised - defaulting to 0x%08X", logStart));
    } else if (stored < logStart || quint64(stored) >= quint64(logStart) + logSize) {
        // A start outside the log data memory (damaged or foreign code) would
        // put every dive out of memory and make wrapped reads run wild.
        result.logDataStart = logStart;
        Log(QString::asprintf("V2 Logging - Log Data Start 0x%08X outside the log data memory - defaulting to 0x%08X",
                              stored, logStart));
    } else {
        result.logDataStart = stored;
        Log(QString::asprintf("V2 Logging - Log Data Start 0x%08X", stored));
    }
    result.logDataSize = logSize - result.logDataStart + 0x10000;

    // The record the handset keeps in EEPROM for the dive in progress.
    QByteArray eeprom(LogBookRecord::Size, '\0');
    if (!m_link.Read(display, eepromMemory, eepromStart, LogBookRecord::Size,
                     reinterpret_cast<uchar *>(eeprom.data())))
        return fail(tr("Read eeprom block failed"));
    if (LogBookRecord::IsValidId(eeprom)) {
        if (eeprom.mid(10, 4) == QByteArray(4, '\0'))
            Log(QStringLiteral("V2 Logging - Skipping addition of eeprom record due to start and address of 0x00000000"));
        else
            book.AddRaw(eeprom, false, serial);
    }

    const bool bluetooth = m_link.IsBluetooth();
    const int readSize = bluetooth ? BlockReader::BluetoothReadSize : BlockReader::ShortReadSize;
    Log(bluetooth ? QStringLiteral("V2 Logging - Valid Bluetooth connection - Read Size 2048 (32 Blocks)")
                  : QStringLiteral("V2 Logging - Valid Serial connection - Read Size 64"));
    Log(QStringLiteral("V2 Logging - Log Book 0x%1 - 0x%2").arg(Hex8(bookStart), Hex8(bookStart + bookSize - 1)));
    const int recordsPerBlock = readSize / LogBookRecord::Size;
    const int blocks = int(bookSize) / readSize;

    LoggingPointers pointers;
    if (!pointers.ReadColour(m_link, m_catalogue))
        return fail(tr("Unable to read the logging pointers"));
    result.loggingPointer = pointers.logging;
    result.logBookPointer = pointers.logBook;

    quint32 lastRecord;
    if (fullRead || pointers.logBook == 0)
        lastRecord = bookStart + bookSize - LogBookRecord::Size;
    else
        lastRecord = quint32(pointers.logBook) - LogBookRecord::Size;
    // A pointer outside the book (a damaged unit) is taken as its last record.
    if (lastRecord < bookStart || lastRecord > bookStart + bookSize - LogBookRecord::Size)
        lastRecord = bookStart + bookSize - LogBookRecord::Size;
    const int startBlock = int((lastRecord - bookStart + LogBookRecord::Size - 1) / quint32(readSize));
    const int lastIndex = int((lastRecord - bookStart) % quint32(readSize)) / LogBookRecord::Size;
    Log(QStringLiteral("V2 Logging - Last Record Start 0x%1 Finish 0x%2, Read Index First %3 Min %4 Max %5")
            .arg(Hex8(lastRecord), Hex8(lastRecord + LogBookRecord::Size - 1))
            .arg(startBlock)
            .arg(0)
            .arg(blocks - 1));

    bool wrapped = false;
    if (!fullRead) {
        const quint32 probeAddress = bookStart + WrapProbeOffset;
        Log(QStringLiteral("V2 Logging - Reading Memory 0x%1, Start Address 0x%2, Size 1, for wrap detection")
                .arg(DeviceList::HexText(bookMemory, 2), Hex8(probeAddress)));
        uchar probe = 0;
        if (!m_link.Read(display, bookMemory, probeAddress, 1, &probe)) {
            if (bookMemory == MemoryId::Profile && m_link.GetReplyText() == QLatin1String(kCommandInvalid))
                return fail(tr("Unable to read wrapped Log Book detection location, Incompatible Bridge Code - Contact Quor"));
            return fail(tr("Unable to read wrapped Log Book detection location"));
        }
        if (probe == LogBookRecord::ValidId) {
            wrapped = true;
            Log(QStringLiteral("V2 Logging - Wrapping detected valid block, 0x%1 - 0x%2, therefore log book wrapped")
                    .arg(Hex8(probeAddress), Hex8(probeAddress + LogBookRecord::Size - 1)));
        } else if (pointers.logBook == 0) {
            Log(QStringLiteral("V2 Logging - Log Book pointer is 0x0000 and no wrapping detected, therefore a virgin unit"));
            result.virgin = true;
            return fail(tr("Log book read completed, No Logged Data"));
        } else {
            Log(QStringLiteral("V2 Logging - Wrapping detected invalid block, 0x%1 - 0x%2, therefore log book NOT wrapped")
                    .arg(Hex8(probeAddress), Hex8(probeAddress + LogBookRecord::Size - 1)));
        }
    }
    result.wrapped = wrapped;

    // Blocks newest first: the start block down to 0, then (wrapped) the
    // top of the ring down to just above the start block.
    QVector<int> order;
    for (int b = startBlock; b >= 0; --b)
        order << b;
    if (wrapped)
        for (int b = blocks - 1; b > startBlock; --b)
            order << b;
    const int total = order.size();
    int readCount = 0;
    m_callbacks.Progress(0);
    QByteArray block;
    for (int b : qAsConst(order)) {
        const quint32 address = bookStart + quint32(b) * quint32(readSize);
        Log(QStringLiteral("V2 Logging - Reading Memory 0x%1, Start Address 0x%2, Size %3, Block Index %4")
                .arg(DeviceList::HexText(bookMemory, 2), Hex8(address))
                .arg(readSize)
                .arg(b));
        if (!ReadBlock(bookMemory, address, readSize, block))
            return fail(tr("Log book read error"));
        if (image && quint32(image->size()) >= address - bookStart + quint32(readSize))
            image->replace(int(address - bookStart), readSize, block);
        const int top = b == startBlock ? qMin(lastIndex, recordsPerBlock - 1) : recordsPerBlock - 1;
        for (int r = top; r >= 0; --r) {
            const QByteArray raw = block.mid(r * LogBookRecord::Size, LogBookRecord::Size);
            if (!LogBookRecord::IsValidId(raw)) {
                Log(QStringLiteral("V2 Logging - Skipping record %1 of %2 due to invalid record id").arg(r).arg(b));
                continue;
            }
            if (LogBookRecord::HasZeroAddresses(raw) && !keepRecordsWithoutData) {
                Log(QStringLiteral("V2 Logging - Skipping addition of record at %1 of %2 due to start and end address of 0x00000000")
                        .arg(r)
                        .arg(b));
                continue;
            }
            Log(QStringLiteral("V2 Logging - Storing record %1").arg(r));
            book.AddRaw(raw, true, serial);
        }
        if (b == 0 && wrapped)
            Log(QStringLiteral("V2 Logging - Block Index wrapped to max"));
        ++readCount;
        m_callbacks.Progress(total > 0 ? readCount * 100 / total : 100);
    }

    if (wrapped) {
        // The oldest records: the start block above the newest record.
        const quint32 address = bookStart + quint32(startBlock) * quint32(readSize);
        if (!ReadBlock(bookMemory, address, readSize, block))
            return fail(tr("Log book read error"));
        for (int r = recordsPerBlock - 1; r > lastIndex; --r) {
            const QByteArray raw = block.mid(r * LogBookRecord::Size, LogBookRecord::Size);
            if (!LogBookRecord::IsValidId(raw)) {
                Log(QStringLiteral("V2 Logging - Stopping addition of records at %1 of %2 due to invalid record id").arg(r).arg(startBlock));
                break;
            }
            if (LogBookRecord::HasZeroAddresses(raw) && !keepRecordsWithoutData) {
                Log(QStringLiteral("V2 Logging - Stopping addition of records at %1 of %2 due to start and end address of 0x00000000")
                        .arg(r)
                        .arg(startBlock));
                break;
            }
            Log(QStringLiteral("V2 Logging - Storing record %1").arg(r));
            book.AddRaw(raw, true, serial);
        }
    }

    result.ok = true;
    result.message = tr("Log book read completed");
    return result;
}
