#include "V2LogSaver.h"

#include "LogBookV2.h"
#include "LogFileWriter.h"
#include "MemoryList.h"

#include <QDebug>

namespace {
constexpr quint8 PowerOn = 0x00;
constexpr quint8 PowerOff = 0x7F;
constexpr quint8 EndOfDive = 0x08;
} // namespace

int V2LogSaver::PreDiveStart(const QByteArray &pre)
{
    for (int at = 0; at + RecordSize <= pre.size(); at += RecordSize) {
        if (quint8(pre.at(at)) == PowerOn)
            return at;
    }
    return 0;
}

int V2LogSaver::PostDiveLength(const QByteArray &post)
{
    for (int at = (post.size() / RecordSize - 1) * RecordSize; at >= 0; at -= RecordSize) {
        const quint8 type = quint8(post.at(at));
        if (type == PowerOff || type == EndOfDive)
            return at + RecordSize;
    }
    return post.size();
}

int V2LogSaver::Save(LogFileSaver &saver, const LogFileSaver::Download &download,
                     const MemoryList &list, const LogBookV2 &book)
{
    const LogFileContent base = LogFileSaver::BaseContent(download, list, list.FixedCount());
    int saved = 0;
    for (int k = 0; k < book.Count(); ++k) {
        const LogBookRecord &r = *book.At(k);
        if (!r.selected)
            continue;
        const MemoryBlock *dive = list.At(r.diveIndex);
        if (!dive || !dive->done) {
            qDebug().noquote() << QStringLiteral("Dive %1 not downloaded, no file saved").arg(r.DiveNumber());
            // The window says so too: a selected dive without a file must
            // not pass for downloaded under "Download Completed".
            saver.Report(r.inMemory ? tr("Dive %1 could not be located in the handset's memory, no file saved")
                                              .arg(r.DiveNumber())
                                    : tr("Dive %1 is no longer in the handset's memory, no file saved")
                                              .arg(r.DiveNumber()));
            continue;
        }
        QByteArray data;
        if (const MemoryBlock *pre = list.At(r.preIndex)) {
            const int from = PreDiveStart(pre->buffer);
            if (from > 0)
                qDebug().noquote() << QStringLiteral("PreDive skipping forward to Power On at 0x%1")
                                          .arg(pre->startAddress + quint32(from), 8, 16, QLatin1Char('0'));
            data += pre->buffer.mid(from);
        }
        data += dive->buffer;
        if (const MemoryBlock *post = list.At(r.postIndex)) {
            const int length = PostDiveLength(post->buffer);
            if (length < post->buffer.size())
                qDebug().noquote() << QStringLiteral("PostDive skipping backward to Power Off at 0x%1 from original 0x%2")
                                          .arg(post->startAddress + quint32(length), 8, 16, QLatin1Char('0'))
                                          .arg(post->startAddress + quint32(post->buffer.size()), 8, 16, QLatin1Char('0'));
            data += post->buffer.left(length);
        }
        LogFileContent content = base;
        content.logBookEntry = r.Raw();
        content.hasDiveData = true;
        content.diveData = data;
        const QString path = download.directory + QLatin1Char('/') + r.FileName();
        if (saver.WriteLog(path, content, download.uddf, false) == LogFileSaver::Outcome::Saved)
            ++saved;
    }
    saver.LogUddfTimes();
    return saved;
}
