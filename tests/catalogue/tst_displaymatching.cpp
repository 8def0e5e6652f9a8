#include "catalogue/displaymatching.h"

#include <QFile>
#include <QtTest>

namespace {
DisplayList blankRows(int count)
{
    DisplayList rows;
    for (int i = 0; i < count; ++i)
        rows.append(DISPLAY_LIST_ENTRY());
    return rows;
}
}

class TestDisplayMatching : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rows_data();
    void rows();
    void copiesReleaseFields();
    void unknownModelKeepsEarlierFields();
    void matchesEveryRowInOrder();
    void emptyDatabase();

private:
    FirmwareReleaseDb m_db;
};

void TestDisplayMatching::initTestCase()
{
    QFile file(QStringLiteral(VDFU_TEST_DATA_DIR "/catalogue/matching_releases.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(m_db.parse(file.readAll(), FirmwareReleaseDb::TextLanguage::Other), 0);
}

void TestDisplayMatching::rows_data()
{
    // The row as the search left it
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QString>("ip2");
    QTest::addColumn<int>("ip2Check");
    QTest::addColumn<bool>("preselected");
    QTest::addColumn<int>("presetKind");
    // The pass
    QTest::addColumn<bool>("legacyEnabled");
    QTest::addColumn<bool>("autoSelect");
    // Expected row
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<int>("commStatus");
    QTest::addColumn<QString>("latest");
    QTest::addColumn<int>("seriesId");
    QTest::addColumn<QStringList>("notes");

    const QString ip2 = QStringLiteral("127.0.0.2");
    const QStringList none;
    // clang-format off
    //                                              model            serial    fw        ip2   chk  pre    kind legacy auto   state kind sel    comm latest  series notes
    QTest::newRow("unknown model")             << "M-NONE"      << ""     << "1.0"  << ""  << -1 << false << 0 << false << true << 2 << 0 << false << 0 << ""    << 0  << none;
    QTest::newRow("no version reported")       << "M-USB"       << ""     << ""     << ""  << -1 << false << 0 << false << true << 1 << 2 << false << 0 << "3.0" << 4  << none;
    QTest::newRow("older, LAN, selected")      << "M-LAN"       << ""     << "1.9"  << ""  << -1 << false << 0 << false << true << 6 << 2 << true  << 0 << "2.10" << 3 << QStringList{"c210", "c200", "c150"}; // 9 < 50
    QTest::newRow("at threshold")              << "M-LAN"       << ""     << "2.0"  << ""  << -1 << false << 0 << false << true << 6 << 1 << true  << 0 << "2.10" << 3 << QStringList{"c210"};
    QTest::newRow("after threshold")           << "M-LAN"       << ""     << "2.1"  << ""  << -1 << false << 0 << false << true << 6 << 1 << true  << 0 << "2.10" << 3 << QStringList{"c210"};
    QTest::newRow("older than every note")     << "M-LAN"       << ""     << "1.0"  << ""  << -1 << false << 0 << false << true << 6 << 2 << true  << 0 << "2.10" << 3 << QStringList{"c210", "c200", "c150"};
    QTest::newRow("newer than older notes")    << "M-LAN"       << ""     << "2.05" << ""  << -1 << false << 0 << false << true << 6 << 1 << true  << 0 << "2.10" << 3 << QStringList{"c210"};
    QTest::newRow("no digits")                 << "M-LAN"       << ""     << "beta" << ""  << -1 << false << 0 << false << true << 3 << 0 << false << 0 << "2.10" << 3 << none;
    QTest::newRow("part counts differ")        << "M-LAN"       << ""     << "2.0.1"<< ""  << -1 << false << 0 << false << true << 3 << 0 << false << 0 << "2.10" << 3 << none;
    QTest::newRow("up to date")                << "M-LAN"       << ""     << "2.10" << ""  << -1 << false << 0 << false << true << 4 << 1 << false << 0 << "2.10" << 3 << none;
    QTest::newRow("newer than newest")         << "M-LAN"       << ""     << "R3.0" << ""  << -1 << false << 0 << false << true << 4 << 1 << false << 0 << "2.10" << 3 << none;
    QTest::newRow("case-insensitive model")    << "M-LAN-ALIAS" << ""     << "2.0"  << ""  << -1 << false << 0 << false << true << 6 << 1 << true  << 0 << "2.10" << 3 << QStringList{"c210"};
    QTest::newRow("refresh does not select")   << "M-LAN"       << ""     << "1.9"  << ""  << -1 << false << 0 << false << false<< 6 << 2 << false << 0 << "2.10" << 3 << QStringList{"c210", "c200", "c150"};
    QTest::newRow("checked row stays checked") << "M-LAN"       << ""     << "2.10" << ""  << -1 << true  << 0 << false << false<< 4 << 1 << true  << 0 << "2.10" << 3 << none;
    QTest::newRow("USB only")                  << "M-USB"       << ""     << "2.0"  << ""  << -1 << false << 0 << false << true << 5 << 2 << false << 0 << "3.0" << 4  << QStringList{"usb30"};
    QTest::newRow("legacy, support off")       << "M-LEGACY"    << ""     << "1.0"  << ""  << -1 << false << 0 << false << true << 6 << 1 << false << 0 << "1.5" << 8  << QStringList{"legacy15"};
    QTest::newRow("legacy, support on")        << "M-LEGACY"    << ""     << "1.0"  << ""  << -1 << false << 0 << true  << true << 6 << 1 << true  << 0 << "1.5" << 8  << QStringList{"legacy15"};
    QTest::newRow("needs newer build")         << "M-NEWBUILD"  << ""     << "1.0"  << ""  << -1 << false << 0 << true  << true << 6 << 0 << false << 0 << "4.0" << 10 << QStringList{"nb40"};
    QTest::newRow("serial variant A")          << "M-SN"        << "XXA1" << "1.0"  << ""  << -1 << false << 0 << false << true << 6 << 0 << true  << 0 << "5.0" << 2  << QStringList{""};
    QTest::newRow("serial variant b")          << "M-SN"        << "xxb"  << "1.0"  << ""  << -1 << false << 0 << false << true << 6 << 0 << true  << 0 << "5.0" << 2  << QStringList{""};
    QTest::newRow("serial other")              << "M-SN"        << "XXC1" << "1.0"  << ""  << -1 << false << 0 << false << true << 6 << 0 << true  << 0 << "5.5" << 11 << QStringList{""};
    QTest::newRow("serial too short")          << "M-SN"        << "XA"   << "1.0"  << ""  << -1 << false << 0 << false << true << 6 << 0 << true  << 0 << "5.5" << 11 << QStringList{""};
    QTest::newRow("first record wins")         << "M-FIRST"     << ""     << "0.5"  << ""  << -1 << false << 0 << false << true << 6 << 0 << true  << 0 << "1.0" << 0  << QStringList{""};
    QTest::newRow("IP2 missing")               << "M-IP2"       << ""     << "5.0"  << ""  << -1 << false << 2 << false << true << 6 << 2 << true  << 2 << "6.0" << 9  << QStringList{""};
    QTest::newRow("IP2 unreachable")           << "M-IP2"       << ""     << "6.0"  << ip2 << 1  << false << 1 << false << true << 4 << 1 << false << 2 << "6.0" << 9  << none;
    QTest::newRow("IP2 not checked")           << "M-IP2"       << ""     << "x"    << ip2 << -1 << false << 0 << false << true << 3 << 0 << false << 2 << "6.0" << 9  << none;
    QTest::newRow("IP2 reachable")             << "M-IP2"       << ""     << "5.0"  << ip2 << 0  << false << 0 << false << true << 6 << 0 << true  << 0 << "6.0" << 9  << QStringList{""};
    QTest::newRow("IP2 missing, no version")   << "M-IP2"       << ""     << ""     << ""  << -1 << false << 0 << false << true << 1 << 0 << false << 0 << "6.0" << 9  << none;
    // clang-format on
}

void TestDisplayMatching::rows()
{
    QFETCH(QString, model);
    QFETCH(QString, serial);
    QFETCH(QString, firmware);
    QFETCH(QString, ip2);
    QFETCH(int, ip2Check);
    QFETCH(bool, preselected);
    QFETCH(int, presetKind);
    QFETCH(bool, legacyEnabled);
    QFETCH(bool, autoSelect);

    DisplayList rows = blankRows(1);
    DISPLAY_LIST_ENTRY &row = rows[0];
    row.modelName = model;
    row.serialNumber = serial;
    row.currentFirmware = firmware;
    row.ipAddress2 = QHostAddress(ip2);
    row.ip2CheckResult = ip2Check;
    row.selectedForUpdate = preselected;
    row.powerCycleKind = presetKind;
    row.matchStatus = 6; // from an earlier pass

    matchAllRows(rows, m_db, legacyEnabled, autoSelect);

    QTEST(row.matchStatus, "state");
    QTEST(row.powerCycleKind, "kind");
    QTEST(row.selectedForUpdate, "selected");
    QTEST(row.commStatus, "commStatus");
    QTEST(row.latestVersion, "latest");
    QTEST(row.seriesId, "seriesId");
    QTEST(row.changeNotes, "notes");
}

void TestDisplayMatching::copiesReleaseFields()
{
    DisplayList rows = blankRows(1);
    rows[0].modelName = QStringLiteral("m-lan");
    rows[0].currentFirmware = QStringLiteral("2.10");
    matchAllRows(rows, m_db, false, true);

    const DISPLAY_LIST_ENTRY &row = rows.at(0);
    QCOMPARE(row.legacyModel, 0);
    QCOMPARE(row.requiresAppBuild, 240000);
    QCOMPARE(row.updateViaHTTP, 1);
    QCOMPARE(row.updateViaUSB, 2);
    QCOMPARE(row.updateDurationSecs, 600);
    QCOMPARE(row.numPACComponents, 2);
    QCOMPARE(row.useIP2, 0);
    QCOMPARE(row.needPowerOnToUpdateViaHTTP, 1);
    QCOMPARE(row.needPowerOnToReadInfo, 3);
    QCOMPARE(row.latestVersion, QStringLiteral("2.10"));
    QCOMPARE(row.seriesId, 3);
}

void TestDisplayMatching::unknownModelKeepsEarlierFields()
{
    DisplayList rows = blankRows(1);
    rows[0].modelName = QStringLiteral("M-NONE");
    rows[0].latestVersion = QStringLiteral("7.0");
    rows[0].changeNotes = QStringList{QStringLiteral("old")};
    rows[0].powerCycleKind = 2;
    matchAllRows(rows, m_db, false, true);
    QCOMPARE(rows.at(0).matchStatus, 2);
    QCOMPARE(rows.at(0).latestVersion, QStringLiteral("7.0"));
    QCOMPARE(rows.at(0).changeNotes, QStringList{QStringLiteral("old")});
    QCOMPARE(rows.at(0).powerCycleKind, 2);
}

void TestDisplayMatching::matchesEveryRowInOrder()
{
    DisplayList rows = blankRows(3);
    rows[0].modelName = QStringLiteral("M-LAN");
    rows[0].currentFirmware = QStringLiteral("1.0");
    rows[1].modelName = QStringLiteral("M-NONE");
    rows[2].modelName = QStringLiteral("M-USB");
    rows[2].currentFirmware = QStringLiteral("3.0");
    matchAllRows(rows, m_db, false, true);
    QCOMPARE(rows.at(0).matchStatus, 6);
    QCOMPARE(rows.at(1).matchStatus, 2);
    QCOMPARE(rows.at(2).matchStatus, 4);
}

void TestDisplayMatching::emptyDatabase()
{
    FirmwareReleaseDb empty;
    DisplayList rows = blankRows(2);
    rows[0].modelName = QStringLiteral("M-LAN");
    rows[0].currentFirmware = QStringLiteral("1.0");
    matchAllRows(rows, empty, true, true);
    QCOMPARE(rows.at(0).matchStatus, 2);
    QCOMPARE(rows.at(1).matchStatus, 2);
    QVERIFY(!rows.at(0).selectedForUpdate);
}

QTEST_GUILESS_MAIN(TestDisplayMatching)
#include "tst_displaymatching.moc"
