#include "catalogue/firmwarefolder.h"
#include "catalogue/firmwareserver.h"
#include "testsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
const QString kSubPath =
    QStringLiteral("/Brevlin Vantor Display Solutions/Vantor Display Firmware Update Tool/Firmware");
}

class TestFirmwareLocations : public QObject
{
    Q_OBJECT

private slots:
    void folderUnknownDocuments();
    void folderCreated();
    void folderExisting();
    void folderMissingWithoutCreate();
    void folderNotCreatable();
    void serverUrl_data();
    void serverUrl();

private:
    TestSettingsLocation m_settings;
};

void TestFirmwareLocations::folderUnknownDocuments()
{
    QCOMPARE(localFirmwareFolder(true, QString()), QString());
}

void TestFirmwareLocations::folderCreated()
{
    QTemporaryDir documents;
    const QString folder = localFirmwareFolder(true, documents.path());
    QCOMPARE(folder, documents.path() + kSubPath);
    QVERIFY(QFileInfo(folder).isDir());
    const QFile::Permissions everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
        | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(QFileInfo(folder).permissions() & everyone, everyone);
    QCOMPARE(localReleaseDatabasePath(folder), folder + QStringLiteral("/pd_firmware_releases.json"));
}

void TestFirmwareLocations::folderExisting()
{
    QTemporaryDir documents;
    QVERIFY(QDir().mkpath(documents.path() + kSubPath));
    QCOMPARE(localFirmwareFolder(false, documents.path()), documents.path() + kSubPath);
}

void TestFirmwareLocations::folderMissingWithoutCreate()
{
    QTemporaryDir documents;
    QCOMPARE(localFirmwareFolder(false, documents.path()), QString());
    QVERIFY(!QFileInfo::exists(documents.path() + kSubPath));
}

void TestFirmwareLocations::folderNotCreatable()
{
    // A plain file where a folder of the path should be.
    QTemporaryDir documents;
    QFile blocker(documents.path() + QStringLiteral("/Brevlin Vantor Display Solutions"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QCOMPARE(localFirmwareFolder(true, documents.path()), QString());
}

void TestFirmwareLocations::serverUrl_data()
{
    QTest::addColumn<QVariant>("stored"); // invalid: not set
    QTest::addColumn<QString>("databaseUrl");

    QTest::newRow("default") << QVariant()
                             << "http://firmware.vantor-displays.example.com/firmwareupdates/pd_firmware_releases.json";
    QTest::newRow("configured") << QVariant(QStringLiteral("http://127.0.0.1:8080/firmwareupdates/"))
                                << "http://127.0.0.1:8080/firmwareupdates/pd_firmware_releases.json";
    QTest::newRow("without trailing slash") << QVariant(QStringLiteral("http://127.0.0.1:8080/firmwareupdates"))
                                            << "http://127.0.0.1:8080/firmwareupdates/pd_firmware_releases.json";
}

void TestFirmwareLocations::serverUrl()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, databaseUrl);

    // The test settings point the server at a closed port; "not set" removes that.
    m_settings.clear();
    QSettings store(QSettings::NativeFormat, QSettings::UserScope,
                    QStringLiteral("Vantor Monitor User Tessilon"),
                    QStringLiteral("Vantor Display Firmware Update Tool"));
    if (stored.isValid())
        store.setValue(QStringLiteral("Settings/Firmware Server URL"), stored);
    else
        store.remove(QStringLiteral("Settings/Firmware Server URL"));
    store.sync();
    QCOMPARE(releaseDatabaseUrl(firmwareServerBaseUrl()), QUrl(databaseUrl));
}

QTEST_GUILESS_MAIN(TestFirmwareLocations)
#include "tst_firmwarelocations.moc"
