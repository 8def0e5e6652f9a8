// The rules that enable the main window's commands, and the tally of the
// display list they are decided from, without a window.
#include "app/commandstate.h"
#include "displaylist/displaylistentry.h"

#include <QtTest>

#include <functional>

namespace {

// The enabled commands as names, so that a failure says which one is wrong.
QStringList enabled(const CommandStates &c)
{
    const QList<QPair<bool, const char *>> all = {
        {c.waitCursor, "wait"}, {c.cancelQueuedUpdates, "cancelQueued"}, {c.search, "search"},
        {c.targetedSearch, "targeted"}, {c.lanUpdate, "lanUpdate"}, {c.refreshAll, "refreshAll"},
        {c.refreshSelected, "refreshSelected"}, {c.usbDriveForCurrent, "usbDrive"}, {c.tools, "tools"},
        {c.clearFirmwareFiles, "clear"}, {c.deselectAll, "deselect"}};
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
    s.list.currentModel = QStringLiteral("K5-432");
    s.list.currentOffersUsbUpdate = true;
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
    // Why the LAN update|the USB drive are disabled, one a line (no '|': both alike; null: not compared).
    QTest::addColumn<QString>("reasons");
    // Each row changes an idle window with the database and one checked,
    // updatable current row (or, with `empty`, a window without rows).
    const auto row = [](const char *name, const std::function<void(BusyState &)> &change, const char *expected,
                        const char *reasons = nullptr, bool empty = false) {
        BusyState s = readyWithRow();
        if (empty)
            s.list = DisplayListTally();
        change(s);
        const QString r = QString::fromUtf8(reasons);
        QTest::newRow(name) << s << QString::fromLatin1(expected) << (r.contains(QLatin1Char('|')) ? r : r + QLatin1Char('|') + r);
    };
    const auto none = [](BusyState &) {};
    row("empty list", none, "search tools clear", "No displays are listed.", true);
    row("empty list, address list", [](BusyState &s) { s.hasTargetAddresses = true; }, "search targeted tools clear", nullptr, true);
    row("no database", [](BusyState &s) { s.databaseLoaded = false; }, "search clear",
        "The firmware release database is not loaded.\nNo displays are listed.", true);
    row("ready", none, "search lanUpdate refreshAll refreshSelected usbDrive tools clear deselect");
    row("no current row", [](BusyState &s) { s.list.hasCurrent = false; }, "search lanUpdate refreshAll tools clear deselect",
        "|No display is selected.");
    row("refreshing", [](BusyState &s) { s.list.refreshing = true; s.pendingTcpReplies = 1; }, "wait clear deselect",
        "Display information is being refreshed.");
    row("checked rows not communicating", [](BusyState &s) { s.list.selectedWithCommErrors = QStringList{"K5-432 at 10.0.0.2", "10.0.0.3"}; },
        "search refreshAll refreshSelected usbDrive tools clear deselect", "Communication error: K5-432 at 10.0.0.2\nCommunication error: 10.0.0.3|");
    row("checked row in standby", [](BusyState &s) { s.list.selectedNeedPowerOn = QStringList{"K5-432 at 10.0.0.2"}; },
        "search refreshAll refreshSelected usbDrive tools clear deselect", "Switch on K5-432 at 10.0.0.2 first.|");
    row("nothing checked", [](BusyState &s) { s.list.selected = 0; }, "search refreshAll refreshSelected usbDrive tools clear",
        "No display is checked for update.|");
    row("current row without USB update", [](BusyState &s) { s.list.currentOffersUsbUpdate = false; },
        "search lanUpdate refreshAll refreshSelected tools clear deselect", "|No USB drive update is offered for K5-432.");
    row("current row needs a newer build", [](BusyState &s) { s.list.currentBuildOk = false; },
        "search lanUpdate refreshAll refreshSelected tools clear deselect",
        "|The firmware for the selected display needs a newer version of this tool.");
    row("current row updating", [](BusyState &s) { s.list.currentHasUpdateSession = true; },
        "search lanUpdate refreshAll usbDrive tools clear deselect");
    row("searching", [](BusyState &s) { s.searching = true; }, "wait clear deselect", "A search is running.");
    row("downloading", [](BusyState &s) { s.activeDownloads = 1; }, "wait refreshAll refreshSelected deselect", "A firmware download is running.");
    row("download batch pending", [](BusyState &s) { s.downloadBatchPending = true; },
        "wait search lanUpdate refreshAll refreshSelected usbDrive tools deselect");
    // Nothing may replace the rows of updates until the queue is empty.
    row("update running", [](BusyState &s) { s.runningUpdates = 1; s.hasTargetAddresses = true; }, "refreshSelected deselect",
        "Firmware updates are running.");
    row("updates queued", [](BusyState &s) { s.list.queued = 2; s.hasTargetAddresses = true; },
        "cancelQueued lanUpdate refreshSelected usbDrive tools deselect");
    row("power-save changes before the updates", [](BusyState &s) { s.powerSaveChangePending = true; s.hasTargetAddresses = true; },
        "lanUpdate refreshSelected usbDrive tools deselect");
}

void tst_CommandState::rules()
{
    QFETCH(BusyState, state);
    QFETCH(QString, expected);
    QFETCH(QString, reasons);
    const CommandStates c = commandStates(state);
    QCOMPARE(enabled(c), expected.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    QVERIFY(c.lanUpdate == c.lanUpdateReasons.isEmpty() && c.usbDriveForCurrent == c.usbDriveReasons.isEmpty());
    if (reasons != QLatin1String("|"))
        QCOMPARE(c.lanUpdateReasons.join(QLatin1Char('\n')) + QLatin1Char('|') + c.usbDriveReasons.join(QLatin1Char('\n')), reasons);
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
    list[2].modelName = QStringLiteral("K5-432"); list[2].ipAddress = QHostAddress(QStringLiteral("::ffff:10.0.0.2"));
    list[3].selectedForUpdate = true;
    list[3].needPowerOnToUpdateViaHTTP = 1;
    list[3].powerState = 2;
    list[4].updateViaUSB = 1;
    list[4].requiresAppBuild = AppInfo::kApplicationBuildNumber + 1;

    DisplayListTally t = tallyDisplayList(list, 1);
    QVERIFY(t.rows == 5 && t.refreshing && t.queued == 1 && t.selected == 3);
    QCOMPARE(t.selectedWithCommErrors, QStringList{QStringLiteral("K5-432 at 10.0.0.2")});
    QVERIFY(t.selectedNeedPowerOn.size() == 1 && t.hasCurrent && t.currentHasUpdateSession && !t.currentOffersUsbUpdate);

    // A display in standby that does not need power for the update is no obstacle;
    // a release for a newer tool build cannot go on a USB drive.
    list[3].needPowerOnToUpdateViaHTTP = 0;
    t = tallyDisplayList(list, 4);
    QVERIFY(t.selectedNeedPowerOn.isEmpty());
    QVERIFY(t.hasCurrent && t.currentOffersUsbUpdate && !t.currentBuildOk);
    list[4].requiresAppBuild = AppInfo::kApplicationBuildNumber;
    QVERIFY(tallyDisplayList(list, 4).currentBuildOk);
    QVERIFY(!tallyDisplayList(list, 5).hasCurrent);
    QVERIFY(!tallyDisplayList(list, -1).hasCurrent);
}

QTEST_GUILESS_MAIN(tst_CommandState)
#include "tst_commandstate.moc"
