#pragma once

#include "displaylist/displaycolumns.h"
#include "displaylist/displaylistentry.h"

#include <QAbstractTableModel>
#include <QTimer>

#include <limits>

// Presents the main window's display list as the ten-column table. The model
// never owns or changes the list, except for the operator's check box in the
// Action column; the main window announces its own changes through the
// rowChanged/addRow/resetAll slots. Added and changed rows are passed on to
// views together, at most once per kAnnounceDelayMs: a fleet that reports
// hundreds of rows a second then costs the views a few updates, not one per
// row. A reset is passed on at once.
class displayListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The columns by the names the window and the views know them by.
    using Column = DisplayColumns::Column;
    static constexpr Column ActionColumn = DisplayColumns::ActionColumn,
                            ModelNameColumn = DisplayColumns::ModelNameColumn,
                            SerialNumberColumn = DisplayColumns::SerialNumberColumn,
                            AssetTagColumn = DisplayColumns::AssetTagColumn,
                            IpAddressColumn = DisplayColumns::IpAddressColumn,
                            MacAddressColumn = DisplayColumns::MacAddressColumn,
                            PowerStateColumn = DisplayColumns::PowerStateColumn,
                            CurrentFirmwareColumn = DisplayColumns::CurrentFirmwareColumn,
                            AvailabilityColumn = DisplayColumns::AvailabilityColumn,
                            StatusColumn = DisplayColumns::StatusColumn,
                            ColumnCount = DisplayColumns::ColumnCount;

    static constexpr int kAnnounceDelayMs = 50;
    // Status column: the running upload's or update's progress as a double
    // from 0 to 1, for the progress bar behind the text; invalid while the
    // text shows no percentage.
    static constexpr int ProgressRole = Qt::UserRole + 1;

    explicit displayListModel(QObject *parent = nullptr);

    void setDisplayList(DisplayList *list);
    void setLegacyEnabled(bool enabled);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    void need_update_ui();

public slots:
    // Row `row` changed (-1: every row).
    void rowChanged(int row);
    // The list has grown to `row` rows.
    void addRow(int row);
    void resetAll();
    // Passes the gathered additions and changes on to views now.
    void flush();

private:
    bool hasRow(const QModelIndex &index) const;
    bool offersCheckBox(const DISPLAY_LIST_ENTRY &entry) const;
    QVariant displayText(const DISPLAY_LIST_ENTRY &entry, int column) const;
    QVariant decoration(const DISPLAY_LIST_ENTRY &entry, int column) const;
    QString statusIconPath(const DISPLAY_LIST_ENTRY &entry, QSize *size) const;

    DisplayList *m_list = nullptr;
    bool m_legacyEnabled = false;
    void scheduleFlush();

    // Rows announced to views: the list grows before its rows are announced.
    int m_rowCount = 0;
    int m_rowsToAnnounce = 0;
    // Changed rows not yet announced; empty when first > last.
    int m_changedFirst = std::numeric_limits<int>::max();
    int m_changedLast = -1;
    QTimer m_flushTimer;
};
