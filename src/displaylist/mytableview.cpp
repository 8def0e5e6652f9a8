#include "displaylist/mytableview.h"

#include "displaylist/displaylistexport.h"
#include "displaylist/displaylistmodel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include <set>

namespace {
const int kMenuIconSize = 24;

QString rgbaText(const QColor &c)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}
}

MyTableView::MyTableView(QWidget *parent)
    : QTableView(parent)
{
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &MyTableView::customMenuRequested);
}

void MyTableView::setDisplayList(const DisplayList *list)
{
    m_list = list;
}

void MyTableView::applyDisplayTableAppearance()
{
    setFocusPolicy(Qt::StrongFocus);
    setAlternatingRowColors(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setTextElideMode(Qt::ElideRight);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setHighlightSections(false);
    horizontalHeader()->setVisible(true);
    verticalHeader()->setVisible(true);
    setStyleSheet(inactiveSelectionStyleSheet(palette()));
}

QString MyTableView::inactiveSelectionStyleSheet(const QPalette &palette)
{
    const QColor text = palette.color(QPalette::Active, QPalette::HighlightedText).lighter(150);
    const QColor background = palette.color(QPalette::Active, QPalette::Highlight).lighter(150);
    return QStringLiteral("QTableView:!active { selection-color: %1; selection-background-color: %2; }")
        .arg(rgbaText(text), rgbaText(background));
}

int MyTableView::sourceRowAt(const QPoint &viewportPoint) const
{
    const int viewRow = rowAt(viewportPoint.y());
    if (viewRow < 0 || !model())
        return -1;
    return DisplayListExport::sourceRow(model()->index(viewRow, 0));
}

const DISPLAY_LIST_ENTRY *MyTableView::entryAt(int sourceRow) const
{
    if (!m_list || sourceRow < 0 || sourceRow >= m_list->size())
        return nullptr;
    return &m_list->at(sourceRow);
}

bool MyTableView::commandsAllowed(int sourceRow) const
{
    const DISPLAY_LIST_ENTRY *entry = entryAt(sourceRow);
    return entry && !entry->updateClient;
}

QAction *MyTableView::addCommand(QMenu *menu, const QString &iconPath, const QString &text,
                                 void (MyTableView::*slot)(), bool enabled)
{
    QAction *action = iconPath.isEmpty() ? menu->addAction(text)
                                         : menu->addAction(QIcon(iconPath), text);
    action->setEnabled(enabled);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void MyTableView::addPowerActions(QMenu *menu, bool allowed)
{
    addCommand(menu, QStringLiteral(":/resources/power-on.svg"), tr("Power On", "right-click menu"),
               &MyTableView::powerOnTriggered, allowed);
    addCommand(menu, QStringLiteral(":/resources/power-off.svg"), tr("Power Off", "right-click menu"),
               &MyTableView::powerOffTriggered, allowed);
}

std::unique_ptr<QMenu> MyTableView::newMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    menu->setStyleSheet(QStringLiteral("QMenu { icon-size: %1px; }").arg(kMenuIconSize));
    return menu;
}

std::unique_ptr<QMenu> MyTableView::createContextMenu(const QPoint &viewportPoint)
{
    contextMenuTriggeredRow = -1;
    const int row = sourceRowAt(viewportPoint);
    if (row < 0)
        return nullptr;
    const bool allowed = commandsAllowed(row);
    contextMenuTriggeredRow = row;

    auto menu = newMenu();
    addCommand(menu.get(), QStringLiteral(":/resources/refresh.svg"),
               tr("Refresh display information"), &MyTableView::refreshTriggered, allowed);
    addPowerActions(menu.get(), allowed);

    const DISPLAY_LIST_ENTRY *entry = entryAt(row);
    if (entry && (entry->seriesId == 1 || entry->seriesId == 2)) {
        addCommand(menu.get(), QString(),
                   tr("Set \"Power Save Mode\" to \"Auto Power Save\"", "right-click menu"),
                   &MyTableView::setPowerSaveToAutoPowerSave, allowed);
        addCommand(menu.get(), QString(),
                   tr("Set \"Power Save Mode\" to \"Auto Standby\"", "right-click menu"),
                   &MyTableView::setPowerSaveToAutoStandby, allowed);
    }
    menu->addSeparator();
    addCommand(menu.get(), QStringLiteral(":/resources/copy clipboard.svg"), tr("Copy", "right-click menu"),
               &MyTableView::copySelectedRows, selectionModel() && selectionModel()->hasSelection());
    return menu;
}

std::unique_ptr<QMenu> MyTableView::createPowerMenu(const QPoint &viewportPoint)
{
    if (columnAt(viewportPoint.x()) != displayListModel::PowerStateColumn)
        return nullptr;
    const int row = sourceRowAt(viewportPoint);
    if (row < 0)
        return nullptr;
    contextMenuTriggeredRow = row;
    auto menu = newMenu();
    addPowerActions(menu.get(), commandsAllowed(row));
    return menu;
}

QPoint MyTableView::menuScreenPosition(const QPoint &viewportPoint) const
{
    return mapToGlobal(viewportPoint
                       + QPoint(verticalHeader()->width(), horizontalHeader()->height()));
}

void MyTableView::customMenuRequested(QPoint point)
{
    if (auto menu = createContextMenu(point))
        menu->exec(menuScreenPosition(point));
}

void MyTableView::mousePressEvent(QMouseEvent *event)
{
    QTableView::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->pos();
    if (auto menu = createPowerMenu(point))
        menu->exec(menuScreenPosition(point));
}

void MyTableView::keyPressEvent(QKeyEvent *event)
{
    // The base class would copy the current cell alone.
    if (event->matches(QKeySequence::Copy)) {
        copySelectedRows();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void MyTableView::copySelectedRows()
{
    if (!m_list || !model() || !selectionModel())
        return;
    std::set<int> rows;
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange &range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.insert(row);
    }
    if (rows.empty())
        return;
    QGuiApplication::clipboard()->setText(
        DisplayListExport::tsvText(*model(), QList<int>(rows.begin(), rows.end()), *m_list));
}

void MyTableView::refreshTriggered()
{
    emit refreshRow(contextMenuTriggeredRow);
}

void MyTableView::powerOnTriggered()
{
    emit requestPowerOn(contextMenuTriggeredRow);
}

void MyTableView::powerOffTriggered()
{
    emit requestPowerOff(contextMenuTriggeredRow);
}

void MyTableView::setPowerSaveToAutoStandby()
{
    emit requestSetPowerSaveToAutoStandby(contextMenuTriggeredRow);
}

void MyTableView::setPowerSaveToAutoPowerSave()
{
    emit requestSetPowerSaveToAutoPowerSave(contextMenuTriggeredRow);
}
