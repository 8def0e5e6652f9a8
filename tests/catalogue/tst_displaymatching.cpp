#include "catalogue/displaymatching.h"
#include "catalogue/versionrules.h"
#include "testfiles.h"

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
        QCOMPARE(m_db.parse(readFile(QStringLiteral(VDFU_TEST_DATA_DIR "/catalogue/matching_releases.json")), FirmwareReleaseDb::TextLanguage::Other), 0);
    }

    void compareVersions_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("error");
        QTest::newRow("V1.10 newer than V1.9") << "V1.10" << "V1.9" << 1 << 0;
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
    }
    void compareVersions()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        int error = 12345;
        QTEST(::compareVersions(a, b, error), "result");
        QTEST(error, "error");
    }

    void rows_data()
    {
        // The row as the search left it, the pass, and the decision (see decision()); legacy support is on.
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("firmware");
        QTest::addColumn<int>("ip2Check"); // of a second address (ip2); -2: none
        QTest::addColumn<int>("presetKind");
        QTest::addColumn<bool>("refresh"); // a checked row, matched again without auto-selection
        QTest::addColumn<QString>("decision");
        //                                            model            serial    fw         ip2   kind refresh  decision
        QTest::newRow("older, LAN, selected")      << "M-LAN"       << ""     << "1.9"   << -2 << 0 << false << "6 2 1 0 2.10 3 c210,c200,c150";
        QTest::newRow("at threshold")              << "M-LAN"       << ""     << "2.0"   << -2 << 0 << false << "6 1 1 0 2.10 3 c210";
        QTest::newRow("part counts differ")        << "M-LAN"       << ""     << "2.0.1" << -2 << 0 << false << "3 0 0 0 2.10 3 ";
        QTest::newRow("newer than newest")         << "M-LAN"       << ""     << "R3.0"  << -2 << 0 << false << "4 1 0 0 2.10 3 ";
        QTest::newRow("case-insensitive model")    << "M-LAN-ALIAS" << ""     << "2.0"   << -2 << 0 << false << "6 1 1 0 2.10 3 c210";
        QTest::newRow("checked row stays checked") << "M-LAN"       << ""     << "2.10"  << -2 << 0 << true  << "4 1 1 0 2.10 3 ";
        QTest::newRow("legacy, support on")        << "M-LEGACY"    << ""     << "1.0"   << -2 << 0 << false << "6 1 1 0 1.5 8 legacy15";
        QTest::newRow("serial other")              << "M-SN"        << "XXC1" << "1.0"   << -2 << 0 << false << "6 0 1 0 5.5 11 ";
        QTest::newRow("serial too short")          << "M-SN"        << "XA"   << "1.0"   << -2 << 0 << false << "6 0 1 0 5.5 11 ";
        QTest::newRow("first record wins")         << "M-FIRST"     << ""     << "0.5"   << -2 << 0 << false << "6 0 1 0 1.0 0 ";
        QTest::newRow("IP2 missing")               << "M-IP2"       << ""     << "5.0"   << -2 << 2 << false << "6 2 1 2 6.0 9 ";
        QTest::newRow("IP2 not checked")           << "M-IP2"       << ""     << "x"     << -1 << 0 << false << "3 0 0 2 6.0 9 ";
        QTest::newRow("IP2 reachable")             << "M-IP2"       << ""     << "5.0"   << 0  << 0 << false << "6 0 1 0 6.0 9 ";
        QTest::newRow("IP2 missing, no version")   << "M-IP2"       << ""     << ""      << -2 << 0 << false << "1 0 0 0 6.0 9 ";
    }
    void rows()
    {
        QFETCH(QString, model);
        QFETCH(QString, serial);
        QFETCH(QString, firmware);
        QFETCH(int, ip2Check);
        QFETCH(int, presetKind);
        QFETCH(bool, refresh);
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
        row.ipAddress2 = ip2Check == -2 ? QHostAddress() : QHostAddress(QStringLiteral("127.0.0.2"));
        row.ip2CheckResult = ip2Check;
        row.selectedForUpdate = refresh;
        row.powerCycleKind = presetKind;
        row.matchStatus = 6; // from an earlier pass
        matchAllRows(rows, m_db, true, !refresh);
        QTEST(decision(row), "decision");
        QCOMPARE(decision(rows.at(0)), QStringLiteral("2 2 0 0 7.0 0 old"));
        QCOMPARE(rows.at(2).matchStatus, 4);
        // Nothing matches against an empty database.
        matchAllRows(rows, FirmwareReleaseDb(), true, true);
        QCOMPARE(row.matchStatus, 2);
    }
};

QTEST_GUILESS_MAIN(tst_DisplayMatching)
#include "tst_displaymatching.moc"
