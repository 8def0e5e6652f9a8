#include "app/pdfirmuptool.h"

#include "ui_pdfirmuptool.h"

#include "app/commandstate.h"
#include "app/fleetengine.h"
#include "app/installlayout.h"
#include "app/logsink.h"
#include "app/longrunfeedback.h"
#include "app/mainsettings.h"
#include "app/sv_information_dialog.h"
#include "app/timing.h"
#include "catalogue/firmwareserver.h"
#include "discovery/addresslist.h"
#include "dialogs/messageboxes.h"
#include "displaylist/displayinfohtml.h"
#include "displaylist/displaylistmodel.h"
#include "displaylist/mysortfilterproxymodel.h"
#include "displaylist/statusprogressdelegate.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>

#include <utility>

namespace {

const QSize kDefaultWindowSize(871, 566);
// Columns follow their contents at most this often while results pour in.
constexpr int kColumnResizeDelayMs = 150;
const int kSelectorNone = -1;

QSize desktopSize()
{
    QRect desktop;
    const auto screens = QGuiApplication::screens();
    for (const QScreen *screen : screens)
        desktop = desktop.united(screen->geometry());
    return desktop.size();
}

// Enables a command's widget. While disabled its tool tip gives the reasons,
// one a line; once enabled the tool tip it had at first returns.
void applyCommand(QWidget *widget, bool enabled, const QStringList &reasons)
{
    static const char kNormalToolTip[] = "vdfuNormalToolTip";
    if (!widget->property(kNormalToolTip).isValid())
        widget->setProperty(kNormalToolTip, widget->toolTip());
    widget->setEnabled(enabled);
    widget->setToolTip(enabled ? widget->property(kNormalToolTip).toString() : reasons.join(QLatin1Char('\n')));
}

}

PDFirmUpTool::Environment PDFirmUpTool::Environment::system()
{
    Environment environment;
    environment.interfaces = LanInterfaces::fromSystem();
    environment.documentsFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    environment.readmeFolder = InstallLayout::readmeFolder(QCoreApplication::applicationDirPath());
    const FleetEngine::Environment engine = FleetEngine::Environment::system();
    environment.updateJournalFile = engine.updateJournalFile;
    environment.updateLockFile = engine.updateLockFile;
    environment.historyFile = engine.historyFile;
    return environment;
}

PDFirmUpTool::PDFirmUpTool(QWidget *parent)
    : PDFirmUpTool(Environment::system(), parent)
{
}

PDFirmUpTool::PDFirmUpTool(const Environment &environment, QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::PDFirmUpTool)
    , m_readmeFolder(environment.readmeFolder)
    , m_documentsFolder(environment.documentsFolder)
{
    ui->setupUi(this);
    m_columnResizeTimer.setSingleShot(true);
    m_columnResizeTimer.setInterval(kColumnResizeDelayMs);
    connect(&m_columnResizeTimer, &QTimer::timeout, this, &PDFirmUpTool::resizeColumnsToContents);

    m_logWindow = new SV_Information_Dialog(this);
    m_logWindow->hide();
    // The maintenance commands stay out of sight; their shortcuts still work.
    ui->menuDebug->menuAction()->setVisible(false);
    addActions(ui->menuDebug->actions());
    LogSink::install(m_logWindow);

    FleetEngine::Environment engine;
    engine.interfaces = environment.interfaces;
    engine.documentsFolder = environment.documentsFolder;
    engine.updateJournalFile = environment.updateJournalFile;
    engine.updateLockFile = environment.updateLockFile;
    engine.historyFile = environment.historyFile;
    engine.databaseUrl = releaseDatabaseUrl(firmwareServerBaseUrl());
    m_engine = new FleetEngine(engine, this);

    fillInterfaceSelector();
    loadSettings();
    connectEngine();
    connectHistory();
    setUpDisplayTable();
    buildSearchMenu();
    m_engine->retrieveReleaseDatabase();
    addStatusBarWidgets();
    update_ui(false);
    // Once the window is up: updates that the last run left running.
    QTimer::singleShot(0, m_engine, &FleetEngine::reportInterruptedUpdates);
}

PDFirmUpTool::~PDFirmUpTool()
{
    saveSettings();
    setWaitCursor(false);
    LogSink::uninstall();
    delete ui;
}

void PDFirmUpTool::fillInterfaceSelector()
{
    QComboBox *selector = ui->interface_selection_comboBox;
    const LanInterfaceList &interfaces = m_engine->interfaces();
    if (interfaces.isEmpty())
        selector->addItem(tr("None"), kSelectorNone);
    else
        selector->addItem(tr("All"), FleetEngine::kAllInterfaces);
    for (int i = 0; i < interfaces.size(); ++i)
        selector->addItem(interfaces.at(i).name, i);
    selector->hide();
    ui->interface_selection_label->hide();
}

void PDFirmUpTool::loadSettings()
{
    auto store = SettingsStores::openMainStore();
    const MainSettings settings = MainSettings::load(*store);
    m_engine->setMultiUpdateLimit(settings.multiUpdateLimit);
    m_engine->setLegacyEnabled(settings.legacyEnabled);
    resize(restoredWindowSize(settings.windowSize, desktopSize(), kDefaultWindowSize));

    QList<int> itemValues;
    for (int i = 0; i < ui->interface_selection_comboBox->count(); ++i)
        itemValues.append(ui->interface_selection_comboBox->itemData(i).toInt());
    ui->interface_selection_comboBox->setCurrentIndex(
        interfaceSelectorPosition(itemValues, settings.lanDeviceIndex, m_engine->interfaces().size()));

    m_ipScanText = settings.ipScanText;
    m_engine->setTargetAddresses(AddressList::addressesFromText(m_ipScanText));
    ui->actionShow_Asset_Tag_column->setChecked(settings.showAssetTagColumn);
    m_engine->setShowAssetTag(settings.showAssetTagColumn);
    ui->actionShow_MAC_Address_column->setChecked(settings.showMacAddressColumn);
}

void PDFirmUpTool::saveSettings()
{
    MainSettings settings;
    const QVariant selectorValue = ui->interface_selection_comboBox->currentData();
    settings.saveLanDeviceIndex = selectorValue.isValid();
    settings.lanDeviceIndex = selectorValue.toInt();
    settings.multiUpdateLimit = m_engine->multiUpdateLimit();
    settings.windowSize = size();
    settings.legacyEnabled = m_engine->legacyEnabled();
    settings.showAssetTagColumn = ui->actionShow_Asset_Tag_column->isChecked();
    settings.showMacAddressColumn = ui->actionShow_MAC_Address_column->isChecked();
    settings.ipScanText = m_ipScanText;
    auto store = SettingsStores::openMainStore();
    settings.save(*store);
}

void PDFirmUpTool::setUpDisplayTable()
{
    MyTableView *table = ui->display_list_tableView;
    ui->download_pushButton->setEnabled(false);

    m_model = new displayListModel(this);
    m_model->setLegacyEnabled(m_engine->legacyEnabled());
    m_model->setDisplayList(m_engine->displayList());
    m_proxy = new MySortFilterProxyModel(this);
    m_proxy->setSourceModel(m_model);
    m_proxy->sort(displayListModel::ActionColumn, Qt::AscendingOrder);
    table->setModel(m_proxy);
    table->setItemDelegateForColumn(displayListModel::StatusColumn, new StatusProgressDelegate(table));
    table->setDisplayList(m_engine->displayList());
    table->setSortingEnabled(true);
    table->sortByColumn(displayListModel::ActionColumn, Qt::AscendingOrder);

    connect(table, &MyTableView::refreshRow, this, &PDFirmUpTool::refresh_row_by_TcpClient);
    connect(table, &MyTableView::requestPowerOn, this, &PDFirmUpTool::requestPowerOn_by_TcpClient);
    connect(table, &MyTableView::requestPowerOff, this, &PDFirmUpTool::requestPowerOff_by_TcpClient);
    connect(table, &MyTableView::requestSetPowerSaveToAutoPowerSave, this,
            &PDFirmUpTool::requestSetPowerSaveToAutoPowerSave_by_TcpClient);
    connect(table, &MyTableView::requestSetPowerSaveToAutoStandby, this,
            &PDFirmUpTool::requestSetPowerSaveToAutoStandby_by_TcpClient);
    connect(ui->menu_View, &QMenu::aboutToShow, this, &PDFirmUpTool::itemMenuAboutToShow);

    table->applyDisplayTableAppearance();
    QApplication::setFont(QApplication::font("QMenu"));

    connect(table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &PDFirmUpTool::selectionCurrentRowChanged);
    connect(this, &PDFirmUpTool::update_info, m_model, &displayListModel::rowChanged);
    connect(this, &PDFirmUpTool::addRow, m_model, &displayListModel::addRow);
    connect(this, &PDFirmUpTool::resetAll, m_model, &displayListModel::resetAll);
    connect(m_model, &displayListModel::need_update_ui, this, qOverload<>(&PDFirmUpTool::update_ui));

    applyColumnVisibility();
    ui->splitter->setStretchFactor(0, 3);
    ui->splitter->setStretchFactor(1, 2);
}

void PDFirmUpTool::applyColumnVisibility()
{
    ui->display_list_tableView->setColumnHidden(displayListModel::AssetTagColumn,
                                                !ui->actionShow_Asset_Tag_column->isChecked());
    ui->display_list_tableView->setColumnHidden(displayListModel::MacAddressColumn,
                                                !ui->actionShow_MAC_Address_column->isChecked());
}

void PDFirmUpTool::buildSearchMenu()
{
    m_searchMenu = new QMenu(this);
    QAction *broadcast = m_searchMenu->addAction(QIcon(QStringLiteral(":/resources/search broadcast.svg")),
                                                 tr("Broadcast search", "search button menu text"));
    QAction *targeted = m_searchMenu->addAction(QIcon(QStringLiteral(":/resources/search target.svg")),
                                                tr("Targeted search", "search button menu text"));
    connect(broadcast, &QAction::triggered, this, &PDFirmUpTool::on_pushButtonSearch_clicked);
    connect(targeted, &QAction::triggered, this, &PDFirmUpTool::UDPSearchStartNoForceBroadcast);
    attachSearchMenu();
}

void PDFirmUpTool::attachSearchMenu()
{
    ui->pushButtonSearch->setMenu(m_engine->targetAddresses().isEmpty() ? nullptr : m_searchMenu);
}

void PDFirmUpTool::addStatusBarWidgets()
{
    auto *container = new QWidget(this);
    auto *layout = new QHBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_feedback = new LongRunFeedback(m_engine, this);
    layout->addWidget(m_feedback->progressBar());
    m_cancelDownloadsButton = new QPushButton(tr("Cancel downloads"), container);
    connect(m_cancelDownloadsButton, &QPushButton::clicked, this, &PDFirmUpTool::cancel_download_clicked);
    connect(m_engine, &FleetEngine::downloadsRunning, m_cancelDownloadsButton, &QWidget::setVisible);
    layout->addWidget(m_cancelDownloadsButton);
    ui->statusBar->addPermanentWidget(container);
    m_cancelDownloadsButton->hide();
}

void PDFirmUpTool::connectEngine()
{
    connect(m_engine, &FleetEngine::rowsAdded, this, &PDFirmUpTool::addRow);
    connect(m_engine, &FleetEngine::rowChanged, this, &PDFirmUpTool::update_info);
    connect(m_engine, &FleetEngine::listReset, this, &PDFirmUpTool::resetAll);
    connect(m_engine, &FleetEngine::statusMessage, statusBar(), &QStatusBar::showMessage);
    connect(m_engine, &FleetEngine::stateChanged, this, qOverload<bool>(&PDFirmUpTool::update_ui));
    connect(m_engine, &FleetEngine::databaseReady, this, &PDFirmUpTool::releaseDatabaseReady);
    connect(m_engine, &FleetEngine::lanUpdateReady, this, &PDFirmUpTool::confirm_firmware_update);
    connect(m_engine, &FleetEngine::usbDriveReady, this, &PDFirmUpTool::openUsbDriveDialog);
    const auto inform = [this](const QString &text) { MessageBoxes::information(this, windowTitle(), text); };
    connect(m_engine, &FleetEngine::downloadFailed, this, inform);
    connect(m_engine, &FleetEngine::updateRefused, this, inform);
    connect(m_engine, &FleetEngine::interruptedUpdates, this, inform);
}

QString PDFirmUpTool::buildDisplayInfoHtml(int row) const
{
    PanelContext context;
    context.startupFinished = m_startupFinished;
    const DisplayList &list = m_engine->displays();
    context.searching = m_engine->searching();
    context.databaseLoaded = m_engine->databaseLoaded();
    context.rowCount = list.size();
    const bool valid = row >= 0 && row < list.size();
    PanelReleaseFacts facts;
    FirmwareRelease release;
    if (valid && m_engine->releaseDb().findForDisplay(list.at(row).modelName, list.at(row).serialNumber, release) == 0) {
        facts.found = true;
        const int codes[3] = {release.powerLEDBinkCodeProgress, release.powerLEDBinkCodeDone,
                              release.powerLEDBinkCodeError};
        for (int i = 0; i < 3; ++i) {
            facts.ledCodes[i] = codes[i];
            facts.ledTexts[i] = powerLEDBlinkCodeToString(codes[i]);
        }
        for (const DocumentationLink &link : qAsConst(release.documentationList))
            facts.documentation.append({link.name, link.url});
    }
    return ::buildDisplayInfoHtml(valid ? &list.at(row) : nullptr, facts, context);
}

int PDFirmUpTool::currentRow() const
{
    const QModelIndexList selected = ui->display_list_tableView->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return -1;
    const QModelIndex source = m_proxy->mapToSource(selected.first());
    return source.isValid() ? source.row() : -1;
}

void PDFirmUpTool::setWaitCursor(bool busy)
{
    if (busy && !m_waitCursorShown) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_waitCursorShown = true;
    } else if (!busy && m_waitCursorShown) {
        QApplication::restoreOverrideCursor();
        m_waitCursorShown = false;
    }
}

void PDFirmUpTool::resizeColumnsToContents()
{
    // While results pour in, columns follow the rows in view, a cost that
    // does not grow with the fleet; once the list settles they fit every row.
    MyTableView *table = ui->display_list_tableView;
    const bool settling = m_engine->searching() || m_engine->pendingControlReplies() != 0;
    table->horizontalHeader()->setResizeContentsPrecision(settling ? 0 : -1);
    for (int column = 0; column < displayListModel::ColumnCount - 1; ++column)
        table->resizeColumnToContents(column);
}

void PDFirmUpTool::update_ui()
{
    update_ui(true);
}

void PDFirmUpTool::update_ui(bool update_description_text)
{
    // Sizing a column measures up to a thousand rows; while a large fleet
    // reports, results arrive far faster than that can be redone for each.
    if (!m_columnResizeTimer.isActive())
        m_columnResizeTimer.start();

    const int row = currentRow();
    const BusyState state = m_engine->busyState(row);
    const CommandStates commands = commandStates(state);

    setWaitCursor(commands.waitCursor);
    ui->actionCancel_all_queued_updates_via_LAN->setEnabled(commands.cancelQueuedUpdates);
    ui->pushButtonSearch->setEnabled(commands.search);
    ui->actionBroadcast->setEnabled(commands.search);
    ui->actionConfigureAdvanced_search_network->setEnabled(commands.search);
    ui->actionAdvanced_network_search->setEnabled(commands.targetedSearch);
    applyCommand(ui->download_pushButton, commands.lanUpdate, commands.lanUpdateReasons);
    ui->actionRefreshAll->setEnabled(commands.refreshAll);
    ui->actionRefreshSelected->setEnabled(commands.refreshSelected);

    const DISPLAY_LIST_ENTRY *current = state.list.hasCurrent ? &m_engine->displays().at(row) : nullptr;
    if (update_description_text) {
        // Laying out the panel again is costly; skip it when nothing changed.
        const QString html = buildDisplayInfoHtml(current ? row : -1);
        if (html != m_infoHtml) {
            m_infoHtml = html;
            ui->info_textBrowser->setHtml(html);
        }
    }

    ui->create_usb_drive_pushButton->setText(
        current && !current->modelName.isEmpty()
            ? tr("Create firmware USB drive for %1 display...", "1=model name").arg(current->modelName)
            : tr("Create firmware USB drive for selected display..."));
    applyCommand(ui->create_usb_drive_pushButton, commands.usbDriveForCurrent, commands.usbDriveReasons);
    ui->actionCreate_USB_drive_for_another_model->setEnabled(commands.tools);
    ui->actionDownload_firmware_for_offline_use->setEnabled(commands.tools);
    ui->actionClear_downloaded_firmware_files->setEnabled(commands.clearFirmwareFiles);
    ui->deselect_all_pushButton->setEnabled(commands.deselectAll);
}

void PDFirmUpTool::selectionCurrentRowChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (current.row() == previous.row() && !m_infoRefreshPending)
        return;
    if (ui->display_list_tableView->selectionModel()->hasSelection())
        m_infoRefreshPending = false;
    // The selection model is still settling; rebuild once it has.
    QTimer::singleShot(0, this, [this] { update_ui(true); });
}

void PDFirmUpTool::closeEvent(QCloseEvent *event)
{
    if (m_engine->runningUpdates() != 0) {
        const QMessageBox::StandardButton answer = MessageBoxes::warning(
            this, windowTitle(), tr("Firmware update is in progress.\n\nAre you sure you want to quit?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            event->ignore();
            return;
        }
    }
    event->accept();
}
