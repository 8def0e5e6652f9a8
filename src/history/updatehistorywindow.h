#pragma once

#include "history/historyrecord.h"

#include <QDialog>

class HistoryFilterModel;
class HistoryTableModel;
class UpdateHistory;

namespace Ui {
class UpdateHistoryWindow;
}

// "Update history": the recorded update sessions, offline downloads and
// USB drives, newest first, in a sortable table with a text filter and an
// export of the shown records to CSV. The records are read off the
// window's thread; the window reloads them each time it is shown.
class UpdateHistoryWindow : public QDialog
{
    Q_OBJECT

public:
    // `history` must outlive the window. `exportFolder` is where the file
    // dialog of "Export..." starts.
    UpdateHistoryWindow(UpdateHistory *history, const QString &exportFolder, QWidget *parent = nullptr);
    ~UpdateHistoryWindow() override;

    void reload();

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void on_filter_lineEdit_textChanged(const QString &text);
    void on_export_pushButton_clicked();

private:
    void showRecords(const HistoryRecords &records);
    void showCount();

    Ui::UpdateHistoryWindow *ui;
    UpdateHistory *m_history;
    QString m_exportFolder;
    HistoryTableModel *m_table;
    HistoryFilterModel *m_filter;
    bool m_loaded = false; // the first records have arrived (columns are sized once)
};
