#include "CclFileLoader.h"

#include "DeviceList.h"
#include "SRFileHeader.h"
#include "StandardRecordFile.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <utility>

namespace {

// Beginnings of the creator lines a data walk skips.
const char *const CreatorLineStarts[] = {
    "Rix Test Suite Version",
    "Quor Parley Version",
    "Tessaro Version",
    "Quor Depot PC Version",
    // Depot's own files carry this line too (creator code 1).
    "Quor Depot Version",
};

} // namespace

bool CclFileLoader::IsCreatorLine(const QString &line)
{
    // Every creator text starts with 'R', 'Q' or 'T'; data lines (hex digits)
    // never do, and a long dive has thousands of them.
    const ushort first = line.isEmpty() ? 0 : line.at(0).unicode();
    if (first != 'R' && first != 'Q' && first != 'T')
        return false;
    for (const char *start : CreatorLineStarts) {
        if (line.startsWith(QLatin1String(start)))
            return true;
    }
    return false;
}

bool CclFileLoader::IsDataLine(const QString &line)
{
    if (line.isEmpty())
        return false;
    // Only lines starting with 'R', 'Q', 'T' or 'D' can be header lines.
    const ushort first = line.at(0).unicode();
    if (first != 'R' && first != 'Q' && first != 'T' && first != 'D')
        return true;
    return !IsCreatorLine(line) && !IsDateLine(line) && !IsTimeLine(line);
}

CclFileLoader::Result CclFileLoader::Fail(Result result, const QString &text)
{
    m_errorText = text;
    return result;
}

CclFileLoader::Result CclFileLoader::Load(const QString &path)
{
    m_lines.clear();
    m_errorText.clear();
    m_format = LogFileFormat::Invalid;
    m_wideBlocks = false;
    m_creatorLine.clear();
    m_dateTimeText.clear();
    m_deviceVersionText.clear();
    m_logBookEntry.clear();
    m_damagedRecords.clear();

    if (QFileInfo(path).suffix().toUpper() != QLatin1String("CCL"))
        return Fail(InvalidExtension, QStringLiteral("Invalid file extension"));

    // A file that cannot be opened (missing, a folder, no permission) says
    // so; "Invalid file format" is for a file that was read.
    QFile probe(path);
    if (!StandardRecordFile::OpenWithRetries(probe))
        return Fail(OpenOrConvertFailed, QStringLiteral("Unable to open the file"));
    m_format = StandardRecordFile::CheckFormatOfBytes(probe.read(3));
    probe.close();
    if (m_format == LogFileFormat::Invalid)
        return Fail(InvalidFormat, QStringLiteral("Invalid file format"));

    QStringList lines;
    if (m_format == LogFileFormat::Binary || m_format == LogFileFormat::Secured) {
        const bool secured = m_format == LogFileFormat::Secured;
        StandardRecordFile file;
        // One read: the whole-file check and the conversion use the same bytes.
        QByteArray bytes;
        QString readError;
        if (!StandardRecordFile::ReadFileBytes(path, bytes, QStringLiteral("Unable to open the file"), &readError))
            return Fail(OpenOrConvertFailed, readError);
        const bool intact = secured ? file.CheckSHA256OfBytes(bytes) : file.CheckCRC32OfBytes(bytes);
        if (!intact)
            return Fail(InvalidChecksum, QStringLiteral("Invalid file checksum"));
        SRFileHeader header;
        const auto mode = secured ? StandardRecordFile::LoadMode::SecuredLog
                                  : StandardRecordFile::LoadMode::PlainLog;
        if (!file.ConvertBytesToLines(std::move(bytes), lines, header, m_wideBlocks, mode)) {
            return Fail(OpenOrConvertFailed,
                        secured ? QStringLiteral("Unable to convert the secured file to a QStringList")
                                : QStringLiteral("Unable to convert the binary file to a QStringList"));
        }
        m_creatorLine = header.CreatorLine();
        m_dateTimeText = header.DateTimeText();
        m_deviceVersionText = header.DeviceVersionText();
        header.LogBookEntry(m_logBookEntry);
        // Damaged records are converted, not dropped; nobody may take them
        // for intact without being told.
        m_damagedRecords = file.DamagedRecords();
        for (const QString &damage : qAsConst(m_damagedRecords))
            qWarning().noquote() << "CclFileLoader::Load() -" << path << "-" << damage << "- converted as stored";
    } else {
        QFile source(path);
        if (!StandardRecordFile::OpenWithRetries(source, QIODevice::ReadOnly | QIODevice::Text))
            return Fail(OpenOrConvertFailed, QStringLiteral("Unable to open the file"));
        QTextStream stream(&source);
        QString line;
        while (stream.readLineInto(&line))
            lines << line;
    }
    return CheckLines(path, lines);
}

CclFileLoader::Result CclFileLoader::CheckLines(const QString &path, const QStringList &lines)
{
    m_lines = lines;
    QString date;
    QString time;
    int dataLine = 0;
    for (const QString &line : lines) {
        if (line.isEmpty())
            continue;
        if (IsCreatorLine(line)) {
            if (m_creatorLine.isEmpty())
                m_creatorLine = line;
            continue;
        }
        if (IsDateLine(line)) {
            date = line.mid(4).trimmed();
            continue;
        }
        if (IsTimeLine(line)) {
            time = line.mid(4).trimmed();
            continue;
        }
        ++dataLine;
        if (!DeviceList::LineCheck(line)) {
            return Fail(LineChecksumFailed, QStringLiteral("Invalid checksum in file %1 at line %2 - %3")
                                                .arg(path)
                                                .arg(dataLine)
                                                .arg(line));
        }
    }
    if (m_dateTimeText.isEmpty() && (!date.isEmpty() || !time.isEmpty()))
        m_dateTimeText = (date + QLatin1Char(' ') + time).trimmed();
    m_errorText.clear();
    return Ok;
}
