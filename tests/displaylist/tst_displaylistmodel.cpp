#include "displaylist/displaylistmodel.h"
#include "lanupdate/updatestatus.h"
#include "resources/resourceinit.h"

#include <QAbstractItemModelTester>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QtTest>

#include <functional>

Q_DECLARE_METATYPE(DISPLAY_LIST_ENTRY)

namespace {

int g_marker = 0;
TcpClient *const kBusyTcpClient = reinterpret_cast<TcpClient *>(&g_marker);
HttpClient *const kUpdateSession = reinterpret_cast<HttpClient *>(&g_marker);

// A display that the catalogue matched: newer firmware 2.0 can go over the LAN.
DISPLAY_LIST_ENTRY entry(const std::function<void(DISPLAY_LIST_ENTRY &)> &tweak = {})
{
    DISPLAY_LIST_ENTRY e;
    e.modelName = QStringLiteral("VT-435A");
    e.ipAddress = QHostAddress(QStringLiteral("192.168.0.20"));
    e.powerState = 1;
    e.matchStatus = MatchStatus::NewerViaLan;
    e.latestVersion = QStringLiteral("2.0");
    e.updateViaHTTP = 1;
    if (tweak)
        tweak(e);
    return e;
}

const QString kInfo = QStringLiteral(":/resources/info.svg");
const QString kWarning = QStringLiteral(":/resources/warning.svg");
const QString kMonitorError = QStringLiteral(":/resources/monitor error.svg");
const QString kCheckmark = QStringLiteral(":/resources/checkmark.svg");

bool samePicture(const QVariant &actual, const QString &path, const QSize &size)
{
    if (path.isEmpty())
        return !actual.isValid();
    const QImage expected = QIcon(path).pixmap(size).toImage();
    return actual.value<QPixmap>().toImage() == expected;
}

}

class tst_DisplayListModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initVdfuResources(); }
    void init();

    void modelStaysConsistentThroughChanges();
    void headers();
    void actionColumn_data();
    void actionColumn();
    void checkingUpdatesTheRecord();
    void availabilityColumn_data();
    void availabilityColumn();
    void statusColumn_data();
    void statusColumn();
    void powerStateColumn_data();
    void powerStateColumn();
    void addressColumn_data();
    void addressColumn();
    void boldRowsAndToolTips();
    void progressText_data();
    void progressText();
    void allRowsChangedForNegativeRow();

private:
    QVariant cell(int column, int role) const { return m_model.index(0, column).data(role); }
    void show(const DISPLAY_LIST_ENTRY &e, bool legacyEnabled = false);

    DisplayList m_list;
    displayListModel m_model;
};

void tst_DisplayListModel::init()
{
    m_list.clear();
    m_model.setDisplayList(&m_list);
    m_model.setLegacyEnabled(false);
}

void tst_DisplayListModel::show(const DISPLAY_LIST_ENTRY &e, bool legacyEnabled)
{
    m_list = {e};
    m_model.resetAll();
    m_model.setLegacyEnabled(legacyEnabled);
}

void tst_DisplayListModel::modelStaysConsistentThroughChanges()
{
    QAbstractItemModelTester tester(&m_model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(&m_model, &QAbstractItemModel::rowsInserted);

    for (int i = 0; i < 3; ++i) {
        m_list.append(entry());
        m_model.addRow(m_list.size());
    }
    QCOMPARE(inserted.size(), 3);
    QCOMPARE(inserted.last().at(1).toInt(), 2);
    QCOMPARE(m_model.rowCount(), 3);
    QCOMPARE(m_model.columnCount(), 10);

    m_list[1].matchStatus = MatchStatus::UpToDate;
    m_model.rowChanged(1);
    m_model.rowChanged(-1);
    m_model.rowChanged(7); // a row that is not there: ignored
    QVERIFY(!m_model.insertRows(5, 1)); // beyond the announced rows
    QVERIFY(m_model.setData(m_model.index(2, 0), Qt::Checked, Qt::CheckStateRole));

    m_list.clear();
    m_model.resetAll();
    QCOMPARE(m_model.rowCount(), 0);
    m_model.rowChanged(-1);
    m_list.append(entry());
    m_model.addRow(1);
    QCOMPARE(m_model.rowCount(), 1);
}

void tst_DisplayListModel::headers()
{
    const QStringList titles{QStringLiteral("Action"), QStringLiteral("Model Name"),
                             QStringLiteral("Serial Number"), QStringLiteral("Asset Tag"),
                             QStringLiteral("IP Address"), QStringLiteral("MAC Address"),
                             QStringLiteral("Power State"), QStringLiteral("Current Firmware"),
                             QStringLiteral("Firmware availability"), QStringLiteral("Status")};
    for (int column = 0; column < titles.size(); ++column)
        QCOMPARE(m_model.headerData(column, Qt::Horizontal).toString(), titles.at(column));
    QCOMPARE(m_model.headerData(0, Qt::Vertical).toInt(), 1);
    QCOMPARE(m_model.headerData(41, Qt::Vertical).toInt(), 42);
    QVERIFY(!m_model.headerData(0, Qt::Horizontal, Qt::ToolTipRole).isValid());
}

void tst_DisplayListModel::actionColumn_data()
{
    QTest::addColumn<DISPLAY_LIST_ENTRY>("display");
    QTest::addColumn<bool>("legacyEnabled");
    QTest::addColumn<QVariant>("text");
    QTest::addColumn<QVariant>("check");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("checkable");

    const QVariant none;
    const QVariant unchecked = int(Qt::Unchecked);
    const QVariant checked = int(Qt::Checked);
    const auto withMatch = [](int match) {
        return entry([match](DISPLAY_LIST_ENTRY &e) { e.matchStatus = match; });
    };

    QTest::newRow("newer via LAN") << entry() << false << QVariant(QStringLiteral("Update")) << unchecked
                                   << true << true;
    QTest::newRow("newer via LAN, selected")
        << entry([](DISPLAY_LIST_ENTRY &e) { e.selectedForUpdate = true; }) << false
        << QVariant(QStringLiteral("Update")) << checked << true << true;
    QTest::newRow("not comparable") << withMatch(MatchStatus::NotComparable) << false
                                    << QVariant(QStringLiteral("Update")) << unchecked << true << true;
    QTest::newRow("up to date") << withMatch(MatchStatus::UpToDate) << false
                                << QVariant(QStringLiteral("Overwrite")) << unchecked << true << true;
    QTest::newRow("USB only") << withMatch(MatchStatus::NewerUsbOnly) << false << QVariant(QString())
                              << none << true << false;
    QTest::newRow("no release") << withMatch(MatchStatus::NoRelease) << false << QVariant(QString())
                                << none << true << false;
    QTest::newRow("not via LAN")
        << entry([](DISPLAY_LIST_ENTRY &e) { e.updateViaHTTP = 0; }) << false << none << none << true << false;
    QTest::newRow("newer build required")
        << entry([](DISPLAY_LIST_ENTRY &e) { e.requiresAppBuild = 240113; }) << false << none << none
        << true << false;
    QTest::newRow("exactly this build")
        << entry([](DISPLAY_LIST_ENTRY &e) { e.requiresAppBuild = 240112; }) << false
        << QVariant(QStringLiteral("Update")) << unchecked << true << true;
    QTest::newRow("legacy model, support off")
        << entry([](DISPLAY_LIST_ENTRY &e) { e.legacyModel = 1; }) << false
        << QVariant(QStringLiteral("Update")) << unchecked << false << true;
    QTest::newRow("legacy model, support on")
        << entry([](DISPLAY_LIST_ENTRY &e) { e.legacyModel = 1; }) << true
        << QVariant(QStringLiteral("Update")) << unchecked << true << true;
    QTest::newRow("update session")
        << entry([](DISPLAY_LIST_ENTRY &e) { e.updateClient = kUpdateSession; }) << false
        << QVariant(QStringLiteral("Update")) << unchecked << false << true;
}

void tst_DisplayListModel::actionColumn()
{
    QFETCH(DISPLAY_LIST_ENTRY, display);
    QFETCH(bool, legacyEnabled);
    QFETCH(QVariant, text);
    QFETCH(QVariant, check);
    QFETCH(bool, enabled);
    QFETCH(bool, checkable);

    show(display, legacyEnabled);
    const QVariant shownText = cell(0, Qt::DisplayRole);
    QCOMPARE(shownText.isValid(), text.isValid());
    QCOMPARE(shownText.toString(), text.toString());
    const QVariant shownCheck = cell(0, Qt::CheckStateRole);
    QCOMPARE(shownCheck.isValid(), check.isValid());
    QCOMPARE(shownCheck.toInt(), check.toInt());
    const Qt::ItemFlags flags = m_model.flags(m_model.index(0, 0));
    QVERIFY(flags.testFlag(Qt::ItemIsSelectable));
    QCOMPARE(flags.testFlag(Qt::ItemIsEnabled), enabled);
    QCOMPARE(flags.testFlag(Qt::ItemIsUserCheckable), checkable);
    // Other columns are always usable.
    QCOMPARE(m_model.flags(m_model.index(0, 9)), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
}

void tst_DisplayListModel::checkingUpdatesTheRecord()
{
    show(entry([](DISPLAY_LIST_ENTRY &e) { e.matchStatus = MatchStatus::UpToDate; }));
    QCOMPARE(cell(8, Qt::DisplayRole).toString(), QStringLiteral("Up-to-date"));
    QSignalSpy needUpdate(&m_model, &displayListModel::need_update_ui);
    QSignalSpy changed(&m_model, &QAbstractItemModel::dataChanged);

    QVERIFY(m_model.setData(m_model.index(0, 0), int(Qt::Checked), Qt::CheckStateRole));
    QVERIFY(m_list.first().selectedForUpdate);
    QCOMPARE(cell(8, Qt::DisplayRole).toString(), QStringLiteral("Available"));
    QCOMPARE(needUpdate.size(), 1);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().at(0).toModelIndex(), m_model.index(0, 0));
    QCOMPARE(changed.first().at(1).toModelIndex(), m_model.index(0, 9));

    QVERIFY(m_model.setData(m_model.index(0, 0), int(Qt::PartiallyChecked), Qt::CheckStateRole));
    QVERIFY(!m_list.first().selectedForUpdate);
    QVERIFY(!m_model.setData(m_model.index(0, 1), QStringLiteral("X"), Qt::EditRole));
    QVERIFY(!m_model.setData(QModelIndex(), int(Qt::Checked), Qt::CheckStateRole));
    QCOMPARE(needUpdate.size(), 2);
}

void tst_DisplayListModel::availabilityColumn_data()
{
    QTest::addColumn<DISPLAY_LIST_ENTRY>("display");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("downloadingIcon");
    QTest::addColumn<bool>("redBackground");

    const auto with = [](int match, bool selected, int download) {
        return entry([=](DISPLAY_LIST_ENTRY &e) {
            e.matchStatus = match;
            e.selectedForUpdate = selected;
            e.downloadStatus = download;
            e.downloadPercent = 40;
        });
    };
    QTest::newRow("not matched") << with(0, false, 0) << QStringLiteral("Unknown") << false << false;
    QTest::newRow("no version") << with(1, false, 0)
                                << QStringLiteral("Version info not available from the display") << false << false;
    QTest::newRow("no release") << with(2, false, 0) << QStringLiteral("None available for this model")
                                << false << false;
    QTest::newRow("not comparable") << with(3, true, 2) << QStringLiteral("Unable to compare versions")
                                    << false << false;
    QTest::newRow("up to date") << with(4, false, 2) << QStringLiteral("Up-to-date") << false << false;
    QTest::newRow("overwrite available") << with(4, true, 0) << QStringLiteral("Available") << false << false;
    QTest::newRow("overwrite failed") << with(4, true, 1) << QStringLiteral("Download error") << false << true;
    QTest::newRow("overwrite downloading") << with(4, true, 2) << QStringLiteral("40% Downloading") << true
                                           << false;
    QTest::newRow("overwrite downloaded") << with(4, true, 3) << QStringLiteral("Downloaded") << false << false;
    QTest::newRow("USB only") << with(5, true, 2) << QStringLiteral("New version 2.0 available") << false
                              << false;
    QTest::newRow("newer") << with(6, false, 0) << QStringLiteral("New version 2.0 available") << false << false;
    QTest::newRow("newer, download failed") << with(6, true, 1) << QStringLiteral("Download error") << false
                                            << true;
    QTest::newRow("newer, failed, not selected") << with(6, false, 1) << QStringLiteral("Download error")
                                                 << false << false;
    QTest::newRow("newer, downloading") << with(6, true, 2) << QStringLiteral("40% Downloading") << true << false;
    QTest::newRow("newer, downloaded") << with(6, true, 3) << QStringLiteral("New version 2.0 downloaded")
                                       << false << false;
    DISPLAY_LIST_ENTRY newerBuild = with(6, true, 1);
    newerBuild.requiresAppBuild = 240113;
    QTest::newRow("failed, newer build required") << newerBuild << QStringLiteral("Download error") << false
                                                  << false;
}

void tst_DisplayListModel::availabilityColumn()
{
    QFETCH(DISPLAY_LIST_ENTRY, display);
    QFETCH(QString, text);
    QFETCH(bool, downloadingIcon);
    QFETCH(bool, redBackground);

    show(display);
    QCOMPARE(cell(8, Qt::DisplayRole).toString(), text);
    QVERIFY(samePicture(cell(8, Qt::DecorationRole),
                        downloadingIcon ? QStringLiteral(":/resources/cloud download.svg") : QString(),
                        QSize(20, 20)));
    const QVariant background = cell(8, Qt::BackgroundRole);
    QCOMPARE(background.isValid(), redBackground);
    if (redBackground)
        QCOMPARE(background.value<QColor>(), QColor(Qt::red));
}

void tst_DisplayListModel::statusColumn_data()
{
    QTest::addColumn<DISPLAY_LIST_ENTRY>("display");
    QTest::addColumn<bool>("legacyEnabled");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QSize>("iconSize");

    const QSize small(20, 20);
    using E = DISPLAY_LIST_ENTRY;
    QTest::newRow("idle") << entry() << false << QString() << QString() << small;
    QTest::newRow("newer build required")
        << entry([](E &e) { e.requiresAppBuild = 240113; }) << false
        << QStringLiteral("Need newer application build 240113.") << kInfo << small;
    QTest::newRow("locked")
        << entry([](E &e) { e.lockStatus = 1; e.selectedForUpdate = true; }) << false
        << QStringLiteral("Error: Display is curently locked.") << kWarning << small;
    QTest::newRow("locked, not selected") << entry([](E &e) { e.lockStatus = 1; }) << false << QString()
                                          << QString() << small;
    QTest::newRow("power on to report")
        << entry([](E &e) { e.powerState = 2; e.needPowerOnToReadInfo = 1; e.commStatus = 1; }) << false
        << QStringLiteral("Power On required to report display information.") << kInfo << small;
    QTest::newRow("power on to report, no version")
        << entry([](E &e) { e.powerState = 0; e.needPowerOnToReadInfo = 2; e.matchStatus = 1; }) << false
        << QStringLiteral("Power On required to report display information.") << kInfo << small;
    QTest::newRow("no control answer") << entry([](E &e) { e.commStatus = 1; }) << false
                                       << QStringLiteral("Unable to communicate with display.") << kWarning
                                       << small;
    QTest::newRow("update address unreachable")
        << entry([](E &e) { e.commStatus = 2; e.selectedForUpdate = true; }) << false
        << QStringLiteral("Error: Firmware update IP address is unreachable.") << kWarning << small;
    QTest::newRow("must be on to update")
        << entry([](E &e) { e.needPowerOnToUpdateViaHTTP = 1; e.powerState = 2; e.selectedForUpdate = true; })
        << false << QStringLiteral("Power state must be \"On\" to update firmware.") << kWarning << small;
    QTest::newRow("power save will change")
        << entry([](E &e) { e.selectedForUpdate = true; e.seriesId = 2; e.powerSaveMode = 1; }) << false
        << QStringLiteral("Power Save Mode will be changed to \"Off\"") << kInfo << small;
    QTest::newRow("power save off already")
        << entry([](E &e) { e.selectedForUpdate = true; e.seriesId = 2; e.powerSaveMode = 2; }) << false
        << QString() << QString() << small;
    QTest::newRow("legacy disabled")
        << entry([](E &e) { e.legacyModel = 1; }) << false
        << QStringLiteral("Firmware updates on legacy models is disabled. See Application settings.")
        << QString() << small;
    QTest::newRow("legacy enabled") << entry([](E &e) { e.legacyModel = 1; }) << true << QString()
                                    << QString() << small;
    QTest::newRow("USB only") << entry([](E &e) { e.matchStatus = MatchStatus::NewerUsbOnly; }) << false
                              << QStringLiteral("Update via USB only")
                              << QStringLiteral(":/resources/usb drive.svg") << small;
    QTest::newRow("last update succeeded") << entry([](E &e) { e.lastUpdateStatus = 3; }) << false
                                           << QStringLiteral("Success") << kCheckmark << small;
    QTest::newRow("succeeded, power cycle")
        << entry([](E &e) { e.lastUpdateStatus = 3; e.powerCycleKind = 2; }) << false
        << QStringLiteral("Success. Please manually cycle the display's AC power.")
        << QStringLiteral(":/resources/checkmark and reset power.svg") << QSize(40, 20);
    QTest::newRow("last update failed") << entry([](E &e) { e.lastUpdateStatus = -2; }) << false
                                        << UpdateStatus::statusText(-2) << kMonitorError << small;
    QTest::newRow("last update retrying") << entry([](E &e) { e.lastUpdateStatus = -5; }) << false
                                          << UpdateStatus::statusText(-5) << kMonitorError << small;
    QTest::newRow("queued") << entry([](E &e) { e.updateStatus = 1; }) << false << UpdateStatus::statusText(1)
                            << QStringLiteral(":/resources/monitor pause.svg") << small;
    QTest::newRow("uploading") << entry([](E &e) { e.updateStatus = 2; e.uploading = true; }) << false
                               << QStringLiteral("Uploading")
                               << QStringLiteral(":/resources/monitor download.svg") << small;
    QTest::newRow("installing") << entry([](E &e) { e.updateStatus = 2; }) << false << QStringLiteral("Updating")
                                << QStringLiteral(":/resources/monitor updating progress.svg") << small;
    QTest::newRow("session complete") << entry([](E &e) { e.updateStatus = 3; }) << false
                                      << UpdateStatus::statusText(3) << kCheckmark << small;
    QTest::newRow("session failed") << entry([](E &e) { e.updateStatus = 4; }) << false
                                    << UpdateStatus::statusText(4) << kMonitorError << small;
    QTest::newRow("refreshing") << entry([](E &e) { e.tcpClient = kBusyTcpClient; e.commStatus = 1; }) << false
                                << QStringLiteral("Unable to communicate with display.")
                                << QStringLiteral(":/resources/refresh.svg") << small;
    QTest::newRow("download failed")
        << entry([](E &e) { e.selectedForUpdate = true; e.downloadStatus = 1; }) << false << QString()
        << QStringLiteral(":/resources/comm-error.svg") << small;
}

void tst_DisplayListModel::statusColumn()
{
    QFETCH(DISPLAY_LIST_ENTRY, display);
    QFETCH(bool, legacyEnabled);
    QFETCH(QString, text);
    QFETCH(QString, icon);
    QFETCH(QSize, iconSize);

    show(display, legacyEnabled);
    QCOMPARE(cell(9, Qt::DisplayRole).toString(), text);
    QCOMPARE(cell(9, Qt::ToolTipRole).toString(), text);
    QVERIFY2(samePicture(cell(9, Qt::DecorationRole), icon, iconSize), qPrintable(icon));
}

void tst_DisplayListModel::powerStateColumn_data()
{
    QTest::addColumn<int>("powerState");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("icon");

    const QString on = QStringLiteral(":/resources/power-on.svg");
    const QString off = QStringLiteral(":/resources/power-off.svg");
    const QString unknown = QStringLiteral(":/resources/power-unknown.svg");
    QTest::newRow("unknown") << 0 << QString() << unknown;
    QTest::newRow("on") << 1 << QStringLiteral("Power On") << on;
    QTest::newRow("standby") << 2 << QStringLiteral("Standby") << off;
    QTest::newRow("suspend") << 3 << QStringLiteral("Suspend") << off;
    QTest::newRow("standby, second code") << 4 << QStringLiteral("Standby") << off;
    QTest::newRow("out of range") << 5 << QString() << unknown;
    QTest::newRow("negative") << -1 << QString() << unknown;
}

void tst_DisplayListModel::powerStateColumn()
{
    QFETCH(int, powerState);
    QFETCH(QString, text);
    QFETCH(QString, icon);

    show(entry([powerState](DISPLAY_LIST_ENTRY &e) { e.powerState = powerState; }));
    QCOMPARE(cell(6, Qt::DisplayRole).toString(), text);
    QVERIFY(samePicture(cell(6, Qt::DecorationRole), icon, QSize(20, 20)));
}

void tst_DisplayListModel::addressColumn_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("shown");

    QTest::newRow("IPv4") << QStringLiteral("192.168.0.20") << QStringLiteral("192.168.0.20");
    QTest::newRow("IPv4-mapped") << QStringLiteral("::ffff:10.1.2.3") << QStringLiteral("10.1.2.3");
    QTest::newRow("IPv6") << QStringLiteral("fe80::1") << QStringLiteral("fe80::1");
    QTest::newRow("none") << QString() << QString();
}

void tst_DisplayListModel::addressColumn()
{
    QFETCH(QString, address);
    QFETCH(QString, shown);

    show(entry([&address](DISPLAY_LIST_ENTRY &e) { e.ipAddress = QHostAddress(address); }));
    QCOMPARE(cell(4, Qt::DisplayRole).toString(), shown);
}

void tst_DisplayListModel::boldRowsAndToolTips()
{
    show(entry());
    for (int column = 0; column < 10; ++column)
        QVERIFY(cell(column, Qt::FontRole).value<QFont>().bold());
    QCOMPARE(cell(1, Qt::ToolTipRole).toString(),
             QStringLiteral("Right-click to refresh Display Information or change Power State"));

    show(entry([](DISPLAY_LIST_ENTRY &e) { e.matchStatus = MatchStatus::UpToDate; }));
    QVERIFY(!cell(1, Qt::FontRole).isValid());
    QVERIFY(!cell(1, Qt::WhatsThisRole).isValid());
    QVERIFY(!m_model.index(0, 10).isValid());
}

void tst_DisplayListModel::progressText_data()
{
    QTest::addColumn<DISPLAY_LIST_ENTRY>("display");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<QString>("text");

    const auto running = [](int components, std::array<int, 6> progress, bool uploading, int uploadPercent) {
        return entry([=](DISPLAY_LIST_ENTRY &e) {
            e.updateStatus = 2;
            e.numPACComponents = components;
            e.componentProgress = progress;
            e.uploading = uploading;
            e.uploadPercent = uploadPercent;
            e.updateDurationSecs = 600;
        });
    };
    const std::array<int, 6> firstDone{{100, 40, -1, -1, -1, -1}};
    QTest::newRow("installing, one component done")
        << running(2, firstDone, false, -1) << qint64(100000)
        << QStringLiteral("Updating 70% Completed: FW1  Estimated time remaining: 08:20");
    QTest::newRow("uploading, percent unknown")
        << running(2, firstDone, true, -1) << qint64(100000)
        << QStringLiteral("Uploading 70% Completed: FW1  Estimated time remaining: 08:20");
    QTest::newRow("uploading, percent known")
        << running(2, firstDone, true, 35) << qint64(100000)
        << QStringLiteral("Uploading 35%  Estimated time remaining: 08:20");
    QTest::newRow("overrun by 90 seconds")
        << running(2, firstDone, false, -1) << qint64(690000)
        << QStringLiteral("Updating 70% Completed: FW1  Estimated time remaining: -1:30");
    QTest::newRow("overrun by 30 seconds stays negative")
        << running(2, firstDone, false, -1) << qint64(630000)
        << QStringLiteral("Updating 70% Completed: FW1  Estimated time remaining: -00:30");
    QTest::newRow("part of a second counts as none")
        << running(2, firstDone, false, -1) << qint64(999)
        << QStringLiteral("Updating 70% Completed: FW1  Estimated time remaining: 10:00");
    QTest::newRow("unknown progress counts as zero")
        << running(2, {{-1, 60, -1, -1, -1, -1}}, false, -1) << qint64(0)
        << QStringLiteral("Updating 30%  Estimated time remaining: 10:00");
    QTest::newRow("only four components are named")
        << running(6, {{100, 100, 100, 100, 100, 100}}, false, -1) << qint64(0)
        << QStringLiteral("Updating 100% Completed: FW1 FW2 FW3 FW4  Estimated time remaining: 10:00");
    QTest::newRow("components beyond the count are ignored")
        << running(1, {{50, 100, 100, -1, -1, -1}}, false, -1) << qint64(0)
        << QStringLiteral("Updating 50%  Estimated time remaining: 10:00");
    QTest::newRow("more components than slots")
        << running(9, {{100, 100, 100, 100, 100, 100}}, false, -1) << qint64(0)
        << QStringLiteral("Updating 100% Completed: FW1 FW2 FW3 FW4  Estimated time remaining: 10:00");
    QTest::newRow("no components, uploading") << running(0, firstDone, true, 10) << qint64(0)
                                              << QStringLiteral("Uploading");
    QTest::newRow("no components, installing") << running(0, firstDone, false, -1) << qint64(0)
                                               << QStringLiteral("Updating");
    DISPLAY_LIST_ENTRY noEstimate = running(1, {{50, -1, -1, -1, -1, -1}}, false, -1);
    noEstimate.updateDurationSecs = 0;
    QTest::newRow("no estimate") << noEstimate << qint64(5000) << QStringLiteral("Updating 50% ");
}

void tst_DisplayListModel::progressText()
{
    QFETCH(DISPLAY_LIST_ENTRY, display);
    QFETCH(qint64, elapsedMs);
    QFETCH(QString, text);

    QCOMPARE(displayListModel::progressText(display, elapsedMs), text);
}

void tst_DisplayListModel::allRowsChangedForNegativeRow()
{
    m_list = {entry(), entry(), entry()};
    m_model.resetAll();
    QSignalSpy changed(&m_model, &QAbstractItemModel::dataChanged);
    m_model.rowChanged(-1);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().at(0).toModelIndex(), m_model.index(0, 0));
    QCOMPARE(changed.first().at(1).toModelIndex(), m_model.index(2, 9));
    m_model.rowChanged(1);
    QCOMPARE(changed.last().at(0).toModelIndex(), m_model.index(1, 0));
    QCOMPARE(changed.last().at(1).toModelIndex(), m_model.index(1, 9));
}

QTEST_MAIN(tst_DisplayListModel)
#include "tst_displaylistmodel.moc"
