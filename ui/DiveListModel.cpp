#include "DiveListModel.h"

#include "DiveUnits.h"
#include "QuorLogDurations.h"

#include <QBrush>
#include <QColor>
#include <algorithm>

DiveListModel::DiveListModel(QObject *parent) : QAbstractTableModel(parent) {}

int DiveListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_entries.size(); }

int DiveListModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString DiveListModel::DurationText(int seconds)
{
    if (seconds <= 0)
        return QString();
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QVariant DiveListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    const DiveListEntry &e = m_entries.at(index.row());
    if (role == Qt::ToolTipRole)
        return e.loaded ? e.filePath : tr("%1\n%2").arg(e.filePath, e.error);
    if (role == Qt::ForegroundRole && !e.loaded)
        return QBrush(QColor(176, 0, 0));
    if (role == Qt::TextAlignmentRole && (index.column() == NumberColumn || index.column() == DurationColumn || index.column() == DepthColumn))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    if (!e.loaded) {
        // The error takes the place of the dive's figures (the view spans
        // it over those columns).
        switch (index.column()) {
        case DateColumn: return e.fileModified.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        case NumberColumn: return tr("Damaged: %1").arg(e.error);
        case FileColumn: return e.fileName;
        default: return {};
        }
    }
    switch (index.column()) {
    case DateColumn:
        return e.diveStart.isValid() ? e.diveStart.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : tr("date not known");
    case NumberColumn: return e.diveNumber;
    case DurationColumn: return DurationText(e.durationSeconds);
    case DepthColumn:
        return DiveUnits::DepthText(e.greatestDepth, m_metric);
    case HandsetColumn: return e.handsetSerial;
    case FileColumn: return e.fileName;
    default: return {};
    }
}

QVariant DiveListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case DateColumn: return tr("Date and time");
    case NumberColumn: return tr("Dive");
    case DurationColumn: return tr("Duration");
    case DepthColumn: return tr("Greatest depth");
    case HandsetColumn: return tr("Handset");
    case FileColumn: return tr("File");
    default: return {};
    }
}

void DiveListModel::Clear()
{
    beginResetModel();
    m_entries.clear();
    endResetModel();
}

void DiveListModel::Add(const QVector<DiveListEntry> &entries)
{
    QVector<DiveListEntry> sorted = entries;
    std::stable_sort(sorted.begin(), sorted.end(), DiveListEntry::NewerFirst);
    // Entries that land at the same place go in with one insertion, so a
    // batch of dives older than every row listed costs the view one update.
    for (int i = 0; i < sorted.size();) {
        const auto at = std::upper_bound(m_entries.begin(), m_entries.end(), sorted[i], DiveListEntry::NewerFirst);
        const int row = int(at - m_entries.begin());
        int j = i + 1;
        while (j < sorted.size()
               && (row == m_entries.size() || DiveListEntry::NewerFirst(sorted[j], m_entries[row])))
            ++j;
        beginInsertRows(QModelIndex(), row, row + j - i - 1);
        m_entries.insert(row, j - i, DiveListEntry());
        for (int k = i; k < j; ++k)
            m_entries[row + k - i] = std::move(sorted[k]);
        endInsertRows();
        i = j;
    }
}

int DiveListModel::RowOf(const QString &filePath) const
{
    for (int row = 0; row < m_entries.size(); ++row)
        if (m_entries.at(row).filePath == filePath)
            return row;
    return -1;
}

void DiveListModel::SetMetricUnits(bool metric)
{
    if (m_metric == metric)
        return;
    m_metric = metric;
    if (!m_entries.isEmpty())
        emit dataChanged(index(0, DepthColumn), index(m_entries.size() - 1, DepthColumn));
}

void DiveListModel::Retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!m_entries.isEmpty())
        emit dataChanged(index(0, 0), index(m_entries.size() - 1, ColumnCount - 1));
}
