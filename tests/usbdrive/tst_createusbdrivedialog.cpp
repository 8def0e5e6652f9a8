// The USB drive dialog: its information texts, the drive list (test drives,
// the disk service's records, boot sectors) and the copy procedure against
// folders standing in for drives, hostile release names included.
#include "testfiles.h"
#include "testsettings.h"
#include "widgettesthelpers.h"

#include "dialogs/messageboxes.h"
#include "resources/resourceinit.h"
#include "usbdrive/createusbdrivedialog.h"
#include "usbdrive/diskservicedrives.h"
#include "usbdrive/usbdrivetexts.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(FirmwareRelease)

namespace {

const QByteArray kAlpha = "alpha firmware";
// More than one piece of what is sent to the device while copying.
const QByteArray kBravo(5 << 20, 'b');

QString md5(const QByteArray &data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex());
}

// Two unpacked files, A.BIN and B.BIN, for FAT32 drives.
FirmwareRelease twoFiles(const QString &folder = {}, const QString &destination = {})
{
    FirmwareRelease release;
    release.updateViaUSB = UsbDriveTexts::Fat32;
    release.unpackedFileInfo = {{QStringLiteral("A.BIN"), int(kAlpha.size()), md5(kAlpha)},
                                {QStringLiteral("B.BIN"), int(kBravo.size()), md5(kBravo)}};
    release.baseUSBFolderName = folder;
    release.destinationUSBFileName = destination;
    return release;
}

FirmwareRelease withFile(FirmwareRelease release, int index, const QString &name, const QString &checksum)
{
    release.unpackedFileInfo[index].fileName = name;
    release.unpackedFileInfo[index].fileChecksum = checksum;
    return release;
}

// Every file below `folder`, links not followed, as sorted relative paths.
QStringList filesBelow(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

// Folders whose drive the disk service would eject when asked ("!eject").
struct EjectingFolders : FolderDriveSource
{
    bool ejects = false;
    bool eject(const RemovableDrive &d, QString *why) override { return ejects || FolderDriveSource::eject(d, why); }
};

RemovableDrive drive(const QString &root, const QString &name, const QString &fileSystem, bool usb = true)
{
    return {root, name, fileSystem, 512LL << 20, usb, QString()};
}

QByteArray bootSector(quint16 sectorsPerFat16, quint8 sectorsPerCluster, quint16 rootEntries, quint32 sectors)
{
    QByteArray sector(512, '\0');
    // Little-endian fields, byte by byte (the optimiser misjudges the
    // buffer's size behind qToLittleEndian here).
    const auto put = [&sector](int offset, quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            sector[offset + i] = char(value >> (8 * i));
    };
    put(11, 512, 2);
    sector[13] = char(sectorsPerCluster);
    put(14, 1, 2);
    sector[16] = 2;
    put(17, rootEntries, 2);
    put(22, sectorsPerFat16, 2);
    put(32, sectors, 4);
    put(36, sectorsPerFat16 ? 0 : 3900, 4);
    return sector;
}

}

class tst_CreateUSBDriveDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initVdfuResources(); }
    void texts_data();
    void texts();
    void driveList();
    void diskServiceAndBootSectors();
    void copy_data();
    void copy();
};

void tst_CreateUSBDriveDialog::texts_data()
{
    QTest::addColumn<FirmwareRelease>("release");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    FirmwareRelease package;
    package.downloadLoc = QStringLiteral("http://h/p/fw.bin");
    package.fileSize = 1000;
    package.updateViaUSB = 5;
    QTest::newRow("1000 bytes need 1 kB") << package << "space" << "1 kB";
    QTest::newRow("nothing known") << FirmwareRelease() << "space" << "Unknown.";
    QTest::newRow("MB") << twoFiles() << "space" << "5 MB";
    QTest::newRow("formats from the bits") << package << "formats" << "FAT16, NTFS";
    QTest::newRow("no restriction") << package << "restrictions" << "None";
    FirmwareRelease restricted;
    restricted.needSNMatchPosition = 3;
    restricted.needSNMatchDetailedDescription = QStringLiteral("Made before 2023.");
    restricted.needRegionSelectListingText = QStringLiteral("Europe");
    restricted.needRegionSelectDescription = QStringLiteral("Sold in Europe.");
    QTest::newRow("serial number and region") << restricted << "restrictions" << "Made before 2023. Sold in Europe.";
    restricted.needSNMatchPosition = 0;
    QTest::newRow("region") << restricted << "restrictions" << "Sold in Europe.";
    FirmwareRelease history;
    history.changes = {QStringLiteral("R2"), QStringLiteral("R2"), QStringLiteral("Faster|Safer")};
    history.previousVersionChangeList = {{QStringLiteral("Rev. A"), QStringLiteral("1.0"), QStringLiteral("|First||")}};
    QTest::newRow("history with and without a version")
        << history << "history"
        << "<b>Revision R2</b>:<br>1. Faster<br>2. Safer<br><b>Revision Rev. A</b><b> (version 1.0)</b>:<br>1. First";
    history.updateviaUSBInstructions = QStringLiteral("^Use a <b>FAT32</b> drive.|Insert it.||Switch on.");
    QTest::newRow("a note and two steps")
        << history << "instructions"
        << "Use a <b>FAT32</b> drive.<br><br><i><b>Step 1</b></i><br>Insert it.<br><br>"
           "<i><b>Step 2</b></i><br>Switch on.<br><br>";
    QTest::newRow("no instructions") << package << "instructions" << "No instructions available.";
}

void tst_CreateUSBDriveDialog::texts()
{
    QFETCH(FirmwareRelease, release);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    qint64 total = 0;
    for (const UnpackedFileInfo &file : UsbDriveTexts::fileList(release))
        total += file.fileSize;
    const QString actual = text == "space"       ? UsbDriveTexts::spaceRequired(total)
        : text == "formats"                      ? UsbDriveTexts::supportedFormats(release.updateViaUSB)
        : text == "restrictions"                 ? UsbDriveTexts::usageRestrictions(release)
        : text == "history"                      ? UsbDriveTexts::revisionHistory(release)
                                                 : UsbDriveTexts::usbInstructions(release.updateviaUSBInstructions);
    QCOMPARE(actual, expected);
}

void tst_CreateUSBDriveDialog::driveList()
{
    QTemporaryDir dir;
    auto source = std::make_unique<FolderDriveSource>();
    source->add({drive(dir.path(), "STICK16", "FAT16"), -1});
    source->add({drive(dir.path() + "/", "STICK32", "fat32"), -1});
    source->add({drive(dir.path(), "SYSTEM", "NTFS", false), -1});
    FolderDriveSource *folders = source.get();
    CreateUSBDriveDialog dialog(nullptr, twoFiles(), dir.path(), std::move(source));
    auto *list = childOrFail<QComboBox>(&dialog, "drive_comboBox");
    auto *status = childOrFail<QLabel>(&dialog, "status_label");
    auto *copy = childOrFail<QPushButton>(&dialog, "copy_files_pushButton");
    auto *model = qobject_cast<QStandardItemModel *>(list->model());
    // The fixed disk is left out; the FAT16 stick is shown but cannot be chosen.
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemText(0), QDir::toNativeSeparators(dir.path()) + " (STICK16) [512 MB FAT16]");
    QCOMPARE(model->item(0)->flags(), Qt::NoItemFlags);
    QVERIFY(!list->itemIcon(0).isNull());
    QCOMPARE(status->text(), "Select a suitably formatted USB drive.");
    QVERIFY(!copy->isEnabled());
    list->setCurrentIndex(1);
    QCOMPARE(list->currentData().toString(), dir.path() + "/");
    QCOMPARE(status->text(), "Ready.");
    QVERIFY(copy->isEnabled());
    folders->add({drive(dir.path(), "NEW", "FAT32"), -1});
    childOrFail<QPushButton>(&dialog, "refresh_pushButton")->click();
    QCOMPARE(list->count(), 3);

    // Without the disk service the list says how it was made.
    CreateUSBDriveDialog fallback(nullptr, twoFiles(), dir.path(), std::make_unique<MountedVolumeDriveSource>());
    list = childOrFail<QComboBox>(&fallback, "drive_comboBox");
    QCOMPARE(list->itemText(list->count() - 1), MountedVolumeDriveSource().note());
    QCOMPARE(childOrFail<QLabel>(&fallback, "status_label")->text(), "No suitably formatted USB drives found.");
    QVERIFY(!MountedVolumeDriveSource().volumeState(dir.path()).valid); // a folder is no volume

    // The test drive of the settings.
    TestSettingsLocation settings;
    settings.setMainValue("Test USB Drive Folder", dir.path());
    CreateUSBDriveDialog configured(nullptr, twoFiles(), dir.path());
    QCOMPARE(childOrFail<QComboBox>(&configured, "drive_comboBox")->currentData().toString(), dir.path());
}

void tst_CreateUSBDriveDialog::diskServiceAndBootSectors()
{
    const QList<DiskServiceDrive> drives{{"/d/stick", "usb", "V", "M", true, true},
                                         {"/d/ssd", "", "V", "S", false, false}};
    const QList<DiskServiceBlock> blocks{
        {"/b/sdb1", "/d/stick", "/dev/sdb1", "vfat", "FAT16", "STICK", 1LL << 30, false, {"/media/stick"}},
        {"/b/sdb2", "/d/stick", "/dev/sdb2", "exfat", "1.0", "", 1LL << 20, false, {"/media/x"}},
        {"/b/sdb3", "/d/stick", "/dev/sdb3", "vfat", "FAT32", "", 1LL << 20, false, {}},
        {"/b/sda1", "/d/ssd", "/dev/sda1", "ntfs", "", "SYSTEM", 1LL << 30, false, {"/"}}};
    const QList<DriveListItem> items = RemovableDrives::listItems(DiskService::drivesFrom(blocks, drives), 2);
    QCOMPARE(items.size(), 2);
    QCOMPARE(items.at(0).text, "/media/stick (STICK) [1 GB FAT16]");
    QCOMPARE(items.at(1).text, "/media/x (/dev/sdb2) [1 MB exFAT]");
    QVERIFY(!items.at(0).suitable && !items.at(1).suitable);
    QCOMPARE(DiskService::drivesFrom(blocks, drives).constFirst().ejectId, "/b/sdb1");

    using RemovableDrives::fileSystemFromBootSector;
    QCOMPARE(fileSystemFromBootSector(bootSector(245, 64, 512, 4000000)), "FAT16");
    QCOMPARE(fileSystemFromBootSector(bootSector(0, 8, 0, 4000000)), "FAT32");
    QCOMPARE(fileSystemFromBootSector(bootSector(245, 64, 512, 400)), QString()); // smaller than its tables
    for (const QString &name : {QStringLiteral("NTFS"), QStringLiteral("exFAT")}) {
        QByteArray sector(512, '\0');
        sector.replace(3, 8, name.toUpper().leftJustified(8).toLatin1());
        QCOMPARE(fileSystemFromBootSector(sector), name);
    }
    QCOMPARE(fileSystemFromBootSector(QByteArray(512, '\0')), QString());
    QCOMPARE(fileSystemFromBootSector("short"), QString());
}

void tst_CreateUSBDriveDialog::copy_data()
{
    QTest::addColumn<FirmwareRelease>("release");
    QTest::addColumn<QStringList>("before"); // on the drive: "file", "folder/", "link->outside"
    QTest::addColumn<qint64>("spare");       // free space beyond what the files need
    QTest::addColumn<int>("answer");          // to the warning about old files; 0: none asked
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("after");

    const QString copied = "Copied firmware file(s) to USB drive.";
    const QString unable = "Error: Unable to copy file(s).";
    const qint64 plenty = 1 << 30;
    QTest::newRow("old firmware deleted after the warning")
        << twoFiles() << QStringList{"OLD.BIN", "old.hex", "notes.txt"} << plenty << int(QMessageBox::Yes) << copied
        << QStringList{"A.BIN", "B.BIN", "notes.txt"};
    QTest::newRow("warning declined") << twoFiles() << QStringList{"OLD.BIN"} << plenty << int(QMessageBox::No)
                                      << QString() << QStringList{"OLD.BIN"};
    QTest::newRow("release folder emptied and filled")
        << twoFiles("FW\\SUB") << QStringList{"FW/SUB/stale.txt", "FW/keep.txt"} << plenty << 0 << copied
        << QStringList{"FW/SUB/A.BIN", "FW/SUB/B.BIN", "FW/keep.txt"};
    FirmwareRelease package;
    package.updateViaUSB = UsbDriveTexts::Fat32;
    package.downloadLoc = "http://h/packages/A.BIN";
    package.baseUSBFolderName = "CB321_FW";
    package.destinationUSBFileName = "CB321.BIN";
    QTest::newRow("package renamed into a new folder")
        << package << QStringList() << plenty << 0 << copied << QStringList{"CB321_FW/CB321.BIN"};
    QTest::newRow("drive ejected afterwards") << twoFiles() << QStringList{"!eject"} << plenty << 0 << copied
                                              << QStringList{"A.BIN", "B.BIN"};
    QTest::newRow("drive not ejected") << twoFiles() << QStringList{"!stays"} << plenty << 0 << copied
                                       << QStringList{"A.BIN", "B.BIN"};
    QTest::newRow("free space equal to the total") << twoFiles() << QStringList() << qint64(0) << 0 << copied
                                                   << QStringList{"A.BIN", "B.BIN"};
    QTest::newRow("-7 one byte short") << twoFiles() << QStringList() << qint64(-1) << 0
                                       << "Error: Not enough free space on USB drive." << QStringList();
    QTest::newRow("-1 drive gone") << twoFiles() << QStringList{"!gone"} << plenty << 0
                                   << "Error: Invalid drive selected." << QStringList();
    QTest::newRow("-3 folder cannot be made") << twoFiles("FW") << QStringList{"FW"} << plenty << 0 << unable
                                              << QStringList{"FW"};
    QTest::newRow("-3 write fails") << twoFiles() << QStringList{"!full"} << plenty << 0 << unable
                                    << QStringList{"A.BIN", "B.BIN"};
    QTest::newRow("-4 digest differs") << withFile(twoFiles(), 1, "B.BIN", md5("other")) << QStringList() << plenty
                                       << 0 << "Error: Copied file(s) failed verification."
                                       << QStringList{"A.BIN", "B.BIN"};
    QTest::newRow("empty digest not verified") << withFile(twoFiles(), 1, "B.BIN", QString()) << QStringList()
                                               << plenty << 0 << copied << QStringList{"A.BIN", "B.BIN"};
    QTest::newRow("-5 source missing") << withFile(twoFiles(), 1, "C.BIN", QString()) << QStringList() << plenty
                                       << 0 << "Error: Source file(s) missing." << QStringList();
    QTest::newRow("-6 target cannot be deleted") << twoFiles() << QStringList{"B.BIN/x.txt"} << plenty << 0
                                                 << "Error: Unable to delete existing files."
                                                 << QStringList{"B.BIN/x.txt"};
    // Hostile names from the database: nothing happens on the drive or beside it.
    const QStringList hostileFolders{"../outside", "/tmp", "FW/../../outside", "C:FW", QString("F\nW"), "FW//X", "FW/"};
    for (const QString &folder : hostileFolders)
        QTest::addRow("folder %s", qPrintable(folder)) << twoFiles(folder) << QStringList{"OLD.BIN"} << plenty
                                                       << int(QMessageBox::Yes) << unable << QStringList{"OLD.BIN"};
    for (const QString &name : QStringList{"../outside/x.bin", "FW/x.bin", "..", "x\tbin"})
        QTest::addRow("file name %s", qPrintable(name)) << twoFiles({}, name) << QStringList() << plenty << 0
                                                        << unable << QStringList();
    QTest::newRow("unpacked name ..") << withFile(twoFiles(), 0, "../A.BIN", QString()) << QStringList() << plenty
                                      << 0 << unable << QStringList();
    QTest::newRow("release folder links out") << twoFiles("FW") << QStringList{"FW->outside"} << plenty << 0
                                              << unable << QStringList();
}

void tst_CreateUSBDriveDialog::copy()
{
    QFETCH(FirmwareRelease, release);
    QFETCH(QStringList, before);
    QFETCH(qint64, spare);
    QFETCH(int, answer);
    QFETCH(QString, status);
    QFETCH(QStringList, after);

    QTemporaryDir temp;
    const QString source = temp.filePath("source"), root = temp.filePath("drive"), outside = temp.filePath("outside");
    QVERIFY(QDir().mkpath(source) && QDir().mkpath(root) && QDir().mkpath(outside));
    QVERIFY(writeFile(source + "/A.BIN", kAlpha) && writeFile(source + "/B.BIN", kBravo));
    QVERIFY(writeFile(outside + "/keep.bin", "keep"));
    for (const QString &entry : before) {
        const QStringList link = entry.split("->");
        if (link.size() == 2)
            QVERIFY(QFile::link(temp.filePath(link.at(1)), root + "/" + link.at(0)));
        else if (!entry.startsWith('!'))
            QVERIFY(QDir().mkpath(QFileInfo(root + "/" + entry).path()) && writeFile(root + "/" + entry, "old"));
    }
    auto drives = std::make_unique<EjectingFolders>();
    drives->ejects = before.contains("!eject");
    drives->add({{root, "STICK", "FAT32", 1 << 30, true, "/block/sdb1"}, kAlpha.size() + kBravo.size() + spare});
    CreateUSBDriveDialog dialog(nullptr, release, source, std::move(drives));
    if (before.contains("!gone"))
        QVERIFY(QDir(root).removeRecursively());
    std::unique_ptr<FileSizeLimit> full(before.contains("!full") ? new FileSizeLimit(100) : nullptr);
    const int asked = MessageBoxes::askedCount();
    if (answer)
        MessageBoxes::setNextAnswer(QMessageBox::StandardButton(answer));
    childOrFail<QPushButton>(&dialog, "copy_files_pushButton")->click();
    full.reset();

    QCOMPARE(MessageBoxes::askedCount() - asked, answer ? 1 : 0);
    const QString shown = childOrFail<QLabel>(&dialog, "status_label")->text();
    const bool error = status.startsWith("Error");
    QCOMPARE(shown, error ? "<img src=\":/resources/warning.svg\" width=\"16\" height=\"16\"><font color=\"red\">"
                                + status + "</font>"
                          : status);
    QCOMPARE(childOrFail<QProgressBar>(&dialog, "progressBar")->isVisibleTo(&dialog),
             !error && answer != QMessageBox::No);
    QCOMPARE(filesBelow(root), after);
    QCOMPARE(filesBelow(outside), QStringList{"keep.bin"});
    // What was copied is what the firmware folder holds.
    for (const QString &file : after) {
        if (status.startsWith("Copied") && file.endsWith("BIN"))
            QCOMPARE(readFile(root + "/" + file), file.endsWith("B.BIN") ? kBravo : kAlpha);
    }
    // A drive that the disk service reported may be ejected once it is ready.
    auto *eject = childOrFail<QPushButton>(&dialog, "eject_pushButton");
    QCOMPARE(eject->isVisibleTo(&dialog), status.startsWith("Copied"));
    if (before.contains("!eject") || before.contains("!stays")) {
        eject->click();
        QVERIFY(childOrFail<QLabel>(&dialog, "status_label")->text().contains(
            before.contains("!eject") ? "was ejected and can be removed" : "could not be ejected"));
        QVERIFY(!eject->isVisibleTo(&dialog));
    }
}

QTEST_MAIN(tst_CreateUSBDriveDialog)
#include "tst_createusbdrivedialog.moc"
