#include "DownloadHistory.h"

#include "DeviceList.h"
#include "SafeFileName.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>

namespace {

QString Hex8(quint32 v)
{
    return DeviceList::HexText(v, 8);
}

bool ParseHex(QString text, quint32 &value)
{
    text = text.trimmed();
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        text = text.mid(2);
    bool ok = false;
    value = text.toUInt(&ok, 16);
    return ok;
}

} // namespace

QString DownloadHistory::FilePath(const QString &downloadDir, const QString &serialNumber)
{
    return downloadDir + QLatin1Char('/') + SafeFileName::Part(serialNumber)
           + QStringLiteral("_DownloadHistory.dat");
}

DownloadHistory::Entry DownloadHistory::ReadLast(const QString &path)
{
    Entry entry;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return entry;
    QString last;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (!line.trimmed().isEmpty())
            last = line;
    }
    const QStringList fields = last.split(QLatin1Char(','));
    if (fields.size() < 5)
        return entry;
    // A field that is not hexadecimal reads as 0, which the checks refuse.
    ParseHex(fields.at(2), entry.start);
    ParseHex(fields.at(3), entry.finish);
    ParseHex(fields.at(4), entry.pointer);
    entry.present = true;
    return entry;
}

QString DownloadHistory::Line(const QDateTime &downloadStart, quint32 start, quint32 finish,
                              quint32 pointer)
{
    return QStringLiteral("%1,%2,0x%3,0x%4,0x%5")
        .arg(downloadStart.toString(QStringLiteral("yy/MM/dd")),
             downloadStart.toString(QStringLiteral("hh:mm:ss")), Hex8(start), Hex8(finish),
             Hex8(pointer));
}

bool DownloadHistory::Append(const QString &path, const QString &line)
{
    QByteArray content;
    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            return false;
        content = existing.readAll();
        existing.close();
        if (!content.isEmpty() && !content.endsWith('\n'))
            content.append('\n');
    }
    content.append(line.toLatin1());
    content.append('\n');
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(content);
    return file.commit();
}

QString DownloadHistory::RejectionReason(quint32 logStart, quint32 logSize, quint32 pointer,
                                         const Entry &h)
{
    const quint64 end = quint64(logStart) + logSize;
    const quint32 lastBlock = h.finish >= logStart ? (h.finish - logStart) >> BlockShift : 0;
    if (h.start < logStart)
        return QStringLiteral("Invalid history, Start address invalid - Too low");
    if (h.start > end)
        return QStringLiteral("Invalid history, Start address invalid - Too high");
    if (h.finish < h.start)
        return QStringLiteral("Invalid history, Finish address invalid - Less than start address");
    if (h.finish > end)
        return QStringLiteral("Invalid history, Finish address invalid - Too high");
    if (lastBlock > MaxLastBlock)
        return QStringLiteral("Invalid history, Invalid block pointer");
    if (pointer < h.pointer)
        return QStringLiteral("Invalid history, Current logging pointer is before the last recorded logging pointer");
    return QString();
}

DownloadHistory::Range DownloadHistory::Decide(quint32 logStart, quint32 logSize, quint32 pointer,
                                               bool fullDownload, const Entry &history)
{
    Range range;
    bool valid = false;
    quint32 lastBlock = 0;
    if (!fullDownload && history.present) {
        lastBlock = history.finish >= logStart ? (history.finish - logStart) >> BlockShift : 0;
        qDebug().noquote() << QStringLiteral("Download history found, Start 0x%1 Finish 0x%2 Logging Pointer 0x%3, Last Block %4")
                                  .arg(Hex8(history.start), Hex8(history.finish), Hex8(history.pointer))
                                  .arg(lastBlock);
        const QString reason = RejectionReason(logStart, logSize, pointer, history);
        if (reason.isEmpty())
            valid = true;
        else
            qDebug().noquote() << reason;
    }

    if (pointer == logStart) {
        range.start = range.finish = logStart;
        qDebug().noquote() << QStringLiteral("Download range for log data, Start 0x%1 - Finish 0x%2")
                                  .arg(Hex8(range.start), Hex8(range.finish));
        return range;
    }

    qDebug().noquote() << QStringLiteral("Colour V1 logging pointer 0x%1 - Download block %2")
                              .arg(Hex8(pointer))
                              .arg(pointer > logStart ? (pointer - logStart - 1) >> BlockShift : 0);
    quint32 block = 0;
    if (fullDownload) {
        qDebug() << "Full download selected, starting download at start of memory";
    } else if (valid) {
        block = lastBlock;
        qDebug().noquote() << QStringLiteral("Valid history, download starting at 0x%1 - Block %2")
                                  .arg(Hex8(logStart + (block << BlockShift)))
                                  .arg(block);
    } else {
        qDebug() << "Invalid history, starting download at start of memory";
    }
    // A history whose block lies beyond the logging pointer cannot be
    // right; starting there would read nothing that is new.
    if (block != 0 && logStart + (block << BlockShift) > pointer) {
        qDebug() << "Invalid history, starting download at start of memory";
        block = 0;
    }
    const quint32 start = logStart + (block << BlockShift);
    const quint32 finish = start < pointer ? pointer - 1 : pointer;
    if (start < logStart || quint64(finish) > quint64(logStart) + logSize) {
        qDebug().noquote() << QStringLiteral("Download range out of bounds, Start 0x%1 - Finish 0x%2")
                                  .arg(Hex8(start), Hex8(finish));
        return range;
    }
    range.start = start;
    range.finish = finish;
    qDebug().noquote() << QStringLiteral("Download range for log data, Start 0x%1 - Finish 0x%2")
                              .arg(Hex8(range.start), Hex8(range.finish));
    return range;
}
