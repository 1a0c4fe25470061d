#pragma once

#include <QDateTime>
#include <QString>

// The download history of a colour handset: one line per completed
// download in "<serial>_DownloadHistory.dat" in the download folder, and
// the decision, from its last line, where the next download starts.
class DownloadHistory
{
public:
    static constexpr quint32 MaxLastBlock = 0x3FDF;
    static constexpr int BlockShift = 11; // 2 KiB blocks

    struct Entry {
        bool present = false;
        quint32 start = 0;
        quint32 finish = 0;
        quint32 pointer = 0;
    };
    struct Range {
        quint32 start = 0;
        quint32 finish = 0; // inclusive
    };

    static QString FilePath(const QString &downloadDir, const QString &serialNumber);
    // The last line of the file; absent when unreadable or short of fields.
    static Entry ReadLast(const QString &path);
    // "yy/MM/dd,hh:mm:ss,0x........,0x........,0x........"
    static QString Line(const QDateTime &downloadStart, quint32 start, quint32 finish,
                        quint32 pointer);
    // Appends one line; the file is replaced only once the new content is
    // completely written.
    static bool Append(const QString &path, const QString &line);

    // Where the log data read starts and ends. logStart and logSize describe
    // the log data memory, pointer is the logging pointer. Writes the
    // reasons to the status log.
    static Range Decide(quint32 logStart, quint32 logSize, quint32 pointer, bool fullDownload,
                        const Entry &history);
    // The reason a history is refused, or empty when it is accepted.
    static QString RejectionReason(quint32 logStart, quint32 logSize, quint32 pointer,
                                   const Entry &history);
};
