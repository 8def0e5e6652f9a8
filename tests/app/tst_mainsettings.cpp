#include "app/mainsettings.h"

#include "testsettings.h"

#include <QSettings>
#include <QtTest>

class tst_MainSettings : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_location.clear(); }
    void storedValues_data();
    void storedValues();
    void roundTrip();
    void windowSizeRule_data();
    void windowSizeRule();

private:
    TestSettingsLocation m_location;
};

void tst_MainSettings::storedValues_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("lanIndex");
    QTest::addColumn<bool>("legacy");

    QTest::newRow("nothing stored") << QString() << QVariant() << 5 << -1 << false;
    QTest::newRow("limit as stored") << QStringLiteral("Multi Update Limit") << QVariant(3) << 3 << -1 << false;
    // No update could start under these: the default applies.
    QTest::newRow("limit 0") << QStringLiteral("Multi Update Limit") << QVariant(0) << 5 << -1 << false;
    QTest::newRow("limit negative") << QStringLiteral("Multi Update Limit") << QVariant(-4) << 5 << -1 << false;
    QTest::newRow("limit not a number") << QStringLiteral("Multi Update Limit") << QVariant(QStringLiteral("many"))
                                        << 5 << -1 << false;
    QTest::newRow("index not a number") << QStringLiteral("LAN Device Index") << QVariant(QStringLiteral("eth0"))
                                        << 5 << -1 << false;
    QTest::newRow("index 2") << QStringLiteral("LAN Device Index") << QVariant(2) << 5 << 2 << false;
    QTest::newRow("legacy magic") << QStringLiteral("LDS") << QVariant(5807) << 5 << -1 << true;
    QTest::newRow("legacy text") << QStringLiteral("LDS") << QVariant(QStringLiteral("yes")) << 5 << -1 << false;
}

void tst_MainSettings::storedValues()
{
    QFETCH(QString, key);
    QFETCH(QVariant, stored);
    QFETCH(int, limit);
    QFETCH(int, lanIndex);
    QFETCH(bool, legacy);
    auto store = SettingsStores::openMainStore();
    if (!key.isEmpty())
        store->setValue(QStringLiteral("Settings/") + key, stored);
    const MainSettings s = MainSettings::load(*store);
    QCOMPARE(s.multiUpdateLimit, limit);
    QCOMPARE(s.lanDeviceIndex, lanIndex);
    QCOMPARE(s.legacyEnabled, legacy);
    if (key.isEmpty())
        QVERIFY(s.windowSize == QSize(0, 0) && s.ipScanText.isEmpty() && s.showAssetTagColumn && !s.showMacAddressColumn);
}

void tst_MainSettings::roundTrip()
{
    MainSettings written;
    written.multiUpdateLimit = 20;
    written.legacyEnabled = true;
    written.windowSize = QSize(1000, 700);
    written.lanDeviceIndex = 2;
    written.ipScanText = QStringLiteral("192.168.0.1-10\n# comment");
    written.showAssetTagColumn = false;
    written.showMacAddressColumn = true;
    {
        auto store = SettingsStores::openMainStore();
        written.save(*store);
        QCOMPARE(store->value(QStringLiteral("Settings/LDS")).toInt(), 5807);
    }
    auto store = SettingsStores::openMainStore();
    const MainSettings r = MainSettings::load(*store);
    QVERIFY(r.multiUpdateLimit == 20 && r.legacyEnabled && r.windowSize == QSize(1000, 700) && r.lanDeviceIndex == 2
            && r.ipScanText == written.ipScanText && !r.showAssetTagColumn && r.showMacAddressColumn);

    // A selector item without a value leaves the stored index alone.
    written.lanDeviceIndex = 7;
    written.saveLanDeviceIndex = false;
    written.save(*store);
    QCOMPARE(store->value(QStringLiteral("Settings/LAN Device Index")).toInt(), 2);
}

void tst_MainSettings::windowSizeRule_data()
{
    QTest::addColumn<QSize>("stored");
    QTest::addColumn<QSize>("expected");
    const QSize def(871, 566);
    QTest::newRow("one pixel inside") << QSize(1919, 1079) << QSize(1919, 1079);
    QTest::newRow("width equals desktop") << QSize(1920, 700) << def;
    QTest::newRow("height equals desktop") << QSize(1000, 1080) << def;
    QTest::newRow("zero width") << QSize(0, 700) << def;
    QTest::newRow("negative") << QSize(-5, 700) << def;
}

void tst_MainSettings::windowSizeRule()
{
    QFETCH(QSize, stored);
    QFETCH(QSize, expected);
    QCOMPARE(restoredWindowSize(stored, QSize(1920, 1080), QSize(871, 566)), expected);
}

QTEST_GUILESS_MAIN(tst_MainSettings)
#include "tst_mainsettings.moc"
