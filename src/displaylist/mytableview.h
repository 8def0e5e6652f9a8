#pragma once

#include "displaylist/displaylistentry.h"

#include <QTableView>

#include <memory>

class QAction;
class QMenu;

// The display table. A right click on a row offers refreshing the display
// and switching its power (and, for the series that have it, its power-save
// mode); a left click on the Power State cell offers the power commands at
// once. The view never acts on a display itself: it reports the command with
// the row of the source model, whatever the sort order. Copying the selected
// rows (row menu or Ctrl+C) is the view's own, as it touches no display.
class MyTableView : public QTableView
{
    Q_OBJECT

public:
    explicit MyTableView(QWidget *parent = nullptr);

    // The list behind the source model, read to decide which entries a row's
    // menu offers. Not owned.
    void setDisplayList(const DisplayList *list);

    // The look of the display table: selection, headers, eliding, sorting
    // and the style that keeps the selection visible without focus.
    void applyDisplayTableAppearance();
    static QString inactiveSelectionStyleSheet(const QPalette &palette);

    // The source row of the view row under a viewport point, or -1.
    int sourceRowAt(const QPoint &viewportPoint) const;
    // The row menu for a viewport point, or null below the last row. Sets
    // the row that the menu's commands report; its last entry copies the
    // selected rows, which include that row once the press has selected it.
    std::unique_ptr<QMenu> createContextMenu(const QPoint &viewportPoint);
    // The power menu for a press on a Power State cell, or null elsewhere.
    std::unique_ptr<QMenu> createPowerMenu(const QPoint &viewportPoint);

    int triggeredRow() const { return contextMenuTriggeredRow; }

    // Puts the selected rows, in table order, on the clipboard as
    // tab-separated text.
    void copySelectedRows();

signals:
    void refreshRow(int row);
    void requestPowerOn(int row);
    void requestPowerOff(int row);
    void requestSetPowerSaveToAutoPowerSave(int row);
    void requestSetPowerSaveToAutoStandby(int row);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private slots:
    void customMenuRequested(QPoint point);
    void refreshTriggered();
    void powerOnTriggered();
    void powerOffTriggered();
    void setPowerSaveToAutoStandby();
    void setPowerSaveToAutoPowerSave();

private:
    const DISPLAY_LIST_ENTRY *entryAt(int sourceRow) const;
    bool commandsAllowed(int sourceRow) const;
    QAction *addCommand(QMenu *menu, const QString &iconPath, const QString &text,
                        void (MyTableView::*slot)(), bool enabled);
    void addPowerActions(QMenu *menu, bool allowed);
    std::unique_ptr<QMenu> newMenu();
    QPoint menuScreenPosition(const QPoint &viewportPoint) const;

    const DisplayList *m_list = nullptr;
    int contextMenuTriggeredRow = -1;
};
