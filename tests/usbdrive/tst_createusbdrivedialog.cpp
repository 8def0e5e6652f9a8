// The USB drive dialog: its information texts, the drive list (test drives,
// the disk service's records and calls, boot sectors), the copy procedure
// against folders standing in for drives, hostile release names included,
// and the main window's command that leads to it for a model picked by name.
#include "../app/pdfirmuptooltestaccess.h"
#include "firmwareserverprocess.h"
#include "testfiles.h"
#include "testsettings.h"
#include "widgettesthelpers.h"

#include "app/sv_information_dialog.h"
#include "app/timing.h"
#include "dialogs/messageboxes.h"
#include "resources/resourceinit.h"
#include "usbdrive/createusbdrivedialog.h"
#include "usbdrive/diskservicedrives.h"
#include "usbdrive/usbdrivetexts.h"

#include <QAction>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusServer>
#include <QDBusVirtualObject>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
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

// Folders whose drive the disk service would eject when asked ("!eject"),
// and entries that turn up on the drive once the copy has checked its
// targets ("@entry", at its second look at the free space).
struct TestFolders : FolderDriveSource
{
    bool ejects = false;
    QStringList late;
    int looks = 0;
    void eject(const RemovableDrive &d) override { ejects ? emit ejected({}) : FolderDriveSource::eject(d); }
    VolumeState volumeState(const QString &root) override
    {
        if (++looks == 2) {
            for (const QString &entry : qAsConst(late))
                QDir().mkpath(root + "/" + entry);
        }
        return FolderDriveSource::volumeState(root);
    }
};

// The disk service on a connection of the test's own: it lists `drives` and
// `blocks` as the service does, fails the calls in `refused` and never
// answers `silent`.
struct FakeDiskService : QDBusVirtualObject
{
    QList<DiskServiceDrive> drives;
    QList<DiskServiceBlock> blocks;
    QStringList refused;
    QString silent;
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &call, const QDBusConnection &peer) override
    {
        if (refused.contains(call.member()))
            peer.send(call.createErrorReply("org.freedesktop.UDisks2.Error.Failed", "refused"));
        else if (call.member() != silent)
            peer.send(call.member() == "GetManagedObjects" ? call.createReply(objects()) : call.createReply());
        return true;
    }
    QVariant objects() const
    {
        QMap<QDBusObjectPath, QMap<QString, QVariantMap>> objects;
        for (const DiskServiceDrive &d : drives)
            objects[QDBusObjectPath(d.objectPath)]["org.freedesktop.UDisks2.Drive"] = QVariantMap{
                {"ConnectionBus", d.connectionBus}, {"Ejectable", d.ejectable}, {"CanPowerOff", d.canPowerOff}};
        for (const DiskServiceBlock &b : blocks) {
            QByteArrayList points;
            for (const QString &point : b.mountPoints)
                points << point.toUtf8() + '\0';
            auto &interfaces = objects[QDBusObjectPath(b.objectPath)];
            interfaces["org.freedesktop.UDisks2.Block"] = QVariantMap{
                {"Drive", QVariant::fromValue(QDBusObjectPath(b.drivePath))}, {"Device", QByteArray(b.device.toUtf8() + '\0')},
                {"IdType", b.idType}, {"IdVersion", b.idVersion}, {"IdLabel", b.idLabel}, {"Size", b.size},
                {"ReadOnly", b.readOnly}, {"UserspaceMountOptions", b.mountOptions}};
            interfaces["org.freedesktop.UDisks2.Filesystem"] = QVariantMap{{"MountPoints", QVariant::fromValue(points)}};
        }
        return QVariant::fromValue(objects);
    }
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
    void bootSectors();
    void diskService_data();
    void diskService();
    void copy_data();
    void copy();
    void driveForModelPickedByName();
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
    QCOMPARE(list->itemText(list->count() - 1), "No disk service: drives found from the mounted volumes.");
    QCOMPARE(childOrFail<QLabel>(&fallback, "status_label")->text(), "No suitably formatted USB drives found.");
    QVERIFY(!MountedVolumeDriveSource().volumeState(dir.path()).valid); // a folder is no volume
}

void tst_CreateUSBDriveDialog::bootSectors()
{
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

void tst_CreateUSBDriveDialog::diskService_data()
{
    QTest::addColumn<QString>("silent"); // the call the service never answers
    QTest::addColumn<QStringList>("refused");
    QTest::addColumn<QString>("ejected"); // how ejecting the stick ends: empty when it may be removed
    QTest::newRow("ejected") << "" << QStringList() << "";
    QTest::newRow("powered off when it cannot be ejected") << "" << QStringList{"Eject"} << "";
    QTest::newRow("unmount refused") << "" << QStringList{"Unmount"} << "refused";
    QTest::newRow("unmount not answered") << "Unmount" << QStringList() << "The disk service did not answer.";
    QTest::newRow("list not answered") << "GetManagedObjects" << QStringList()
                                       << "The drive cannot be ejected from here.";
}

void tst_CreateUSBDriveDialog::diskService()
{
    QFETCH(QString, silent);
    QFETCH(QStringList, refused);
    QFETCH(QString, ejected);
    Timing::setScale(0.02); // 100 ms for each call
    qDBusRegisterMetaType<QByteArrayList>();
    FakeDiskService service;
    service.drives = {{"/d/stick", "usb", "V", "M", true, true}, {"/d/ssd", "", "V", "S", false, false}};
    service.blocks = {
        {"/b/sdb1", "/d/stick", "/dev/sdb1", "vfat", "FAT32", "STICK", 1LL << 30, false, {"/media/stick"}, {}},
        {"/b/sdb2", "/d/stick", "/dev/sdb2", "exfat", "1.0", "", 1LL << 20, false, {"/media/x"}, {}},
        {"/b/sdb3", "/d/stick", "/dev/sdb3", "vfat", "FAT32", "", 1LL << 20, false, {}, {}},
        {"/b/ssd1", "/d/ssd", "/dev/nvme0n1p1", "ntfs", "", "SYSTEM", 1LL << 30, false, {"/"}, {}},
        {"/b/sdb4", "/d/stick", "/dev/sdb4", "vfat", "FAT32", "LOCKED", 1LL << 20, true, {"/media/y"}, {}},
        {"/b/sdb5", "/d/stick", "/dev/sdb5", "vfat", "FAT32", "LOCKED", 1LL << 20, false, {"/media/y"}, {"ro"}}};
    service.refused = refused;
    service.silent = silent;
    QTemporaryDir dir;
    QDBusServer server("unix:path=" + dir.filePath("bus"));
    bool served = false;
    connect(&server, &QDBusServer::newConnection, this, [&](QDBusConnection peer) {
        served = peer.registerVirtualObject("/", &service, QDBusConnection::SubPath);
    });
    const QDBusConnection bus = QDBusConnection::connectToPeer(server.address(), QTest::currentDataTag());
    QTRY_VERIFY(served);

    // The window waits for the list without a copy command, then shows the
    // file systems on the USB bus; read-only ones cannot be chosen.
    CreateUSBDriveDialog dialog(nullptr, twoFiles(), dir.path(), std::make_unique<DiskServiceDriveSource>(bus));
    auto *list = childOrFail<QComboBox>(&dialog, "drive_comboBox");
    auto *copy = childOrFail<QPushButton>(&dialog, "copy_files_pushButton");
    QCOMPARE(childOrFail<QLabel>(&dialog, "status_label")->text(), "Looking for USB drives...");
    QVERIFY(!copy->isEnabled() && list->count() == 0);
    QTRY_VERIFY(childOrFail<QPushButton>(&dialog, "refresh_pushButton")->isEnabled());
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->itemText(i) + (list->itemData(i).isNull() ? "" : " *");
    const bool listed = silent != "GetManagedObjects";
    QCOMPARE(copy->isEnabled(), listed);
    if (listed)
        QCOMPARE(shown, QStringList({"/media/stick (STICK) [1 GB FAT32] *", "/media/x (/dev/sdb2) [1 MB exFAT]",
                                     "/media/y (LOCKED) [1 MB FAT32] (read-only)",
                                     "/media/y (LOCKED) [1 MB FAT32] (read-only)"}));
    else
        QCOMPARE(shown.last(), "The disk service did not answer: drives found from the mounted volumes.");

    // Ejecting the first file system listed (the stick's), through a source of
    // its own (the dialog looks again afterwards).
    DiskServiceDriveSource source(bus);
    QString outcome = "pending";
    connect(&source, &DriveSource::lookedUp, this, [&](const DriveLookup &found) { source.eject(found.drives.value(0)); });
    connect(&source, &DriveSource::ejected, this, [&](const QString &error) { outcome = error; });
    source.lookUp();
    QTRY_COMPARE(outcome, ejected);
    QDBusConnection::disconnectFromPeer(QTest::currentDataTag());
}

void tst_CreateUSBDriveDialog::copy_data()
{
    QTest::addColumn<FirmwareRelease>("release");
    QTest::addColumn<QStringList>("before"); // on the drive: "file", "link->outside", "@made while copying"
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
    QTest::newRow("free space equal to the total, drive ejected afterwards")
        << twoFiles() << QStringList{"!eject"} << qint64(0) << 0 << copied << QStringList{"A.BIN", "B.BIN"};
    QTest::newRow("-7 one byte short") << twoFiles() << QStringList() << qint64(-1) << 0
                                       << "Error: Not enough free space on USB drive." << QStringList();
    QTest::newRow("-1 drive gone") << twoFiles() << QStringList{"!gone"} << plenty << 0
                                   << "Error: Invalid drive selected." << QStringList();
    QTest::newRow("-3 folder cannot be made") << twoFiles("FW") << QStringList{"FW"} << plenty << 0 << unable
                                              << QStringList{"FW"};
    // A file that fails leaves nothing behind, least of all a part under its name.
    QTest::newRow("-3 write fails") << twoFiles() << QStringList{"!full"} << plenty << 0 << unable
                                    << QStringList{"A.BIN"};
    QTest::newRow("-4 digest differs") << withFile(twoFiles(), 1, "B.BIN", md5("other")) << QStringList() << plenty
                                       << 0 << "Error: Copied file(s) failed verification." << QStringList{"A.BIN"};
    QTest::newRow("-6 name taken while copying") << twoFiles() << QStringList{"@B.BIN/x"} << plenty << 0
                                                 << "Error: Unable to delete existing files." << QStringList{"A.BIN"};
    QTest::newRow("partial name links out") << twoFiles() << QStringList{"~VDFUCPY.TMP->outside/keep.bin"} << plenty
                                            << 0 << copied << QStringList{"A.BIN", "B.BIN"};
    QTest::newRow("empty digest not verified, drive not ejected")
        << withFile(twoFiles(), 1, "B.BIN", QString()) << QStringList{"!stays"} << plenty << 0 << copied
        << QStringList{"A.BIN", "B.BIN"};
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
    for (const QString &name : QStringList{"../outside/x.bin", "FW/x.bin", "..", "x\tbin", "~vdfucpy.tmp"})
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
    auto drives = std::make_unique<TestFolders>();
    drives->ejects = before.contains("!eject");
    for (const QString &entry : before) {
        const QStringList link = entry.split("->");
        if (link.size() == 2)
            QVERIFY(QFile::link(temp.filePath(link.at(1)), root + "/" + link.at(0)));
        else if (entry.startsWith('@'))
            drives->late << entry.mid(1);
        else if (!entry.startsWith('!'))
            QVERIFY(QDir().mkpath(QFileInfo(root + "/" + entry).path()) && writeFile(root + "/" + entry, "old"));
    }
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
    QCOMPARE(readFile(outside + "/keep.bin"), "keep");
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

// Through the main window onto the test drive of the settings.
void tst_CreateUSBDriveDialog::driveForModelPickedByName()
{
    Timing::setScale(100); // the notice of a newer tool build, due 5 s after the database, never comes
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
    QVERIFY(search.answered() && usbDialog);
    QTRY_VERIFY(usbDialog->answered()); // once the firmware folder has been checked
    QCOMPARE(status, "Copied firmware file(s) to USB drive.");
    QCOMPARE(readFile(drive.path() + "/CB321_FW/CB321.BIN"), readFile(folder + "/cb_321_120.bin"));
    QCOMPARE(window.logWindow()->text().count("Firmware is already downloaded."), 1);
}

QTEST_MAIN(tst_CreateUSBDriveDialog)
#include "tst_createusbdrivedialog.moc"
