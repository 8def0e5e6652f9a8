// The real main window, end to end over loopback: the demo catalogue from
// the local firmware server, the demo fleet in the display simulator, and a
// targeted search started by the window itself once the database is there.
#include "app/pdfirmuptool.h"
#include "app/sv_information_dialog.h"
#include "app/timing.h"
#include "dialogs/messageboxes.h"
#include "discovery/pdtcpreply.h"
#include "firmwareserverprocess.h"
#include "pdfirmuptooltestaccess.h"
#include "resources/resourceinit.h"
#include "simulatorprocess.h"
#include "testsettings.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStatusBar>
#include <QtTest>

#include <algorithm>
#include <array>
#include <memory>

namespace {

// The demo fleet's addresses moved into a block of this test's own.
const char kDemoBlock[] = "127.0.0.";
// Two blocks chosen by process id, so that two suites can run at once.
QString block(int offset)
{
    return QStringLiteral("127.88.%1.").arg((QCoreApplication::applicationPid() % 125) * 2 + offset);
}
constexpr int kSearchTimeoutMs = 30000;
// Waits and time-outs at half: the first search comes 1.5 s after the
// database, a reply may take 1 s, which leaves the displays that answer
// slowly (300 ms) a margin for a busy machine.
constexpr double kTimeScale = 0.5;

QString address(int host)
{
    return block(0) + QString::number(host);
}

QJsonArray demoFleet()
{
    QFile file(QStringLiteral(VDFU_DEMO_CATALOGUE_DIR "/demo-fleet.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // One display answers slowly, though within the client's time-out;
    // another is slow to switch its power.
    const auto delayed = [](const char *command) {
        return QJsonObject{{"tcp", QJsonArray{QJsonObject{{"command", command}, {"fault", "delay"}, {"ms", 300}}}}};
    };
    QJsonArray result;
    const QJsonArray displays = QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String("displays")).toArray();
    for (const QJsonValue &value : displays) {
        QJsonObject display = value.toObject();
        const QString own = display.value(QLatin1String("address")).toString();
        display[QLatin1String("address")] = QString(own).replace(QLatin1String(kDemoBlock), block(0));
        if (display.contains(QLatin1String("address2")))
            display[QLatin1String("address2")] = display.value(QLatin1String("address2")).toString().replace(
                QLatin1String(kDemoBlock), block(1));
        if (own.endsWith(QLatin1String(".10")))
            display[QLatin1String("faults")] = delayed("C216");
        else if (own.endsWith(QLatin1String(".5")))
            display[QLatin1String("faults")] = delayed("C203D6");
        result.append(display);
    }
    // One more that refuses the control connection.
    result.append(QJsonObject{{"address", address(23)}, {"modelName", "K5-552"}, {"seriesCode", 3},
                              {"currentFirmware", "R1.300"}, {"faults", QJsonObject{{"tcpRefuse", true}}}});
    return result;
}

}

class tst_SearchOrchestration : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void automaticSearchFillsAndMatchesTheList();
    void refreshesAndPowerRequests();
    void searchFindingNothing();
    void newSearchWhileExchangesRun();

private:
    void createWindow();
    bool waitForQuiet(int timeoutMs = kSearchTimeoutMs);
    int rowOf(int host);
    QString statusText() const { return m_window->statusBar()->currentMessage(); }

    TestSettingsLocation m_settings;
    QTemporaryDir m_documents;
    FirmwareServerProcess m_server;
    SimulatorProcess m_simulator;
    QJsonArray m_fleet;
    std::unique_ptr<PDFirmUpTool> m_window;
    std::unique_ptr<PDFirmUpToolTestAccess> m_access;
};

void tst_SearchOrchestration::initTestCase()
{
    initVdfuResources();
    Timing::setScale(kTimeScale);
    QVERIFY2(m_server.startDemoCatalogue(), qPrintable(m_server.errorString()));
    m_fleet = demoFleet();
    QCOMPARE(m_fleet.size(), 22);
    QVERIFY2(m_simulator.start(m_fleet), qPrintable(m_simulator.errorString()));
}

void tst_SearchOrchestration::init()
{
    m_settings.clear();
    m_settings.setMainValue(QStringLiteral("Firmware Server URL"), m_server.baseUrl().toString());
    m_settings.setMainValue(QStringLiteral("IP Address Scan Text"),
                            QString(address(2) + QLatin1Char('-') + address(23)));
    m_simulator.clearEvents();
    // The demo catalogue announces a newer build of the tool: its notice
    // comes 5 s after the database and is answered without showing.
    MessageBoxes::setNextAnswer(QMessageBox::Ok);
}

void tst_SearchOrchestration::cleanup()
{
    m_access.reset();
    m_window.reset();
}

void tst_SearchOrchestration::createWindow()
{
    PDFirmUpTool::Environment environment; // no LAN interface: never a broadcast
    environment.documentsFolder = m_documents.path();
    m_window = std::make_unique<PDFirmUpTool>(environment);
    m_access = std::make_unique<PDFirmUpToolTestAccess>(*m_window);
}

// The search is over and every exchange has reported.
bool tst_SearchOrchestration::waitForQuiet(int timeoutMs)
{
    return QTest::qWaitFor([this] {
        return !m_access->searching() && m_access->pendingTcpReplies() == 0
            && statusText().startsWith(QLatin1String("Found"));
    }, timeoutMs);
}

int tst_SearchOrchestration::rowOf(int host)
{
    const DisplayList &list = m_access->list();
    const auto found = std::find_if(list.cbegin(), list.cend(),
                                    [&](const DISPLAY_LIST_ENTRY &e) { return e.ipAddress == QHostAddress(address(host)); });
    return found == list.cend() ? -1 : int(found - list.cbegin());
}

void tst_SearchOrchestration::automaticSearchFillsAndMatchesTheList()
{
    createWindow();
    // The database arrives, the targeted search starts 3 s later by itself.
    QTRY_VERIFY_WITH_TIMEOUT(m_access->databaseLoaded(), 10000);
    QVERIFY(waitForQuiet());

    const DisplayList &list = m_access->list();
    QCOMPARE(list.size(), 22);
    QCOMPARE(statusText(), QStringLiteral("Found 22 display(s) on LAN"));

    // What each display reported lands in its row (the refusing display
    // keeps its search reply only; one reports nothing while off).
    for (const QJsonValue &value : qAsConst(m_fleet)) {
        const QJsonObject display = value.toObject();
        const QString where = display.value(QLatin1String("address")).toString();
        const DISPLAY_LIST_ENTRY &e = list.at(rowOf(where.section(QLatin1Char('.'), 3).toInt()));
        QCOMPARE(e.modelName, display.value(QLatin1String("modelName")).toString());
        QVERIFY2(!e.tcpClient && e.matchStatus != MatchStatus::NotMatched, qPrintable(where));
        if (display.value(QLatin1String("faults")).toObject().contains(QLatin1String("tcpRefuse"))
            || !display.value(QLatin1String("readableWhenOff")).toBool(true))
            continue;
        QCOMPARE(e.serialNumber, display.value(QLatin1String("serialNumber")).toString());
        QCOMPARE(e.assetTag, display.value(QLatin1String("assetTag")).toString());
    }

    // Host: match status, checked for a LAN update.
    const QList<std::array<int, 3>> expectations = {
        {2, MatchStatus::NewerViaLan, true}, {3, MatchStatus::UpToDate, false},
        {12, MatchStatus::NewerViaLan, false}, // legacy model, legacy support off
        {14, MatchStatus::NewerUsbOnly, false}, {17, MatchStatus::NewerViaLan, false}, // needs a newer build
        {20, MatchStatus::NoRelease, false}, {21, MatchStatus::NoVersionReported, false}};
    for (const auto &x : expectations) {
        const DISPLAY_LIST_ENTRY &e = list.at(rowOf(x[0]));
        QVERIFY2(e.matchStatus == x[1] && e.selectedForUpdate == bool(x[2]), qPrintable(QString::number(x[0])));
    }
    QCOMPARE(list.at(rowOf(2)).currentFirmware, QStringLiteral("R1.200"));

    displayListModel *model = m_access->model();
    auto statusOf = [&](int host) {
        return model->data(model->index(rowOf(host), displayListModel::StatusColumn)).toString();
    };
    QCOMPARE(list.at(rowOf(6)).commStatus, 2); // second address does not answer
    QCOMPARE(statusOf(6), QStringLiteral("Error: Firmware update IP address is unreachable."));
    QCOMPARE(list.at(rowOf(7)).lockStatus, 1);
    QCOMPARE(list.at(rowOf(23)).commStatus, 1);
    QCOMPARE(statusOf(23), QStringLiteral("Unable to communicate with display."));

    QVERIFY(m_window->logWindow()->text().contains(
        QStringLiteral("UDP found model: \"K5-432\" IP address: \"%1\"").arg(address(2))));
}

void tst_SearchOrchestration::refreshesAndPowerRequests()
{
    createWindow();
    QVERIFY(waitForQuiet());

    // An operator's choice survives a refresh: no auto-selection afterwards.
    const int updatable = rowOf(2);
    m_access->list()[updatable].selectedForUpdate = false;

    m_simulator.clearEvents();
    m_window->refresh_row_by_TcpClient(updatable);
    QCOMPARE(m_access->pendingTcpReplies(), 1);
    QCOMPARE(statusText(), QStringLiteral("Refreshing display information from 1 display(s)..."));
    // A second request while the first is in flight does nothing.
    m_window->refresh_row_by_TcpClient(updatable);
    QCOMPARE(m_access->pendingTcpReplies(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(m_access->pendingTcpReplies(), 0, 10000);
    QVERIFY(m_simulator.waitForEvent(QStringLiteral("tcpCommand"),
                                     {{"display", address(2)}, {"message", "C216"}}));
    QVERIFY(!m_access->list().at(updatable).selectedForUpdate);
    QVERIFY(statusText().isEmpty());

    const int rows = m_access->list().size();
    QMetaObject::invokeMethod(m_window.get(), "on_actionRefreshAll_triggered");
    QCOMPARE(m_access->pendingTcpReplies(), rows);
    QCOMPARE(statusText(), QStringLiteral("Refreshing display information from %1 display(s)...").arg(rows));
    QTRY_VERIFY_WITH_TIMEOUT(m_access->pendingTcpReplies() < rows && m_access->pendingTcpReplies() > 0, 10000);
    QCOMPARE(statusText(), QStringLiteral("Refreshing display information from %1 display(s)...")
                               .arg(m_access->pendingTcpReplies()));
    QTRY_COMPARE_WITH_TIMEOUT(m_access->pendingTcpReplies(), 0, 15000);
    QVERIFY(!m_access->list().at(updatable).selectedForUpdate);
    QCOMPARE(m_access->list().at(rowOf(23)).commStatus, 1);
    QCOMPARE(m_access->list().at(rowOf(3)).commStatus, 0);

    // Power and power-save requests; displays of the demo fleet are on unless stated otherwise.
    const int row = rowOf(3);
    m_window->requestPowerOff_by_TcpClient(row);
    QVERIFY(m_simulator.waitForEvent(QStringLiteral("powerChanged"), {{"display", address(3)}}, 10000));
    QTRY_COMPARE_WITH_TIMEOUT(m_access->pendingTcpReplies(), 0, 10000);
    QVERIFY(m_access->list().at(row).powerState != 1);


    // QZ-651 is in power-save mode Auto Power Save (0).
    const int saving = rowOf(13);
    QCOMPARE(m_access->list().at(saving).powerSaveMode, 0);
    m_window->requestSetPowerSaveToAutoStandby_by_TcpClient(saving);
    QVERIFY(m_simulator.waitForEvent(QStringLiteral("powerSaveChanged"),
                                     {{"display", address(13)}, {"powerSaveMode", 1}}, 10000));
    QTRY_COMPARE_WITH_TIMEOUT(m_access->list().at(saving).powerSaveMode, 1, 10000);

    // A refused connection marks the row as not communicating.
    m_window->requestPowerOn_by_TcpClient(rowOf(23));
    QTRY_COMPARE_WITH_TIMEOUT(m_access->pendingTcpReplies(), 0, 10000);
    QCOMPARE(m_access->list().at(rowOf(23)).commStatus, 1);

    // A power result that comes last still ends a refresh.
    const int refreshed = rowOf(3);
    m_access->list()[refreshed].matchStatus = MatchStatus::NotMatched;
    m_window->refresh_row_by_TcpClient(refreshed);
    // Host 5 is slow to switch: its result is the last of the batch.
    m_window->requestPowerOn_by_TcpClient(rowOf(5));
    QTRY_COMPARE_WITH_TIMEOUT(m_access->pendingTcpReplies(), 0, 10000);
    QVERIFY(statusText().isEmpty());
    QVERIFY(m_access->list().at(refreshed).matchStatus != MatchStatus::NotMatched);
}

void tst_SearchOrchestration::searchFindingNothing()
{
    m_settings.setMainValue(QStringLiteral("IP Address Scan Text"), address(250));
    createWindow();
    QVERIFY(waitForQuiet());
    QCOMPARE(statusText(), QStringLiteral("Found 0 display(s) on LAN"));
    QVERIFY(m_access->list().isEmpty());
    QCOMPARE(m_access->pendingTcpReplies(), 0);
}

void tst_SearchOrchestration::newSearchWhileExchangesRun()
{
    createWindow();
    // Restart while exchanges are under way (host 10 answers slowly) and
    // updates wait for a power-save change: both go with the old rows.
    QTRY_VERIFY_WITH_TIMEOUT(m_access->pendingTcpReplies() > 0, 12000);
    m_access->powerSaveChangePending() = true;
    QMetaObject::invokeMethod(m_window.get(), "on_actionAdvanced_network_search_triggered");
    QVERIFY(m_access->searching());
    QVERIFY(waitForQuiet());
    QCOMPARE(m_access->list().size(), 22);
    for (const DISPLAY_LIST_ENTRY &e : qAsConst(m_access->list()))
        QVERIFY(!e.tcpClient);
    QCOMPARE(m_access->pendingTcpReplies(), 0);
    // A later power request cannot start the updates that were waiting.
    m_window->requestPowerOn_by_TcpClient(rowOf(3));
    QTRY_COMPARE_WITH_TIMEOUT(m_access->pendingTcpReplies(), 0, 10000);
    QVERIFY(!m_window->logWindow()->text().contains(QLatin1String("Starting firmware updates")));
}

QTEST_MAIN(tst_SearchOrchestration)
#include "tst_searchorchestration.moc"
