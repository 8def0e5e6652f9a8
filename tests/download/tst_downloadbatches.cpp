// Firmware downloads as the operator starts them: the main window's batches
// before a LAN update and before a USB drive, the offline download dialog,
// and the firmware folder commands. Against the local firmware server and
// its demo catalogue on loopback.
#include "../app/pdfirmuptooltestaccess.h"
#include "app/sv_information_dialog.h"
#include "app/timing.h"
#include "dialogs/messageboxes.h"
#include "dialogs/updatewarningmessagedialog.h"
#include "displaylist/mytableview.h"
#include "download/downloadfirmwareforofflinedialog.h"
#include "download/firmwarefiles.h"
#include "firmwareserverprocess.h"
#include "resources/resourceinit.h"
#include "testfiles.h"
#include "testsettings.h"
#include "usbdrive/createusbdrivedialog.h"
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

#include <linux/fs.h>
#include <sys/ioctl.h>

namespace {
const QString kPackages = QStringLiteral("/firmwareupdates/packages/");

// Makes a file undeletable even for root; false where the file system or the process cannot.
bool setImmutable(const QString &path, bool on)
{
    QFile file(path);
    int flags = 0;
    if (!file.open(QIODevice::ReadOnly) || ioctl(file.handle(), FS_IOC_GETFLAGS, &flags) != 0)
        return false;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    return ioctl(file.handle(), FS_IOC_SETFLAGS, &flags) == 0;
}
// Served as head and half the body, then nothing: a download that runs until cancelled.
const QString kStalled = QStringLiteral("oh_p705_180.pkg");
}

class tst_DownloadBatches : public QObject
{
    Q_OBJECT

    TestSettingsLocation m_settings;
    FirmwareServerProcess m_server;
    std::unique_ptr<QTemporaryDir> m_documents;
    std::unique_ptr<PDFirmUpTool> m_window;
    std::unique_ptr<PDFirmUpToolTestAccess> m_access;
    QList<int> m_firstRowStates; // the download states the first row went through

    // A window that has its release database from the local server.
    void createWindow()
    {
        PDFirmUpTool::Environment environment; // no LAN interface: never a broadcast
        environment.documentsFolder = m_documents->path();
        const int asked = MessageBoxes::askedCount();
        MessageBoxes::setNextAnswer(QMessageBox::Ok); // the demo database announces a newer tool
        m_window = std::make_unique<PDFirmUpTool>(environment);
        m_access = std::make_unique<PDFirmUpToolTestAccess>(*m_window);
        m_firstRowStates.clear();
        connect(m_window.get(), &PDFirmUpTool::update_info, m_window.get(), [this](int row) {
            const int state = m_access->list().value(0).downloadStatus;
            if (row == 0 && m_firstRowStates.value(m_firstRowStates.size() - 1, -1) != state)
                m_firstRowStates.append(state);
        });
        QTRY_VERIFY(m_access->databaseLoaded() && MessageBoxes::askedCount() == asked + 1 && !m_access->searching());
        m_server.clearEvents();
    }
    QStringList packageRequests() const
    {
        QStringList names;
        for (const QJsonObject &request : m_server.events(QStringLiteral("httpRequest")))
            names.append(request.value(QLatin1String("path")).toString().remove(kPackages));
        return names;
    }
    bool waitForStall() { return m_server.waitForEvent(QStringLiteral("httpRequest"), {{"path", QString(kPackages + kStalled)}}); }
    int logCount(const QString &text) const { return m_window->logWindow()->text().count(text); }
    QString statusText() const { return m_window->statusBar()->currentMessage(); }
    // The demo database as served, with the K4-552/K4-652 release's size unknown.
    FirmwareReleaseDb database() const
    {
        QByteArray json = readFile(FirmwareServerProcess::demoCatalogueRoot() + QStringLiteral("/firmwareupdates/pd_firmware_releases.json"));
        json.replace(FirmwareServerProcess::kDemoOrigin, m_server.baseUrl().adjusted(QUrl::RemovePath).toString().toUtf8());
        QJsonObject document = QJsonDocument::fromJson(json).object();
        QJsonArray releases = document.value(QLatin1String("firmware")).toArray();
        QJsonObject k4 = releases.at(7).toObject();
        k4[QLatin1String("fileSize")] = 0;
        releases[7] = k4;
        document[QLatin1String("firmware")] = releases;
        FirmwareReleaseDb db;
        db.parse(QJsonDocument(document).toJson());
        return db;
    }

private slots:
    void initTestCase()
    {
        initVdfuResources();
        // The first search and the tool update notice follow the database within 250 ms.
        Timing::setScale(0.05);
        QVERIFY2(m_server.startDemoCatalogue({"stallBody:" + kPackages + kStalled, "notFound:" + kPackages + "tm_981_210.bin"}),
                 qPrintable(m_server.errorString()));
    }
    void init()
    {
        m_settings.clear();
        m_settings.setMainValue(QStringLiteral("Firmware Server URL"), m_server.baseUrl().toString());
        m_documents = std::make_unique<QTemporaryDir>();
        m_server.clearEvents();
    }
    void cleanup()
    {
        m_access.reset();
        m_window.reset();
    }

    void lanUpdateBatches_data()
    {
        QTest::addColumn<QStringList>("models"); // model/serial number of checked rows
        QTest::addColumn<QStringList>("packages"); // requested, in this order
        // Two displays of one model share one download.
        QTest::newRow("one model") << QStringList{"K5-432/41A00001", "K5-432/41A00002"} << QStringList{"k5_432_r1400.zip"};
        // Releases of one series may carry the same file: one per batch, and the continuation starts the next.
        QTest::newRow("one series") << QStringList{"K5-432/41A00001", "K5-552/12A45678"} << QStringList{"k5_432_r1400.zip", "k5_552a_r1400.zip"};
    }
    void lanUpdateBatches()
    {
        QFETCH(QStringList, models);
        QFETCH(QStringList, packages);
        createWindow();
        for (const QString &model : models)
            m_access->appendRow(lanUpdatableRow(model.section('/', 0, 0), model.section('/', 1)));
        DISPLAY_LIST_ENTRY unchecked = lanUpdatableRow(QStringLiteral("K4-552"));
        unchecked.selectedForUpdate = false;
        m_access->appendRow(unchecked);
        m_access->updateUi();
        auto *lanUpdate = childOrFail<QPushButton>(m_window.get(), "download_pushButton");

        // The update itself begins with the cautions, declined here.
        const auto decline = [](UpdateWarningMessageDialog *cautions) { cautions->reject(); };
        auto cautions = std::make_unique<ModalAnswer<UpdateWarningMessageDialog>>(decline);
        lanUpdate->click();
        QVERIFY(!lanUpdate->isEnabled() && QApplication::overrideCursor());
        QTRY_VERIFY(cautions->answered());
        QCOMPARE(m_firstRowStates, (QList<int>{DownloadState::Downloading, DownloadState::Downloaded}));
        QCOMPARE(m_access->list().at(2).downloadStatus, int(DownloadState::NotDownloaded));
        QCOMPARE(packageRequests(), packages);
        QCOMPARE(logCount(QStringLiteral("All downloads complete status: \"No error\"")), packages.size());
        for (int i = 0; i < models.size(); ++i)
            QCOMPARE(m_access->list().at(i).downloadStatus, int(DownloadState::Downloaded));
        QCOMPARE(statusText(), QStringLiteral("Download complete"));
        QVERIFY(lanUpdate->isEnabled() && !QApplication::overrideCursor());

        // Everything is in the folder now: the LAN update follows at once.
        cautions = std::make_unique<ModalAnswer<UpdateWarningMessageDialog>>(decline);
        lanUpdate->click();
        QTRY_VERIFY(cautions->answered());
        QCOMPARE(packageRequests().size(), packages.size());
    }

    void usbDriveBatches_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("byModel"); // picked by name instead of selected in the list
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("messageBox");
        QTest::addColumn<QString>("fault"); // the release's size not as served, or its file removed once downloaded
        const QString notAsListed = QStringLiteral("Error: The firmware files do not match the firmware database.");
        QTest::newRow("downloaded") << "CB-321" << false << "Download complete" << QString() << "";
        QTest::newRow("by model") << "K4-652" << true << "Download complete" << QString() << "";
        QTest::newRow("cancelled") << "OH-P705" << false << "Download canceled" << QString() << "";
        QTest::newRow("failed") << "TM-981" << true << "Download error"
                                << "An error occurred while downloading the firmware. Check Internet connectivity and try again." << "";
        // A download that does not bring the release as listed is not fetched again.
        QTest::newRow("size not as listed") << "CB-321" << true << "Download error" << notAsListed << "size";
        QTest::newRow("removed after download") << "CB-321" << false << "Download error" << notAsListed << "removed";
    }
    void usbDriveBatches()
    {
        QFETCH(QString, model);
        QFETCH(bool, byModel);
        QFETCH(QString, status);
        QFETCH(QString, messageBox);
        QFETCH(QString, fault);
        createWindow();
        m_access->appendRow(lanUpdatableRow(model));
        m_access->appendRow(lanUpdatableRow(QStringLiteral("K5-432")));
        auto *table = childOrFail<MyTableView>(m_window.get(), "display_list_tableView");
        table->selectionModel()->setCurrentIndex(qobject_cast<QAbstractProxyModel *>(table->model())->mapFromSource(m_access->model()->index(0, 0)),
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_access->updateUi();

        const int asked = MessageBoxes::askedCount();
        if (!messageBox.isEmpty())
            MessageBoxes::setNextAnswer(QMessageBox::Ok);
        // A finished download goes on to the USB drive; nothing else opens it.
        const bool complete = status == QLatin1String("Download complete");
        ModalAnswer<CreateUSBDriveDialog> usbDrive([](CreateUSBDriveDialog *dialog) { dialog->reject(); });
        FirmwareRelease release;
        QCOMPARE(database().findForDisplay(model, QString(), release), 0);
        release.fileSize += fault == QLatin1String("size") ? 1 : 0;
        QObject context;
        connect(m_window.get(), &PDFirmUpTool::update_info, &context, [&](int row) {
            if (fault == QLatin1String("removed") && m_access->list().at(row).downloadStatus == DownloadState::Downloaded)
                QFile::remove(m_access->cacheFolder() + '/' + FirmwareFiles::packageFileName(release.downloadLoc));
        });
        if (byModel)
            m_access->prepareUsbDriveForModel(release);
        else
            childOrFail<QPushButton>(m_window.get(), "create_usb_drive_pushButton")->click();
        QPushButton *cancelControl = nullptr;
        for (QPushButton *button : m_window->statusBar()->findChildren<QPushButton *>())
            cancelControl = button->text() == QLatin1String("Cancel downloads") ? button : cancelControl;
        if (status == QLatin1String("Download canceled")) {
            QVERIFY(waitForStall());
            QVERIFY(cancelControl && !cancelControl->isHidden());
            QVERIFY(!childOrFail<QAction>(m_window.get(), "actionClear_downloaded_firmware_files")->isEnabled());
            cancelControl->click();
        }

        QTRY_COMPARE(statusText(), status);
        QTRY_COMPARE(m_firstRowStates.value(m_firstRowStates.size() - 1), int(complete ? DownloadState::Downloaded : DownloadState::Error));
        QCOMPARE(m_firstRowStates.first(), int(DownloadState::Downloading));
        QCOMPARE(m_access->list().at(1).downloadStatus, int(DownloadState::NotDownloaded));
        QCOMPARE(packageRequests().size(), 1);
        QCOMPARE(MessageBoxes::askedCount(), asked + (messageBox.isEmpty() ? 0 : 1));
        if (!messageBox.isEmpty())
            QCOMPARE(MessageBoxes::lastText(), messageBox);
        QTRY_COMPARE(usbDrive.answered(), complete);
        QVERIFY(cancelControl->isHidden());
    }

    void offlineDialog()
    {
        const FirmwareReleaseDb db = database();
        auto dialog = std::make_unique<DownloadFirmwareForOfflineDialog>(m_documents->path(), db);
        const auto item = [&](const char *text) {
            return childOrFail<QListWidget>(dialog.get(), "listWidget")->findItems(QLatin1String(text), Qt::MatchStartsWith).value(0);
        };
        const auto button = [&](const char *name) { return childOrFail<QPushButton>(dialog.get(), name); };
        const auto status = [&] { return childOrFail<QLabel>(dialog.get(), "status_label")->text(); };
        // Releases that need a newer tool or only a USB drive are not offered.
        QVERIFY(item("K4-552") && !item("OH-P605") && !item("CB-321"));
        QCOMPARE(item("K5-552 (")->text(), QStringLiteral("K5-552 (Serial number with A or B in 3rd position)"));
        // The models of one release are checked together.
        item("K4-552")->setCheckState(Qt::Checked);
        QVERIFY(item("K4-652")->checkState() == Qt::Checked);
        QTRY_VERIFY(button("download_pushButton")->isEnabled()); // once the folder has been read
        item("K4-652")->setCheckState(Qt::Unchecked);
        QVERIFY(item("K4-552")->checkState() == Qt::Unchecked && !button("download_pushButton")->isEnabled());

        item("K4-652")->setCheckState(Qt::Checked);
        item("K5R-554")->setCheckState(Qt::Checked);
        dialog->show();
        button("download_pushButton")->click();
        auto *progress = dialog->findChild<QProgressDialog *>();
        QVERIFY(progress && progress->isVisible());
        QCOMPARE(progress->maximum(), 0); // unknown total: a busy indicator
        QTRY_COMPARE(status(), QStringLiteral("Download complete"));
        QStringList requested = packageRequests();
        requested.sort();
        QCOMPARE(requested, (QStringList{"k4_04200.zip", "k5r_105.zip"}));

        // Opened again: what is in the folder shows checked and cannot be chosen.
        dialog = std::make_unique<DownloadFirmwareForOfflineDialog>(m_documents->path(), db);
        QTRY_VERIFY(!item("K4-552")->flags().testFlag(Qt::ItemIsEnabled));
        for (const char *model : {"K4-552", "K4-652", "K5R-554", "K5-432"}) {
            const bool downloaded = qstrcmp(model, "K5-432") != 0;
            QCOMPARE(item(model)->checkState(), downloaded ? Qt::Checked : Qt::Unchecked);
            QCOMPARE(item(model)->flags().testFlag(Qt::ItemIsEnabled), !downloaded);
        }
        QVERIFY(!button("download_pushButton")->isEnabled());

        // Closing is refused while a download runs.
        item("OH-P705")->setCheckState(Qt::Checked);
        dialog->show();
        button("download_pushButton")->click();
        progress = dialog->findChild<QProgressDialog *>();
        QCOMPARE(progress->maximum(), 17000);
        QVERIFY(waitForStall());
        dialog->reject();
        QVERIFY(dialog->isVisible() && !button("cancel_pushButton")->isEnabled());
        progress->findChild<QPushButton *>()->click();
        QTRY_COMPARE(status(), QStringLiteral("Download error"));
        // The failed release stays chosen for another attempt.
        QVERIFY(item("OH-P705")->checkState() == Qt::Checked && item("OH-P705")->flags().testFlag(Qt::ItemIsEnabled));
        button("cancel_pushButton")->click();
        QVERIFY(!dialog->isVisible());
    }

    void firmwareFolderCommands()
    {
        const QString folder = m_documents->path() + QStringLiteral("/Brevlin Vantor Display Solutions/Vantor Display Firmware Update Tool/Firmware/");
        const auto files = [&] { return QDir(folder).entryList(QDir::Files | QDir::Hidden); };
        // Temporary files untouched for hours are left over from a crash; a fresh one may be another program's.
        const auto leftOver = [&](const QString &name) {
            QFile file(folder + name);
            return writeFile(file.fileName(), "left by a crash") && file.open(QIODevice::Append)
                && file.setFileTime(QDateTime::currentDateTime().addSecs(-7200), QFileDevice::FileModificationTime);
        };
        QVERIFY(QDir().mkpath(folder) && leftOver(".vdfu-a1B2c3") && writeFile(folder + ".vdfu-x1Y2z3", "running"));
        createWindow();
        auto *clear = childOrFail<QAction>(m_window.get(), "actionClear_downloaded_firmware_files");
        // The folder holds the copy of the release database only.
        QCOMPARE(files(), (QStringList{".vdfu-x1Y2z3", "pd_firmware_releases.json"}));
        QVERIFY(QFile::remove(folder + ".vdfu-x1Y2z3"));
        clear->trigger();
        QCOMPARE(statusText(), QStringLiteral("No Files to clear"));

        const QByteArray bin("firmware"), zip("package");
        QVERIFY(writeFile(folder + "B<1>.BIN", bin) && writeFile(folder + "a.zip", zip) && writeFile(folder + "notes.txt", "kept")
                && leftOver(".vdfu-d4E5f6"));
        childOrFail<QAction>(m_window.get(), "actionCreat_file_hash")->trigger();
        const auto md5 = [](const QByteArray &data) { return QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex(); };
        QTRY_COMPARE(childOrFail<QTextBrowser>(m_window.get(), "info_textBrowser")->toPlainText(),
                 QStringLiteral("file: a.zip fileChecksum=%1 size=7\nfile: B<1>.BIN fileChecksum=%2 size=8\n")
                     .arg(QLatin1String(md5(zip)), QLatin1String(md5(bin))));
        clear->trigger();
        QCOMPARE(statusText(), QStringLiteral("Files cleared"));
        QCOMPARE(files(), (QStringList{"notes.txt", "pd_firmware_releases.json"}));
        // What stays is told, not reported as cleared (where a file can be made undeletable here).
        QVERIFY(writeFile(folder + "c.hex", "kept") && writeFile(folder + "d.hex", "gone"));
        if (setImmutable(folder + "c.hex", true)) {
            clear->trigger();
            setImmutable(folder + "c.hex", false);
            QCOMPARE(statusText(), QStringLiteral("Could not delete 1 of 2 files"));
            QCOMPARE(logCount(QStringLiteral("Could not delete firmware file: \"c.hex\"")), 1);
        }

        // The Tools menu opens the offline dialog over the window's database.
        ModalAnswer<DownloadFirmwareForOfflineDialog> answer([](DownloadFirmwareForOfflineDialog *dialog) {
            QVERIFY(childOrFail<QListWidget>(dialog, "listWidget")->count() > 10);
            dialog->reject();
        });
        childOrFail<QAction>(m_window.get(), "actionDownload_firmware_for_offline_use")->trigger();
        QVERIFY(answer.answered());

        // Without a documents folder there is no firmware folder to work in.
        m_access.reset();
        m_window = std::make_unique<PDFirmUpTool>(PDFirmUpTool::Environment());
        childOrFail<QAction>(m_window.get(), "actionClear_downloaded_firmware_files")->trigger();
        QCOMPARE(statusText(), QStringLiteral("The firmware folder is not available."));
    }
};

QTEST_MAIN(tst_DownloadBatches)
#include "tst_downloadbatches.moc"
