#pragma once

#include <QCoreApplication>

#include "DownloadCallbacks.h"

#include <QByteArray>
#include <QString>

class DeviceList;
class LogBookV2;
class RBData;
class RixComms;

// Reads a Colour V2 handset's log book into a LogBookV2, newest dive first:
// where the log data lies ('Services Relocation'), the record kept in
// EEPROM, then the ring of 32-byte records from the newest backwards,
// following a wrapped ring round once. Used by the download and by updates
// that carry the log book over.
class LogBookV2Reader
{
    Q_DECLARE_TR_FUNCTIONS(LogBookV2Reader)

public:
    static constexpr quint32 WrapProbeOffset = 0xFFE0;
    static constexpr int ServicesOffset = 0x40;
    static constexpr int LogDataStartOffset = 0x2C;

    struct Result {
        bool ok = false;
        QString message;
        bool virgin = false;
        bool wrapped = false;
        quint32 logDataStart = 0;
        quint32 logDataSize = 0;
        quint32 loggingPointer = 0;
        quint16 logBookPointer = 0;
    };

    LogBookV2Reader(RixComms &link, const RBData &record, const DeviceList &catalogue,
                    const DownloadCallbacks &callbacks);

    // image, when given, receives every block read at its place in the
    // log book region (it must hold the region's size).
    // keepRecordsWithoutData keeps the records whose dive data addresses are
    // zero (the entries a log book migration carried over from a Colour V1
    // book, whose profiles stayed behind): their dive number, date,
    // duration and depth still belong in the book when it is converted back.
    Result Read(bool fullRead, LogBookV2 &book, QByteArray *image = nullptr,
                bool keepRecordsWithoutData = false);

private:
    bool ReadBlock(quint8 memory, quint32 address, int readSize, QByteArray &block);

    RixComms &m_link;
    const RBData &m_record;
    const DeviceList &m_catalogue;
    const DownloadCallbacks &m_callbacks;
};
