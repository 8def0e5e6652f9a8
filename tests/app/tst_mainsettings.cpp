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

QTEST_GUILESS_MAIN(tst_MainSettings)
#include "tst_mainsettings.moc"
