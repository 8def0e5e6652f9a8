#include "displaylist/displaylistmodel.h"
#include "displaylist/updatestatus.h"
#include "resources/resourceinit.h"

#include <QAbstractItemModelTester>
#include <QFont>
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

class tst_DisplayListModel : public QObject
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
            m_list.append(entry());
            m_model.addRow(m_list.size());
        }
        QTRY_COMPARE(m_model.rowCount(), 3);
        QCOMPARE(m_model.columnCount(), 10);
        QSignalSpy changed(&m_model, &QAbstractItemModel::dataChanged);
        m_list[1].matchStatus = MatchStatus::UpToDate;
        m_model.rowChanged(1);
        m_model.rowChanged(7); // a row that is not there: ignored
        QTRY_VERIFY(!changed.isEmpty());
        QCOMPARE(changed.last().at(0).toModelIndex().row(), 1);
        m_model.rowChanged(-1); // every row
        QTRY_COMPARE(changed.last().at(1).toModelIndex(), m_model.index(2, 9));
        m_list.append(entry()); // not announced yet: not shown
        QCOMPARE(m_model.rowCount(), 3);
        QVERIFY(!m_model.index(0, 10).isValid() && !m_model.index(3, 0).data().isValid());
        m_list.clear();
        m_model.resetAll();
        QCOMPARE(m_model.rowCount(), 0);
        m_model.rowChanged(-1);
        m_list.append(entry());
        m_model.addRow(1);
        QTRY_COMPARE(m_model.rowCount(), 1);
    }

    void checkBoxSelectsTheRow()
    {
        m_list = {entry([](Entry &e) { e.matchStatus = MatchStatus::UpToDate; })};
        m_model.resetAll();
        QSignalSpy needUpdate(&m_model, &displayListModel::need_update_ui);
        QSignalSpy changed(&m_model, &QAbstractItemModel::dataChanged);
        QCOMPARE(cell(8, Qt::DisplayRole).toString(), QStringLiteral("Up-to-date"));
        QVERIFY(m_model.setData(m_model.index(0, 0), int(Qt::Checked), Qt::CheckStateRole));
        QVERIFY(m_list.first().selectedForUpdate);
        QCOMPARE(cell(8, Qt::DisplayRole).toString(), QStringLiteral("Available"));
        QTRY_COMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(1).toModelIndex(), m_model.index(0, 9));
        QVERIFY(m_model.setData(m_model.index(0, 0), int(Qt::PartiallyChecked), Qt::CheckStateRole));
        QVERIFY(!m_list.first().selectedForUpdate);
        QVERIFY(!m_model.setData(m_model.index(0, 1), QStringLiteral("X"), Qt::EditRole));
        QVERIFY(!m_model.setData(QModelIndex(), int(Qt::Checked), Qt::CheckStateRole));
        QCOMPARE(needUpdate.size(), 2);
    }

    void cells_data()
    {
        QTest::addColumn<Entry>("display");
        QTest::addColumn<bool>("legacyEnabled");
        QTest::addColumn<QString>("cells"); // action text|check box (- none)|enabled|availability|status|status icon
        using E = Entry;
        const auto row = [](const char *name, const std::function<void(E &)> &tweak, const QString &cells, bool legacy = false) {
            QTest::newRow(name) << entry(tweak) << legacy << cells;
        };
        const QString newer = QStringLiteral("|New version 2.0 available|"), noComm = QStringLiteral("Unable to communicate with display.");
        const QString status1 = UpdateStatus::statusText(1), status3 = UpdateStatus::statusText(3), status4 = UpdateStatus::statusText(4);
        row("newer via LAN", {}, "Update|0|1" + newer + "|");
        row("selected, downloading, power save will change",
            [](E &e) { e.selectedForUpdate = true; e.downloadStatus = 2; e.downloadPercent = 40; e.seriesId = 2; e.powerSaveMode = 1; },
            "Update|2|1|40% Downloading|Power Save Mode will be changed to \"Off\"|info");
        row("selected, download failed", [](E &e) { e.selectedForUpdate = true; e.downloadStatus = 1; }, "Update|2|1|Download error||comm-error");
        row("selected, downloaded, update succeeded", [](E &e) { e.selectedForUpdate = true; e.downloadStatus = 3; e.lastUpdateStatus = 3; },
            "Update|2|1|New version 2.0 downloaded|Success|checkmark");
        row("not comparable, queued", [](E &e) { e.matchStatus = 3; e.updateStatus = 1; },
            "Update|0|1|Unable to compare versions|" + status1 + "|monitor pause");
        row("up to date, uploading", [](E &e) { e.matchStatus = 4; e.downloadStatus = 2; e.updateStatus = 2; e.uploading = true; },
            "Overwrite|0|1|Up-to-date|Uploading|monitor download");
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
        row("exactly this build, failed, not selected", [](E &e) { e.requiresAppBuild = 240112; e.downloadStatus = 1; }, "Update|0|1|Download error||");
        row("legacy, support off", [](E &e) { e.legacyModel = 1; },
            "Update|0|0" + newer + "Firmware updates on legacy models is disabled. See Application settings.|");
        row("legacy, support on", [](E &e) { e.legacyModel = 1; }, "Update|0|1" + newer + "|", true);
        row("update session, locked, not selected", [](E &e) { e.updateClient = reinterpret_cast<HttpClient *>(&g_marker); e.lockStatus = 1; },
            "Update|0|0" + newer + "|");
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
        QFETCH(bool, legacyEnabled);
        QFETCH(QString, cells);
        m_list = {display};
        m_model.resetAll();
        m_model.setLegacyEnabled(legacyEnabled);
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
        QCOMPARE(m_model.flags(m_model.index(0, 9)), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        const bool downloading = check.toInt() == Qt::Checked && cells.contains(QLatin1String("Downloading"));
        QVERIFY(samePicture(cell(8, Qt::DecorationRole), downloading ? QStringLiteral("cloud download") : QString()));
        QCOMPARE(cell(8, Qt::BackgroundRole).value<QColor>(), icon == QLatin1String("comm-error") ? QColor(Qt::red) : QColor());
        // Rows with newer firmware for the LAN stand out.
        QCOMPARE(cell(1, Qt::FontRole).value<QFont>().bold(), display.matchStatus == MatchStatus::NewerViaLan);
    }

    void otherColumns()
    {
        const QStringList texts{"", "Power On", "Standby", "Suspend", "Standby", ""}, icons{"unknown", "on", "off", "off", "off", "unknown"};
        const QStringList addresses{"192.168.0.20", "::ffff:10.1.2.3", "fe80::1", ""}, shown{"192.168.0.20", "10.1.2.3", "fe80::1", ""};
        for (int state = 0; state < texts.size(); ++state) {
            m_list = {entry([&](Entry &e) { e.powerState = state; e.ipAddress = QHostAddress(addresses.value(state)); })};
            m_model.resetAll();
            QCOMPARE(cell(6, Qt::DisplayRole).toString(), texts.at(state));
            QVERIFY(samePicture(cell(6, Qt::DecorationRole), QStringLiteral("power-") + icons.at(state)));
            QCOMPARE(cell(4, Qt::DisplayRole).toString(), shown.value(state));
        }
        QVERIFY(!cell(1, Qt::ToolTipRole).toString().isEmpty());
        QSet<QString> titles;
        for (int column = 0; column < 10; ++column)
            titles << m_model.headerData(column, Qt::Horizontal).toString();
        QCOMPARE(titles.size(), 10); // a title of its own for every column, and none beyond
        QVERIFY(!titles.contains(QString()) && !m_model.headerData(10, Qt::Horizontal).isValid());
        QCOMPARE(m_model.headerData(41, Qt::Vertical).toInt(), 42);
        QVERIFY(!m_model.headerData(0, Qt::Horizontal, Qt::ToolTipRole).isValid());
    }

    void progressText_data()
    {
        QTest::addColumn<Entry>("display");
        QTest::addColumn<qint64>("elapsedMs");
        QTest::addColumn<QString>("text");
        const auto running = [](int components, std::array<int, 6> progress, bool uploading, int uploadPercent, int duration = 600) {
            return entry([=](Entry &e) {
                e.updateStatus = 2;
                e.numPACComponents = components;
                e.componentProgress = progress;
                e.uploading = uploading;
                e.uploadPercent = uploadPercent;
                e.updateDurationSecs = duration;
            });
        };
        const std::array<int, 6> done1{{100, 40, -1, -1, -1, -1}}, all{{100, 100, 100, 100, 100, 100}};
        const QString fw1 = QStringLiteral("70% Completed: FW1  Estimated time remaining: ");
        QTest::newRow("installing") << running(2, done1, false, -1) << qint64(100000) << "Updating " + fw1 + "08:20";
        QTest::newRow("uploading, percent unknown") << running(2, done1, true, -1) << qint64(100000) << "Uploading " + fw1 + "08:20";
        QTest::newRow("uploading, percent known") << running(2, done1, true, 35) << qint64(100000) << "Uploading 35%  Estimated time remaining: 08:20";
        QTest::newRow("overrun by 90 s") << running(2, done1, false, -1) << qint64(690000) << "Updating " + fw1 + "-1:30";
        QTest::newRow("overrun by 30 s stays negative") << running(2, done1, false, -1) << qint64(630000) << "Updating " + fw1 + "-00:30";
        QTest::newRow("part of a second counts as none") << running(2, done1, false, -1) << qint64(999) << "Updating " + fw1 + "10:00";
        QTest::newRow("unknown progress counts as zero") << running(2, {{-1, 60, -1, -1, -1, -1}}, false, -1) << qint64(0)
                                                         << "Updating 30%  Estimated time remaining: 10:00";
        QTest::newRow("only four components named") << running(9, all, false, -1) << qint64(0)
                                                    << "Updating 100% Completed: FW1 FW2 FW3 FW4  Estimated time remaining: 10:00";
        QTest::newRow("beyond the count ignored, no estimate") << running(1, {{50, 100, 100, -1, -1, -1}}, false, -1, 0) << qint64(5000) << "Updating 50% ";
        QTest::newRow("no components") << running(0, done1, true, 10) << qint64(0) << "Uploading";
    }
    void progressText()
    {
        QFETCH(Entry, display);
        QFETCH(qint64, elapsedMs);
        QTEST(displayListModel::progressText(display, elapsedMs), "text");
    }
};

QTEST_MAIN(tst_DisplayListModel)
#include "tst_displaylistmodel.moc"
