#include "history/updatehistorywindow.h"

#include "ui_updatehistorywindow.h"

#include "dialogs/messageboxes.h"
#include "displaylist/displaylistexport.h"
#include "history/historytablemodel.h"
#include "history/updatehistory.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>

UpdateHistoryWindow::UpdateHistoryWindow(UpdateHistory *history, const QString &exportFolder, QWidget *parent)
    : QDialog(parent),
      ui(new Ui::UpdateHistoryWindow),
      m_history(history),
      m_exportFolder(exportFolder),
      m_table(new HistoryTableModel(this)),
      m_filter(new HistoryFilterModel(this))
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    m_filter->setSourceModel(m_table);
    ui->history_tableView->setModel(m_filter);
    ui->history_tableView->sortByColumn(HistoryColumns::Started, Qt::DescendingOrder);
    ui->history_tableView->horizontalHeader()->setStretchLastSection(true);
    connect(m_history, &UpdateHistory::loaded, this, &UpdateHistoryWindow::showRecords);
    showCount();
}

UpdateHistoryWindow::~UpdateHistoryWindow()
{
    delete ui;
}

void UpdateHistoryWindow::reload()
{
    m_history->load();
}

void UpdateHistoryWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    reload();
}

void UpdateHistoryWindow::showRecords(const HistoryRecords &records)
{
    m_table->setRecords(records);
    if (!m_loaded && !records.isEmpty()) {
        m_loaded = true;
        ui->history_tableView->resizeColumnsToContents();
    }
    showCount();
}

void UpdateHistoryWindow::showCount()
{
    const int shown = m_filter->rowCount();
    const int all = m_table->rowCount();
    ui->count_label->setText(shown == all ? tr("%n record(s)", "", all)
                                          : tr("%1 of %n record(s)", "1=records shown", all).arg(shown));
    ui->export_pushButton->setEnabled(shown > 0);
}

void UpdateHistoryWindow::on_filter_lineEdit_textChanged(const QString &text)
{
    m_filter->setFilterWords(text);
    showCount();
}

void UpdateHistoryWindow::on_export_pushButton_clicked()
{
    const QString chosen = QFileDialog::getSaveFileName(
        this, tr("Export update history"), QDir(m_exportFolder).filePath(QStringLiteral("update-history.csv")),
        tr("CSV files (*.csv)"));
    if (chosen.isEmpty())
        return;
    const QString path = DisplayListExport::withCsvSuffix(chosen);
    QString error;
    if (!UpdateHistory::writeCsvFile(path, m_filter->shownRecords(), &error)) {
        MessageBoxes::warning(this, windowTitle(),
                              tr("Unable to export the update history to %1:\n%2", "1=file name 2=reason")
                                  .arg(QDir::toNativeSeparators(path), error),
                              QMessageBox::Ok, QMessageBox::Ok);
    }
}
