// What the main window asks a display for, by series, and how the answer
// lands in the display's row.
#include "discovery/controlrequests.h"

#include <QtTest>

Q_DECLARE_METATYPE(DISPLAY_LIST_ENTRY)

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
    QTest::addColumn<DISPLAY_LIST_ENTRY>("row");
    QTest::addColumn<int>("flags");
    const auto row = [](const char *name, bool refresh, int udpSeries, int seriesId, const char *firmware,
                        const char *fw1, int useIP2, int flags) {
        DISPLAY_LIST_ENTRY entry;
        entry.udpSeries = udpSeries;
        entry.seriesId = seriesId;
        entry.currentFirmware = QLatin1String(firmware);
        entry.fwVersions[0] = QLatin1String(fw1);
        entry.useIP2 = useIP2;
        QTest::newRow(name) << refresh << entry << flags;
    };
    row("search, group 2, nothing known", false, 3, 0, "-.-", "", 0, 0x331F);
    row("search, series 11, all known", false, 11, 0, "R1.2", "1.0", 0, 0x3107);
    row("search, group 1, nothing known", false, 2, 0, "", "", 0, 0x3167);
    row("search, code 69 has a second address", false, 69, 0, "1.0", "x", 0, 0x3307);
    row("refresh, group 2, second address used", true, 4, 4, "", "", 1, 0x131E);
    row("refresh, group 1 reads power save", true, 1, 2, "", "", 0, 0x3166);
}

void tst_ControlRequests::flags()
{
    QFETCH(bool, refresh);
    QFETCH(DISPLAY_LIST_ENTRY, row);
    QFETCH(int, flags);
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
    QCOMPARE(QStringList({row.modelName, row.serialNumber, row.fwVersions[0], row.fwVersions[1], row.assetTag}),
             QStringList({"K5-432", "41A00001", "1.1", "2.0", " Rack 4 "}));
    // The power state comes also from a failed exchange; power save was not asked for.
    QCOMPARE(QList<int>({row.powerState, row.lockStatus, row.commStatus, row.powerSaveMode}), QList<int>({2, 1, 1, -2}));

    reply = PD_TCP_REPLY();
    reply.requestFlags = TCP_REQ_POWER_SAVE_AUTO_STANDBY;
    reply.powerSaveMode = 1;
    reply.powerState = 4;
    row.commStatus = 0;
    ControlRequests::mergePowerResult(row, reply);
    QCOMPARE(QList<int>({row.powerSaveMode, row.powerState, row.commStatus}), QList<int>({1, 2, 0}));
}

QTEST_GUILESS_MAIN(tst_ControlRequests)
#include "tst_controlrequests.moc"
