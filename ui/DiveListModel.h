#pragma once

#include "DiveListEntry.h"

#include <QAbstractTableModel>
#include <QVector>

// The rows of the dive list, newest first. Entries arrive in batches from
// the folder scan and are put in their place as they come, so the list is
// in order at every moment. A file that could not be read is a row like the
// others, showing its load error.
class DiveListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { DateColumn, NumberColumn, DurationColumn, DepthColumn, HandsetColumn, FileColumn, ColumnCount };

    explicit DiveListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void Clear();
    void Add(const QVector<DiveListEntry> &entries);
    const DiveListEntry &Entry(int row) const { return m_entries.at(row); }
    const QVector<DiveListEntry> &Entries() const { return m_entries; }
    // Row of a file, -1 when not listed.
    int RowOf(const QString &filePath) const;
    // Metric units show metres; otherwise feet.
    void SetMetricUnits(bool metric);
    // Re-reads the translated headers and texts.
    void Retranslate();

    static QString DurationText(int seconds);

private:
    QVector<DiveListEntry> m_entries;
    bool m_metric = true;
};
