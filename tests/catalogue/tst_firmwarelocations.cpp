#include "catalogue/firmwarefolder.h"
#include "catalogue/firmwareserver.h"
#include "testsettings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSubPath =
    QStringLiteral("/Brevlin Vantor Display Solutions/Vantor Display Firmware Update Tool/Firmware");

// The permission bits of a path as chmod sets them, or -1 when there is nothing.
int modeOf(const QString &path)
{
    struct stat st{};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

}

class tst_FirmwareLocations : public QObject
{
    Q_OBJECT

private slots:
    void folder_data();
    void folder();
    void serverUrl_data();
    void serverUrl();

private:
    TestSettingsLocation m_settings;
};

void tst_FirmwareLocations::folder_data()
{
    QTest::addColumn<bool>("create");
    QTest::addColumn<int>("existing"); // mode of an existing folder; -1: none; -2: a file blocks the path
    QTest::addColumn<bool>("otherOwner");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("mode"); // of the folder afterwards
    // clang-format off
    QTest::newRow("created for the owner only") << true  << -1    << false << true  << 0700;
    QTest::newRow("missing, not created")       << false << -1    << false << false << -1;
    QTest::newRow("not creatable")              << true  << -2    << false << false << -1;
    QTest::newRow("open to all, tightened")     << false << 0777  << false << true  << 0700;
    QTest::newRow("group access, tightened")    << true  << 0750  << false << true  << 0700;
    QTest::newRow("owner only, kept")           << false << 0700  << false << true  << 0700;
    QTest::newRow("read-only, not loosened")    << false << 0555  << false << true  << 0500;
    QTest::newRow("another user's, left alone") << true  << 0777  << true  << true  << 0777;
    // clang-format on
}

void tst_FirmwareLocations::folder()
{
    QFETCH(bool, create);
    QFETCH(int, existing);
    QFETCH(bool, otherOwner);
    QFETCH(bool, found);
    QCOMPARE(localFirmwareFolder(true, QString()), QString()); // documents location unknown

    QTemporaryDir documents;
    const QString folder = documents.path() + kSubPath;
    if (existing == -2) {
        QFile blocker(documents.path() + QStringLiteral("/Brevlin Vantor Display Solutions"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    } else if (existing >= 0) {
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), mode_t(existing)), 0);
        if (otherOwner && ::geteuid() != 0)
            QSKIP("giving a folder to another user needs root");
        if (otherOwner)
            QCOMPARE(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
    }
    const QString result = localFirmwareFolder(create, documents.path());
    QCOMPARE(result, found ? folder : QString());
    QTEST(modeOf(folder), "mode");
    if (found)
        QCOMPARE(localReleaseDatabasePath(result), folder + QStringLiteral("/pd_firmware_releases.json"));
}

void tst_FirmwareLocations::serverUrl_data()
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

void tst_FirmwareLocations::serverUrl()
{
    QFETCH(QVariant, stored);
    // The test settings point the server at a closed port; "not set" removes that.
    m_settings.clear();
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Vantor Monitor User Tessilon"),
                    QStringLiteral("Vantor Display Firmware Update Tool"));
    if (stored.isValid())
        store.setValue(QStringLiteral("Settings/Firmware Server URL"), stored);
    else
        store.remove(QStringLiteral("Settings/Firmware Server URL"));
    store.sync();
    QTEST(releaseDatabaseUrl(firmwareServerBaseUrl()).toString(), "databaseUrl");
}

QTEST_GUILESS_MAIN(tst_FirmwareLocations)
#include "tst_firmwarelocations.moc"
