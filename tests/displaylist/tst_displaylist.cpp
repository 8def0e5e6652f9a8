#include "displaylist/displayinfohtml.h"
#include "displaylist/displaylistmodel.h"
#include "displaylist/updatestatus.h"
#include "resources/resourceinit.h"

#include <QAbstractItemModelTester>
#include <QIcon>
#include <QPixmap>
#include <QtTest>

#include <functional>

using Entry = DISPLAY_LIST_ENTRY;
Q_DECLARE_METATYPE(DISPLAY_LIST_ENTRY)

namespace {

int g_marker = 0;

// A display that the catalogue matched: newer firmware 2.0 can go over the LAN.
Entry entry(const std::function<void(Entry &)> &tweak = {})
{
    Entry e;
    e.modelName = QStringLiteral("VT-435A");
    e.powerState = 1;
    e.matchStatus = MatchStatus::NewerViaLan;
    e.latestVersion = QStringLiteral("2.0");
    e.updateViaHTTP = 1;
    if (tweak)
        tweak(e);
    return e;
}

// `name` is a picture of the resources, "" none; the wide one is 40 x 20, the others 20 x 20.
bool samePicture(const QVariant &actual, const QString &name)
{
    if (name.isEmpty())
        return !actual.isValid();
    const QSize size(name.contains(QLatin1String("and reset")) ? 40 : 20, 20);
    return actual.value<QPixmap>().toImage() == QIcon(QStringLiteral(":/resources/%1.svg").arg(name)).pixmap(size).toImage();
}

}

// What the operator sees of a display row: the model's cells and the information panel (its general hints are the window's).
class tst_DisplayList : public QObject
{
    Q_OBJECT

    QVariant cell(int column, int role) const { return m_model.index(0, column).data(role); }

    DisplayList m_list;
    displayListModel m_model;

private slots:
    void initTestCase() { initVdfuResources(); }
    void init()
    {
        m_list.clear();
        m_model.setDisplayList(&m_list);
        m_model.setLegacyEnabled(false);
    }

    void viewsSeeAConsistentModel()
    {
        QAbstractItemModelTester tester(&m_model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int i = 0; i < 3; ++i) {
            m_list.append(entry([](Entry &e) { e.matchStatus = MatchStatus::UpToDate; e.powerState = 3; }));
            m_model.addRow(m_list.size());
        }
        QTRY_COMPARE(m_model.rowCount(), 3);
        QVERIFY(!m_model.index(0, 10).isValid() && !m_model.headerData(10, Qt::Horizontal).isValid());
        QCOMPARE(cell(6, Qt::DisplayRole).toString(), QStringLiteral("Suspend"));
        QVERIFY(!cell(1, Qt::ToolTipRole).toString().isEmpty());
        // The check box selects the row for update, which changes what the whole row shows.
        QSignalSpy needUpdate(&m_model, &displayListModel::need_update_ui);
        QSignalSpy changed(&m_model, &QAbstractItemModel::dataChanged);
        QCOMPARE(cell(8, Qt::DisplayRole).toString(), QStringLiteral("Up-to-date"));
        QVERIFY(m_model.setData(m_model.index(0, 0), int(Qt::Checked), Qt::CheckStateRole));
        QVERIFY(m_list.first().selectedForUpdate);
        QCOMPARE(cell(8, Qt::DisplayRole).toString(), QStringLiteral("Available"));
        QCOMPARE(changed.last().at(1).toModelIndex(), m_model.index(0, 9));
        QVERIFY(m_model.setData(m_model.index(0, 0), int(Qt::PartiallyChecked), Qt::CheckStateRole));
        QVERIFY(!m_list.first().selectedForUpdate);
        QVERIFY(!m_model.setData(m_model.index(0, 1), QStringLiteral("X"), Qt::EditRole));
        QVERIFY(!m_model.setData(QModelIndex(), int(Qt::Checked), Qt::CheckStateRole));
        QCOMPARE(needUpdate.size(), 2);
        // Changed rows are announced together, a row that is not there is ignored.
        changed.clear();
        m_model.rowChanged(1);
        m_model.rowChanged(7);
        QTRY_VERIFY(!changed.isEmpty());
        QCOMPARE(changed.last().at(0).toModelIndex().row(), 1);
        m_model.rowChanged(-1); // every row
        QTRY_COMPARE(changed.last().at(1).toModelIndex(), m_model.index(2, 9));
        m_list.append(entry()); // not announced yet: not shown
        QCOMPARE(m_model.rowCount(), 3);
        QVERIFY(!m_model.index(3, 0).data().isValid());
        m_list.clear();
        m_model.resetAll();
        QCOMPARE(m_model.rowCount(), 0);
    }

    void cells_data()
    {
        QTest::addColumn<Entry>("display");
        QTest::addColumn<QString>("cells"); // action text|check box (- none)|enabled|availability|status|status icon
        using E = Entry;
        const auto row = [](const char *name, const std::function<void(E &)> &tweak, const QString &cells) {
            QTest::newRow(name) << entry(tweak) << cells;
        };
        const QString newer = QStringLiteral("|New version 2.0 available|"), noComm = QStringLiteral("Unable to communicate with display.");
        const QString status1 = UpdateStatus::statusText(1), status3 = UpdateStatus::statusText(3), status4 = UpdateStatus::statusText(4);
        row("selected, downloading, power save will change",
            [](E &e) { e.selectedForUpdate = true; e.downloadStatus = 2; e.downloadPercent = 40; e.seriesId = 2; e.powerSaveMode = 1; },
            "Update|2|1|40% Downloading|Power Save Mode will be changed to \"Off\"|info");
        row("selected, download failed", [](E &e) { e.selectedForUpdate = true; e.downloadStatus = 1; }, "Update|2|1|Download error||comm-error");
        row("selected, downloaded, update succeeded", [](E &e) { e.selectedForUpdate = true; e.downloadStatus = 3; e.lastUpdateStatus = 3; },
            "Update|2|1|New version 2.0 downloaded|Success|checkmark");
        row("not comparable, queued", [](E &e) { e.matchStatus = 3; e.updateStatus = 1; },
            "Update|0|1|Unable to compare versions|" + status1 + "|monitor pause");
        row("overwrite downloading, installing",
            [](E &e) { e.matchStatus = 4; e.selectedForUpdate = true; e.downloadStatus = 2; e.downloadPercent = 40; e.updateStatus = 2; },
            "Overwrite|2|1|40% Downloading|Updating|monitor updating progress");
        row("overwrite downloaded, session complete", [](E &e) { e.matchStatus = 4; e.selectedForUpdate = true; e.downloadStatus = 3; e.updateStatus = 3; },
            "Overwrite|2|1|Downloaded|" + status3 + "|checkmark");
        row("overwrite available, session failed", [](E &e) { e.matchStatus = 4; e.selectedForUpdate = true; e.updateStatus = 4; },
            "Overwrite|2|1|Available|" + status4 + "|monitor error");
        row("USB only", [](E &e) { e.matchStatus = 5; e.selectedForUpdate = true; e.downloadStatus = 2; }, "|-|1" + newer + "Update via USB only|usb drive");
        row("no release, last update failed", [](E &e) { e.matchStatus = 2; e.lastUpdateStatus = -2; },
            "|-|1|None available for this model|" + UpdateStatus::statusText(-2) + "|monitor error");
        row("not matched, succeeded, power cycle", [](E &e) { e.matchStatus = 0; e.lastUpdateStatus = 3; e.powerCycleKind = 2; },
            "|-|1|Unknown|Success. Please manually cycle the display's AC power.|checkmark and reset power");
        row("no version, power on to report", [](E &e) { e.matchStatus = 1; e.powerState = 0; e.needPowerOnToReadInfo = 2; },
            "|-|1|Version info not available from the display|Power On required to report display information.|info");
        row("not via LAN, no control answer", [](E &e) { e.updateViaHTTP = 0; e.commStatus = 1; }, "|-|1" + newer + noComm + "|warning");
        row("newer build required", [](E &e) { e.requiresAppBuild = 240113; e.selectedForUpdate = true; e.downloadStatus = 1; },
            "|-|1|Download error|Need newer application build 240113.|info");
        row("legacy, support off", [](E &e) { e.legacyModel = 1; },
            "Update|0|0" + newer + "Firmware updates on legacy models is disabled. See Application settings.|");
        row("locked, selected", [](E &e) { e.lockStatus = 1; e.selectedForUpdate = true; }, "Update|2|1" + newer + "Error: Display is curently locked.|warning");
        row("update address unreachable", [](E &e) { e.commStatus = 2; e.selectedForUpdate = true; },
            "Update|2|1" + newer + "Error: Firmware update IP address is unreachable.|warning");
        row("must be on to update", [](E &e) { e.needPowerOnToUpdateViaHTTP = 1; e.powerState = 2; e.selectedForUpdate = true; },
            "Update|2|1" + newer + "Power state must be \"On\" to update firmware.|warning");
        row("refreshing", [](E &e) { e.tcpClient = reinterpret_cast<TcpClient *>(&g_marker); e.commStatus = 1; }, "Update|0|1" + newer + noComm + "|refresh");
    }
    void cells()
    {
        QFETCH(Entry, display);
        QFETCH(QString, cells);
        m_list = {display};
        m_model.resetAll();
        const QString icon = cells.section(QLatin1Char('|'), 5);
        const QVariant check = cell(0, Qt::CheckStateRole);
        const Qt::ItemFlags flags = m_model.flags(m_model.index(0, 0));
        const QString shown = QStringList{cell(0, Qt::DisplayRole).toString(), check.isValid() ? check.toString() : QStringLiteral("-"),
                                          QString::number(flags.testFlag(Qt::ItemIsEnabled)), cell(8, Qt::DisplayRole).toString(),
                                          cell(9, Qt::DisplayRole).toString(), icon}.join(QLatin1Char('|'));
        QCOMPARE(shown, cells);
        QVERIFY2(samePicture(cell(9, Qt::DecorationRole), icon), qPrintable(icon));
        QCOMPARE(cell(9, Qt::ToolTipRole).toString(), cell(9, Qt::DisplayRole).toString());
        QCOMPARE(flags.testFlag(Qt::ItemIsUserCheckable), check.isValid());
        const bool downloading = check.toInt() == Qt::Checked && cells.contains(QLatin1String("Downloading"));
        QVERIFY(samePicture(cell(8, Qt::DecorationRole), downloading ? QStringLiteral("cloud download") : QString()));
        QCOMPARE(cell(8, Qt::BackgroundRole).value<QColor>(), icon == QLatin1String("comm-error") ? QColor(Qt::red) : QColor());
    }

    void progressText_data()
    {
        QTest::addColumn<Entry>("display");
        QTest::addColumn<qint64>("elapsedMs");
        QTest::addColumn<QString>("text");
        const auto running = [](int components, std::array<int, 6> progress, bool uploading, int uploadPercent, int duration = 600) {
            return entry([=](Entry &e) {
                e.updateStatus = 2; e.numPACComponents = components; e.componentProgress = progress;
                e.uploading = uploading; e.uploadPercent = uploadPercent; e.updateDurationSecs = duration;
            });
        };
        const std::array<int, 6> done1{{100, 40, -1, -1, -1, -1}}, all{{100, 100, 100, 100, 100, 100}};
        const QString fw1 = QStringLiteral("70% Completed: FW1  Estimated time remaining: ");
        QTest::newRow("uploading, percent unknown") << running(2, done1, true, -1) << qint64(100000) << "Uploading " + fw1 + "08:20";
        QTest::newRow("uploading, percent known") << running(2, done1, true, 35) << qint64(100000) << "Uploading 35%  Estimated time remaining: 08:20";
        QTest::newRow("past the estimate") << running(2, done1, false, -1) << qint64(630000)
                                           << "Updating 70% Completed: FW1  Taking longer than estimated";
        QTest::newRow("only four components named") << running(9, all, false, -1) << qint64(0)
                                                    << "Updating 100% Completed: FW1 FW2 FW3 FW4  Estimated time remaining: 10:00";
        QTest::newRow("beyond the count ignored, no estimate") << running(1, {{50, 100, 100, -1, -1, -1}}, false, -1, 0) << qint64(5000) << "Updating 50% ";
    }
    void progressText()
    {
        QFETCH(Entry, display);
        QFETCH(qint64, elapsedMs);
        QTEST(DisplayColumns::progressText(display, elapsedMs), "text");
    }

    void progressRole_data()
    {
        QTest::addColumn<Entry>("display");
        QTest::addColumn<double>("progress"); // -1: none
        const auto session = [](bool uploading, int uploadPercent, int status = 2, int components = 2) {
            return entry([=](Entry &e) {
                e.updateStatus = status; e.numPACComponents = components; e.componentProgress = {{100, 40, -1, -1, -1, -1}};
                e.uploading = uploading; e.uploadPercent = uploadPercent;
            });
        };
        QTest::newRow("uploading 35%") << session(true, 35) << 0.35;
        QTest::newRow("updating 70%") << session(false, -1) << 0.70;
        QTest::newRow("updating without components") << session(false, -1, 2, 0) << -1.0;
        QTest::newRow("complete") << session(false, -1, 3) << -1.0;
        QTest::newRow("idle") << entry() << -1.0;
    }
    void progressRole()
    {
        QFETCH(Entry, display);
        QFETCH(double, progress);
        m_list = {display};
        m_model.resetAll();
        const QVariant value = cell(9, displayListModel::ProgressRole);
        QCOMPARE(value.isValid() ? value.toDouble() : -1.0, progress);
        QVERIFY(!cell(8, displayListModel::ProgressRole).isValid() && cell(9, Qt::ToolTipRole) == cell(9, Qt::DisplayRole));
    }

    void displayPanel_data()
    {
        QTest::addColumn<Entry>("entry");
        QTest::addColumn<bool>("found"); // a release record with LED codes and a manual
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("notShown");
        const auto row = [](const char *name, const std::function<void(Entry &)> &tweak, bool found, const QStringList &shown,
                            const QStringList &notShown = {}) {
            Entry e;
            e.ipAddress = QHostAddress(QStringLiteral("192.0.2.7"));
            e.modelName = QStringLiteral("VX552");
            tweak(e);
            QTest::newRow(name) << e << found << shown << notShown;
        };
        const QString powerOff = QStringLiteral("not available while Power is Off"), noComm = QStringLiteral("Unable to communicate with display");
        const QString unreachable = QStringLiteral("is unreachable");
        const QString cycle = QStringLiteral("Requires manual AC power cycle after LAN update</td><td colspan=\"1\">");
        row("off, unreadable: power hints replace the comm error, 89 s",
            [](Entry &e) { e.commStatus = 1; e.needPowerOnToReadInfo = 3; e.powerState = 2; e.updateDurationSecs = 89; }, true,
            {powerOff, "S-Format", ">1 minutes<", cycle + "N/A<"}, {noComm});
        row("model reports when off, no notes, 90 s",
            [](Entry &e) {
                e.commStatus = 1; e.powerState = 2; e.matchStatus = MatchStatus::NewerViaLan; e.updateDurationSecs = 90; e.powerCycleKind = 1;
            },
            true, {noComm, "version:</h3>None (current)<", ">2 minutes<", cycle + "No<"}, {powerOff});
        row("locked hides unreachable, display texts escaped",
            [](Entry &e) { e.selectedForUpdate = true; e.lockStatus = 1; e.commStatus = 2; e.modelName = "<img src=x onerror=1>"; e.serialNumber = "A&B"; },
            false, {"<a href=\"http://192.0.2.7/\">192.0.2.7</a>", "default is '&lt;img src=x onerror=1&gt;'", "A&amp;B"}, {unreachable, "<img src=x"});
        row("selected: unreachable, off, power save, cycle, newer build, retrying, notes",
            [](Entry &e) {
                e.selectedForUpdate = true; e.commStatus = 2; e.needPowerOnToUpdateViaHTTP = e.seriesId = e.powerSaveMode = 1;
                e.powerState = e.powerCycleKind = 2; e.requiresAppBuild = 999999; e.lastUpdateStatus = -5;
                e.matchStatus = MatchStatus::NewerViaLan; e.latestVersion = "2.0"; e.currentFirmware = "1.0"; e.changeNotes = QStringList{"a|b", "c"};
            },
            false, {unreachable, "Error: Power State is Off", "is &quot;Auto Standby&quot;", "Manual AC power cycle required after update",
                    "Application build 999999 is required", "An error occurred during the firmware update",
                    "New firmware version 2.0 is available", "latest version:</h3>1. a<br>2. b<br>3. c<table"});
        row("long form, LED table and documents, -90 s",
            [](Entry &e) {
                e.numPACComponents = 2; e.updateViaHTTP = e.useIP2 = 1; e.ipAddress2 = QHostAddress("192.0.2.9"); e.fwVersions[0] = "1.1";
                e.updateDurationSecs = -90; e.powerCycleKind = 2;
            },
            true, {"<a href=\"http://192.0.2.9/\">192.0.2.9</a>", "<td>Firmware 1</td><td>1.1</td><td>-</td>", "Blue blinking",
                   "<td>Normal operation</td><td colspan=\"1\">Other</td>", "<tr><td><a href=\"http://example.com/m.pdf\">Manual</a></td></tr></table>",
                   ">-2 minutes<", cycle + "Yes<"});
        row("updated and checked, cycle to complete, up to date",
            [](Entry &e) {
                e.lastUpdateStatus = 3; e.powerCycleKind = 2; e.matchStatus = MatchStatus::UpToDate; e.currentFirmware = "2.0";
                e.updateCheck = "Verified: the display reports <b>2.0";
            },
            false, {"successfully updated.</p><p>Verified: the display reports &lt;b&gt;2.0</p>", "Manual AC power cycle required to complete",
                    "version 2.0 is the latest available"});
    }
    void displayPanel()
    {
        QFETCH(Entry, entry);
        QFETCH(bool, found);
        PanelReleaseFacts release;
        release.found = found;
        release.ledCodes[1] = 4;
        release.ledTexts[1] = QStringLiteral("Blue blinking");
        release.documentation.append({QStringLiteral("Manual"), QStringLiteral("http://example.com/m.pdf")});
        PanelContext context;
        context.startupFinished = context.databaseLoaded = true;
        const QString html = buildDisplayInfoHtml(&entry, release, context);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, notShown);
        for (const QString &text : shown)
            QVERIFY2(html.contains(text), qPrintable(text + QStringLiteral(" missing in ") + html));
        for (const QString &text : notShown)
            QVERIFY2(!html.contains(text), qPrintable(text));
    }
};

QTEST_MAIN(tst_DisplayList)
#include "tst_displaylist.moc"
