// The main window's own commands: view toggles, row selection and refresh,
// the targeted address list, settings, About, README and exit.
#include "app/pdfirmuptool.h"

#include "ui_pdfirmuptool.h"

#include "app/sv_information_dialog.h"
#include "dialogs/about_dialog.h"
#include "dialogs/messageboxes.h"
#include "dialogs/optionsetting.h"
#include "discovery/advancedipsearchdialog.h"
#include "displaylist/displaylistmodel.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

void PDFirmUpTool::on_actionExit_X_triggered()
{
    QApplication::closeAllWindows();
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
}

void PDFirmUpTool::on_actionShow_MAC_Address_column_toggled(bool checked)
{
    ui->display_list_tableView->setColumnHidden(displayListModel::MacAddressColumn, !checked);
}

void PDFirmUpTool::on_deselect_all_pushButton_clicked()
{
    bool changed = false;
    for (int row = 0; row < m_displayList.size(); ++row) {
        DISPLAY_LIST_ENTRY &entry = m_displayList[row];
        // A row with an update session keeps its check: it is part of that update.
        if (entry.updateClient || !entry.selectedForUpdate)
            continue;
        entry.selectedForUpdate = false;
        emit update_info(row);
        changed = true;
    }
    if (changed)
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
    // The size is read on every pass: a refresh may change the list.
    for (int row = 0; row < m_displayList.size(); ++row)
        refresh_row_by_TcpClient(row);
}

void PDFirmUpTool::on_actionConfigureAdvanced_search_network_triggered()
{
    AdvancedIPSearchDialog dialog(m_ipScanText, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_targetAddresses = dialog.addressList();
    m_ipScanText = dialog.text();
    attachSearchMenu();
    update_ui(false);
}

void PDFirmUpTool::on_actionOption_T_triggered()
{
    OptionSetting dialog(m_databaseHasLegacyModels, m_legacyEnabled, m_multiUpdateLimit, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_legacyEnabled = dialog.legacyEnabled();
    m_multiUpdateLimit = dialog.multiUpdateLimit();
    m_model->setLegacyEnabled(m_legacyEnabled);
}

void PDFirmUpTool::on_actionVersion_A_triggered()
{
    About_Dialog dialog(this, QString::number(m_databaseVersion));
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
