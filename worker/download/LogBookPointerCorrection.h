#pragma once

#include <QByteArray>
#include <QStringList>
#include <QVector>

class RixComms;

// The Colour V1 log book: 48 entries of 16 bytes in EEPROM, written as a
// ring. After a download that met a logging break, the book's pointer is
// checked against its newest entry; a book found out of order is sorted and
// written back whole.
class LogBookPointerCorrection
{
public:
    static constexpr int EntrySize = 16;
    static constexpr int EntryCount = 48;
    static constexpr int BookSize = EntrySize * EntryCount; // 768
    static constexpr int BookEepromEntryOffset = 16;         // the book lies at EEPROM 256
    static constexpr quint32 PointerAddress = 5;
    static constexpr int WriteSize = 64;

    struct Plan {
        bool inOrder = true;
        int highestIndex = 0;
        quint16 expectedPointer = 0;
        QByteArray rewrittenBook; // the sorted book when out of order, else empty
    };

    static quint16 DiveNumber(const QByteArray &book, int index);
    // "Dive No %03d, %02d/%02d/%02d %02d:%02d:%02d, Duration %d (s), Max Depth Pressure %d"
    static QStringList EntryLines(const QByteArray &book);
    // Works out what the book and its pointer should be (no device traffic).
    static Plan Analyse(const QByteArray &book);

    // Logs, corrects the pointer and, for a book out of order, rewrites the
    // book on the device and in `book`. Write failures are logged, not fatal.
    static void Run(RixComms &link, QByteArray &book, quint16 logBookPointer,
                    quint32 bookAddress);
};
