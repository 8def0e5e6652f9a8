#include "app/pdfirmuptool.h"
#include "app/sv_information_dialog.h"
#include "dialogs/messageboxes.h"
#include "dialogs/optionsetting.h"
#include "discovery/advancedipsearchdialog.h"
#include "displaylist/mytableview.h"
#include "pdfirmuptooltestaccess.h"
#include "resources/resourceinit.h"
#include "testsettings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include <functional>
#include <memory>

Q_DECLARE_METATYPE(LanInterfaceInfo)

namespace {

// Commands whose enabled state update_ui decides.
enum Command {
    Search = 1 << 0, // the search button and "Broadcast search"
    Configure = 1 << 1,
    Targeted = 1 << 2,
    Download = 1 << 3,
    RefreshAll = 1 << 4,
    RefreshSelected = 1 << 5,
    UsbDrive = 1 << 6,
    Tools = 1 << 7, // USB drive by model and offline download
    Deselect = 1 << 8,
    CancelQueued = 1 << 9,
};

const QList<QPair<int, const char *>> kCommandNames = {
    {Search, "Search"}, {Configure, "Configure"}, {Targeted, "Targeted"},
    {Download, "Download"}, {RefreshAll, "RefreshAll"}, {RefreshSelected, "RefreshSelected"},
    {UsbDrive, "UsbDrive"}, {Tools, "Tools"}, {Deselect, "Deselect"}, {CancelQueued, "CancelQueued"},
};

QStringList commandNames(int mask)
{
    QStringList names;
    for (const auto &command : kCommandNames) {
        if (mask & command.first)
            names << QLatin1String(command.second);
    }
    return names;
}

// Update sessions and control clients are only tested for presence by the
// window; a marker address stands in for a live object.
int g_marker = 0;
TcpClient *const kBusyTcpClient = reinterpret_cast<TcpClient *>(&g_marker);
HttpClient *const kUpdateSession = reinterpret_cast<HttpClient *>(&g_marker);

DISPLAY_LIST_ENTRY lanUpdatableRow(const char *model = "VT-435A")
{
    DISPLAY_LIST_ENTRY e;
    e.modelName = QLatin1String(model);
    e.ipAddress = QHostAddress(QStringLiteral("192.168.0.20"));
    e.matchStatus = MatchStatus::NewerViaLan;
    e.updateViaHTTP = 1;
    e.updateViaUSB = 1;
    e.powerState = 1;
    e.selectedForUpdate = true;
    return e;
}

struct WindowState
{
    QList<DISPLAY_LIST_ENTRY> rows;
    int currentRow = -1; // source row to select
    bool databaseLoaded = true;
    bool searching = false;
    bool withTargets = false;
    int runningUpdates = 0;
    int activeDownloads = 0;
};

LanInterfaceInfo lanInterface(const char *name, const char *address, const char *broadcast)
{
    return {QLatin1String(name), QHostAddress(QLatin1String(address)),
            QHostAddress(QLatin1String(broadcast)), true};
}

// Answers the next modal dialog of type T: `handle` runs on it once it is up.
template<typename T>
void whenDialogOpens(std::function<void(T *)> handle)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    auto deadline = std::make_shared<QElapsedTimer>();
    deadline->start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, handle, deadline] {
        if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            poll->stop();
            handle(dialog);
        } else if (deadline->elapsed() > 5000) {
            poll->deleteLater();
            poll->stop();
        }
    });
    poll->start();
}

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void openUrl(const QUrl &url) { urls.append(url); }
};

}

Q_DECLARE_METATYPE(WindowState)

class tst_PDFirmUpTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void interfaceSelector_data();
    void interfaceSelector();
    void commandSet();
    void updateUiEnabling_data();
    void updateUiEnabling();
    void waitCursorWhileBusy();
    void searchDropDownOnlyWithAddressList();
    void addressListDialogAttachesDropDown();
    void closeGuardAsksOnlyWhileUpdating();
    void deselectAllKeepsRowsWithSessions();
    void logCommandTogglesLogWindow();
    void columnCommandsHideColumns();
    void readmeOpensLocalizedFile();
    void readmeMissingIsReported();
    void settingsDialogUpdatesLimitAndLegacy();
    void settingsSurviveRestart();
    void storedInterfaceThatIsGoneFallsBackToFirstItem();

private:
    std::unique_ptr<PDFirmUpTool> makeWindow(const LanInterfaceList &interfaces = {});
    template<typename T>
    T *child(PDFirmUpTool &window, const char *name)
    {
        T *object = window.findChild<T *>(QLatin1String(name));
        if (!object)
            qFatal("missing child %s", name);
        return object;
    }
    int enabledCommands(PDFirmUpTool &window);

    TestSettingsLocation m_settings;
    QTemporaryDir m_documents;
    QTemporaryDir m_readmeFolder;
};

void tst_PDFirmUpTool::initTestCase()
{
    initVdfuResources();
    QVERIFY(m_documents.isValid());
    QVERIFY(m_readmeFolder.isValid());
}

void tst_PDFirmUpTool::init()
{
    m_settings.clear();
}

std::unique_ptr<PDFirmUpTool> tst_PDFirmUpTool::makeWindow(const LanInterfaceList &interfaces)
{
    PDFirmUpTool::Environment environment;
    environment.interfaces = interfaces;
    environment.documentsFolder = m_documents.path();
    environment.readmeFolder = m_readmeFolder.path();
    return std::make_unique<PDFirmUpTool>(environment);
}

int tst_PDFirmUpTool::enabledCommands(PDFirmUpTool &window)
{
    const QList<QPair<int, QObject *>> controls = {
        {Search, child<QPushButton>(window, "pushButtonSearch")},
        {Configure, child<QAction>(window, "actionConfigureAdvanced_search_network")},
        {Targeted, child<QAction>(window, "actionAdvanced_network_search")},
        {Download, child<QPushButton>(window, "download_pushButton")},
        {RefreshAll, child<QAction>(window, "actionRefreshAll")},
        {RefreshSelected, child<QAction>(window, "actionRefreshSelected")},
        {UsbDrive, child<QPushButton>(window, "create_usb_drive_pushButton")},
        {Tools, child<QAction>(window, "actionCreate_USB_drive_for_another_model")},
        {Deselect, child<QPushButton>(window, "deselect_all_pushButton")},
        {CancelQueued, child<QAction>(window, "actionCancel_all_queued_updates_via_LAN")},
    };
    int mask = 0;
    for (const auto &control : controls) {
        if (control.second->property("enabled").toBool())
            mask |= control.first;
    }
    // Commands that share a rule must agree.
    const bool broadcast = child<QAction>(window, "actionBroadcast")->isEnabled();
    const bool offline = child<QAction>(window, "actionDownload_firmware_for_offline_use")->isEnabled();
    if (broadcast != bool(mask & Search) || offline != bool(mask & Tools))
        return -1;
    return mask;
}

void tst_PDFirmUpTool::interfaceSelector_data()
{
    QTest::addColumn<LanInterfaceList>("interfaces");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<int>>("values");

    QTest::newRow("no interface") << LanInterfaceList() << QStringList{QStringLiteral("None")}
                                  << QList<int>{-1};
    QTest::newRow("two interfaces")
        << LanInterfaceList{lanInterface("eth0", "10.0.0.2", "10.255.255.255"),
                            lanInterface("wlan0", "192.168.1.4", "192.168.1.255")}
        << QStringList{QStringLiteral("All"), QStringLiteral("eth0"), QStringLiteral("wlan0")}
        << QList<int>{-2, 0, 1};
}

void tst_PDFirmUpTool::interfaceSelector()
{
    QFETCH(LanInterfaceList, interfaces);
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, values);

    auto window = makeWindow(interfaces);
    auto *selector = child<QComboBox>(*window, "interface_selection_comboBox");
    QStringList shownTexts;
    QList<int> shownValues;
    for (int i = 0; i < selector->count(); ++i) {
        shownTexts << selector->itemText(i);
        shownValues << selector->itemData(i).toInt();
    }
    QCOMPARE(shownTexts, texts);
    QCOMPARE(shownValues, values);
    QCOMPARE(selector->currentIndex(), 0);
    QVERIFY(selector->isHidden());
    QVERIFY(child<QWidget>(*window, "interface_selection_label")->isHidden());
    QCOMPARE(window->interfaces().size(), interfaces.size());
    QCOMPARE(window->allBroadcastAddresses().size(), interfaces.size());
    QVERIFY(window->interfaceAt(interfaces.size()).broadcast.isNull());
}

void tst_PDFirmUpTool::commandSet()
{
    auto window = makeWindow();
    const QList<QPair<const char *, const char *>> texts = {
        {"actionExit_X", "E&xit"},
        {"actionBroadcast", "Broadcast search"},
        {"actionAdvanced_network_search", "Targeted search"},
        {"actionConfigureAdvanced_search_network", "&Configure Targeted search..."},
        {"actionCreate_USB_drive_for_another_model", "Create firmware &USB drive by model..."},
        {"actionDownload_firmware_for_offline_use", "Download firmware for offline use..."},
        {"actionRefreshSelected", "Selected"},
        {"actionRefreshAll", "All"},
        {"actionCancel_all_queued_updates_via_LAN", "Cancel all queued updates via LAN"},
        {"actionOption_T", "Application settings..."},
        {"actionCreat_file_hash", "Generate file hash info"},
        {"actionClear_downloaded_firmware_files", "Clear downloaded firmware files"},
        {"actionLog", "Log"},
        {"actionShow_Asset_Tag_column", "Show Asset Tag column"},
        {"actionShow_MAC_Address_column", "Show MAC Address column"},
        {"actionVersion_A", "About..."},
        {"actionCheck_for_updates", "Check for updates"},
        {"actionView_README", "View README"},
    };
    for (const auto &entry : texts)
        QCOMPARE(child<QAction>(*window, entry.first)->text(), QLatin1String(entry.second));

    QVERIFY(!child<QMenu>(*window, "menuDebug")->menuAction()->isVisible());
    QCOMPARE(child<QAction>(*window, "actionBroadcast")->statusTip(),
             QStringLiteral("Searches for displays on this network segment using UDP Broadcast"));
    QCOMPARE(child<QPushButton>(*window, "pushButtonSearch")->text(),
             QStringLiteral("Search network for displays "));
    QVERIFY(child<QAction>(*window, "actionLog")->isCheckable());

    // The status bar's cancel button exists but stays hidden until downloads run.
    QPushButton *cancel = nullptr;
    const auto buttons = window->statusBar()->findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->text() == QLatin1String("Cancel downloads"))
            cancel = button;
    }
    QVERIFY(cancel);
    QVERIFY(cancel->isHidden());
}

void tst_PDFirmUpTool::updateUiEnabling_data()
{
    QTest::addColumn<WindowState>("state");
    QTest::addColumn<int>("enabled");
    QTest::addColumn<QString>("usbButtonText");

    const QString forSelected = QStringLiteral("Create firmware USB drive for selected display...");
    const QString forVt435a = QStringLiteral("Create firmware USB drive for VT-435A display...");
    const int idleEmpty = Search | Configure | Tools;
    const int idleWithRow = Search | Configure | Download | RefreshAll | RefreshSelected | UsbDrive
        | Tools | Deselect;

    WindowState s;
    QTest::newRow("empty list") << s << idleEmpty << forSelected;

    s.withTargets = true;
    QTest::newRow("empty list with address list") << s << (idleEmpty | Targeted) << forSelected;

    s = WindowState();
    s.databaseLoaded = false;
    QTest::newRow("no database") << s << (Search | Configure) << forSelected;

    s = WindowState();
    s.rows = {lanUpdatableRow()};
    s.currentRow = 0;
    QTest::newRow("selected row, idle") << s << idleWithRow << forVt435a;

    s.currentRow = -1;
    QTest::newRow("no current row")
        << s << (idleWithRow & ~(RefreshSelected | UsbDrive)) << forSelected;

    s.currentRow = 0;
    s.rows[0].tcpClient = kBusyTcpClient;
    QTest::newRow("row refreshing") << s << int(Deselect) << forVt435a;

    s.rows[0].tcpClient = nullptr;
    s.rows[0].commStatus = 2;
    QTest::newRow("update address unreachable") << s << (idleWithRow & ~Download) << forVt435a;

    s.rows[0].commStatus = 1;
    QTest::newRow("no control answer") << s << (idleWithRow & ~Download) << forVt435a;

    s.rows[0].commStatus = 0;
    s.rows[0].needPowerOnToUpdateViaHTTP = 1;
    s.rows[0].powerState = 2;
    QTest::newRow("power on needed, standby") << s << (idleWithRow & ~Download) << forVt435a;

    s.rows[0].powerState = 1;
    QTest::newRow("power on needed, on") << s << idleWithRow << forVt435a;

    s = WindowState();
    s.rows = {lanUpdatableRow(""), lanUpdatableRow("X551")};
    s.currentRow = 0;
    QTest::newRow("current row without model name") << s << idleWithRow << forSelected;

    s = WindowState();
    s.rows = {lanUpdatableRow()};
    s.rows[0].selectedForUpdate = false;
    s.currentRow = 0;
    QTest::newRow("nothing selected")
        << s << (idleWithRow & ~(Download | Deselect)) << forVt435a;

    s.rows[0].requiresAppBuild = AppInfo::kApplicationBuildNumber + 1;
    QTest::newRow("newer build required for USB")
        << s << (idleWithRow & ~(Download | Deselect | UsbDrive)) << forVt435a;

    s = WindowState();
    s.rows = {lanUpdatableRow()};
    s.currentRow = 0;
    s.searching = true;
    QTest::newRow("searching") << s << int(Deselect) << forVt435a;

    s.searching = false;
    s.activeDownloads = 1;
    QTest::newRow("downloading") << s << (RefreshAll | RefreshSelected | Deselect) << forVt435a;

    s.activeDownloads = 0;
    s.runningUpdates = 1;
    s.rows[0].updateClient = kUpdateSession;
    s.rows[0].updateStatus = 2;
    QTest::newRow("update running") << s << (RefreshAll | Deselect) << forVt435a;

    s = WindowState();
    s.rows = {lanUpdatableRow(), lanUpdatableRow("X551")};
    s.rows[1].updateClient = kUpdateSession;
    s.rows[1].updateStatus = 1;
    s.currentRow = 0;
    QTest::newRow("update queued") << s << (idleWithRow | CancelQueued) << forVt435a;
}

void tst_PDFirmUpTool::updateUiEnabling()
{
    QFETCH(WindowState, state);
    QFETCH(int, enabled);
    QFETCH(QString, usbButtonText);

    auto window = makeWindow();
    PDFirmUpToolTestAccess access(*window);
    for (const DISPLAY_LIST_ENTRY &row : std::as_const(state.rows))
        access.appendRow(row);
    access.databaseLoaded() = state.databaseLoaded;
    access.searching() = state.searching;
    access.runningUpdates() = state.runningUpdates;
    access.activeDownloads() = state.activeDownloads;
    if (state.withTargets)
        access.targetAddresses() = {QHostAddress(QStringLiteral("192.168.5.1"))};

    auto *table = child<MyTableView>(*window, "display_list_tableView");
    if (state.currentRow >= 0) {
        auto *proxy = qobject_cast<QAbstractProxyModel *>(table->model());
        table->selectionModel()->setCurrentIndex(
            proxy->mapFromSource(access.model()->index(state.currentRow, 0)),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    access.updateUi();

    const int shown = enabledCommands(*window);
    QVERIFY2(shown >= 0, "commands sharing a rule disagree");
    QCOMPARE(commandNames(shown), commandNames(enabled));
    QCOMPARE(child<QPushButton>(*window, "create_usb_drive_pushButton")->text(), usbButtonText);

    // Sessions are markers only: drop them before the window goes.
    access.clearRows();
}

void tst_PDFirmUpTool::waitCursorWhileBusy()
{
    auto window = makeWindow();
    PDFirmUpToolTestAccess access(*window);
    QVERIFY(!QApplication::overrideCursor());
    access.pendingTcpReplies() = 1;
    access.updateUi();
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    access.updateUi();
    access.pendingTcpReplies() = 0;
    access.downloadForLanUpdate() = true;
    access.updateUi();
    QVERIFY(QApplication::overrideCursor());
    access.downloadForLanUpdate() = false;
    access.updateUi();
    // Set once, restored once: no cursor is left stacked.
    QVERIFY(!QApplication::overrideCursor());
}

void tst_PDFirmUpTool::searchDropDownOnlyWithAddressList()
{
    {
        auto window = makeWindow();
        QVERIFY(!child<QPushButton>(*window, "pushButtonSearch")->menu());
    }
    {
        QSettings store(QSettings::NativeFormat, QSettings::UserScope,
                        QStringLiteral("Vantor Monitor User Tessilon"),
                        QStringLiteral("Vantor Display Firmware Update Tool"));
        store.setValue(QStringLiteral("Settings/IP Address Scan Text"), QStringLiteral("192.168.0.10"));
    }
    auto window = makeWindow();
    QMenu *menu = child<QPushButton>(*window, "pushButtonSearch")->menu();
    QVERIFY(menu);
    QCOMPARE(menu->actions().size(), 2);
    QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("Broadcast search"));
    QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("Targeted search"));
    QVERIFY(child<QAction>(*window, "actionAdvanced_network_search")->isEnabled());
}

void tst_PDFirmUpTool::addressListDialogAttachesDropDown()
{
    auto window = makeWindow();
    PDFirmUpToolTestAccess access(*window);
    auto *search = child<QPushButton>(*window, "pushButtonSearch");
    auto *targeted = child<QAction>(*window, "actionAdvanced_network_search");
    const auto enterList = [&](const QString &text) {
        whenDialogOpens<AdvancedIPSearchDialog>([text](AdvancedIPSearchDialog *dialog) {
            dialog->setText(text);
            dialog->accept();
        });
        child<QAction>(*window, "actionConfigureAdvanced_search_network")->trigger();
    };

    enterList(QStringLiteral("192.168.7.1 - 192.168.7.3"));
    QVERIFY(search->menu());
    QVERIFY(targeted->isEnabled());
    QCOMPARE(access.targetAddresses().size(), 3);

    enterList(QString());
    QVERIFY(!search->menu());
    QVERIFY(!targeted->isEnabled());

    // A cancelled dialog keeps the list.
    enterList(QStringLiteral("10.0.0.1"));
    whenDialogOpens<AdvancedIPSearchDialog>([](AdvancedIPSearchDialog *dialog) {
        dialog->setText(QString());
        dialog->reject();
    });
    child<QAction>(*window, "actionConfigureAdvanced_search_network")->trigger();
    QCOMPARE(access.targetAddresses(), QList<QHostAddress>{QHostAddress(QStringLiteral("10.0.0.1"))});
    QVERIFY(search->menu());
}

void tst_PDFirmUpTool::closeGuardAsksOnlyWhileUpdating()
{
    auto window = makeWindow();
    PDFirmUpToolTestAccess access(*window);
    window->show();

    DISPLAY_LIST_ENTRY queued = lanUpdatableRow();
    queued.updateStatus = 1;
    access.appendRow(queued);
    const int asked = MessageBoxes::askedCount();
    access.runningUpdates() = 1;
    MessageBoxes::setNextAnswer(QMessageBox::No);
    QVERIFY(!window->close());
    QVERIFY(window->isVisible());
    QCOMPARE(MessageBoxes::askedCount(), asked + 1);
    QCOMPARE(MessageBoxes::lastText(),
             QStringLiteral("Firmware update is in progress.\n\nAre you sure you want to quit?"));

    // Queued sessions that are not running yet do not hold the window.
    access.runningUpdates() = 0;
    QVERIFY(window->close());
    QCOMPARE(MessageBoxes::askedCount(), asked + 1);

    window->show();
    access.runningUpdates() = 1;
    MessageBoxes::setNextAnswer(QMessageBox::Yes);
    QVERIFY(window->close());
    QCOMPARE(MessageBoxes::askedCount(), asked + 2);
}

void tst_PDFirmUpTool::deselectAllKeepsRowsWithSessions()
{
    auto window = makeWindow();
    PDFirmUpToolTestAccess access(*window);
    DISPLAY_LIST_ENTRY updating = lanUpdatableRow("X551");
    updating.updateClient = kUpdateSession;
    updating.updateStatus = 1;
    access.appendRow(lanUpdatableRow());
    access.appendRow(updating);
    access.appendRow(lanUpdatableRow("V864"));
    access.updateUi();

    auto *deselect = child<QPushButton>(*window, "deselect_all_pushButton");
    QVERIFY(deselect->isEnabled());
    QSignalSpy changes(window.get(), &PDFirmUpTool::update_info);
    deselect->click();
    QCOMPARE(changes.size(), 2);
    QVERIFY(!access.list().at(0).selectedForUpdate);
    QVERIFY(access.list().at(1).selectedForUpdate);
    QVERIFY(!access.list().at(2).selectedForUpdate);
    // The row in the update is still selected, so the button stays usable.
    QVERIFY(deselect->isEnabled());
    access.clearRows();
}

void tst_PDFirmUpTool::logCommandTogglesLogWindow()
{
    auto window = makeWindow();
    window->show();
    QAction *log = child<QAction>(*window, "actionLog");
    QMenu *view = child<QMenu>(*window, "menu_View");

    log->trigger();
    QVERIFY(window->logWindow()->isVisible());
    emit view->aboutToShow();
    QVERIFY(log->isChecked());

    log->trigger();
    QVERIFY(!window->logWindow()->isVisible());
    emit view->aboutToShow();
    QVERIFY(!log->isChecked());

    // Lines logged since construction are in the window.
    QVERIFY(window->logWindow()->text().contains(QLatin1String("Local cache folder:")));
}

void tst_PDFirmUpTool::columnCommandsHideColumns()
{
    auto window = makeWindow();
    auto *table = child<MyTableView>(*window, "display_list_tableView");
    // Defaults: Asset Tag shown, MAC Address hidden.
    QVERIFY(!table->isColumnHidden(3));
    QVERIFY(table->isColumnHidden(5));

    child<QAction>(*window, "actionShow_Asset_Tag_column")->trigger();
    child<QAction>(*window, "actionShow_MAC_Address_column")->trigger();
    QVERIFY(table->isColumnHidden(3));
    QVERIFY(!table->isColumnHidden(5));
}

void tst_PDFirmUpTool::readmeOpensLocalizedFile()
{
    const QString path = m_readmeFolder.path() + QStringLiteral("/ReadMe.html");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<html></html>");
    file.close();

    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "openUrl");
    auto window = makeWindow();
    const int asked = MessageBoxes::askedCount();
    child<QAction>(*window, "actionView_README")->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    QCOMPARE(recorder.urls, QList<QUrl>{QUrl::fromLocalFile(path)});
    QCOMPARE(MessageBoxes::askedCount(), asked);
    QFile::remove(path);
}

void tst_PDFirmUpTool::readmeMissingIsReported()
{
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "openUrl");
    auto window = makeWindow();
    MessageBoxes::setNextAnswer(QMessageBox::Ok);
    child<QAction>(*window, "actionView_README")->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    QVERIFY(recorder.urls.isEmpty());
    QCOMPARE(MessageBoxes::lastText(), QStringLiteral("Unable to open README file."));
}

void tst_PDFirmUpTool::settingsDialogUpdatesLimitAndLegacy()
{
    auto window = makeWindow();
    PDFirmUpToolTestAccess access(*window);
    access.multiUpdateLimit() = 3;
    access.databaseHasLegacyModels() = true;

    bool singleChecked = false;
    bool legacyVisible = false;
    whenDialogOpens<OptionSetting>([&](OptionSetting *dialog) {
        singleChecked = dialog->findChild<QRadioButton *>(QStringLiteral("radioButton_1"))->isChecked();
        auto *legacy = dialog->findChild<QCheckBox *>(QStringLiteral("enable_legacy_support_checkBox"));
        legacyVisible = legacy->isVisibleTo(dialog);
        // Without Shift the box shows the setting but does not change.
        QTest::mouseClick(legacy, Qt::LeftButton);
        dialog->accept();
    });
    // The model has not heard of the setting yet: accepting hands it over.
    access.legacyEnabled() = true;
    DISPLAY_LIST_ENTRY legacyRow = lanUpdatableRow();
    legacyRow.legacyModel = 1;
    access.appendRow(legacyRow);
    QVERIFY(!access.model()->flags(access.model()->index(0, 0)).testFlag(Qt::ItemIsEnabled));
    child<QAction>(*window, "actionOption_T")->trigger();

    QVERIFY(singleChecked);
    QVERIFY(legacyVisible);
    QCOMPARE(access.multiUpdateLimit(), 1);
    QCOMPARE(access.legacyEnabled(), true);
    QVERIFY(access.model()->flags(access.model()->index(0, 0)).testFlag(Qt::ItemIsEnabled));

    // Cancel changes nothing.
    whenDialogOpens<OptionSetting>([](OptionSetting *dialog) {
        dialog->findChild<QRadioButton *>(QStringLiteral("radioButton_3"))->setChecked(true);
        dialog->reject();
    });
    child<QAction>(*window, "actionOption_T")->trigger();
    QCOMPARE(access.multiUpdateLimit(), 1);
}

void tst_PDFirmUpTool::settingsSurviveRestart()
{
    const LanInterfaceList interfaces{lanInterface("eth0", "10.0.0.2", "10.255.255.255"),
                                      lanInterface("wlan0", "192.168.1.4", "192.168.1.255")};
    {
        auto window = makeWindow(interfaces);
        PDFirmUpToolTestAccess access(*window);
        access.multiUpdateLimit() = 20;
        access.legacyEnabled() = true;
        child<QAction>(*window, "actionShow_Asset_Tag_column")->trigger();
        child<QAction>(*window, "actionShow_MAC_Address_column")->trigger();
        child<QComboBox>(*window, "interface_selection_comboBox")->setCurrentIndex(2);
        // Kept hidden: the offscreen desktop is smaller than the window's
        // laid-out minimum, and only a size inside the desktop is restored.
        window->resize(700, 500);
    }
    auto window = makeWindow(interfaces);
    PDFirmUpToolTestAccess access(*window);
    QCOMPARE(access.multiUpdateLimit(), 20);
    QCOMPARE(access.legacyEnabled(), true);
    QVERIFY(!child<QAction>(*window, "actionShow_Asset_Tag_column")->isChecked());
    QVERIFY(child<QAction>(*window, "actionShow_MAC_Address_column")->isChecked());
    auto *table = child<MyTableView>(*window, "display_list_tableView");
    QVERIFY(table->isColumnHidden(3));
    QVERIFY(!table->isColumnHidden(5));
    QCOMPARE(child<QComboBox>(*window, "interface_selection_comboBox")->currentIndex(), 2);
    QCOMPARE(window->size(), QSize(700, 500));
}

void tst_PDFirmUpTool::storedInterfaceThatIsGoneFallsBackToFirstItem()
{
    {
        auto window = makeWindow({lanInterface("eth0", "10.0.0.2", "10.255.255.255"),
                                  lanInterface("wlan0", "192.168.1.4", "192.168.1.255")});
        child<QComboBox>(*window, "interface_selection_comboBox")->setCurrentIndex(2);
    }
    auto window = makeWindow({lanInterface("eth0", "10.0.0.2", "10.255.255.255")});
    QCOMPARE(child<QComboBox>(*window, "interface_selection_comboBox")->currentIndex(), 0);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    tst_PDFirmUpTool test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pdfirmuptool.moc"
