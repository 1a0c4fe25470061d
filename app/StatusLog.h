#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QtGlobal>
#include <functional>

// The daily status log: every trace line of every thread becomes one
// scrambled record appended to "Tessaro_yyyy_MM_dd.log" in the application
// data folder.
//
// Record layout (multi-byte numbers big-endian):
//   0      marker 0x87
//   1..2   key offset K (0..65535), plain
//   3..4   "QR", scrambled
//   5..6   N = low 16 bits of the text length in bytes, scrambled
//   7..    the message line in UTF-8, scrambled
// Body byte i (i = 0 at "QR") is XORed with keystream byte (K + i) mod 2048.
//
// The file is opened and closed for every record and each record goes out in
// one write call, so nothing stays open, no lock is needed, and a crash loses
// at most the record being written.
class StatusLog
{
public:
    using Clock = std::function<QDateTime()>;
    using KeySource = std::function<quint16()>;

    static constexpr quint8 Marker = 0x87;
    static constexpr int HeaderSize = 7;   // marker, K, "QR", N
    static constexpr int PurgeThreshold = 10; // purge when more files than this
    static constexpr int PurgeKeep = 5;       // newest files kept by a purge

    // A log writing into `folder`; the clock and the key source default to the
    // real ones and are replaced by tests.
    explicit StatusLog(const QString &folder, Clock clock = {}, KeySource keys = {});

    // Appends one record for a trace line; failures are silent (there is no
    // other channel to report them on).
    void Write(QtMsgType type, const QString &text) const;

    QString Folder() const { return m_folder; }
    QString FilePath(const QDate &date) const;

    // The per-user application data folder (needs the application identity).
    static QString DefaultFolder();
    // "Tessaro_yyyy_MM_dd.log" for `date`.
    static QString FileName(const QDate &date);
    // Four-character level tag, for example "DBG ".
    static QString TypeTag(QtMsgType type);
    // "hh:mm:ss:zzz " + tag + text.
    static QString MessageLine(QtMsgType type, const QString &text, const QTime &time);
    // The complete record for an already formatted line.
    static QByteArray Record(const QByteArray &utf8Line, quint16 keyOffset);

    // K = r * 65535 / 32767 for a generator value r in 0..32767.
    static quint16 KeyOffsetFromRandom(int r);
    // Next key offset from the C runtime generator (std::rand).
    static quint16 NextKeyOffset();
    // Seeds that generator from the millisecond part of the current time.
    static void SeedKeyOffsets();

    // The handler installed with qInstallMessageHandler: real folder, real
    // clock, runtime generator.
    static void MessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &text);

    // Keeps the five newest "Tessaro_*.log" and then "Tessaro_*raw.log" files
    // when more than ten of a pattern exist.
    static void PurgeOldLogs();
    static void PurgeOldLogs(const QString &folder);

private:
    static void Append(const QString &folder, const QDateTime &now, QtMsgType type,
                       const QString &text, quint16 keyOffset);
    static void PurgePattern(const QString &folder, const QString &pattern);

    QString m_folder;
    Clock m_clock;
    KeySource m_keys;
};
