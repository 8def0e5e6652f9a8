// The main window's own behaviour: what update_ui shows, the dialogs it
// opens, the close guard and the settings it keeps. The enabling rules
// themselves are tested in tst_commandstate.
#include "app/pdfirmuptool.h"
#include "app/sv_information_dialog.h"
#include "dialogs/messageboxes.h"
#include "dialogs/optionsetting.h"
#include "discovery/advancedipsearchdialog.h"
#include "displaylist/displaylistmodel.h"
#include "displaylist/mytableview.h"
#include "displaylist/updatestatus.h"
#include "pdfirmuptooltestaccess.h"
#include "resources/resourceinit.h"
#include "testfiles.h"
#include "testsettings.h"
#include "widgettesthelpers.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// Update sessions and control clients are only tested for presence by the
// window; a marker address stands in for a live object.
int g_marker = 0;
TcpClient *const kBusyTcpClient = reinterpret_cast<TcpClient *>(&g_marker);
HttpClient *const kUpdateSession = reinterpret_cast<HttpClient *>(&g_marker);

const LanInterfaceList kTwoInterfaces{
    {QStringLiteral("eth0"), QHostAddress(QStringLiteral("10.0.0.2")), QHostAddress(QStringLiteral("10.255.255.255")), true},
    {QStringLiteral("wlan0"), QHostAddress(QStringLiteral("192.168.1.4")), QHostAddress(QStringLiteral("192.168.1.255")), true}};

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void openUrl(const QUrl &url) { urls.append(url); }
};

}

class tst_PDFirmUpTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { m_settings.clear(); }

    void updateUiFollowsTheList();
    void addressListDialogAttachesDropDown();
    void deselectAllAndCloseGuard();
    void readme();
    void settingsDialogAndRestart();
    void historySetAsideAndRowProgress();
    void exportAndLog();

private:
    std::unique_ptr<PDFirmUpTool> makeWindow(const LanInterfaceList &interfaces = {},
                                             const QString &historyFile = QString());
    void selectRow(PDFirmUpTool &window, int row);

    TestSettingsLocation m_settings;
    QTemporaryDir m_documents;
    QTemporaryDir m_readmeFolder;
};

void tst_PDFirmUpTool::initTestCase()
{
    initVdfuResources();
    QVERIFY(m_documents.isValid() && m_readmeFolder.isValid());
}

std::unique_ptr<PDFirmUpTool> tst_PDFirmUpTool::makeWindow(const LanInterfaceList &interfaces,
                                                           const QString &historyFile)
{
    PDFirmUpTool::Environment environment;
    environment.historyFile = historyFile;
    environment.interfaces = interfaces;
    environment.documentsFolder = m_documents.path();
    environment.readmeFolder = m_readmeFolder.path();
    return std::make_unique<PDFirmUpTool>(environment);
}

void tst_PDFirmUpTool::selectRow(PDFirmUpTool &window, int row)
{
    auto *table = childOrFail<MyTableView>(&window, "display_list_tableView");
    auto *proxy = qobject_cast<QAbstractProxyModel *>(table->model());
    table->selectionModel()->setCurrentIndex(proxy->mapFromSource(PDFirmUpToolTestAccess(window).model()->index(row, 0)),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void tst_PDFirmUpTool::updateUiFollowsTheList()
{
    auto window = makeWindow();
    PDFirmUpToolTestAccess access(*window);
    access.databaseLoaded() = true;
    access.appendRow(lanUpdatableRow());
    access.appendRow(lanUpdatableRow(""));
    auto *lanUpdate = childOrFail<QPushButton>(window.get(), "download_pushButton");
    auto *usbDrive = childOrFail<QPushButton>(window.get(), "create_usb_drive_pushButton");

    selectRow(*window, 0);
    access.updateUi();
    QVERIFY(lanUpdate->isEnabled() && usbDrive->isEnabled() && !QApplication::overrideCursor());
    QCOMPARE(usbDrive->text(), QStringLiteral("Create firmware USB drive for VT-435A display..."));

    // A control exchange in flight: nothing may start, and the window waits.
    access.list()[1].tcpClient = kBusyTcpClient;
    access.pendingTcpReplies() = 1;
    access.updateUi();
    access.updateUi();
    QVERIFY(!lanUpdate->isEnabled() && !usbDrive->isEnabled());
    QCOMPARE(lanUpdate->toolTip(), QStringLiteral("Display information is being refreshed."));
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    access.list()[1].tcpClient = nullptr;
    access.pendingTcpReplies() = 0;
    access.updateUi();
    QVERIFY(!QApplication::overrideCursor()); // set once, restored once
    QVERIFY(lanUpdate->toolTip().isEmpty()); // the button's own, which it has none of

    // A current row without a model name gets the general text.
    selectRow(*window, 1);
    access.updateUi();
    QCOMPARE(usbDrive->text(), QStringLiteral("Create firmware USB drive for selected display..."));
}

void tst_PDFirmUpTool::addressListDialogAttachesDropDown()
{
    auto window = makeWindow();
    PDFirmUpToolTestAccess access(*window);
    auto *search = childOrFail<QPushButton>(window.get(), "pushButtonSearch");
    auto *targeted = childOrFail<QAction>(window.get(), "actionAdvanced_network_search");
    QVERIFY(!search->menu());
    const auto enterList = [&](const QString &text, bool accept) {
        ModalAnswer<AdvancedIPSearchDialog> answer([text, accept](AdvancedIPSearchDialog *dialog) {
            dialog->setText(text);
            accept ? dialog->accept() : dialog->reject();
        });
        childOrFail<QAction>(window.get(), "actionConfigureAdvanced_search_network")->trigger();
        return answer.answered();
    };

    QVERIFY(enterList(QStringLiteral("192.168.7.1 - 192.168.7.3"), true));
    QVERIFY(search->menu());
    QCOMPARE(search->menu()->actions().size(), 2);
    QVERIFY(targeted->isEnabled());
    QCOMPARE(access.targetAddresses().size(), 3);

    QVERIFY(enterList(QString(), true));
    QVERIFY(!search->menu());
    QVERIFY(!targeted->isEnabled());

    // A cancelled dialog keeps the list.
    QVERIFY(enterList(QStringLiteral("10.0.0.1"), true));
    QVERIFY(enterList(QString(), false));
    QCOMPARE(access.targetAddresses(), QList<QHostAddress>{QHostAddress(QStringLiteral("10.0.0.1"))});
    QVERIFY(search->menu());
}

void tst_PDFirmUpTool::deselectAllAndCloseGuard()
{
    auto window = makeWindow();
    PDFirmUpToolTestAccess access(*window);
    window->show();
    DISPLAY_LIST_ENTRY queued = lanUpdatableRow("X551");
    queued.updateClient = kUpdateSession;
    queued.updateStatus = 1;
    access.appendRow(lanUpdatableRow());
    access.appendRow(queued);
    access.updateUi();

    // "Deselect all" leaves the rows that have an update session.
    QSignalSpy changes(window.get(), &PDFirmUpTool::update_info);
    childOrFail<QPushButton>(window.get(), "deselect_all_pushButton")->click();
    QCOMPARE(changes.size(), 1);
    QVERIFY(!access.list().at(0).selectedForUpdate && access.list().at(1).selectedForUpdate);

    // Only running updates hold the window, and only until the operator says so.
    const int asked = MessageBoxes::askedCount();
    access.runningUpdates() = 1;
    MessageBoxes::setNextAnswer(QMessageBox::No);
    QVERIFY(!window->close() && window->isVisible());
    QCOMPARE(MessageBoxes::lastText(),
             QStringLiteral("Firmware update is in progress.\n\nAre you sure you want to quit?"));
    access.runningUpdates() = 0;
    QVERIFY(window->close());
    QCOMPARE(MessageBoxes::askedCount(), asked + 1);
    window->show();
    access.runningUpdates() = 1;
    MessageBoxes::setNextAnswer(QMessageBox::Yes);
    QVERIFY(window->close());
    access.clearRows(); // sessions are markers only
}

void tst_PDFirmUpTool::readme()
{
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "openUrl");
    auto window = makeWindow();
    auto *command = childOrFail<QAction>(window.get(), "actionView_README");

    MessageBoxes::setNextAnswer(QMessageBox::Ok);
    command->trigger();
    QVERIFY(recorder.urls.isEmpty());
    QCOMPARE(MessageBoxes::lastText(), QStringLiteral("Unable to open README file."));

    const QString path = m_readmeFolder.path() + QStringLiteral("/ReadMe.html");
    QVERIFY(QFile(path).open(QIODevice::WriteOnly));
    const int asked = MessageBoxes::askedCount();
    command->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(recorder.urls, QList<QUrl>{QUrl::fromLocalFile(path)});
    QCOMPARE(MessageBoxes::askedCount(), asked);
    QFile::remove(path);
}

void tst_PDFirmUpTool::settingsDialogAndRestart()
{
    {
        auto window = makeWindow(kTwoInterfaces);
        auto *selector = childOrFail<QComboBox>(window.get(), "interface_selection_comboBox");
        QCOMPARE(selector->count(), 3);
        QCOMPARE(selector->itemData(0).toInt(), -2); // "All"
        QCOMPARE(selector->itemText(2), QStringLiteral("wlan0"));
        PDFirmUpToolTestAccess access(*window);
        access.databaseHasLegacyModels() = true;
        access.appendRow([] { DISPLAY_LIST_ENTRY e = lanUpdatableRow(); e.legacyModel = 1; return e; }());
        QVERIFY(!access.model()->flags(access.model()->index(0, 0)).testFlag(Qt::ItemIsEnabled));

        // The model has not heard of legacy support yet: accepting hands it over.
        access.legacyEnabled() = true;
        ModalAnswer<OptionSetting> answer([](OptionSetting *dialog) {
            childOrFail<QRadioButton>(dialog, "radioButton_3")->setChecked(true);
            dialog->accept();
        });
        childOrFail<QAction>(window.get(), "actionOption_T")->trigger();
        QVERIFY(answer.answered());
        QCOMPARE(access.multiUpdateLimit(), 20);
        QVERIFY(access.legacyEnabled());
        QVERIFY(access.model()->flags(access.model()->index(0, 0)).testFlag(Qt::ItemIsEnabled));

        ModalAnswer<OptionSetting> cancel([](OptionSetting *dialog) {
            childOrFail<QRadioButton>(dialog, "radioButton_1")->setChecked(true);
            dialog->reject();
        });
        childOrFail<QAction>(window.get(), "actionOption_T")->trigger();
        QVERIFY(cancel.answered());
        QCOMPARE(access.multiUpdateLimit(), 20);

        childOrFail<QAction>(window.get(), "actionShow_MAC_Address_column")->trigger();
        childOrFail<QComboBox>(window.get(), "interface_selection_comboBox")->setCurrentIndex(2);
        // Kept hidden: only a size inside the (small offscreen) desktop is restored.
        window->resize(700, 500);
    }
    {
        auto window = makeWindow(kTwoInterfaces);
        PDFirmUpToolTestAccess access(*window);
        QCOMPARE(access.multiUpdateLimit(), 20);
        QVERIFY(access.legacyEnabled());
        QVERIFY(!childOrFail<MyTableView>(window.get(), "display_list_tableView")->isColumnHidden(5));
        QCOMPARE(childOrFail<QComboBox>(window.get(), "interface_selection_comboBox")->currentIndex(), 2);
        QCOMPARE(window->size(), QSize(700, 500));
    }
    // The stored interface is gone: the selector starts at its first item.
    auto window = makeWindow({kTwoInterfaces.first()});
    QCOMPARE(childOrFail<QComboBox>(window.get(), "interface_selection_comboBox")->currentIndex(), 0);
    // Without any interface the selector offers only "None".
    window = makeWindow();
    auto *none = childOrFail<QComboBox>(window.get(), "interface_selection_comboBox");
    QVERIFY(none->count() == 1 && none->itemData(0).toInt() == -1);
}

// A damaged history is set aside with a word to the operator; a running
// update's Status cell fills with its progress behind the text.
void tst_PDFirmUpTool::historySetAsideAndRowProgress()
{
    const QString history = m_documents.filePath(QStringLiteral("history.sqlite"));
    QVERIFY(writeFile(history, "not a database"));
    MessageBoxes::setNextAnswer(QMessageBox::Ok);
    auto window = makeWindow({}, history);
    QTRY_VERIFY(MessageBoxes::lastText().contains(QStringLiteral("could not be used")));

    PDFirmUpToolTestAccess access(*window);
    DISPLAY_LIST_ENTRY running = lanUpdatableRow();
    running.updateClient = kUpdateSession;
    running.updateStatus = UpdateStatus::Running;
    running.numPACComponents = 1;
    running.componentProgress[0] = 90;
    access.appendRow(running);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto *table = childOrFail<MyTableView>(window.get(), "display_list_tableView");
    const QRect cell = table->visualRect(table->model()->index(0, displayListModel::StatusColumn));
    // Right of the short text: the bar at 90 %, the plain background at 0 %.
    const auto farEnd = [&] { return table->viewport()->grab(cell).toImage().pixel(cell.width() * 8 / 10, cell.height() / 2); };
    const QRgb filled = farEnd();
    access.list()[0].componentProgress[0] = 0;
    QVERIFY(farEnd() != filled);
    access.clearRows(); // sessions are markers only
}

// File > Export display list... through its file dialog; View > Log shows and hides the log.
void tst_PDFirmUpTool::exportAndLog()
{
    auto window = makeWindow();
    PDFirmUpToolTestAccess(*window).appendRow(lanUpdatableRow());
    const QString path = m_documents.filePath(QStringLiteral("displays"));
    ModalAnswer<QFileDialog> answer([&](QFileDialog *dialog) {
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept(); // the file dialog's own, which takes the name
    });
    childOrFail<QAction>(window.get(), "actionExport_display_list")->trigger();
    QVERIFY(answer.answered() && readFile(path + QStringLiteral(".csv")).contains(",VT-435A,"));
    QVERIFY(window->statusBar()->currentMessage().startsWith(QStringLiteral("Exported 1 display(s) to ")));

    auto *log = childOrFail<QAction>(window.get(), "actionLog");
    log->trigger();
    QVERIFY(window->logWindow()->isVisible());
    log->trigger();
    QVERIFY(!window->logWindow()->isVisible());
}

QTEST_MAIN(tst_PDFirmUpTool)
#include "tst_pdfirmuptool.moc"
