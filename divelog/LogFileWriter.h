#pragma once

#include "SRDANData.h"
#include "SRDLDataUser.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// One block of device memory to keep in a log or memory file.
struct LogFileMemory {
    quint8 deviceId = 0;
    quint8 memoryId = 0;
    quint32 startAddress = 0;
    QByteArray data; // plain contents
};

// What a log (.ccl) or memory (.ccx) file holds, before it is encoded.
struct LogFileContent {
    QDateTime created;              // download start (or any creation time)
    QByteArray deviceVersion;       // 4 bytes of the display's code version; empty: not known
    QByteArray logBookEntry;        // the dive's 32-byte log-book entry; empty: none
    QString creatorVersionText;     // "a.b.c.d"; empty: the application's version
    quint8 creatorCode = 3;         // this program
    bool hasDiveData = false;       // a log file carries one dive-data record
    QByteArray diveData;            // plain log records as the device stored them
    QVector<LogFileMemory> memories;
    // Read-only record kinds; written only by test support and tools.
    QVector<SRDLDataUser::Item> userItems;
    QVector<SRDANData::Item> danItems;
};

// Builds log and memory files. The program itself writes only the secured
// form; the plain binary and legacy text forms exist for tests and tools.
// Dive data is scrambled in the block size that the reader will derive from
// the same header (32 bytes from device version 7.0.3 on, else 16), so a
// file always reads back as it was written.
class LogFileWriter
{
public:
    // The record stream (header, dive data, user items, memory blocks, DAN
    // items), without the file CRC.
    static QByteArray RecordStream(const LogFileContent &content);
    // Appends the same stream to `out`, reserving `extraCapacity` bytes more.
    static void AppendRecordStream(QByteArray &out, const LogFileContent &content, int extraCapacity = 0);
    // The text-form lines the loader produces for the same content.
    static QStringList TextLines(const LogFileContent &content);

    // The sealed, encrypted container bytes of a .ccl or .ccx file.
    static bool SealSecured(const LogFileContent &content, QByteArray &sealed, QString *error);
    static bool WriteSecured(const QString &path, const LogFileContent &content, QString *error);
    static bool WritePlainBinary(const QString &path, const LogFileContent &content, QString *error);
    static bool WriteText(const QString &path, const LogFileContent &content, QString *error);
    // Writes given text lines as a legacy text file (one line each, "\n").
    static bool WriteTextLines(const QString &path, const QStringList &lines, QString *error);
};
