#pragma once

#include "history/historyrecord.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

// The update history as a table, one record per row, in the columns of
// HistoryColumns. Texts are made when asked for, so that a long history
// fills the table at once. SortRole gives values that sort by meaning
// (times, durations) rather than by text.
class HistoryTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int SortRole = Qt::UserRole + 1;

    explicit HistoryTableModel(QObject *parent = nullptr);

    void setRecords(const HistoryRecords &records);
    const HistoryRecord &record(int row) const { return m_records.at(row); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    HistoryRecords m_records;
    QStringList m_headers;
};

// Keeps the records whose model, serial number, address or outcome holds
// every word of the filter text (ignoring case).
class HistoryFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit HistoryFilterModel(QObject *parent = nullptr);

    void setFilterWords(const QString &text);
    // The records in the order shown.
    HistoryRecords shownRecords() const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QStringList m_words;
};
