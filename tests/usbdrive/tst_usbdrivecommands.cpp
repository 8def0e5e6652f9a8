// The main window's USB drive commands: a model picked by name whose
// firmware is in the firmware folder goes straight to the USB drive dialog,
// which writes it onto the test drive of the settings.
#include "app/pdfirmuptool.h"
#include "app/sv_information_dialog.h"
#include "app/timing.h"
#include "firmwareserverprocess.h"
#include "../app/pdfirmuptooltestaccess.h"
#include "resources/resourceinit.h"
#include "testfiles.h"
#include "testsettings.h"
#include "widgettesthelpers.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class tst_UsbDriveCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        initVdfuResources();
        // The notice of a newer tool build, due 5 s after the database, never comes.
        Timing::setScale(100);
    }
    void driveForModelPickedByName();
};

void tst_UsbDriveCommands::driveForModelPickedByName()
{
    TestSettingsLocation settings;
    QTemporaryDir documents, drive;
    settings.setMainValue("Test USB Drive Folder", drive.path());
    const QString folder =
        documents.path() + "/Brevlin Vantor Display Solutions/Vantor Display Firmware Update Tool/Firmware";
    const QString demo = FirmwareServerProcess::demoCatalogueRoot() + "/firmwareupdates/";
    QVERIFY(QDir().mkpath(folder) && QFile::copy(demo + "packages/cb_321_120.bin", folder + "/cb_321_120.bin"));
    QVERIFY(QFile::copy(demo + "pd_firmware_releases.json", folder + "/pd_firmware_releases.json"));

    PDFirmUpTool::Environment environment;
    environment.documentsFolder = documents.path();
    PDFirmUpTool window(environment);
    PDFirmUpToolTestAccess access(window);
    QTRY_VERIFY(access.databaseLoaded());

    std::unique_ptr<ModalAnswer<QDialog>> usbDialog;
    QString status;
    ModalAnswer<QDialog> search([&](QDialog *dialog) {
        childOrFail<QLineEdit>(dialog, "lineEdit")->setText("cb-321");
        usbDialog = std::make_unique<ModalAnswer<QDialog>>([&](QDialog *usb) {
            childOrFail<QPushButton>(usb, "copy_files_pushButton")->click();
            status = childOrFail<QLabel>(usb, "status_label")->text();
            childOrFail<QPushButton>(usb, "close_pushButton")->click();
        });
        childOrFail<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok)->click();
    });
    childOrFail<QAction>(&window, "actionCreate_USB_drive_for_another_model")->trigger();
    QVERIFY(search.answered() && usbDialog && usbDialog->answered());
    QCOMPARE(status, "Copied firmware file(s) to USB drive.");
    QCOMPARE(readFile(drive.path() + "/CB321_FW/CB321.BIN"), readFile(folder + "/cb_321_120.bin"));
    QCOMPARE(window.logWindow()->text().count("Firmware is already downloaded."), 1);
}

QTEST_MAIN(tst_UsbDriveCommands)
#include "tst_usbdrivecommands.moc"
