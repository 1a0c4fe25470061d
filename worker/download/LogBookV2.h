#pragma once

#include "LogBookRecord.h"

#include <QStringList>

#include <memory>
#include <vector>

// The log book of a Colour V2 handset, newest dive first, with the
// selection operations of the download window. Filled by the worker; the
// window reads it and changes selections only while the worker is idle.
class LogBookV2
{
public:
    int Count() const { return int(m_records.size()); }
    void Clear() { m_records.clear(); }
    // Adds a record and returns its index.
    int Add(std::unique_ptr<LogBookRecord> record);
    int AddRaw(const QByteArray &raw, bool inLogBook, const QString &serialNumber);
    // Null outside the list.
    LogBookRecord *At(int index) const;
    LogBookRecord *FindByDiveNumber(int diveNumber) const;

    void SetInLogBook(int index, bool on);
    void SetSerialNumber(const QString &serialNumber);
    void SetDownloadedBefore(int index, bool on);

    // Each returns whether anything changed.
    bool SelectOne(int diveNumber, bool selected);
    bool SelectAllDives();
    bool SelectNewDives();
    bool ClearSelection();
    bool AnySelected() const;
    bool IsSelected(int diveNumber) const;

    // Gives records whose file names collide a counter (_001, _002, ...).
    void MakeFileNamesUnique();
    // Sets every record's downloaded-before flag from whether its file is
    // in the folder.
    void MarkDownloadedBefore(const QString &downloadDir);

    // "Summary of stored log book": one description line per record.
    QStringList Summary() const;

private:
    std::vector<std::unique_ptr<LogBookRecord>> m_records;
};
