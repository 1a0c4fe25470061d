#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QVector>

#include <functional>

class DeviceList;
class RixComms;
struct UploadBlock;

// What the worker remembers of a system-variables rewrite that an upload
// made but did not finish, so that the same upload run again starts from
// the bytes the unit held before, not from bytes already rewritten once.
// The unit's bytes themselves tell whether they are that rewrite: every
// 64-byte block must equal either the original or the rewritten block (the
// serial number is kept for the status log only: a partial upload may have
// changed the area it is read from).
struct SystemVariablesMemory
{
    QString serialNumber;   // the display it was taken from
    QByteArray original;    // the 256 bytes before the rewrite
    QByteArray rewritten;   // the 256 bytes the rewrite wrote
    void Clear() { *this = SystemVariablesMemory(); }
};

// The colour display's change of logging system at code 7.00.03: the
// question to the user, the log book and EEPROM system-variables migration
// (old code below 7.00.03, new code from it) and reversion (the other way),
// and the logging pointer adjustment after new display code is written.
// Talks to the device through the link it is given; only the status log
// carries its step messages.
class LogMigration
{
    Q_DECLARE_TR_FUNCTIONS(LogMigration)
public:
    enum class Direction { None, Migration, Reversion };

    static constexpr int V1EntrySize = 16;
    static constexpr int V1EntryCount = 48;
    static constexpr int V1LogBookSize = V1EntrySize * V1EntryCount;  // 768
    static constexpr int V2RecordSize = 32;
    static constexpr int V2MigratedSize = V2RecordSize * V1EntryCount; // 1536
    static constexpr int SystemVariablesSize = 256;
    static constexpr int TransferSize = 64;
    static constexpr quint32 V1LogBookEepromAddress = 0x100;
    static constexpr int MaxMigratedDiveNumber = 0xF000;

    struct Hooks
    {
        // Question answers are the question result codes (WorkerC::ResultYes: yes / continue).
        std::function<int(const QString &question)> askYesNo;
        std::function<int()> askConfirmation;
        // Reads the display's V2 log book as the download's log book read
        // does: the raw 32-byte records, newest first. False when the read fails.
        std::function<bool(QVector<QByteArray> &recordsNewestFirst)> readV2LogBook;
    };

    struct LogBookResult
    {
        bool ok = true;
        bool migrated = false;
        int diveNumber = 0;
        int logBookPointer = 0;
    };

    LogMigration(RixComms &link, const DeviceList &catalogue, Hooks hooks,
                 SystemVariablesMemory *memory = nullptr);

    static Direction DirectionFor(int currentVersion, int newVersion);

    // Asks both questions when the logging system changes to the log book;
    // false when the user declines either.
    bool TestLoggingFormatChange(int currentVersion, int newVersion);
    LogBookResult MigrateLogBook(int currentVersion, int newVersion, const QString &unitName);
    // `serialNumber` is noted with the kept memory of an unfinished rewrite.
    bool MigrateEeprom(int currentVersion, int newVersion, const QString &unitName,
                       const LogBookResult &logBook, const QString &serialNumber);
    // Puts back the system variables an earlier, unfinished run of an upload
    // rewrote, so that the log book read and the rewrite
    // start from what the unit held before. False when that fails.
    bool RestoreUnfinishedRewrite();
    // True once MigrateEeprom has sent any write to the unit in this run.
    bool SystemVariablesTouched() const { return m_systemVariablesTouched; }
    // After display code has been written.
    void AdjustLoggingPointer(const UploadBlock &block);

    // --- Pure image building, public for tests ---
    // The V2 log book (1536 bytes) from a V1 log book (768 bytes).
    static QByteArray V2LogBookFromV1(const QByteArray &v1, int &records, int &lastDiveNumber);
    // The V1 log book (768 bytes) from V2 records (newest first).
    static QByteArray V1LogBookFromV2(const QVector<QByteArray> &recordsNewestFirst, int &entries,
                                      int &lastDiveNumber);
    static QByteArray MigratedSystemVariables(const QByteArray &old, const LogBookResult &logBook);
    static QByteArray RevertedSystemVariables(const QByteArray &old, const LogBookResult &logBook);
    // Hexadecimal dump lines for the status log, 32 bytes a line.
    static QStringList DumpLines(const QByteArray &bytes);

private:
    bool ReadBlocks(quint32 address, quint8 memoryId, int size, QByteArray &out);
    bool WriteBlocks(quint32 address, quint8 memoryId, const QByteArray &bytes);
    bool IsUnfinishedRewrite(const QByteArray &now) const;
    QString VersionLine(const QString &unitName, int current, int newVersion,
                        const char *what) const;

    RixComms &m_link;
    const DeviceList &m_catalogue;
    Hooks m_hooks;
    SystemVariablesMemory *m_memory;
    bool m_systemVariablesTouched = false;
};
