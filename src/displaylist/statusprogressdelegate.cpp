#include "displaylist/statusprogressdelegate.h"

#include "displaylist/displaylistmodel.h"

#include <QApplication>
#include <QPainter>

StatusProgressDelegate::StatusProgressDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

void StatusProgressDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const
{
    const QVariant progress = index.data(displayListModel::ProgressRole);
    if (!progress.isValid()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();

    // The cell's own background and selection first, then the bar over it,
    // then the text and icon without painting the background again.
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);
    const bool selected = opt.state.testFlag(QStyle::State_Selected);
    QColor colour = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Highlight);
    colour.setAlpha(selected ? 60 : 80);
    QRect bar = opt.rect.adjusted(1, 1, -1, -1);
    bar.setWidth(qRound(bar.width() * qBound(0.0, progress.toDouble(), 1.0)));
    painter->fillRect(QStyle::visualRect(opt.direction, opt.rect, bar), colour);

    opt.backgroundBrush = Qt::NoBrush;
    opt.palette.setBrush(QPalette::Highlight, Qt::transparent);
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
}
