#include "DiveLogTool.h"

#include "CellHealthAnalysis.h"
#include "CellHealthReport.h"
#include "CclFileLoader.h"
#include "DeviceList.h"
#include "QuorLog.h"
#include "QuorLogDurations.h"
#include "QuorLogSession.h"
#include "SRMemoryBlock.h"
#include "StandardRecordFile.h"
#include "UddfExport.h"

#include <QDir>
#include <QFileInfo>

DiveLogTool::DiveLogTool(QTextStream &out, QTextStream &err) : m_out(out), m_err(err) {}

QString DiveLogTool::Printable(const QString &text)
{
    // Bytes of a damaged or hostile file must not reach the terminal as
    // control sequences: every control character is shown as \xNN, and a
    // backslash is doubled so that the escapes stay unambiguous.
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == '\\') {
            out += QLatin1String("\\\\");
        } else if (u < 0x20 || (u >= 0x7F && u < 0xA0)) {
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    return out;
}

void DiveLogTool::Error(const QString &path, const QString &text)
{
    m_err << Printable(path) << ": " << Printable(text) << "\n";
}

void DiveLogTool::ReportDamage(const QString &path, const QStringList &damagedRecords)
{
    for (const QString &damage : damagedRecords)
        m_err << Printable(path) << ": warning: " << damage << "; its contents were read as stored\n";
}

QString DiveLogTool::LoadFailureText(const QString &path, const QString &errorText, int result)
{
    // The loaders' text gives no reason for an open failure (result 1, or a
    // format check without a result); the common reasons are worth a word.
    QString text = errorText;
    const QFileInfo info(path);
    if (result == QuorLog::OpenFailed || result < 0) {
        if (info.isDir())
            text += QStringLiteral(" - it is a folder");
        else if (!info.exists())
            text += QStringLiteral(" - no such file");
        else if (!info.isReadable())
            text += QStringLiteral(" - permission denied");
    }
    if (result >= 0)
        text += QStringLiteral(" (result %1)").arg(result);
    return text;
}

QString DiveLogTool::UsageText()
{
    return QStringLiteral(
        "Usage: divelogtool summary FILE.ccl...\n"
        "       divelogtool lines FILE.ccl...\n"
        "       divelogtool uddf [--out DIR] [--overwrite] [--cells-as-ppo2] FILE.ccl...\n"
        "           --cells-as-ppo2: cell readings as UDDF 3.3.0 ppo2 instead of measuredpo2\n"
        "       divelogtool blocks FILE.ccx...\n"
        "       divelogtool cells FILE.ccl...\n"
        "Exit codes: 0 done, 1 usage, 2 a file could not be loaded, 3 a UDDF file was not written.\n");
}

int DiveLogTool::Run(const QStringList &arguments)
{
    if (arguments.isEmpty()) {
        m_err << UsageText();
        return Usage;
    }
    const QString command = arguments.first();
    QString outDir;
    bool overwrite = false;
    bool cellsAsPpo2 = false;
    QStringList files;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (command == QLatin1String("uddf") && a == QLatin1String("--out")) {
            if (++i >= arguments.size()) {
                m_err << "--out needs a folder\n" << UsageText();
                return Usage;
            }
            outDir = arguments.at(i);
        } else if (command == QLatin1String("uddf") && a == QLatin1String("--overwrite")) {
            overwrite = true;
        } else if (command == QLatin1String("uddf") && a == QLatin1String("--cells-as-ppo2")) {
            cellsAsPpo2 = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            m_err << "Unknown option " << Printable(a) << "\n" << UsageText();
            return Usage;
        } else {
            files << a;
        }
    }
    const QStringList commands = {QStringLiteral("summary"), QStringLiteral("lines"), QStringLiteral("uddf"),
                                  QStringLiteral("blocks"), QStringLiteral("cells")};
    if (!commands.contains(command) || files.isEmpty()) {
        m_err << UsageText();
        return Usage;
    }
    if (command == QLatin1String("cells"))
        return Cells(files);
    if (!outDir.isEmpty() && !QFileInfo(outDir).isDir()) {
        Error(outDir, QStringLiteral("not a folder"));
        return Usage;
    }
    int worst = Ok;
    for (const QString &file : files) {
        int code = Ok;
        if (command == QLatin1String("summary"))
            code = Summary(file);
        else if (command == QLatin1String("lines"))
            code = Lines(file);
        else if (command == QLatin1String("uddf"))
            code = Uddf(file, outDir, overwrite, cellsAsPpo2);
        else
            code = Blocks(file);
        // A file that could not be loaded outranks a UDDF file left alone.
        if (code == LoadFailed || (code == NotWritten && worst == Ok))
            worst = code;
    }
    m_out.flush();
    m_err.flush();
    return worst;
}

int DiveLogTool::Summary(const QString &path)
{
    QuorLog log;
    const int result = log.Load(path);
    ReportDamage(path, log.DamagedRecords());
    if (result != QuorLog::Success) {
        Error(path, LoadFailureText(path, log.ErrorText(), result));
        return LoadFailed;
    }
    const QuorLogSession *session = log.IdentifiedSession();
    const QuorLogDiveSummary summary = session->Summary();
    QStringList gases;
    for (const QuorLogGasManagement::Gas &gas : session->GasManagement().GasesInUse())
        gases << DeviceList::GasText(gas.o2, gas.he);
    m_out << "File: " << Printable(path) << "\n"
          << "Dive: " << summary.diveNumber << "\n"
          << "Start: " << (summary.diveStart.isValid() ? summary.diveStart.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QStringLiteral("Invalid"))
          << "\n"
          << "Duration: " << QuorLogDurations::DiveDurationText(summary.diveDuration) << "\n"
          << "Greatest depth: " << QString::number(summary.greatestDepth, 'f', 1) << " m\n"
          << "Average depth: " << QString::number(summary.averageDepth, 'f', 1) << " m\n"
          << "Gases: " << gases.join(QStringLiteral(", ")) << "\n\n";
    return Ok;
}

int DiveLogTool::Lines(const QString &path)
{
    CclFileLoader loader;
    const CclFileLoader::Result result = loader.Load(path);
    ReportDamage(path, loader.DamagedRecords());
    if (result != CclFileLoader::Ok) {
        Error(path, LoadFailureText(path, loader.ErrorText(), int(result)));
        return LoadFailed;
    }
    // The creator, date and time lines of a text file are not checked.
    for (const QString &line : loader.Lines())
        m_out << Printable(line) << "\n";
    return Ok;
}

int DiveLogTool::Uddf(const QString &path, const QString &outDir, bool overwrite, bool cellsAsPpo2)
{
    QuorLog log;
    const int result = log.Load(path);
    ReportDamage(path, log.DamagedRecords());
    if (result != QuorLog::Success) {
        Error(path, LoadFailureText(path, log.ErrorText(), result));
        return LoadFailed;
    }
    UddfExport exporter([overwrite](const QString &) { return overwrite; });
    exporter.SetCellsAsPpo2(cellsAsPpo2);
    QString target = UddfExport::TargetPathFor(path);
    if (!outDir.isEmpty())
        target = QDir(outDir).filePath(QFileInfo(target).fileName());
    switch (exporter.ExportTo(log, target)) {
    case UddfExport::Written:
        m_out << Printable(target) << "\n";
        return Ok;
    case UddfExport::Declined:
        Error(target, QStringLiteral("exists, not overwritten (use --overwrite)"));
        return NotWritten;
    default:
        Error(target, exporter.ErrorText());
        return NotWritten;
    }
}

int DiveLogTool::Blocks(const QString &path)
{
    QString message;
    const LogFileFormat format = StandardRecordFile::CheckFormat(path, &message);
    if (format != LogFileFormat::Binary && format != LogFileFormat::Secured) {
        Error(path, message.isEmpty() ? QStringLiteral("Invalid file format") : LoadFailureText(path, message, -1));
        return LoadFailed;
    }
    StandardRecordFile file;
    SRFileHeader header;
    const auto mode = format == LogFileFormat::Secured ? StandardRecordFile::LoadMode::SecuredLog : StandardRecordFile::LoadMode::PlainLog;
    if (!file.Load(path, header, mode)) {
        Error(path, file.LastError());
        return LoadFailed;
    }
    m_out << "File: " << Printable(path) << "\n";
    int count = 0;
    for (const StandardRecord &record : file.Records()) {
        if (record.Type() != RecordType::MemoryBlock)
            continue;
        const SRMemoryBlock block(record.Payload());
        if (!block.IsWellFormed())
            continue;
        m_out << "Device 0x" << DeviceList::HexText(block.DeviceId(), 2) << " (" << DeviceList::DeviceName(block.DeviceId())
              << "), memory " << block.MemoryId() << " (" << DeviceList::MemoryName(block.MemoryId()) << "), start 0x"
              << DeviceList::HexText(block.StartAddress(), 8) << ", " << block.DataLength() << " bytes"
              << (record.IsValid() ? "" : ", record CRC invalid") << "\n";
        ++count;
    }
    m_out << count << " memory blocks\n\n";
    return Ok;
}

int DiveLogTool::Cells(const QStringList &files)
{
    // The report covers every dive that loads; a file that does not is
    // named on the error stream and makes the exit code 2.
    QVector<DiveCellHealth> dives;
    int code = Ok;
    for (const QString &path : files) {
        QuorLog log;
        const int result = log.Load(path);
        ReportDamage(path, log.DamagedRecords());
        if (result != QuorLog::Success) {
            Error(path, LoadFailureText(path, log.ErrorText(), result));
            code = LoadFailed;
            continue;
        }
        dives.append(CellHealthAnalysis::AnalyseDive(log));
    }
    // Serial numbers and file names come from the files: printed safely.
    const QStringList lines = CellHealthReport(dives).Text().split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (i == lines.size() - 1 && lines[i].isEmpty())
            break;
        m_out << Printable(lines[i]) << "\n";
    }
    m_out.flush();
    m_err.flush();
    return code;
}
