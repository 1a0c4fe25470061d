#include "DiveListEntry.h"

#include "CellHealthAnalysis.h"
#include "QuorLog.h"
#include "QuorLogSession.h"

#include <QFileInfo>

bool DiveListEntry::NewerFirst(const DiveListEntry &l, const DiveListEntry &r)
{
    if (l.sortTime != r.sortTime)
        return l.sortTime > r.sortTime;
    return l.fileName < r.fileName;
}

DiveListEntry DiveListEntry::FromLog(const QuorLog &log, int loadResult)
{
    DiveListEntry entry;
    const QFileInfo info(log.FilePath());
    entry.filePath = info.absoluteFilePath();
    entry.fileName = info.fileName();
    entry.fileModified = info.lastModified();
    entry.sortTime = entry.fileModified.toMSecsSinceEpoch();
    const QuorLogSession *session = log.IdentifiedSession();
    if (loadResult != QuorLog::Success || !session) {
        entry.error = log.ErrorText().isEmpty() ? QuorLog::ResultText(loadResult) : log.ErrorText();
        return entry;
    }
    entry.loaded = true;
    const QuorLogDiveSummary summary = session->Summary();
    entry.diveStart = summary.diveStart;
    entry.diveNumber = summary.diveNumber;
    entry.durationSeconds = summary.diveDuration;
    entry.greatestDepth = summary.greatestDepth;
    entry.cells = CellHealthAnalysis::AnalyseDive(log);
    entry.handsetSerial = entry.cells.handsetSerial;
    if (entry.diveStart.isValid())
        entry.sortTime = entry.diveStart.toMSecsSinceEpoch();
    return entry;
}

DiveListEntry DiveListEntry::FromFile(const QString &path)
{
    QuorLog log;
    const int result = log.Load(path);
    DiveListEntry entry = FromLog(log, result);
    if (entry.filePath.isEmpty()) {
        const QFileInfo info(path);
        entry.filePath = info.absoluteFilePath();
        entry.fileName = info.fileName();
        entry.fileModified = info.lastModified();
        entry.sortTime = entry.fileModified.toMSecsSinceEpoch();
    }
    return entry;
}
