#pragma once

#include "LogFileFormat.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Loads a .ccl file in any of its three forms as text-form lines and checks
// every data line. The result codes are the log loader's own.
class CclFileLoader
{
public:
    enum Result {
        Ok = 0,
        OpenOrConvertFailed = 1, // "Unable to open the file" or a failed conversion
        LineChecksumFailed = 2,  // "Invalid checksum in file %1 at line %2 - %3"
        InvalidFormat = 4,       // "Invalid file format"
        InvalidChecksum = 5,     // "Invalid file checksum"
        InvalidExtension = 6,    // "Invalid file extension"
    };

    Result Load(const QString &path);
    // Line checks of lines obtained elsewhere (same rules and texts as Load);
    // the lines become this loader's lines.
    Result CheckLines(const QString &path, const QStringList &lines);

    // Every line in file order, header and empty lines included.
    const QStringList &Lines() const { return m_lines; }
    QString ErrorText() const { return m_errorText; }
    LogFileFormat SourceFormat() const { return m_format; }
    bool IsBinaryOrSecured() const
    {
        return m_format == LogFileFormat::Binary || m_format == LogFileFormat::Secured;
    }
    // Binary and secured files: the container header's block-width flag.
    bool WideBlocks() const { return m_wideBlocks; }

    // File information. For binary and secured files from the container
    // header; for text files from the creator, date and time lines.
    QString CreatorLine() const { return m_creatorLine; }
    QString DateTimeText() const { return m_dateTimeText; }
    QString DeviceVersionText() const { return m_deviceVersionText; }
    // The 32-byte log-book entry, or empty when the file has none.
    QByteArray LogBookEntry() const { return m_logBookEntry; }
    // Binary and secured files: the records whose CRC failed, one text each
    // ("record 2 (dive data) failed its CRC check"). Their contents are among
    // the lines as stored; each is also a warning in the status log.
    const QStringList &DamagedRecords() const { return m_damagedRecords; }

    // Line classification shared with the log parser.
    static bool IsCreatorLine(const QString &line);
    static bool IsDateLine(const QString &line) { return line.startsWith(QLatin1String("Date")); }
    static bool IsTimeLine(const QString &line) { return line.startsWith(QLatin1String("Time")); }
    // Not creator, date, time or empty.
    static bool IsDataLine(const QString &line);

private:
    Result Fail(Result result, const QString &text);

    QStringList m_lines;
    QString m_errorText;
    LogFileFormat m_format = LogFileFormat::Invalid;
    bool m_wideBlocks = false;
    QString m_creatorLine;
    QString m_dateTimeText;
    QString m_deviceVersionText;
    QByteArray m_logBookEntry;
    QStringList m_damagedRecords;
};
