#include "StatusLog.h"

#include "RecordScrambler.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTime>
#include <algorithm>
#include <cstdlib>

namespace {

struct TypeTagEntry {
    QtMsgType type;
    const char *tag;
};

const TypeTagEntry TypeTags[] = {
    {QtDebugMsg, "DBG "},
    {QtWarningMsg, "WRN "},
    {QtCriticalMsg, "CRT "},
    {QtFatalMsg, "FTL "},
    {QtInfoMsg, "MSG "},
};

const char UnknownTypeTag[] = "??? ";

// Set while this thread is inside the handler: a trace line raised by the
// writing itself must not recurse into the handler.
thread_local bool t_writing = false;

} // namespace

StatusLog::StatusLog(const QString &folder, Clock clock, KeySource keys)
    : m_folder(folder)
    , m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); }))
    , m_keys(keys ? std::move(keys) : KeySource(&StatusLog::NextKeyOffset))
{
}

void StatusLog::Write(QtMsgType type, const QString &text) const
{
    Append(m_folder, m_clock(), type, text, m_keys());
}

QString StatusLog::FilePath(const QDate &date) const
{
    return m_folder + QLatin1Char('/') + FileName(date);
}

QString StatusLog::DefaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString StatusLog::FileName(const QDate &date)
{
    // Only the date part is formatted: letters of "Tessaro" would otherwise be
    // taken for time fields.
    return QStringLiteral("Tessaro_") + date.toString(QStringLiteral("yyyy_MM_dd"))
           + QStringLiteral(".log");
}

QString StatusLog::TypeTag(QtMsgType type)
{
    for (const TypeTagEntry &entry : TypeTags) {
        if (entry.type == type)
            return QLatin1String(entry.tag);
    }
    return QLatin1String(UnknownTypeTag);
}

QString StatusLog::MessageLine(QtMsgType type, const QString &text, const QTime &time)
{
    return time.toString(QStringLiteral("hh:mm:ss:zzz ")) + TypeTag(type) + text;
}

QByteArray StatusLog::Record(const QByteArray &utf8Line, quint16 keyOffset)
{
    // Longer texts keep only the low 16 bits of their length; readers find the
    // end of such a record by the "QR" of the next one.
    const quint16 length = quint16(utf8Line.size() & 0xFFFF);
    QByteArray record;
    record.reserve(HeaderSize + utf8Line.size());
    record.append(char(Marker));
    record.append(char(keyOffset >> 8));
    record.append(char(keyOffset & 0xFF));
    record.append('Q');
    record.append('R');
    record.append(char(length >> 8));
    record.append(char(length & 0xFF));
    record.append(utf8Line);
    RecordScrambler::Scramble(record.data() + 3, std::size_t(record.size() - 3), keyOffset);
    return record;
}

quint16 StatusLog::KeyOffsetFromRandom(int r)
{
    return quint16((r * 65535) / 32767);
}

quint16 StatusLog::NextKeyOffset()
{
    // glibc's RAND_MAX is far above 32767; the record format wants 0..32767.
    return KeyOffsetFromRandom(std::rand() % 32768);
}

void StatusLog::SeedKeyOffsets()
{
    std::srand(unsigned(QTime::currentTime().msec()));
}

void StatusLog::MessageHandler(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    Append(DefaultFolder(), QDateTime::currentDateTime(), type, text, NextKeyOffset());
}

void StatusLog::Append(const QString &folder, const QDateTime &now, QtMsgType type,
                       const QString &text, quint16 keyOffset)
{
    if (t_writing)
        return;
    t_writing = true;

    // One clock reading names the file and stamps the line, so a record
    // written across midnight never lands in the other day's file.
    if (!folder.isEmpty() && (QDir(folder).exists() || QDir().mkpath(folder))) {
        QFile file(folder + QLatin1Char('/') + FileName(now.date()));
        if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
            const QByteArray record = Record(MessageLine(type, text, now.time()).toUtf8(), keyOffset);
            file.write(record);
            file.close();
        }
    }
    t_writing = false;
}

void StatusLog::PurgeOldLogs()
{
    PurgeOldLogs(DefaultFolder());
}

void StatusLog::PurgeOldLogs(const QString &folder)
{
    PurgePattern(folder, QStringLiteral("Tessaro_*.log"));
    PurgePattern(folder, QStringLiteral("Tessaro_*raw.log"));
}

void StatusLog::PurgePattern(const QString &folder, const QString &pattern)
{
    const QDir dir(folder);
    // Plain files only: a folder that happens to match is never touched.
    QStringList names = dir.entryList({pattern}, QDir::Files | QDir::CaseSensitive, QDir::NoSort);
    std::sort(names.begin(), names.end()); // byte order; the dated names sort oldest first
    if (names.size() <= PurgeThreshold)
        return;
    qInfo().noquote() << QStringLiteral("Purging log files from ") + folder;
    const int remove = names.size() - PurgeKeep;
    for (int i = 0; i < remove; ++i) {
        qInfo().noquote() << QStringLiteral("Deleting ") + names.at(i);
        QFile::remove(folder + QLatin1Char('/') + names.at(i));
    }
}
