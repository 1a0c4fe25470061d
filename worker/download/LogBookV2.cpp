#include "LogBookV2.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

int LogBookV2::Add(std::unique_ptr<LogBookRecord> record)
{
    m_records.push_back(std::move(record));
    return Count() - 1;
}

int LogBookV2::AddRaw(const QByteArray &raw, bool inLogBook, const QString &serialNumber)
{
    auto record = std::make_unique<LogBookRecord>();
    if (!record->SetRaw(raw))
        return -1;
    record->inLogBook = inLogBook;
    record->serialNumber = serialNumber;
    return Add(std::move(record));
}

LogBookRecord *LogBookV2::At(int index) const
{
    return index >= 0 && index < Count() ? m_records[size_t(index)].get() : nullptr;
}

LogBookRecord *LogBookV2::FindByDiveNumber(int diveNumber) const
{
    for (const auto &r : m_records) {
        if (r->DiveNumber() == diveNumber)
            return r.get();
    }
    return nullptr;
}

void LogBookV2::SetInLogBook(int index, bool on)
{
    if (LogBookRecord *r = At(index))
        r->inLogBook = on;
}

void LogBookV2::SetSerialNumber(const QString &serialNumber)
{
    for (const auto &r : m_records)
        r->serialNumber = serialNumber;
}

void LogBookV2::SetDownloadedBefore(int index, bool on)
{
    if (LogBookRecord *r = At(index))
        r->downloadedBefore = on;
}

bool LogBookV2::SelectOne(int diveNumber, bool selected)
{
    LogBookRecord *r = FindByDiveNumber(diveNumber);
    if (!r || r->selected == selected)
        return false;
    r->selected = selected;
    return true;
}

bool LogBookV2::SelectAllDives()
{
    bool changed = false;
    for (const auto &r : m_records) {
        if (!r->selected) {
            r->selected = true;
            changed = true;
        }
    }
    return changed;
}

bool LogBookV2::SelectNewDives()
{
    bool changed = false;
    for (const auto &r : m_records) {
        const bool want = !r->downloadedBefore;
        if (r->selected != want) {
            r->selected = want;
            changed = true;
        }
    }
    return changed;
}

bool LogBookV2::ClearSelection()
{
    bool changed = false;
    for (const auto &r : m_records) {
        if (r->selected) {
            r->selected = false;
            changed = true;
        }
    }
    return changed;
}

bool LogBookV2::AnySelected() const
{
    for (const auto &r : m_records) {
        if (r->selected)
            return true;
    }
    return false;
}

bool LogBookV2::IsSelected(int diveNumber) const
{
    const LogBookRecord *r = FindByDiveNumber(diveNumber);
    return r && r->selected;
}

void LogBookV2::MakeFileNamesUnique()
{
    QSet<QString> given;
    for (const auto &r : m_records) {
        r->nameCounter = 0;
        while (given.contains(r->FileName()))
            ++r->nameCounter;
        given.insert(r->FileName());
    }
}

void LogBookV2::MarkDownloadedBefore(const QString &downloadDir)
{
    const QDir dir(downloadDir);
    const QSet<QString> files = [&] {
        const QStringList list = dir.entryList({QStringLiteral("*.ccl")}, QDir::Files);
        return QSet<QString>(list.begin(), list.end());
    }();
    for (const auto &r : m_records)
        r->downloadedBefore = files.contains(r->FileName());
}

QStringList LogBookV2::Summary() const
{
    QStringList lines{QStringLiteral("Summary of stored log book")};
    for (const auto &r : m_records)
        lines << r->Description();
    return lines;
}
