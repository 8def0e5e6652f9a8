// LAN updates as the operator runs them through the main window, against the display simulator
// (short update durations), on a loopback block of this process. A proxy is configured as an office
// would, and only it answers for the firmware server (the demo catalogue): it must carry the server's
// traffic and nothing else (run in a network namespace, the displays' addresses are not loopback
// ones, which are never proxied). The update history records what the operator saw.
#include "../app/pdfirmuptooltestaccess.h"
#include "app/environmentproxy.h"
#include "app/timing.h"
#include "dialogs/confirmwithscrollmsgareadialog.h"
#include "dialogs/messageboxes.h"
#include "dialogs/updatewarningmessagedialog.h"
#include "displaylist/updatestatus.h"
#include "firmwareserverprocess.h"
#include "history/historyrecord.h"
#include "resources/resourceinit.h"
#include "simulatorprocess.h"
#include "testfiles.h"
#include "testsettings.h"
#include "tinyhttpserver.h"
#include "widgettesthelpers.h"

#include <QAction>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

class tst_LanUpdateWindow : public QObject
{
    Q_OBJECT

    TestSettingsLocation m_settings;
    TinyHttpServer m_proxy;
    QString m_origin = QStringLiteral("http://firmware.proxied.invalid"); // resolves nowhere
    SimulatorProcess m_sim;
    QTemporaryDir m_documents;
    QString m_journal = m_documents.filePath(QStringLiteral("data/journal.json"));
    QString m_history = m_documents.filePath(QStringLiteral("data/history.sqlite"));
    // Addresses of a namespace of the test's own (not loopback, so a wrong
    // proxy would show), or a loopback block of this process.
    QString m_block = qEnvironmentVariable("VDFU_TEST_DISPLAY_BLOCK",
                                           QStringLiteral("127.91.%1.").arg(QCoreApplication::applicationPid() % 250 + 1));
    QString m_failing = m_block + QStringLiteral("4"); // its first component fails
    QString m_slow = m_block + QStringLiteral("8");    // an 18 s update
    QString m_empty = m_block + QStringLiteral("16");  // its release made to name nothing to send
    QJsonArray m_fleet;
    std::unique_ptr<PDFirmUpTool> m_window;
    std::unique_ptr<PDFirmUpToolTestAccess> m_access;
    QStringList m_boxes; // texts of the message boxes answered
    QString m_confirmation;
    int m_cautions = 0;
    ModalAnswers m_answers{[this](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            m_boxes.append(box->text());
        else if (qobject_cast<UpdateWarningMessageDialog *>(modal))
            ++m_cautions;
        else if (qobject_cast<ConfirmWithScrollMsgAreaDialog *>(modal))
            m_confirmation = childOrFail<QLabel>(modal, "main_text_label")->text();
        else
            return false;
        qobject_cast<QDialog *>(modal)->accept();
        return true;
    }};

    // A window whose targeted search has found and matched the fleet.
    bool createWindow()
    {
        PDFirmUpTool::Environment environment; // no LAN interface: never a broadcast
        environment.documentsFolder = m_documents.path();
        environment.updateJournalFile = m_journal;
        environment.historyFile = m_history;
        MessageBoxes::setNextAnswer(QMessageBox::Ok); // the demo database announces a newer tool
        m_window = std::make_unique<PDFirmUpTool>(environment);
        m_access = std::make_unique<PDFirmUpToolTestAccess>(*m_window);
        return QTest::qWaitFor([this] { return m_access->databaseLoaded() && searched(); }, 20000);
    }
    // The rows of View > Update history... whose texts hold `filter`; the
    // text of `column` of the first.
    QPair<int, QString> historyRows(const QString &filter, int column)
    {
        m_window->findChild<QAction *>(QStringLiteral("actionUpdate_history"))->trigger();
        childOrFail<QLineEdit>(m_window.get(), "filter_lineEdit")->setText(filter);
        const QAbstractItemModel *rows = childOrFail<QTableView>(m_window.get(), "history_tableView")->model();
        if (!QTest::qWaitFor([rows] { return rows->rowCount() > 0; }, 5000)) // read on the store's thread
            return {};
        return {rows->rowCount(), rows->index(0, column).data().toString()};
    }
    bool searched() const { return m_access->list().size() == m_fleet.size() && !m_access->searching() && !m_access->pendingTcpReplies(); }
    int rowOf(const QString &address) const
    {
        const auto at = [&](const DISPLAY_LIST_ENTRY &e) { return e.ipAddress.toString() == address; };
        return int(std::find_if(m_access->list().cbegin(), m_access->list().cend(), at) - m_access->list().cbegin());
    }

private slots:
    void initTestCase()
    {
        initVdfuResources();
        // Queue tick 200 ms, the timed dialect's waits 2 s, control replies 400 ms.
        Timing::setScale(0.2);
        // Demo displays of every dialect by their last address byte, with
        // changes: the first series one refuses to leave power-save mode.
        const QJsonObject changes = QJsonDocument::fromJson(R"({"2": {}, "9": {}, "13": {}, "16": {}, "18": {},
            "4": {"faults": {"update": {"updateFails": 1}}}, "8": {"updateTimeScale": 0.2},
            "11": {"commands": ["legacyFirmware", "asset", "powerSave"],
                   "faults": {"tcp": [{"command": "CA0B01", "fault": "BE"}]}}})").object();
        const QByteArray demo = readFile(FirmwareServerProcess::demoCatalogueRoot() + QStringLiteral("/demo-fleet.json"))
                                    .replace("127.0.0.", m_block.toLatin1());
        QStringList scan;
        for (const QJsonValue &value : QJsonDocument::fromJson(demo)[QLatin1String("displays")].toArray()) {
            QJsonObject display = value.toObject();
            const QString address = display[QLatin1String("address")].toString();
            const QJsonValue change = changes[address.section('.', 3)];
            if (!change.isObject())
                continue;
            display[QStringLiteral("updateTimeScale")] = 0.01;
            for (const QString &key : change.toObject().keys())
                display[key] = change[key];
            m_fleet.append(display);
            scan.append(address);
        }
        QVERIFY2(m_sim.start(m_fleet), qPrintable(m_sim.errorString()));
        const QString catalogue = FirmwareServerProcess::demoCatalogueRoot() + QStringLiteral("/firmwareupdates");
        m_proxy.setRoute((m_origin + "/firmwareupdates/pd_firmware_releases.json").toLatin1(),
                         readFile(catalogue + "/pd_firmware_releases.json").replace(FirmwareServerProcess::kDemoOrigin, m_origin.toLatin1()));
        for (const QFileInfo &package : QDir(catalogue + "/packages").entryInfoList(QDir::Files))
            m_proxy.setRoute((m_origin + "/firmwareupdates/packages/" + package.fileName()).toLatin1(), readFile(package.filePath()));
        QVERIFY(m_proxy.listen());
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("http_proxy"), m_proxy.url(QString()).toString());
        QNetworkProxyFactory::setApplicationProxyFactory(new EnvironmentProxyFactory(environment));
        m_settings.setMainValue(QStringLiteral("Firmware Server URL"), QString(m_origin + "/firmwareupdates/"));
        m_settings.setMainValue(QStringLiteral("Multi Update Limit"), 2);
        m_settings.setMainValue(QStringLiteral("IP Address Scan Text"), scan.join('\n'));
    }
    // Every dialect with a limit of 2 but the slow display: the failing one
    // ends with its error text, one whose release names nothing to send is
    // refused, the others complete despite a refused power-save change and
    // report their new firmware once restarted, as a new search reads. Then
    // the program ends during the slow one's update: the next start names
    // the display, its address and its last step, once.
    void updateFleet()
    {
        QVERIFY(createWindow());
        m_access->list()[rowOf(m_slow)].selectedForUpdate = false;
        m_access->list()[rowOf(m_empty)].numPACComponents = 0; // a legacy release's default
        int mostRunning = 0;
        QObject sampling; // ends the sampling with this function
        auto *runProgress = m_window->statusBar()->findChild<QProgressBar *>();
        bool progressShown = false;
        connect(m_window->statusBar(), &QStatusBar::messageChanged, &sampling, [&] {
            mostRunning = qMax(mostRunning, m_access->runningUpdates());
            progressShown = progressShown || !runProgress->isHidden();
        });
        auto *lanUpdate = childOrFail<QPushButton>(m_window.get(), "download_pushButton");
        QTRY_VERIFY(lanUpdate->isEnabled());
        lanUpdate->click();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_journal), 20000);
        QCOMPARE(m_confirmation.count(QLatin1String("<tr><td>")), m_fleet.size() - 2); // not the unchecked or refused one
        QVERIFY(m_window->statusBar()->currentMessage().contains(
            QStringLiteral("Not updated: OL-P502 at %1: its firmware release names nothing to send.").arg(m_empty)));
        QCOMPARE(m_confirmation.count(QLatin1String("See note 2.")), 2); // the two with a power-save change
        QTRY_VERIFY_WITH_TIMEOUT(!m_access->updateQueueRunning(), 120000);
        QCOMPARE(mostRunning, 2);
        QVERIFY(progressShown && runProgress->isHidden());
        QVERIFY(!QFile::exists(m_journal));
        QVERIFY(m_sim.waitForEvent(QStringLiteral("tcpCommand"), {{"display", QString(m_block + "11")}, {"fault", "BE"}}));
        QVERIFY(m_sim.waitForEvent(QStringLiteral("powerSaveChanged"), {{"display", QString(m_block + "13")}, {"powerSaveMode", 2}}));
        QHash<QString, int> outcomes;
        for (const DISPLAY_LIST_ENTRY &e : m_access->list())
            outcomes.insert(e.ipAddress.toString(), e.lastUpdateStatus);
        for (const QJsonValue &display : qAsConst(m_fleet)) {
            const QString address = display[QLatin1String("address")].toString();
            const QString check = outcomes.value(address) == UpdateStatus::Complete
                ? "Verified: the display reports " + display[QLatin1String("firmwareAfterUpdate")].toString() : QString();
            QTRY_COMPARE_WITH_TIMEOUT(m_access->list().at(rowOf(address)).updateCheck, check, 10000);
            QCOMPARE(m_window->buildDisplayInfoHtml(rowOf(address)).contains("<p>" + check + "</p>"), !check.isEmpty());
        }
        QCOMPARE(m_access->model()->index(rowOf(m_failing), displayListModel::StatusColumn).data().toString(),
                 QStringLiteral("Error: Update failed."));
        QCOMPARE(historyRows(QString(), HistoryColumns::Model).first, m_fleet.size() - 2);
        QCOMPARE(historyRows(m_failing, HistoryColumns::Outcome), qMakePair(1, QStringLiteral("Error: Update failed.")));
        QCOMPARE(historyRows(m_block + "2 success", HistoryColumns::FirmwareAfter).second,
                 m_fleet.at(0)[QLatin1String("firmwareAfterUpdate")].toString());

        m_window->findChild<QAction *>(QStringLiteral("actionAdvanced_network_search"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(searched(), 20000);
        for (const QJsonValue &display : qAsConst(m_fleet)) {
            const QString address = display[QLatin1String("address")].toString();
            const bool updated = address != m_failing && address != m_slow && address != m_empty;
            QCOMPARE(outcomes.value(address), updated ? UpdateStatus::Complete : address == m_failing ? UpdateStatus::UpdateFailed : 0);
            QCOMPARE(m_access->list().value(rowOf(address)).currentFirmware,
                     display[QLatin1String(updated ? "firmwareAfterUpdate" : "currentFirmware")].toString());
            m_access->list()[rowOf(address)].selectedForUpdate = address == m_slow;
        }

        QTRY_VERIFY(lanUpdate->isEnabled());
        lanUpdate->click();
        QVERIFY(m_sim.waitForEvent(QStringLiteral("updatePhase"), {{"display", m_slow}, {"phase", "updating"}}, 30000));
        QTRY_VERIFY(readFile(m_journal).contains("\"step\":2"));
        m_window.reset(); // as far as the journal goes, the same as a kill
        QVERIFY(createWindow());
        const QString text = (m_boxes + QStringList{MessageBoxes::lastText()}).filter(m_slow).value(0);
        QVERIFY2(text.contains(QStringLiteral("K5U-654 (serial number UH000108) at %1: applying the firmware").arg(m_slow)), qPrintable(text));
        QVERIFY(!QFile::exists(m_journal));
        QVERIFY(historyRows(m_slow, HistoryColumns::Outcome).second.startsWith(QLatin1String("Interrupted")));
        QCOMPARE(m_cautions, 1); // asked by the first update only

        // The database and the packages came through the proxy; no display traffic did.
        const QByteArrayList carried = m_proxy.requests();
        QVERIFY(carried.contains(m_origin.toLatin1() + "/firmwareupdates/pd_firmware_releases.json"));
        QVERIFY(std::any_of(carried.cbegin(), carried.cend(), [](const QByteArray &t) { return t.contains("/packages/"); }));
        for (const QByteArray &target : carried)
            QVERIFY2(target.startsWith(m_origin.toLatin1()), target.constData());
    }
};

QTEST_MAIN(tst_LanUpdateWindow)
#include "tst_lanupdatewindow.moc"
