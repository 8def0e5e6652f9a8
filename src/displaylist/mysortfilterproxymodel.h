#pragma once

#include <QSortFilterProxyModel>

// Sorts the display table; addresses compare as IPv4 numbers so that
// 192.168.0.9 comes before 192.168.0.10. Nothing is filtered.
class MySortFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;
};
