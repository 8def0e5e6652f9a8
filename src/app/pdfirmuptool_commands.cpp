// The main window's own commands: view toggles, row selection and refresh,
// the targeted address list, settings, About, README, the display list
// export and exit.
#include "app/pdfirmuptool.h"

#include "ui_pdfirmuptool.h"

#include "app/fleetengine.h"
#include "app/sv_information_dialog.h"
#include "dialogs/about_dialog.h"
#include "dialogs/messageboxes.h"
#include "dialogs/optionsetting.h"
#include "discovery/advancedipsearchdialog.h"
#include "displaylist/displaylistexport.h"
#include "displaylist/displaylistmodel.h"
#include "displaylist/mysortfilterproxymodel.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStatusBar>
#include <QUrl>

void PDFirmUpTool::on_actionExit_X_triggered()
{
    QApplication::closeAllWindows();
}

void PDFirmUpTool::on_actionExport_display_list_triggered()
{
    const QString chosen = QFileDialog::getSaveFileName(
        this, tr("Export display list"), QDir(m_documentsFolder).filePath(QStringLiteral("displays.csv")),
        tr("CSV files (*.csv)"));
    if (chosen.isEmpty())
        return;
    const QString path = DisplayListExport::withCsvSuffix(chosen);
    const QString shownPath = QDir::toNativeSeparators(path);
    QString error;
    if (!DisplayListExport::writeCsvFile(path, *m_proxy, m_engine->displays(), &error)) {
        MessageBoxes::warning(this, windowTitle(),
                              tr("Unable to export the display list to %1:\n%2", "1=file name 2=reason")
                                  .arg(shownPath, error),
                              QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    const int count = m_proxy->rowCount();
    qInfo() << "Exported" << count << "displays to" << shownPath;
    statusBar()->showMessage(tr("Exported %1 display(s) to %2", "1=number of displays 2=file name")
                                 .arg(QString::number(count), shownPath));
}

void PDFirmUpTool::itemMenuAboutToShow()
{
    ui->actionLog->setChecked(m_logWindow->isVisible());
}

void PDFirmUpTool::on_actionLog_triggered()
{
    if (m_logWindow->isHidden()) {
        m_logWindow->show();
        m_logWindow->activateWindow();
    } else {
        m_logWindow->close();
    }
}

void PDFirmUpTool::on_actionShow_Asset_Tag_column_toggled(bool checked)
{
    ui->display_list_tableView->setColumnHidden(displayListModel::AssetTagColumn, !checked);
    m_engine->setShowAssetTag(checked);
}

void PDFirmUpTool::on_actionShow_MAC_Address_column_toggled(bool checked)
{
    ui->display_list_tableView->setColumnHidden(displayListModel::MacAddressColumn, !checked);
}

void PDFirmUpTool::on_deselect_all_pushButton_clicked()
{
    if (m_engine->deselectAll())
        update_ui(true);
}

void PDFirmUpTool::on_actionRefreshSelected_triggered()
{
    const int row = currentRow();
    if (row >= 0)
        refresh_row_by_TcpClient(row);
}

void PDFirmUpTool::on_actionRefreshAll_triggered()
{
    m_engine->refreshAll();
}

void PDFirmUpTool::on_actionConfigureAdvanced_search_network_triggered()
{
    AdvancedIPSearchDialog dialog(m_ipScanText, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_engine->setTargetAddresses(dialog.addressList());
    m_ipScanText = dialog.text();
    attachSearchMenu();
    update_ui(false);
}

void PDFirmUpTool::on_actionOption_T_triggered()
{
    OptionSetting dialog(m_engine->databaseHasLegacyModels(), m_engine->legacyEnabled(), m_engine->multiUpdateLimit(),
                         this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_engine->setLegacyEnabled(dialog.legacyEnabled());
    m_engine->setMultiUpdateLimit(dialog.multiUpdateLimit());
    m_model->setLegacyEnabled(dialog.legacyEnabled());
}

void PDFirmUpTool::on_actionVersion_A_triggered()
{
    About_Dialog dialog(this, QString::number(m_engine->databaseVersion()));
    dialog.exec();
}

void PDFirmUpTool::on_actionView_README_triggered()
{
    const QString path = m_readmeFolder + QLatin1Char('/')
        + tr("ReadMe.html", "name of localized README file");
    const bool opened = QFileInfo::exists(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    if (!opened)
        MessageBoxes::information(this, windowTitle(), tr("Unable to open README file."));
}
