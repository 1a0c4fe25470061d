#pragma once

#include "LogFileFormat.h"
#include "SRFileHeader.h"
#include "StandardRecord.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QVector>

// The records of one container file: loading in its three modes, the integrity
// checks, the conversion to text-form lines and the secured writing.
// Failures are reported as a text (LastError), never thrown.
class StandardRecordFile
{
public:
    enum class LoadMode {
        PlainLog = 0,      // plain binary log or memory file
        SecuredUpload = 3, // secured update file
        SecuredLog = 4,    // secured log or memory file
    };

    StandardRecordFile() = default;

    // --- Checks ---
    // Decides the form from the first three bytes of the file.
    static LogFileFormat CheckFormat(const QString &path, QString *message = nullptr);
    static LogFileFormat CheckFormatOfBytes(const QByteArray &firstBytes, QString *message = nullptr);

    // Whole-file CRC of the plain binary form; a stored CRC of 0 passes.
    bool CheckCRC32(const QString &path);
    bool CheckCRC32OfBytes(const QByteArray &fileBytes);
    // Whole-file seal of the secured form.
    bool CheckSHA256(const QString &path);
    bool CheckSHA256OfBytes(const QByteArray &fileBytes);

    // --- Loading ---
    // Fills the record list, the header, the flags and the error text. A
    // record with a bad CRC is kept (IsValid false) and the load goes on.
    bool Load(const QString &path, SRFileHeader &header, LoadMode mode);
    bool LoadFromBytes(QByteArray fileBytes, SRFileHeader &header, LoadMode mode);

    // Loads and renders the text-form lines: creator line, date line, time
    // line, dive-data lines, user lines, "B0"/"B1" pairs, DAN lines.
    // Records with a bad CRC are converted as stored (see DamagedRecords).
    bool ConvertToLines(const QString &path, QStringList &lines, SRFileHeader &header,
                        bool &wideBlocks, LoadMode mode);
    bool ConvertBytesToLines(QByteArray fileBytes, QStringList &lines,
                             SRFileHeader &header, bool &wideBlocks, LoadMode mode);
    // The same rendering of records already loaded (or built in memory).
    bool RecordsToLines(QStringList &lines, const SRFileHeader &header, bool wideBlocks);

    const QVector<StandardRecord> &Records() const { return m_records; }
    QVector<StandardRecord> &Records() { return m_records; }
    // First record of the type, or nullptr.
    const StandardRecord *FindRecord(quint16 type) const;
    // One text per loaded record whose CRC failed, in file order, such as
    // "record 2 (dive data) failed its CRC check"; empty for an intact file.
    QStringList DamagedRecords() const;

    QString LastError() const { return m_lastError; }
    bool WideBlocks() const { return m_wideBlocks; }
    bool CreatorIsDepot() const { return m_creatorIsDepot; }

    // --- Writing ---
    // The record stream followed by its CRC-32: the plain binary form.
    static QByteArray PlainContainer(const QByteArray &recordStream);
    // The secured form of a record stream (CRC, PKCS#7, AES-256-CBC with a
    // fresh IV, magic, seal). Empty on a cipher failure (error in *error).
    static QByteArray SecuredContainer(const QByteArray &recordStream, QString *error = nullptr);
    // Same with a given IV (reproducible output for tests).
    static QByteArray SecuredContainer(const QByteArray &recordStream, const QByteArray &iv,
                                       QString *error = nullptr);
    // Seals in place: `buffer` holds SecuredPrefixSize bytes of room, then the
    // record stream; it becomes the secured form. Reserve SecuredOverhead
    // bytes beyond the stream to spare a reallocation. False on a cipher failure.
    static bool SealInPlace(QByteArray &buffer, QString *error = nullptr);
    static bool SealInPlace(QByteArray &buffer, const QByteArray &iv, QString *error = nullptr);
    static constexpr int SecuredPrefixSize = 20; // magic and IV
    static constexpr int SecuredOverhead = 20 + 4 + 16 + 32; // prefix, CRC, padding, seal
    // Writes an already sealed buffer (see SealInPlace) to `path`.
    bool WriteSealed(const QByteArray &sealed, const QString &path);

    // Writes the secured form of a record stream to `path`.
    bool SecureWrite(const QByteArray &recordStream, const QString &path);

    // Writes bytes through a temporary file in the same folder that replaces
    // `path` only once everything is written, in chunks of at most 100 bytes,
    // so a failure part-way never destroys an existing file of that name.
    static bool WriteFileSafely(const QString &path, const QByteArray &bytes, QString *error);
    // Writes all of `bytes` to an open device in chunks of WriteChunkSize;
    // false as soon as one chunk is not written whole.
    static bool WriteChunked(QIODevice &device, const QByteArray &bytes);

    // Opens for reading with a few immediate retries: a file that was just
    // written may be held for a moment by another program (a virus scanner).
    static bool OpenWithRetries(QFile &file, QIODevice::OpenMode mode = QIODevice::ReadOnly);
    // Reads a whole file (opened with retries). On failure *error is
    // `openFailure`, "Unable to allocate memory" or "Unable to read full file contents".
    static bool ReadFileBytes(const QString &path, QByteArray &bytes, const QString &openFailure,
                              QString *error);

    static constexpr int WriteChunkSize = 100;
    static constexpr int OpenAttempts = 10;

private:
    bool ReadWholeFile(const QString &path, QByteArray &bytes, const QString &openFailure);
    bool Fail(const QString &text);

    QVector<StandardRecord> m_records;
    QString m_lastError;
    bool m_wideBlocks = false;
    bool m_creatorIsDepot = false;
};
