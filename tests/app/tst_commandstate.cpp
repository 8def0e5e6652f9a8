// The rules that enable the main window's commands, and the tally of the
// display list they are decided from, without a window.
#include "app/commandstate.h"
#include "displaylist/displaylistentry.h"

#include <QtTest>

namespace {

// The enabled commands as names, so that a failure says which one is wrong.
QStringList enabled(const CommandStates &c)
{
    const QList<QPair<bool, const char *>> all = {
        {c.waitCursor, "wait"}, {c.cancelQueuedUpdates, "cancelQueued"}, {c.search, "search"},
        {c.targetedSearch, "targeted"}, {c.lanUpdate, "lanUpdate"}, {c.refreshAll, "refreshAll"},
        {c.refreshSelected, "refreshSelected"}, {c.usbDriveForCurrent, "usbDrive"}, {c.tools, "tools"},
        {c.deselectAll, "deselect"}};
    QStringList names;
    for (const auto &command : all) {
        if (command.first)
            names << QLatin1String(command.second);
    }
    return names;
}

// An idle window with the database and one checked, updatable current row.
BusyState readyWithRow()
{
    BusyState s;
    s.databaseLoaded = true;
    s.list.rows = 1;
    s.list.selected = 1;
    s.list.hasCurrent = true;
    s.list.currentCanUseUsbDrive = true;
    return s;
}

// Update sessions and control clients only count by presence here.
int g_marker = 0;

}

Q_DECLARE_METATYPE(BusyState)

class tst_CommandState : public QObject
{
    Q_OBJECT

private slots:
    void rules_data();
    void rules();
    void tally();
};

void tst_CommandState::rules_data()
{
    QTest::addColumn<BusyState>("state");
    QTest::addColumn<QString>("expected");

    const QString allWithRow =
        QStringLiteral("search lanUpdate refreshAll refreshSelected usbDrive tools deselect");
    BusyState s;
    s.databaseLoaded = true;
    QTest::newRow("empty list") << s << QStringLiteral("search tools");
    s.hasTargetAddresses = true;
    QTest::newRow("empty list, address list") << s << QStringLiteral("search targeted tools");
    s = BusyState();
    QTest::newRow("no database") << s << QStringLiteral("search");

    s = readyWithRow();
    QTest::newRow("ready") << s << allWithRow;
    s.list.hasCurrent = false;
    QTest::newRow("no current row") << s << QStringLiteral("search lanUpdate refreshAll tools deselect");
    s = readyWithRow();
    s.list.refreshing = true;
    s.pendingTcpReplies = 1;
    QTest::newRow("refreshing") << s << QStringLiteral("wait deselect");
    s = readyWithRow();
    s.list.selectedWithCommErrors = 1;
    const QString allButLanUpdate = QStringLiteral("search refreshAll refreshSelected usbDrive tools deselect");
    QTest::newRow("checked row not communicating") << s << allButLanUpdate;
    s = readyWithRow();
    s.list.selectedNeedPowerOn = true;
    QTest::newRow("checked row in standby") << s << allButLanUpdate;
    s = readyWithRow();
    s.list.selected = 0;
    QTest::newRow("nothing checked") << s << QStringLiteral("search refreshAll refreshSelected usbDrive tools");
    s = readyWithRow();
    s.list.currentCanUseUsbDrive = false;
    QTest::newRow("current row without USB update")
        << s << QStringLiteral("search lanUpdate refreshAll refreshSelected tools deselect");
    s = readyWithRow();
    s.list.currentHasUpdateSession = true;
    QTest::newRow("current row updating")
        << s << QStringLiteral("search lanUpdate refreshAll usbDrive tools deselect");
    s = readyWithRow();
    s.searching = true;
    QTest::newRow("searching") << s << QStringLiteral("wait deselect");
    s = readyWithRow();
    s.activeDownloads = 1;
    QTest::newRow("downloading") << s << QStringLiteral("wait refreshAll refreshSelected deselect");
    s = readyWithRow();
    s.downloadBatchPending = true;
    QTest::newRow("download batch pending") << s << QString(QStringLiteral("wait ") + allWithRow);
    s = readyWithRow();
    s.runningUpdates = 1;
    QTest::newRow("update running") << s << QStringLiteral("refreshAll refreshSelected deselect");
    s = readyWithRow();
    s.list.queued = 2;
    QTest::newRow("updates queued") << s << QString(QStringLiteral("cancelQueued ") + allWithRow);
}

void tst_CommandState::rules()
{
    QFETCH(BusyState, state);
    QFETCH(QString, expected);
    QCOMPARE(enabled(commandStates(state)), expected.split(QLatin1Char(' '), Qt::SkipEmptyParts));
}

void tst_CommandState::tally()
{
    DisplayList list;
    for (int i = 0; i < 5; ++i)
        list.append(DISPLAY_LIST_ENTRY());
    list[0].tcpClient = reinterpret_cast<TcpClient *>(&g_marker);
    list[1].updateStatus = 1;
    list[1].selectedForUpdate = true;
    list[1].updateClient = reinterpret_cast<HttpClient *>(&g_marker);
    list[2].selectedForUpdate = true;
    list[2].commStatus = 2;
    list[3].selectedForUpdate = true;
    list[3].needPowerOnToUpdateViaHTTP = 1;
    list[3].powerState = 2;
    list[4].updateViaUSB = 1;
    list[4].requiresAppBuild = AppInfo::kApplicationBuildNumber + 1;

    DisplayListTally t = tallyDisplayList(list, 1);
    QCOMPARE(t.rows, 5);
    QVERIFY(t.refreshing);
    QCOMPARE(t.queued, 1);
    QCOMPARE(t.selected, 3);
    QCOMPARE(t.selectedWithCommErrors, 1);
    QVERIFY(t.selectedNeedPowerOn);
    QVERIFY(t.hasCurrent && t.currentHasUpdateSession && !t.currentCanUseUsbDrive);

    // A display in standby that does not need power for the update is no obstacle;
    // a release for a newer tool build cannot go on a USB drive.
    list[3].needPowerOnToUpdateViaHTTP = 0;
    t = tallyDisplayList(list, 4);
    QVERIFY(!t.selectedNeedPowerOn);
    QVERIFY(t.hasCurrent && !t.currentCanUseUsbDrive);
    list[4].requiresAppBuild = AppInfo::kApplicationBuildNumber;
    QVERIFY(tallyDisplayList(list, 4).currentCanUseUsbDrive);
    QVERIFY(!tallyDisplayList(list, 5).hasCurrent);
    QVERIFY(!tallyDisplayList(list, -1).hasCurrent);
}

QTEST_GUILESS_MAIN(tst_CommandState)
#include "tst_commandstate.moc"
