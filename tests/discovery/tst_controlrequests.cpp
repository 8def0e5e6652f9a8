// What the main window asks a display for, by series, and how the answer
// lands in the display's row.
#include "discovery/controlrequests.h"

#include <QtTest>

class tst_ControlRequests : public QObject
{
    Q_OBJECT

private slots:
    void flags_data();
    void flags();
    void merging();
};

void tst_ControlRequests::flags_data()
{
    QTest::addColumn<bool>("refresh");
    QTest::addColumn<int>("udpSeries");
    QTest::addColumn<int>("seriesId");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QString>("fw1");
    QTest::addColumn<int>("useIP2");
    QTest::addColumn<int>("flags");
    QTest::newRow("search, group 2, nothing known") << false << 3 << 0 << "-.-" << "" << 0 << 0x331F;
    QTest::newRow("search, series 11, all known") << false << 11 << 0 << "R1.2" << "1.0" << 0 << 0x3107;
    QTest::newRow("search, group 1, nothing known") << false << 2 << 0 << "" << "" << 0 << 0x3167;
    QTest::newRow("search, code 69 has a second address") << false << 69 << 0 << "1.0" << "x" << 0 << 0x3307;
    QTest::newRow("refresh, group 2, second address used") << true << 4 << 4 << "" << "" << 1 << 0x131E;
    QTest::newRow("refresh, group 1 reads power save") << true << 1 << 2 << "" << "" << 0 << 0x3166;
}

void tst_ControlRequests::flags()
{
    QFETCH(bool, refresh);
    QFETCH(int, udpSeries);
    QFETCH(int, seriesId);
    QFETCH(QString, firmware);
    QFETCH(QString, fw1);
    QFETCH(int, useIP2);
    QFETCH(int, flags);
    DISPLAY_LIST_ENTRY row;
    row.udpSeries = udpSeries;
    row.seriesId = seriesId;
    row.currentFirmware = firmware;
    row.fwVersions[0] = fw1;
    row.useIP2 = useIP2;
    const int actual = refresh ? ControlRequests::refreshRequestFlags(row) : ControlRequests::searchRequestFlags(row);
    QCOMPARE(QString::number(actual, 16), QString::number(flags, 16));
}

void tst_ControlRequests::merging()
{
    DISPLAY_LIST_ENTRY row;
    row.modelName = QStringLiteral("K5-432");
    row.fwVersions = {QStringLiteral("1.0"), QStringLiteral("2.0"), QString(), QString()};
    PD_TCP_REPLY reply;
    reply.requestFlags = TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER | TCP_REQ_VERSIONS | TCP_REQ_POWER_STATUS
        | TCP_REQ_ASSET_DATA | TCP_REQ_LOCK_STATUS;
    reply.modelName = QStringLiteral("   "); // an empty answer keeps what the search said
    reply.serialNumber = QStringLiteral(" 41A00001 ");
    reply.fwVersions = {QStringLiteral(" 1.1"), QString(), QString(), QString()};
    reply.assetTag = QStringLiteral(" Rack 4 ");
    reply.powerState = 2;
    reply.lockStatus = 1;
    reply.tcpStatus = TcpStatus::BadReply;
    ControlRequests::mergeControlResult(row, reply);
    QCOMPARE(row.modelName, QStringLiteral("K5-432"));
    QCOMPARE(row.serialNumber, QStringLiteral("41A00001"));
    QCOMPARE(row.fwVersions[0], QStringLiteral("1.1"));
    QCOMPARE(row.fwVersions[1], QStringLiteral("2.0"));
    QCOMPARE(row.assetTag, QStringLiteral(" Rack 4 "));
    QCOMPARE(row.powerState, 2); // also from a failed exchange
    QCOMPARE(row.lockStatus, 1);
    QCOMPARE(row.commStatus, 1);
    QCOMPARE(row.powerSaveMode, -2); // not asked for

    reply = PD_TCP_REPLY();
    reply.requestFlags = TCP_REQ_POWER_SAVE_AUTO_STANDBY;
    reply.powerSaveMode = 1;
    reply.powerState = 4;
    row.commStatus = 0;
    ControlRequests::mergePowerResult(row, reply);
    QCOMPARE(row.powerSaveMode, 1);
    QCOMPARE(row.powerState, 2);
    QCOMPARE(row.commStatus, 0);
}

QTEST_GUILESS_MAIN(tst_ControlRequests)
#include "tst_controlrequests.moc"
