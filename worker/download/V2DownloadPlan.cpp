#include "V2DownloadPlan.h"

#include "DeviceList.h"
#include "LogBookV2.h"
#include "MemoryList.h"

#include <QDebug>

namespace {

QString Hex8(quint32 v)
{
    return DeviceList::HexText(v, 8);
}

} // namespace

void V2DownloadPlan::Analyse(LogBookV2 &book, quint32 loggingPointer, quint32 logDataStart)
{
    qDebug() << "V2 Logging - Analysing download partitions";
    for (int k = 0; k < book.Count(); ++k) {
        LogBookRecord &r = *book.At(k);
        r.SetPostEnd((k == 0 ? loggingPointer : book.At(k - 1)->DiveStart()) - 1);
        const qint64 n = qint64(k) + 1 + r.SequenceNumber();
        if (n < book.Count()) {
            const LogBookRecord &before = *book.At(int(n));
            r.SetPreStart(before.IsEndValid() ? before.DiveEnd() + 1 : before.DiveStart());
        } else {
            r.SetPreStart(logDataStart);
        }
        r.SetPreEnd(r.DiveStart() - 1);
        r.SetPostStart(r.IsEndValid() ? r.DiveEnd() + 1 : 0);
        qDebug().noquote() << QStringLiteral("V2 Logging - Dive %1 download locations PreStart 0x%2 PreEnd 0x%3 DiveStart 0x%4 DiveEnd 0x%5 PostStart 0x%6 PostEnd 0x%7 %8")
                                  .arg(r.DiveNumber())
                                  .arg(Hex8(r.PreStart()), Hex8(r.PreEnd()), Hex8(r.DiveStart()),
                                       Hex8(r.DiveEnd()), Hex8(r.PostStart()), Hex8(r.PostEnd()),
                                       r.AreDownloadLocationsValid() ? QStringLiteral("- Valid")
                                                                     : QStringLiteral("- Invalid"));
    }
}

void V2DownloadPlan::CheckBounds(LogBookV2 &book, quint32 loggingPointer, quint32 logDataStart,
                                 quint32 logDataSize)
{
    const quint32 boundary = (loggingPointer & ~BoundaryMask) + 0x1000;
    qDebug().noquote() << QStringLiteral("V2 Logging - Logging Pointer 0x%1 4KB Boundary 0x%2")
                              .arg(Hex8(loggingPointer), Hex8(boundary));
    for (int k = 0; k < book.Count(); ++k) {
        LogBookRecord &r = *book.At(k);
        r.inMemory = true;
        // How far back from the boundary the dive's data begins. A PreStart
        // above the boundary lies in the part of a wrapped ring that logging
        // has not reached again yet: the oldest data, still there (a dive
        // that straddles the wrap is one).
        if (qint64(boundary) - qint64(r.PreStart()) >= qint64(logDataSize)) {
            r.inMemory = false;
            qDebug().noquote() << QString::asprintf("V2 Logging - Log Record %d Dive %03d Start of Pre Dive 0x%08X is out of memory",
                                                    k, r.DiveNumber(), r.PreStart());
        } else if (r.PreStart() < logDataStart) {
            r.inMemory = false;
            qDebug().noquote() << QString::asprintf("V2 Logging - Log Record %d Dive %03d Start of Pre Dive 0x%08X is prior to start of memory",
                                                    k, r.DiveNumber(), r.PreStart());
        } else if (r.PreEnd() < logDataStart) {
            r.inMemory = false;
            qDebug().noquote() << QString::asprintf("V2 Logging - Log Record %d Dive %03d End of Pre Dive 0x%08X is prior to start of memory",
                                                    k, r.DiveNumber(), r.PreEnd());
        }
    }
}

qint64 V2DownloadPlan::RangeLength(quint32 start, quint32 end, quint32 logDataStart)
{
    start &= AddressMask;
    end &= AddressMask;
    if (start <= end)
        return qint64(end) - start + 1;
    return qint64(end) - start - logDataStart + 0x2000001;
}

int V2DownloadPlan::AssignVariableItems(MemoryList &list, LogBookV2 &book, quint32 logDataStart)
{
    list.RemoveUnreadVariableItems();
    qDebug() << "Variable memory assignment after removal of unused items";
    for (const QString &line : list.Lines())
        qDebug().noquote() << line;

    const auto item = [&](quint32 start, quint32 end) {
        return list.FindOrAdd(MemoryBlock::DisplayLogData, DeviceId::DisplayColour, MemoryId::Profile,
                              start & AddressMask, qint32(RangeLength(start, end, logDataStart)));
    };
    int dives = 0;
    QStringList lines;
    for (int k = 0; k < book.Count(); ++k) {
        LogBookRecord &r = *book.At(k);
        r.preIndex = r.diveIndex = r.postIndex = -1;
        if (!r.selected) {
            lines << QStringLiteral("Dive %1 Not Required").arg(r.DiveNumber());
            continue;
        }
        if (!r.inMemory || !r.AreDownloadLocationsValid()) {
            lines << QStringLiteral("Dive %1 Out of Memory").arg(r.DiveNumber());
            continue;
        }
        r.preIndex = item(r.PreStart(), r.PreEnd());
        r.diveIndex = item(r.DiveStart(), r.IsEndValid() ? r.DiveEnd() : r.PostEnd());
        if (r.IsEndValid())
            r.postIndex = item(r.PostStart(), r.PostEnd());
        lines << QStringLiteral("Dive %1 %2").arg(r.DiveNumber()).arg(r.RangesLine());
        ++dives;
    }
    qDebug() << "Variable memory assignment";
    for (const QString &line : qAsConst(lines))
        qDebug().noquote() << line;
    return dives;
}
