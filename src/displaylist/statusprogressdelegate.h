#pragma once

#include <QStyledItemDelegate>

// Paints the Status cell of a row whose upload or update runs with a light
// bar behind its text, filled to the fraction of the model's ProgressRole.
// The text, icon and selection are drawn as any other cell's, so the bar adds
// to the cell without changing what it says.
class StatusProgressDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit StatusProgressDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
