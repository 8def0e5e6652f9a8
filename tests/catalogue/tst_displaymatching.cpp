#include "catalogue/displaymatching.h"
#include "catalogue/versionrules.h"

#include <QFile>
#include <QtTest>

namespace {

// What the matching pass decided for a row, as "state kind selected commStatus latest series notes".
QString decision(const DISPLAY_LIST_ENTRY &r)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(r.matchStatus).arg(r.powerCycleKind).arg(int(r.selectedForUpdate)).arg(r.commStatus)
        .arg(r.latestVersion).arg(r.seriesId).arg(r.changeNotes.join(QLatin1Char(',')));
}

}

// The version rules and the matching pass built on them.
class tst_DisplayMatching : public QObject
{
    Q_OBJECT

    FirmwareReleaseDb m_db;

private slots:
    void initTestCase()
    {
        QFile file(QStringLiteral(VDFU_TEST_DATA_DIR "/catalogue/matching_releases.json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(m_db.parse(file.readAll(), FirmwareReleaseDb::TextLanguage::Other), 0);
    }

    void compareVersions_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("error");
        QTest::newRow("2.00 equals 2.0") << "2.00" << "2.0" << 0 << 0;
        QTest::newRow("V1.10 newer than V1.9") << "V1.10" << "V1.9" << 1 << 0;
        QTest::newRow("V1.9 older than V1.10") << "V1.9" << "V1.10" << -1 << 0;
        QTest::newRow("prefix and suffix dropped") << "R1.02" << "Ver 1.2a" << 0 << 0;
        QTest::newRow("first difference decides") << "2.9.9" << "3.0.0" << -1 << 0;
        QTest::newRow("2.00.1 vs 2.0: part counts") << "2.00.1" << "2.0" << 0 << -1;
        QTest::newRow("2..1 vs 2.0.1: empty part") << "2..1" << "2.0.1" << 0 << -2;
        QTest::newRow("empty vs 1") << "" << "1" << 0 << -2;
        QTest::newRow("empty vs 1.0") << "" << "1.0" << 0 << -1;
        QTest::newRow("no digits on both sides") << "abc" << "xyz" << 0 << -2;
        QTest::newRow("trailing dot") << "2." << "2.0" << 0 << -2;
        QTest::newRow("part beyond 32 bits") << "99999999999" << "1" << 0 << -2;
        QTest::newRow("minus sign dropped") << "-2" << "2" << 0 << 0;
        QTest::newRow("numbers, not text") << "10" << "9" << 1 << 0;
    }
    void compareVersions()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        int error = 12345;
        QTEST(::compareVersions(a, b, error), "result");
        QTEST(error, "error");
    }

    void series_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("group"); // 1, 2 or none (0)
        QTest::newRow("group 1 ends at 2") << "SERIES_QUARTZ" << 2 << 1;
        QTest::newRow("shared prefix, longer, lower case") << "series_kestrel5_rx" << 6 << 2;
        QTest::newRow("group 2 ends at 10") << "SERIES_OSPREY_H" << 10 << 2;
        QTest::newRow("last, in no group") << "SERIES_TAMARIND" << 11 << 0;
        QTest::newRow("prefix only, trailing blank") << "SERIES_QUARTZ " << 0 << 0;
    }
    void series()
    {
        QFETCH(QString, name);
        QFETCH(int, id);
        QFETCH(int, group);
        QCOMPARE(seriesIdFromName(name), id);
        QCOMPARE(isSeriesGroup1(id), group == 1);
        QCOMPARE(isSeriesGroup2(id), group == 2);
    }

    void rows_data()
    {
        // The row as the search left it, the pass, and the decision (see decision())
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("firmware");
        QTest::addColumn<QString>("ip2");
        QTest::addColumn<int>("ip2Check");
        QTest::addColumn<bool>("preselected");
        QTest::addColumn<int>("presetKind");
        QTest::addColumn<bool>("legacyEnabled");
        QTest::addColumn<bool>("autoSelect");
        QTest::addColumn<QString>("decision");
        const QString ip2 = QStringLiteral("127.0.0.2"), lan = QStringLiteral(" 2.10 3 c210,c200,c150");
        // clang-format off
        //                                              model            serial    fw        ip2   chk  pre    kind legacy auto    decision
        QTest::newRow("unknown model")             << "M-NONE"      << ""     << "1.0"  << ""  << -1 << false << 0 << false << true  << "2 0 0 0  0 ";
        QTest::newRow("no version reported")       << "M-USB"       << ""     << ""     << ""  << -1 << false << 0 << false << true  << "1 2 0 0 3.0 4 ";
        QTest::newRow("older, LAN, selected")      << "M-LAN"       << ""     << "1.9"  << ""  << -1 << false << 0 << false << true  << "6 2 1 0" + lan; // 9 < 50
        QTest::newRow("at threshold")              << "M-LAN"       << ""     << "2.0"  << ""  << -1 << false << 0 << false << true  << "6 1 1 0 2.10 3 c210";
        QTest::newRow("newer than older notes")    << "M-LAN"       << ""     << "2.05" << ""  << -1 << false << 0 << false << true  << "6 1 1 0 2.10 3 c210";
        QTest::newRow("no digits")                 << "M-LAN"       << ""     << "beta" << ""  << -1 << false << 0 << false << true  << "3 0 0 0 2.10 3 ";
        QTest::newRow("part counts differ")        << "M-LAN"       << ""     << "2.0.1"<< ""  << -1 << false << 0 << false << true  << "3 0 0 0 2.10 3 ";
        QTest::newRow("up to date")                << "M-LAN"       << ""     << "2.10" << ""  << -1 << false << 0 << false << true  << "4 1 0 0 2.10 3 ";
        QTest::newRow("newer than newest")         << "M-LAN"       << ""     << "R3.0" << ""  << -1 << false << 0 << false << true  << "4 1 0 0 2.10 3 ";
        QTest::newRow("case-insensitive model")    << "M-LAN-ALIAS" << ""     << "2.0"  << ""  << -1 << false << 0 << false << true  << "6 1 1 0 2.10 3 c210";
        QTest::newRow("refresh does not select")   << "M-LAN"       << ""     << "1.9"  << ""  << -1 << false << 0 << false << false << "6 2 0 0" + lan;
        QTest::newRow("checked row stays checked") << "M-LAN"       << ""     << "2.10" << ""  << -1 << true  << 0 << false << false << "4 1 1 0 2.10 3 ";
        QTest::newRow("USB only")                  << "M-USB"       << ""     << "2.0"  << ""  << -1 << false << 0 << false << true  << "5 2 0 0 3.0 4 usb30";
        QTest::newRow("legacy, support off")       << "M-LEGACY"    << ""     << "1.0"  << ""  << -1 << false << 0 << false << true  << "6 1 0 0 1.5 8 legacy15";
        QTest::newRow("legacy, support on")        << "M-LEGACY"    << ""     << "1.0"  << ""  << -1 << false << 0 << true  << true  << "6 1 1 0 1.5 8 legacy15";
        QTest::newRow("needs newer build")         << "M-NEWBUILD"  << ""     << "1.0"  << ""  << -1 << false << 0 << true  << true  << "6 0 0 0 4.0 10 nb40";
        QTest::newRow("serial variant b")          << "M-SN"        << "xxb"  << "1.0"  << ""  << -1 << false << 0 << false << true  << "6 0 1 0 5.0 2 ";
        QTest::newRow("serial other")              << "M-SN"        << "XXC1" << "1.0"  << ""  << -1 << false << 0 << false << true  << "6 0 1 0 5.5 11 ";
        QTest::newRow("serial too short")          << "M-SN"        << "XA"   << "1.0"  << ""  << -1 << false << 0 << false << true  << "6 0 1 0 5.5 11 ";
        QTest::newRow("first record wins")         << "M-FIRST"     << ""     << "0.5"  << ""  << -1 << false << 0 << false << true  << "6 0 1 0 1.0 0 ";
        QTest::newRow("IP2 missing")               << "M-IP2"       << ""     << "5.0"  << ""  << -1 << false << 2 << false << true  << "6 2 1 2 6.0 9 ";
        QTest::newRow("IP2 unreachable")           << "M-IP2"       << ""     << "6.0"  << ip2 << 1  << false << 1 << false << true  << "4 1 0 2 6.0 9 ";
        QTest::newRow("IP2 not checked")           << "M-IP2"       << ""     << "x"    << ip2 << -1 << false << 0 << false << true  << "3 0 0 2 6.0 9 ";
        QTest::newRow("IP2 reachable")             << "M-IP2"       << ""     << "5.0"  << ip2 << 0  << false << 0 << false << true  << "6 0 1 0 6.0 9 ";
        QTest::newRow("IP2 missing, no version")   << "M-IP2"       << ""     << ""     << ""  << -1 << false << 0 << false << true  << "1 0 0 0 6.0 9 ";
        // clang-format on
    }
    void rows()
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
        // Between an unknown model, which keeps what an earlier pass left, and another model: each row on its own.
        DisplayList rows{{}, {}, {}};
        rows[0].modelName = QStringLiteral("M-NONE");
        rows[0].latestVersion = QStringLiteral("7.0");
        rows[0].changeNotes = QStringList{QStringLiteral("old")};
        rows[0].powerCycleKind = 2;
        rows[2].modelName = QStringLiteral("M-USB");
        rows[2].currentFirmware = QStringLiteral("3.0");
        DISPLAY_LIST_ENTRY &row = rows[1];
        row.modelName = model;
        row.serialNumber = serial;
        row.currentFirmware = firmware;
        row.ipAddress2 = QHostAddress(ip2);
        row.ip2CheckResult = ip2Check;
        row.selectedForUpdate = preselected;
        row.powerCycleKind = presetKind;
        row.matchStatus = 6; // from an earlier pass
        matchAllRows(rows, m_db, legacyEnabled, autoSelect);
        QTEST(decision(row), "decision");
        QCOMPARE(decision(rows.at(0)), QStringLiteral("2 2 0 0 7.0 0 old"));
        QCOMPARE(rows.at(2).matchStatus, 4);
        // Nothing matches against an empty database.
        matchAllRows(rows, FirmwareReleaseDb(), true, true);
        QCOMPARE(row.matchStatus, 2);
    }

    void copiesReleaseFields()
    {
        DisplayList rows{{}};
        rows[0].modelName = QStringLiteral("m-lan");
        rows[0].currentFirmware = QStringLiteral("2.10");
        matchAllRows(rows, m_db, false, true);
        const DISPLAY_LIST_ENTRY &r = rows.at(0);
        QCOMPARE(QList<int>({r.legacyModel, r.requiresAppBuild, r.updateViaHTTP, r.updateViaUSB, r.updateDurationSecs,
                             r.numPACComponents, r.useIP2, r.needPowerOnToUpdateViaHTTP, r.needPowerOnToReadInfo}),
                 QList<int>({0, 240000, 1, 2, 600, 2, 0, 1, 3}));
    }
};

QTEST_GUILESS_MAIN(tst_DisplayMatching)
#include "tst_displaymatching.moc"
