// Firmware downloads as the operator starts them: the main window's batches
// before a LAN update and before a USB drive, the offline download dialog,
// and the firmware folder commands. Against the local firmware server and
// its demo catalogue on loopback.
#include "app/pdfirmuptool.h"
#include "app/sv_information_dialog.h"
#include "app/timing.h"
#include "dialogs/messageboxes.h"
#include "displaylist/mytableview.h"
#include "download/downloadfirmwareforofflinedialog.h"
#include "firmwareserverprocess.h"
#include "../app/pdfirmuptooltestaccess.h"
#include "resources/resourceinit.h"
#include "testfiles.h"
#include "testsettings.h"
#include "widgettesthelpers.h"

#include <QAction>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QTextBrowser>
#include <QtTest>

#include <memory>

namespace {

const QString kPackages = QStringLiteral("/firmwareupdates/packages/");
// Served as head and half the body, then nothing: a download that runs until cancelled.
const QString kStalled = QStringLiteral("oh_p705_180.pkg");
const QString kMissing = QStringLiteral("tm_981_210.bin");

DISPLAY_LIST_ENTRY row(const QString &model, const QString &serial = QStringLiteral("00000001"))
{
    DISPLAY_LIST_ENTRY e;
    e.modelName = model;
    e.serialNumber = serial;
    e.ipAddress = QHostAddress(QStringLiteral("127.0.0.2"));
    e.matchStatus = MatchStatus::NewerViaLan;
    e.updateViaHTTP = 1;
    e.updateViaUSB = 1;
    e.powerState = 1;
    e.selectedForUpdate = true;
    return e;
}

}

class tst_DownloadBatches : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void lanUpdateBatches_data();
    void lanUpdateBatches();
    void usbDriveBatches_data();
    void usbDriveBatches();
    void offlineDialogLinksModelsAndKeepsTheFolder();
    void offlineDialogRefusesToCloseWhileDownloading();
    void firmwareFolderCommands();

private:
    // A window that has its release database from the local server.
    void createWindow();
    QStringList packageRequests() const;
    int logCount(const QString &text) const { return m_window->logWindow()->text().count(text); }
    QString statusText() const { return m_window->statusBar()->currentMessage(); }
    // The demo database, its package addresses on the local server.
    FirmwareReleaseDb database(int zeroSizeRelease = -1) const;

    TestSettingsLocation m_settings;
    FirmwareServerProcess m_server;
    std::unique_ptr<QTemporaryDir> m_documents;
    std::unique_ptr<PDFirmUpTool> m_window;
    std::unique_ptr<PDFirmUpToolTestAccess> m_access;
};

void tst_DownloadBatches::initTestCase()
{
    initVdfuResources();
    // The first search and the tool update notice follow the database within 250 ms.
    Timing::setScale(0.05);
    QVERIFY2(m_server.startDemoCatalogue({QStringLiteral("stallBody:") + kPackages + kStalled,
                                          QStringLiteral("notFound:") + kPackages + kMissing}),
             qPrintable(m_server.errorString()));
}

void tst_DownloadBatches::init()
{
    m_settings.clear();
    m_settings.setMainValue(QStringLiteral("Firmware Server URL"), m_server.baseUrl().toString());
    m_documents = std::make_unique<QTemporaryDir>();
    m_server.clearEvents();
}

void tst_DownloadBatches::cleanup()
{
    m_access.reset();
    m_window.reset();
}

void tst_DownloadBatches::createWindow()
{
    PDFirmUpTool::Environment environment; // no LAN interface: never a broadcast
    environment.documentsFolder = m_documents->path();
    const int asked = MessageBoxes::askedCount();
    MessageBoxes::setNextAnswer(QMessageBox::Ok); // the demo database announces a newer tool
    m_window = std::make_unique<PDFirmUpTool>(environment);
    m_access = std::make_unique<PDFirmUpToolTestAccess>(*m_window);
    QTRY_VERIFY(m_access->databaseLoaded() && MessageBoxes::askedCount() == asked + 1 && !m_access->searching());
    m_server.clearEvents();
}

QStringList tst_DownloadBatches::packageRequests() const
{
    QStringList names;
    const QList<QJsonObject> requests = m_server.events(QStringLiteral("httpRequest"));
    for (const QJsonObject &request : requests) {
        const QString path = request.value(QLatin1String("path")).toString();
        if (path.startsWith(kPackages))
            names.append(path.mid(kPackages.size()));
    }
    return names;
}

FirmwareReleaseDb tst_DownloadBatches::database(int zeroSizeRelease) const
{
    QByteArray json = readFile(FirmwareServerProcess::demoCatalogueRoot()
                               + QStringLiteral("/firmwareupdates/pd_firmware_releases.json"));
    json.replace(FirmwareServerProcess::kDemoOrigin, m_server.baseUrl().adjusted(QUrl::RemovePath).toString().toUtf8());
    QJsonObject document = QJsonDocument::fromJson(json).object();
    if (zeroSizeRelease >= 0) {
        QJsonArray releases = document.value(QLatin1String("firmware")).toArray();
        QJsonObject release = releases.at(zeroSizeRelease).toObject();
        release[QLatin1String("fileSize")] = 0;
        releases[zeroSizeRelease] = release;
        document[QLatin1String("firmware")] = releases;
    }
    FirmwareReleaseDb db;
    db.parse(QJsonDocument(document).toJson());
    return db;
}

void tst_DownloadBatches::lanUpdateBatches_data()
{
    QTest::addColumn<QList<QStringList>>("rows"); // model, serial number
    QTest::addColumn<QStringList>("packages");       // requested, in this order

    // Two displays of one model share one download.
    QTest::newRow("one model") << QList<QStringList>{{"K5-432", "41A00001"}, {"K5-432", "41A00002"}}
                               << QStringList{QStringLiteral("k5_432_r1400.zip")};
    // Releases of one series may carry the same file: one per batch, and
    // the continuation starts the next.
    QTest::newRow("one series") << QList<QStringList>{{"K5-432", "41A00001"}, {"K5-552", "12A45678"}}
                                << QStringList{QStringLiteral("k5_432_r1400.zip"), QStringLiteral("k5_552a_r1400.zip")};
}

void tst_DownloadBatches::lanUpdateBatches()
{
    QFETCH(QList<QStringList>, rows);
    QFETCH(QStringList, packages);
    createWindow();
    for (const QStringList &r : rows)
        m_access->appendRow(row(r.at(0), r.at(1)));
    m_access->appendRow([] { DISPLAY_LIST_ENTRY e = row(QStringLiteral("K4-552")); e.selectedForUpdate = false; return e; }());
    m_access->updateUi();
    auto *lanUpdate = childOrFail<QPushButton>(m_window.get(), "download_pushButton");
    QVERIFY(lanUpdate->isEnabled());

    lanUpdate->click();
    QCOMPARE(m_access->list().at(0).downloadStatus, int(DownloadState::Downloading));
    QCOMPARE(m_access->list().at(2).downloadStatus, int(DownloadState::NotDownloaded)); // not checked
    QVERIFY(!lanUpdate->isEnabled() && QApplication::overrideCursor());
    const QString notAvailable = QStringLiteral("Not available yet: \"Update firmware via LAN\"");
    QTRY_COMPARE(logCount(notAvailable), 1);
    QCOMPARE(packageRequests(), packages);
    QCOMPARE(logCount(QStringLiteral("All downloads complete status: \"No error\"")), packages.size());
    for (int i = 0; i < rows.size(); ++i)
        QCOMPARE(m_access->list().at(i).downloadStatus, int(DownloadState::Downloaded));
    QCOMPARE(statusText(), QStringLiteral("Download complete"));
    QVERIFY(lanUpdate->isEnabled() && !QApplication::overrideCursor());

    // Everything is in the folder now: the LAN update follows at once.
    lanUpdate->click();
    QCOMPARE(logCount(notAvailable), 2);
    QCOMPARE(packageRequests().size(), packages.size());
}

void tst_DownloadBatches::usbDriveBatches_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("byModel"); // picked by name instead of selected in the list
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("messageBox");

    QTest::newRow("downloaded") << QStringLiteral("CB-321") << false << false << "Download complete" << QString();
    QTest::newRow("by model") << QStringLiteral("K4-652") << true << false << "Download complete" << QString();
    QTest::newRow("cancelled") << QStringLiteral("OH-P705") << false << true << "Download canceled" << QString();
    QTest::newRow("failed") << QStringLiteral("TM-981") << true << false << "Download error"
                            << "An error occurred while downloading the firmware. Check Internet connectivity and try again.";
}

void tst_DownloadBatches::usbDriveBatches()
{
    QFETCH(QString, model);
    QFETCH(bool, byModel);
    QFETCH(bool, cancel);
    QFETCH(QString, status);
    QFETCH(QString, messageBox);
    createWindow();
    m_access->appendRow(row(model));
    m_access->appendRow(row(QStringLiteral("K5-432")));
    auto *table = childOrFail<MyTableView>(m_window.get(), "display_list_tableView");
    table->selectionModel()->setCurrentIndex(
        qobject_cast<QAbstractProxyModel *>(table->model())->mapFromSource(m_access->model()->index(0, 0)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_access->updateUi();

    const int asked = MessageBoxes::askedCount();
    if (!messageBox.isEmpty())
        MessageBoxes::setNextAnswer(QMessageBox::Ok);
    if (byModel) {
        FirmwareRelease release;
        QCOMPARE(database().findForDisplay(model, QString(), release), 0);
        m_access->prepareUsbDriveForModel(release);
    } else {
        childOrFail<QPushButton>(m_window.get(), "create_usb_drive_pushButton")->click();
    }
    QCOMPARE(m_access->list().at(0).downloadStatus, int(DownloadState::Downloading));
    QCOMPARE(m_access->list().at(1).downloadStatus, int(DownloadState::NotDownloaded));
    QPushButton *cancelControl = nullptr;
    for (QPushButton *button : m_window->statusBar()->findChildren<QPushButton *>())
        cancelControl = button->text() == QLatin1String("Cancel downloads") ? button : cancelControl;
    QVERIFY(cancelControl && !cancelControl->isHidden());
    if (cancel) {
        QVERIFY(m_server.waitForEvent(QStringLiteral("httpRequest"), QJsonObject{{"path", QString(kPackages + kStalled)}}));
        cancelControl->click();
    }

    QTRY_COMPARE(statusText(), status);
    QCOMPARE(m_access->list().at(0).downloadStatus,
             int(status == QLatin1String("Download complete") ? DownloadState::Downloaded : DownloadState::Error));
    QCOMPARE(MessageBoxes::askedCount(), asked + (messageBox.isEmpty() ? 0 : 1));
    if (!messageBox.isEmpty())
        QCOMPARE(MessageBoxes::lastText(), messageBox);
    // A finished download goes on to the USB drive.
    QCOMPARE(logCount(QStringLiteral("Not available yet: \"Create firmware USB drive\"")),
             status == QLatin1String("Download complete") ? 1 : 0);
    QVERIFY(cancelControl->isHidden());
}

void tst_DownloadBatches::offlineDialogLinksModelsAndKeepsTheFolder()
{
    // K4-552 and K4-652 share a release whose size is not known.
    const FirmwareReleaseDb db = database(7);
    const QString folder = m_documents->path();
    auto dialog = std::make_unique<DownloadFirmwareForOfflineDialog>(folder, db);
    auto *list = childOrFail<QListWidget>(dialog.get(), "listWidget");
    auto *download = childOrFail<QPushButton>(dialog.get(), "download_pushButton");
    const auto item = [&](const QString &text) {
        const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchStartsWith);
        return found.value(0);
    };
    // Releases that need a newer tool or only a USB drive are not offered.
    QVERIFY(item(QStringLiteral("K4-552")) && !item(QStringLiteral("OH-P605")) && !item(QStringLiteral("CB-321")));
    QCOMPARE(item(QStringLiteral("K5-552 ("))->text(), QStringLiteral("K5-552 (Serial number with A or B in 3rd position)"));
    QVERIFY(!download->isEnabled());

    item(QStringLiteral("K4-552"))->setCheckState(Qt::Checked);
    QCOMPARE(item(QStringLiteral("K4-652"))->checkState(), Qt::Checked);
    QVERIFY(download->isEnabled());
    item(QStringLiteral("K4-652"))->setCheckState(Qt::Unchecked);
    QCOMPARE(item(QStringLiteral("K4-552"))->checkState(), Qt::Unchecked);
    QVERIFY(!download->isEnabled());

    item(QStringLiteral("K4-652"))->setCheckState(Qt::Checked);
    item(QStringLiteral("K5R-554"))->setCheckState(Qt::Checked);
    dialog->show();
    download->click();
    auto *progress = dialog->findChild<QProgressDialog *>();
    QVERIFY(progress && progress->isVisible());
    QCOMPARE(progress->maximum(), 0); // unknown total: a busy indicator
    QTRY_COMPARE(childOrFail<QLabel>(dialog.get(), "status_label")->text(), QStringLiteral("Download complete"));
    QStringList requested = packageRequests();
    requested.sort();
    QCOMPARE(requested, (QStringList{QStringLiteral("k4_04200.zip"), QStringLiteral("k5r_105.zip")}));

    // Opened again: what is in the folder shows checked and cannot be chosen.
    dialog = std::make_unique<DownloadFirmwareForOfflineDialog>(folder, db);
    list = childOrFail<QListWidget>(dialog.get(), "listWidget");
    for (const char *model : {"K4-552", "K4-652", "K5R-554", "K5-432"}) {
        const bool downloaded = qstrcmp(model, "K5-432") != 0;
        QCOMPARE(item(QLatin1String(model))->checkState(), downloaded ? Qt::Checked : Qt::Unchecked);
        QCOMPARE(item(QLatin1String(model))->flags().testFlag(Qt::ItemIsEnabled), !downloaded);
    }
    QVERIFY(!childOrFail<QPushButton>(dialog.get(), "download_pushButton")->isEnabled());
}

void tst_DownloadBatches::offlineDialogRefusesToCloseWhileDownloading()
{
    DownloadFirmwareForOfflineDialog dialog(m_documents->path(), database());
    const QList<QListWidgetItem *> target = childOrFail<QListWidget>(&dialog, "listWidget")->findItems(QStringLiteral("OH-P705"), Qt::MatchExactly);
    QCOMPARE(target.size(), 1);
    target.first()->setCheckState(Qt::Checked);
    dialog.show();
    childOrFail<QPushButton>(&dialog, "download_pushButton")->click();
    auto *progress = dialog.findChild<QProgressDialog *>();
    QVERIFY(progress);
    QCOMPARE(progress->maximum(), 17000);
    QVERIFY(m_server.waitForEvent(QStringLiteral("httpRequest"), QJsonObject{{"path", QString(kPackages + kStalled)}}));

    dialog.reject();
    QVERIFY(dialog.isVisible());
    QVERIFY(!childOrFail<QPushButton>(&dialog, "cancel_pushButton")->isEnabled());

    progress->findChild<QPushButton *>()->click();
    QTRY_COMPARE(childOrFail<QLabel>(&dialog, "status_label")->text(), QStringLiteral("Download error"));
    // The failed release stays chosen for another attempt.
    QVERIFY(target.first()->checkState() == Qt::Checked && target.first()->flags().testFlag(Qt::ItemIsEnabled));
    childOrFail<QPushButton>(&dialog, "cancel_pushButton")->click();
    QVERIFY(!dialog.isVisible());
}

void tst_DownloadBatches::firmwareFolderCommands()
{
    createWindow();
    auto *clear = childOrFail<QAction>(m_window.get(), "actionClear_downloaded_firmware_files");
    const QString folder = m_documents->path()
        + QStringLiteral("/Brevlin Vantor Display Solutions/Vantor Display Firmware Update Tool/Firmware/");
    // The folder holds the copy of the release database only.
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("pd_firmware_releases.json")});
    clear->trigger();
    QCOMPARE(statusText(), QStringLiteral("No Files to clear"));

    const QByteArray bin("firmware"), zip("package");
    QVERIFY(writeFile(folder + QStringLiteral("B<1>.BIN"), bin) && writeFile(folder + QStringLiteral("a.zip"), zip)
            && writeFile(folder + QStringLiteral("notes.txt"), "kept"));
    childOrFail<QAction>(m_window.get(), "actionCreat_file_hash")->trigger();
    const auto md5 = [](const QByteArray &data) { return QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex(); };
    QCOMPARE(childOrFail<QTextBrowser>(m_window.get(), "info_textBrowser")->toPlainText(),
             QStringLiteral("file: a.zip fileChecksum=%1 size=7\nfile: B<1>.BIN fileChecksum=%2 size=8\n")
                 .arg(QLatin1String(md5(zip)), QLatin1String(md5(bin))));

    clear->trigger();
    QCOMPARE(statusText(), QStringLiteral("Files cleared"));
    QCOMPARE(QDir(folder).entryList(QDir::Files),
             (QStringList{QStringLiteral("notes.txt"), QStringLiteral("pd_firmware_releases.json")}));

    // The Tools menu opens the offline dialog over the window's database.
    ModalAnswer<DownloadFirmwareForOfflineDialog> answer([](DownloadFirmwareForOfflineDialog *dialog) {
        QVERIFY(childOrFail<QListWidget>(dialog, "listWidget")->count() > 10);
        dialog->reject();
    });
    childOrFail<QAction>(m_window.get(), "actionDownload_firmware_for_offline_use")->trigger();
    QVERIFY(answer.answered());

    // Without a documents folder there is no firmware folder to work in.
    m_access.reset();
    PDFirmUpTool::Environment environment;
    m_window = std::make_unique<PDFirmUpTool>(environment);
    childOrFail<QAction>(m_window.get(), "actionClear_downloaded_firmware_files")->trigger();
    QCOMPARE(statusText(), QStringLiteral("The firmware folder is not available."));
}

QTEST_MAIN(tst_DownloadBatches)
#include "tst_downloadbatches.moc"
