#include "history/historytablemodel.h"

HistoryTableModel::HistoryTableModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_headers(HistoryColumns::headerTexts())
{
}

void HistoryTableModel::setRecords(const HistoryRecords &records)
{
    beginResetModel();
    m_records = records;
    endResetModel();
}

int HistoryTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_records.size();
}

int HistoryTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : HistoryColumns::Count;
}

QVariant HistoryTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_records.size())
        return QVariant();
    const HistoryRecord &record = m_records.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: // outcomes and file lists are often wider than their cells
        return HistoryColumns::text(record, index.column());
    case SortRole:
        switch (index.column()) {
        case HistoryColumns::Started:
            return record.started;
        case HistoryColumns::Ended:
            return record.ended;
        case HistoryColumns::Duration:
            return record.durationSecs();
        default:
            return HistoryColumns::text(record, index.column());
        }
    default:
        return QVariant();
    }
}

QVariant HistoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_headers.value(section);
}

HistoryFilterModel::HistoryFilterModel(QObject *parent) : QSortFilterProxyModel(parent)
{
    setSortRole(HistoryTableModel::SortRole);
}

void HistoryFilterModel::setFilterWords(const QString &text)
{
    m_words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    invalidateFilter();
}

HistoryRecords HistoryFilterModel::shownRecords() const
{
    const auto *table = static_cast<const HistoryTableModel *>(sourceModel());
    HistoryRecords records;
    for (int row = 0; row < rowCount(); ++row)
        records.append(table->record(mapToSource(index(row, 0)).row()));
    return records;
}

bool HistoryFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    const HistoryRecord &record = static_cast<const HistoryTableModel *>(sourceModel())->record(sourceRow);
    const QList<int> columns = HistoryColumns::filterColumns();
    for (const QString &word : m_words) {
        bool found = false;
        for (int column : columns) {
            if (HistoryColumns::text(record, column).contains(word, Qt::CaseInsensitive)) {
                found = true;
                break;
            }
        }
        if (!found)
            return false;
    }
    return true;
}
