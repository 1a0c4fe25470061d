#include "LogBookPointerCorrection.h"

#include "DeviceList.h"
#include "RixComms.h"

#include <QDebug>

#include <algorithm>

namespace {

quint16 Be16(const QByteArray &b, int at)
{
    return quint16((quint8(b.at(at)) << 8) | quint8(b.at(at + 1)));
}

QByteArray Be16Bytes(quint16 v)
{
    QByteArray out(2, '\0');
    out[0] = char(v >> 8);
    out[1] = char(v & 0xFF);
    return out;
}

void LogLines(const QStringList &lines)
{
    for (const QString &line : lines)
        qDebug().noquote() << line;
}

} // namespace

quint16 LogBookPointerCorrection::DiveNumber(const QByteArray &book, int index)
{
    return Be16(book, index * EntrySize);
}

QStringList LogBookPointerCorrection::EntryLines(const QByteArray &book)
{
    QStringList lines;
    for (int i = 0; i < EntryCount && (i + 1) * EntrySize <= book.size(); ++i) {
        const int at = i * EntrySize;
        const auto b = [&](int k) { return int(quint8(book.at(at + k))); };
        lines << QString::asprintf("Dive No %03d, %02d/%02d/%02d %02d:%02d:%02d, Duration %d (s), Max Depth Pressure %d",
                                   int(Be16(book, at)), b(2), b(3), b(4), b(5), b(6), b(7),
                                   int(Be16(book, at + 8)), int(Be16(book, at + 10)));
    }
    return lines;
}

LogBookPointerCorrection::Plan LogBookPointerCorrection::Analyse(const QByteArray &book)
{
    Plan plan;
    int highest = 0;
    for (int i = 1; i < EntryCount; ++i) {
        if (DiveNumber(book, i) > DiveNumber(book, highest))
            highest = i;
    }
    plan.highestIndex = highest;
    // Walking back from the newest entry, every number must be lower than
    // the one after it.
    int after = highest;
    for (int step = 1; step < EntryCount; ++step) {
        const int index = (highest - step + EntryCount) % EntryCount;
        if (DiveNumber(book, index) >= DiveNumber(book, after)) {
            plan.inOrder = false;
            break;
        }
        after = index;
    }
    if (plan.inOrder) {
        plan.expectedPointer = quint16((highest + BookEepromEntryOffset) * EntrySize);
        return plan;
    }

    QVector<QByteArray> entries;
    for (int i = 0; i < EntryCount; ++i)
        entries << book.mid(i * EntrySize, EntrySize);
    std::stable_sort(entries.begin(), entries.end(), [](const QByteArray &a, const QByteArray &b) {
        return Be16(a, 0) < Be16(b, 0);
    });
    const quint16 top = DiveNumber(book, highest);
    int first = 0;
    while (first < EntryCount && Be16(entries.at(first), 0) != top)
        ++first;
    plan.expectedPointer = quint16((first + BookEepromEntryOffset) * EntrySize);
    for (const QByteArray &e : entries)
        plan.rewrittenBook += e.left(12) + QByteArray(4, '\0');
    return plan;
}

void LogBookPointerCorrection::Run(RixComms &link, QByteArray &book, quint16 logBookPointer,
                                   quint32 bookAddress)
{
    qDebug() << "Log Book Pointer Correction";
    if (book.size() < BookSize) {
        qDebug() << "Unable to locate the Log Book memory";
        return;
    }
    const Plan plan = Analyse(book);
    const auto writePointer = [&](quint16 pointer) {
        const QByteArray bytes = Be16Bytes(pointer);
        return link.Write(DeviceId::DisplayColour, MemoryId::Eeprom, PointerAddress, 2,
                          reinterpret_cast<const uchar *>(bytes.constData()));
    };
    if (plan.inOrder) {
        qDebug() << "Log book";
        LogLines(EntryLines(book));
        if (plan.expectedPointer == logBookPointer) {
            qDebug() << "Log Book Pointer - No correction required";
            return;
        }
        if (!writePointer(plan.expectedPointer)) {
            qDebug() << "Log Book Correction - Write failed";
            return;
        }
        qDebug().noquote() << QString::asprintf("Log Book Pointer - Original 0x%04X Corrected 0x%04X",
                                                logBookPointer, plan.expectedPointer);
        return;
    }

    qDebug() << "Pre sort log book";
    LogLines(EntryLines(book));
    qDebug().noquote() << QString::asprintf("Log Book Pointer - Original 0x%04X", logBookPointer);
    book.replace(0, BookSize, plan.rewrittenBook);
    qDebug() << "Post sort log book";
    LogLines(EntryLines(book));
    qDebug().noquote() << QString::asprintf("Log Book Pointer - Corrected 0x%04X", plan.expectedPointer);
    for (int at = 0; at < BookSize; at += WriteSize) {
        if (!link.Write(DeviceId::DisplayColour, MemoryId::Eeprom, bookAddress + quint32(at),
                        quint8(WriteSize),
                        reinterpret_cast<const uchar *>(plan.rewrittenBook.constData() + at))) {
            qDebug() << "Log Book Correction - Write failed";
            return;
        }
    }
    if (!writePointer(plan.expectedPointer))
        qDebug() << "Log Book Correction - Write failed";
}
