#include "app/mainsettings.h"

#include "testsettings.h"

#include <QSettings>
#include <QtTest>

class tst_MainSettings : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_location.clear(); }
    void defaultsWhenAbsent();
    void legacySupportValue_data();
    void legacySupportValue();
    void roundTrip();
    void lanIndexNotWrittenWithoutValue();
    void highDpiDefault();
    void windowSizeRule_data();
    void windowSizeRule();
    void interfaceSelector_data();
    void interfaceSelector();

private:
    TestSettingsLocation m_location;
};

void tst_MainSettings::defaultsWhenAbsent()
{
    auto store = SettingsStores::openMainStore();
    const MainSettings s = MainSettings::load(*store);
    QCOMPARE(s.multiUpdateLimit, 5);
    QCOMPARE(s.legacyEnabled, false);
    QCOMPARE(s.windowSize, QSize(0, 0));
    QCOMPARE(s.lanDeviceIndex, -1);
    QVERIFY(s.ipScanText.isEmpty());
    QCOMPARE(s.showAssetTagColumn, true);
    QCOMPARE(s.showMacAddressColumn, false);
}

void tst_MainSettings::legacySupportValue_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("5807") << QVariant(5807) << true;
    QTest::newRow("1") << QVariant(1) << false;
    QTest::newRow("0") << QVariant(0) << false;
    QTest::newRow("5808") << QVariant(5808) << false;
    QTest::newRow("text") << QVariant(QStringLiteral("yes")) << false;
}

void tst_MainSettings::legacySupportValue()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, enabled);
    auto store = SettingsStores::openMainStore();
    store->setValue(QStringLiteral("Settings/LDS"), stored);
    QCOMPARE(MainSettings::load(*store).legacyEnabled, enabled);
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
        // Legacy support is stored as the magic number, not as a flag.
        QCOMPARE(store->value(QStringLiteral("Settings/LDS")).toInt(), 5807);
    }
    auto store = SettingsStores::openMainStore();
    const MainSettings read = MainSettings::load(*store);
    QCOMPARE(read.multiUpdateLimit, 20);
    QCOMPARE(read.legacyEnabled, true);
    QCOMPARE(read.windowSize, QSize(1000, 700));
    QCOMPARE(read.lanDeviceIndex, 2);
    QCOMPARE(read.ipScanText, written.ipScanText);
    QCOMPARE(read.showAssetTagColumn, false);
    QCOMPARE(read.showMacAddressColumn, true);
}

void tst_MainSettings::lanIndexNotWrittenWithoutValue()
{
    MainSettings s;
    s.lanDeviceIndex = 3;
    s.saveLanDeviceIndex = false;
    auto store = SettingsStores::openMainStore();
    s.save(*store);
    QVERIFY(!store->contains(QStringLiteral("Settings/LAN Device Index")));
}

void tst_MainSettings::highDpiDefault()
{
    auto store = SettingsStores::openStartupStore();
    QVERIFY(SettingsStores::highDpiScalingEnabled(*store));
    store->setValue(QStringLiteral("enable_high_dpi_scaling"), 0);
    QVERIFY(!SettingsStores::highDpiScalingEnabled(*store));
}

void tst_MainSettings::windowSizeRule_data()
{
    QTest::addColumn<QSize>("stored");
    QTest::addColumn<QSize>("expected");
    const QSize def(871, 566);
    QTest::newRow("fits") << QSize(1000, 700) << QSize(1000, 700);
    QTest::newRow("width equals desktop") << QSize(1920, 700) << def;
    QTest::newRow("height equals desktop") << QSize(1000, 1080) << def;
    QTest::newRow("beyond desktop") << QSize(4000, 3000) << def;
    QTest::newRow("zero width") << QSize(0, 700) << def;
    QTest::newRow("zero height") << QSize(1000, 0) << def;
    QTest::newRow("negative") << QSize(-5, 700) << def;
    QTest::newRow("one pixel short") << QSize(1919, 1079) << QSize(1919, 1079);
}

void tst_MainSettings::windowSizeRule()
{
    QFETCH(QSize, stored);
    QFETCH(QSize, expected);
    QCOMPARE(restoredWindowSize(stored, QSize(1920, 1080), QSize(871, 566)), expected);
}

void tst_MainSettings::interfaceSelector_data()
{
    QTest::addColumn<QList<int>>("values");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("interfaces");
    QTest::addColumn<int>("position");
    const QList<int> twoInterfaces{-2, 0, 1};
    QTest::newRow("All") << twoInterfaces << -2 << 2 << 0;
    QTest::newRow("second interface") << twoInterfaces << 1 << 2 << 2;
    QTest::newRow("gone interface") << twoInterfaces << 5 << 2 << 0;
    QTest::newRow("None stored, interfaces now") << twoInterfaces << -1 << 2 << 0;
    QTest::newRow("no interfaces") << QList<int>{-1} << 0 << 0 << 0;
    QTest::newRow("position beyond interface count") << twoInterfaces << 1 << 1 << 0;
}

void tst_MainSettings::interfaceSelector()
{
    QFETCH(QList<int>, values);
    QFETCH(int, stored);
    QFETCH(int, interfaces);
    QFETCH(int, position);
    QCOMPARE(interfaceSelectorPosition(values, stored, interfaces), position);
}

QTEST_GUILESS_MAIN(tst_MainSettings)
#include "tst_mainsettings.moc"
