#include "LogFileSaver.h"

#include "AppSettings.h"
#include "LogFileWriter.h"
#include "MemoryList.h"
#include "QuorLog.h"
#include "SafeFileName.h"
#include "UddfExport.h"
#include "WorkerC.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QFileInfo>

namespace {

QString FileNameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

LogFileMemory MemoryOf(const MemoryBlock &item)
{
    LogFileMemory m;
    m.deviceId = item.deviceId;
    m.memoryId = item.memoryId;
    m.startAddress = item.startAddress;
    m.data = item.buffer;
    return m;
}

} // namespace

LogFileSaver::LogFileSaver(const DownloadCallbacks &callbacks) : m_callbacks(callbacks) {}

QString LogFileSaver::CcxPath(const Download &d)
{
    const QString base = d.directory + QLatin1Char('/') + SafeFileName::Part(d.serialNumber) + QLatin1Char('_');
    if (d.start.isValid())
        return base + d.start.toString(QStringLiteral("yyMMdd_hhmmss")) + QStringLiteral(".ccx");
    for (int k = 0;; ++k) {
        const QString path = base + QStringLiteral("InvalidDateTime_%1.ccx").arg(k, 4, 10, QLatin1Char('0'));
        if (!QFileInfo::exists(path) || k == 9999)
            return path;
    }
}

LogFileContent LogFileSaver::BaseContent(const Download &d, const MemoryList &list, int fixedItems)
{
    LogFileContent content;
    content.created = d.start;
    content.deviceVersion = d.deviceVersion;
    for (int i = 0; i < qMin(fixedItems, list.Count()); ++i)
        content.memories.append(MemoryOf(*list.At(i)));
    return content;
}

bool LogFileSaver::SaveCcx(const Download &d, const MemoryList &list, QString *pathOut)
{
    LogFileContent content = BaseContent(d, list, list.Count());
    const QString path = CcxPath(d);
    if (pathOut)
        *pathOut = path;
    QString error;
    if (!LogFileWriter::WriteSecured(path, content, &error)) {
        qDebug().noquote() << "Saving" << path << "failed -" << error;
        m_callbacks.Message(tr("File %1 Unable to be opened, Skipped").arg(FileNameOf(path)));
        return false;
    }
    m_callbacks.Message(tr("File %1 Saved").arg(FileNameOf(path)));
    return true;
}

QStringList LogFileSaver::DivePaths(const Download &d, const QStringList &names)
{
    QStringList paths;
    const QString prefix = d.directory + QLatin1Char('/') + SafeFileName::Part(d.serialNumber) + QLatin1Char('_');
    for (const QString &name : names) {
        const QString base = prefix + SafeFileName::Part(name);
        QString candidate = base + QStringLiteral(".ccl");
        int k = 0;
        for (const QString &given : qAsConst(paths)) {
            if (given == candidate)
                candidate = base + QStringLiteral("%1.ccl").arg(++k, 3, 10, QLatin1Char('0'));
        }
        paths << candidate;
    }
    return paths;
}

bool LogFileSaver::ConvertToUddf(const QString &cclPath)
{
    QElapsedTimer timer;
    timer.start();
    QuorLog log;
    if (log.Load(cclPath) != QuorLog::Success)
        return false;
    // The user already agreed to replace the log file; its UDDF twin goes with it.
    UddfExport exporter([](const QString &) { return true; });
    exporter.SetCellsAsPpo2(AppSettings::BoolValue(AppSettings::Key::UddfCellsAsPpo2));
    if (exporter.Export(log) != UddfExport::Written)
        return false;
    ++m_uddfCount;
    m_uddfMs += timer.elapsed();
    m_callbacks.Message(tr("File %1 - Saved").arg(FileNameOf(exporter.TargetPath())));
    return true;
}

LogFileSaver::Outcome LogFileSaver::WriteLog(const QString &path, const LogFileContent &content,
                                             bool uddf, bool askOverwrite)
{
    m_uddf = uddf;
    const QString name = FileNameOf(path);
    bool skip = false;
    if (askOverwrite && QFileInfo::exists(path)) {
        if (m_noToAll) {
            skip = true;
        } else if (!m_yesToAll) {
            Flush();
            const int answer = m_callbacks.askYesYesToAllNoNoToAll
                                   ? m_callbacks.askYesYesToAllNoNoToAll(
                                       tr("File %1 exists, Do you wish to overwrite it?").arg(name))
                                   : WorkerC::ResultNo;
            if (answer == WorkerC::ResultYesToAll)
                m_yesToAll = true;
            else if (answer == WorkerC::ResultNoToAll)
                m_noToAll = true;
            // Anything but yes (a dialog closed without a button too) keeps the file.
            skip = answer != WorkerC::ResultYes && answer != WorkerC::ResultYesToAll;
        }
    }
    if (skip) {
        m_pending.append({path, Kind::Skipped});
    } else {
        QByteArray sealed;
        QString error;
        if (LogFileWriter::SealSecured(content, sealed, &error) && m_staged.Stage(path, sealed, &error)) {
            m_pending.append({path, Kind::Staged});
        } else {
            qDebug().noquote() << "Saving" << path << "failed -" << error;
            m_pending.append({path, Kind::Failed});
        }
    }
    if (!m_batch)
        Flush();
    return m_lastOutcome;
}

void LogFileSaver::Flush()
{
    const QStringList failed = m_staged.Commit();
    const QVector<Pending> pending = std::move(m_pending);
    m_pending.clear();
    for (const Pending &p : pending) {
        const QString name = FileNameOf(p.path);
        m_lastOutcome = Outcome::Skipped;
        if (p.kind == Kind::Skipped) {
            m_callbacks.Message(tr("File %1 Skipped").arg(name));
            ++m_skipped;
            continue;
        }
        if (p.kind == Kind::Failed || failed.contains(p.path)) {
            m_callbacks.Message(tr("File %1 Unable to be opened, Skipped").arg(name));
            ++m_skipped;
            continue;
        }
        m_callbacks.Message(tr("File %1 Saved").arg(name));
        m_callbacks.RefreshRequired(p.path);
        ++m_saved;
        m_savedFiles << p.path;
        m_lastOutcome = Outcome::Saved;
        if (m_uddf && !ConvertToUddf(p.path))
            m_callbacks.Message(tr("File %1 - Unable to be converted to UDDF").arg(name));
    }
}

void LogFileSaver::LogUddfTimes() const
{
    if (m_uddfCount > 0)
        qDebug().noquote() << QStringLiteral("Uddf Files processed %1, Average processing time %2 msec")
                                  .arg(m_uddfCount)
                                  .arg(m_uddfMs / m_uddfCount);
}

QString LogFileSaver::SaveDives(const Download &d, const MemoryList &list, int fixedItems,
                                const QByteArray &logData, const LogPartitioner::Result &partition)
{
    const int count = partition.dives.size();
    if (count == 0) {
        m_callbacks.Message(tr("No log files found in memory"));
        return tr("No log files found in memory");
    }
    QStringList names;
    for (const LogPartitioner::Dive &dive : partition.dives)
        names << dive.name;
    qDebug() << "Raw file date times";
    for (const QString &n : qAsConst(names))
        qDebug().noquote() << n;
    const QStringList paths = DivePaths(d, names);
    qDebug() << "Processed file date times";
    for (const QString &p : paths)
        qDebug().noquote() << p;

    const LogFileContent base = BaseContent(d, list, fixedItems);
    m_yesToAll = m_noToAll = false;
    m_batch = true;
    for (int i = 0; i < count; ++i) {
        qint64 from = 0, to = 0;
        const QByteArray records = LogPartitioner::DiveRecords(logData, partition, i, &from, &to);
        const bool last = i + 1 == count;
        qDebug().noquote() << QStringLiteral("Storing record 0x%1 to 0x%2 (%3) to file %4")
                                  .arg(quint64(from), 8, 16, QLatin1Char('0'))
                                  .arg(quint64(to), 8, 16, QLatin1Char('0'))
                                  .arg(last ? QStringLiteral("Logging Pointer") : QStringLiteral("Next SOD"),
                                       paths.at(i));
        QByteArray borrowed;
        if (quint8(logData.at(int(from))) != LogPartitioner::PowerOn) {
            const QString name = FileNameOf(paths.at(i));
            qDebug().noquote() << QStringLiteral("Power On data missing for file %1, looking for available data from previous dives").arg(name);
            if (i == 0) {
                qDebug() << "Unable to locate a suitable power on record to use as this is the first recorded dive";
            } else {
                int j = i - 1;
                while (j >= 0 && quint8(logData.at(int(partition.dives.at(j).powerOn))) != LogPartitioner::PowerOn)
                    --j;
                if (j < 0) {
                    qDebug() << "Unable to locate a suitable power on record to use";
                } else {
                    qDebug().noquote() << QStringLiteral("Power On data missing for file %1, copying data from %2 dives previous")
                                              .arg(name)
                                              .arg(i - j);
                    borrowed = LogPartitioner::BorrowedPowerOn(logData, partition.dives.at(j).powerOn);
                }
            }
        }
        LogFileContent content = base;
        content.hasDiveData = true;
        content.diveData = borrowed + records;
        WriteLog(paths.at(i), content, d.uddf, true);
    }
    Flush();
    m_batch = false;
    LogUddfTimes();
    QString summary;
    if (count == 1)
        summary = m_saved == 1 ? tr("1 log file found in memory, Saved")
                               : tr("1 log file found in memory, Skipped");
    else
        summary = tr("%1 log files found in memory.  %2 skipped - %3 saved")
                      .arg(count)
                      .arg(m_skipped)
                      .arg(m_saved);
    m_callbacks.Message(summary);
    return summary;
}
