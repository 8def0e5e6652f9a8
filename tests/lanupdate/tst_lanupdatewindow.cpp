// LAN updates as the operator runs them, through the main window: a
// targeted search of demo displays in every update dialect, "Update
// firmware via LAN", the cautions and the confirmation, the queue within the
// limit, outcomes, and the journal of updates left running. Against the
// display simulator (shortened update durations) and the local firmware
// server with the demo catalogue, on a loopback block of this process.
#include "../app/pdfirmuptooltestaccess.h"
#include "app/sv_information_dialog.h"
#include "app/timing.h"
#include "dialogs/confirmwithscrollmsgareadialog.h"
#include "dialogs/messageboxes.h"
#include "dialogs/updatewarningmessagedialog.h"
#include "displaylist/updatestatus.h"
#include "firmwareserverprocess.h"
#include "resources/resourceinit.h"
#include "simulatorprocess.h"
#include "testfiles.h"
#include "testsettings.h"
#include "widgettesthelpers.h"

#include <QAction>
#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

#include <memory>

class tst_LanUpdateWindow : public QObject
{
    Q_OBJECT

    TestSettingsLocation m_settings;
    FirmwareServerProcess m_server;
    std::unique_ptr<SimulatorProcess> m_sim;
    std::unique_ptr<QTemporaryDir> m_documents;
    std::unique_ptr<PDFirmUpTool> m_window;
    std::unique_ptr<PDFirmUpToolTestAccess> m_access;
    std::unique_ptr<ModalAnswers> m_answers;
    QString m_block = QStringLiteral("127.91.%1.").arg(QCoreApplication::applicationPid() % 250 + 1);
    QString m_journal;
    QStringList m_confirmations; // tables of the confirmations answered
    QStringList m_boxes;          // texts of the message boxes answered
    int m_cautions = 0;

    QString host(const QString &demoAddress) const
    {
        return QString(demoAddress).replace(QLatin1String("127.0.0."), m_block);
    }
    // Demo displays by their demo address, moved into this process's block.
    QJsonArray demoDisplays(const QStringList &addresses, const QHash<QString, QJsonObject> &faults = {}) const
    {
        const QJsonArray fleet = QJsonDocument::fromJson(readFile(FirmwareServerProcess::demoCatalogueRoot()
                                                                  + QStringLiteral("/demo-fleet.json")))
                                     .object()
                                     .value(QLatin1String("displays"))
                                     .toArray();
        QJsonArray displays;
        for (const QString &address : addresses) {
            for (const QJsonValue &value : fleet) {
                QJsonObject display = value.toObject();
                if (display.value(QLatin1String("address")).toString() != address)
                    continue;
                for (const char *key : {"address", "address2"}) {
                    if (display.contains(QLatin1String(key)))
                        display[QLatin1String(key)] = host(display.value(QLatin1String(key)).toString());
                }
                if (faults.contains(address))
                    display[QStringLiteral("faults")] = faults.value(address);
                display[QStringLiteral("updateTimeScale")] = 0.01;
                displays.append(display);
            }
        }
        return displays;
    }

    // A window whose targeted search has found and matched the displays.
    void createWindow(const QJsonArray &displays)
    {
        QStringList addresses;
        for (const QJsonValue &display : displays)
            addresses.append(display.toObject().value(QLatin1String("address")).toString());
        m_settings.setMainValue(QStringLiteral("IP Address Scan Text"), addresses.join('\n'));
        PDFirmUpTool::Environment environment; // no LAN interface: never a broadcast
        environment.documentsFolder = m_documents->path();
        environment.updateJournalFile = m_journal;
        MessageBoxes::setNextAnswer(QMessageBox::Ok); // the demo database announces a newer tool
        m_window = std::make_unique<PDFirmUpTool>(environment);
        m_access = std::make_unique<PDFirmUpToolTestAccess>(*m_window);
        QTRY_VERIFY_WITH_TIMEOUT(m_access->databaseLoaded() && m_access->list().size() == addresses.size()
                                     && !m_access->searching() && m_access->pendingTcpReplies() == 0,
                                 20000);
    }
    void startUpdate()
    {
        auto *lanUpdate = childOrFail<QPushButton>(m_window.get(), "download_pushButton");
        QTRY_VERIFY(lanUpdate->isEnabled());
        lanUpdate->click();
    }
    int rowOf(const QString &demoAddress) const
    {
        for (int row = 0; row < m_access->list().size(); ++row) {
            if (m_access->list().at(row).ipAddress.toString() == host(demoAddress))
                return row;
        }
        return -1;
    }
    int logCount(const QString &text) const { return m_window->logWindow()->text().count(text); }
    bool allIdle() const
    {
        for (const DISPLAY_LIST_ENTRY &e : m_access->list()) {
            if (e.updateStatus != UpdateStatus::Idle)
                return false;
        }
        return !m_access->updateQueueRunning() && m_access->pendingTcpReplies() == 0;
    }

private slots:
    void initTestCase()
    {
        initVdfuResources();
        // Queue tick 200 ms, the timed dialect's waits 2 s, control replies 400 ms.
        Timing::setScale(0.2);
        QVERIFY2(m_server.startDemoCatalogue(), qPrintable(m_server.errorString()));
    }
    void init()
    {
        m_settings.clear();
        m_settings.setMainValue(QStringLiteral("Firmware Server URL"), m_server.baseUrl().toString());
        m_settings.setMainValue(QStringLiteral("Multi Update Limit"), 2);
        m_documents = std::make_unique<QTemporaryDir>();
        m_journal = m_documents->filePath(QStringLiteral("data/journal.json"));
        m_sim = std::make_unique<SimulatorProcess>();
        m_confirmations.clear();
        m_boxes.clear();
        m_cautions = 0;
        m_answers = std::make_unique<ModalAnswers>([this](QWidget *modal) {
            if (auto *cautions = qobject_cast<UpdateWarningMessageDialog *>(modal)) {
                ++m_cautions;
                childOrFail<QCheckBox>(cautions, "checkBox")->setChecked(true);
                childOrFail<QPushButton>(cautions, "ok_pushButton")->click();
            } else if (auto *confirmation = qobject_cast<ConfirmWithScrollMsgAreaDialog *>(modal)) {
                m_confirmations.append(childOrFail<QLabel>(confirmation, "main_text_label")->text());
                confirmation->accept();
            } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                m_boxes.append(box->text());
                box->accept();
            } else {
                return false;
            }
            return true;
        });
    }
    void cleanup()
    {
        m_access.reset();
        m_window.reset();
        m_answers.reset();
        m_sim.reset();
    }

    // Every dialect with a limit of 2: all complete, and a new search
    // reads the new firmware from each display.
    void mixedFleet()
    {
        const QStringList demo{"127.0.0.2", "127.0.0.9", "127.0.0.11", "127.0.0.13", "127.0.0.16", "127.0.0.18"};
        QVERIFY2(m_sim->start(demoDisplays(demo)), qPrintable(m_sim->errorString()));
        createWindow(demoDisplays(demo));
        if (QTest::currentTestFailed())
            return;
        startUpdate();
        QTRY_COMPARE_WITH_TIMEOUT(m_confirmations.size(), 1, 20000);
        QCOMPARE(m_cautions, 1);
        QCOMPARE(m_confirmations.at(0).count(QLatin1String("<tr><td>")), 6);
        // The second series display's power-save mode goes off first.
        QVERIFY(m_sim->waitForEvent(QStringLiteral("powerSaveChanged"), {{"display", host("127.0.0.13")}, {"powerSaveMode", 2}}));
        QTRY_VERIFY_WITH_TIMEOUT(m_access->runningUpdates() > 0, 10000);
        QTRY_VERIFY(m_window->statusBar()->currentMessage().contains(QLatin1String("Total estimated time remaining:")));
        QVERIFY(m_access->runningUpdates() <= 2);
        QTRY_VERIFY(QFile::exists(m_journal));
        QTRY_VERIFY_WITH_TIMEOUT(allIdle(), 120000);
        QCOMPARE(m_window->statusBar()->currentMessage(), QStringLiteral("Update finished"));
        QCOMPARE(logCount(QStringLiteral("Update result: \"Complete.\"")), 6);
        QVERIFY(!QFile::exists(m_journal));
        for (const DISPLAY_LIST_ENTRY &e : m_access->list()) {
            QCOMPARE(e.lastUpdateStatus, int(UpdateStatus::Complete));
            QVERIFY(!e.selectedForUpdate && !e.updateClient);
        }

        // The next run of the update asks no cautions again; a new search
        // reads the new version from every display.
        const QJsonArray displays = demoDisplays(demo);
        m_window->findChild<QAction *>(QStringLiteral("actionAdvanced_network_search"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!m_access->searching() && m_access->pendingTcpReplies() == 0
                                     && m_access->list().size() == demo.size(),
                                 20000);
        for (const QJsonValue &value : displays) {
            const QJsonObject display = value.toObject();
            const auto row = std::find_if(m_access->list().cbegin(), m_access->list().cend(), [&](const DISPLAY_LIST_ENTRY &e) {
                return e.ipAddress.toString() == display.value(QLatin1String("address")).toString();
            });
            QVERIFY(row != m_access->list().cend());
            QCOMPARE(row->currentFirmware, display.value(QLatin1String("firmwareAfterUpdate")).toString());
            QCOMPARE(row->matchStatus, int(MatchStatus::UpToDate));
        }
    }

    // One display fails its update and one power-save change is refused:
    // the failure shows its text, the others complete.
    void failingDisplay()
    {
        const QStringList demo{"127.0.0.2", "127.0.0.9", "127.0.0.13"};
        const QHash<QString, QJsonObject> faults{
            {"127.0.0.2", QJsonObject{{"update", QJsonObject{{"updateFails", 1}}}}},
            {"127.0.0.13", QJsonObject{{"tcp", QJsonArray{QJsonObject{{"command", "CA0B01"}, {"fault", "BE"}}}}}}};
        QVERIFY2(m_sim->start(demoDisplays(demo, faults)), qPrintable(m_sim->errorString()));
        createWindow(demoDisplays(demo, faults));
        if (QTest::currentTestFailed())
            return;
        m_access->cautionsAccepted() = true;
        startUpdate();
        QTRY_VERIFY_WITH_TIMEOUT(logCount(QStringLiteral("Power Save Mode change completed. Starting firmware updates.")) == 1, 20000);
        QCOMPARE(m_cautions, 0);
        QTRY_VERIFY_WITH_TIMEOUT(allIdle(), 120000);
        QCOMPARE(logCount(QStringLiteral("Update result: \"Complete.\"")), 2);
        QCOMPARE(logCount(QStringLiteral("Update result: \"Error: Update failed.\"")), 1);
        const int failed = rowOf(QStringLiteral("127.0.0.2"));
        const int refused = rowOf(QStringLiteral("127.0.0.13"));
        QCOMPARE(m_access->list().at(failed).lastUpdateStatus, int(UpdateStatus::UpdateFailed));
        QVERIFY(m_access->list().at(failed).selectedForUpdate);
        const QModelIndex status = m_access->model()->index(failed, displayListModel::StatusColumn);
        QCOMPARE(status.data().toString(), QStringLiteral("Error: Update failed."));
        QVERIFY(m_window->buildDisplayInfoHtml(failed).contains(QLatin1String("An error occurred during the firmware update</h3><p>Error: Update failed.")));
        QVERIFY(m_sim->events(QStringLiteral("powerSaveChanged")).isEmpty()); // the change was refused
        QCOMPARE(m_access->list().at(refused).lastUpdateStatus, int(UpdateStatus::Complete));
    }

    // The program ends in the middle of an update: the next start names the
    // display, its address and its last step, once.
    void journalAfterAbruptEnd()
    {
        QJsonArray displays = demoDisplays({"127.0.0.2"});
        QJsonObject slow = displays.at(0).toObject();
        slow[QStringLiteral("updateTimeScale")] = 1; // a 90 s update
        displays[0] = slow;
        QVERIFY2(m_sim->start(displays), qPrintable(m_sim->errorString()));
        createWindow(displays);
        m_access->cautionsAccepted() = true;
        startUpdate();
        QVERIFY(m_sim->waitForEvent(QStringLiteral("updatePhase"), {{"phase", "updating"}}, 30000));
        QTRY_VERIFY(m_access->list().at(0).componentProgress[0] >= 0);
        QTRY_VERIFY(readFile(m_journal).contains("\"step\":2"));
        const QByteArray journal = readFile(m_journal);
        const DISPLAY_LIST_ENTRY &e = m_access->list().at(0);
        const QString address = (e.useIP2 ? e.ipAddress2 : e.ipAddress).toString();
        m_window.reset(); // as far as the journal goes, the same as a kill
        QCOMPARE(readFile(m_journal), journal);

        const int asked = MessageBoxes::askedCount();
        createWindow(displays);
        QVERIFY(MessageBoxes::askedCount() > asked);
        const QString text = (m_boxes + QStringList{MessageBoxes::lastText()}).filter(QStringLiteral("being updated via LAN")).value(0);
        QVERIFY2(text.contains(QStringLiteral("K5-432 (serial number 41A00001) at %1: applying the firmware").arg(address)),
                 qPrintable(text));
        QCOMPARE(logCount(QStringLiteral("Update interrupted by the end of the program: Model: \"K5-432\"")), 1);
        QVERIFY(!QFile::exists(m_journal));
    }
};

QTEST_MAIN(tst_LanUpdateWindow)
#include "tst_lanupdatewindow.moc"
