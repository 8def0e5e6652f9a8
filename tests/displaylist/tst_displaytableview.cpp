#include "displaylist/displaylistexport.h"
#include "displaylist/displaylistmodel.h"
#include "displaylist/mysortfilterproxymodel.h"
#include "displaylist/mytableview.h"
#include "displaylist/updatestatus.h"
#include "resources/resourceinit.h"

#include <QApplication>
#include <QClipboard>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class tst_DisplayTableView : public QObject
{
    Q_OBJECT

    QPoint cellCenter(int sourceRow, int column) const
    {
        return m_view->visualRect(m_proxy->mapFromSource(m_model->index(sourceRow, column))).center();
    }
    // The commands that the enabled actions of `menu` report, as "command:row".
    QStringList commands(QMenu *menu)
    {
        QStringList fired;
        QObject context;
        const std::pair<const char *, void (MyTableView::*)(int)> commands[] = {
            {"refresh", &MyTableView::refreshRow}, {"on", &MyTableView::requestPowerOn}, {"off", &MyTableView::requestPowerOff},
            {"powerSave", &MyTableView::requestSetPowerSaveToAutoPowerSave}, {"standby", &MyTableView::requestSetPowerSaveToAutoStandby}};
        for (const auto &[name, signal] : commands)
            connect(m_view.get(), signal, &context, [&fired, name = name](int row) { fired << QStringLiteral("%1:%2").arg(QLatin1String(name)).arg(row); });
        const auto actions = menu->actions();
        for (QAction *action : actions) {
            if (action->isEnabled()) // as a shown menu lets the operator choose
                action->trigger();
        }
        return fired;
    }

    DisplayList m_list;
    std::unique_ptr<displayListModel> m_model;
    std::unique_ptr<MySortFilterProxyModel> m_proxy;
    std::unique_ptr<MyTableView> m_view;

private slots:
    void initTestCase() { initVdfuResources(); }
    void init()
    {
        const auto at = [](const char *address) { DISPLAY_LIST_ENTRY e; e.ipAddress = QHostAddress(QLatin1String(address)); return e; };
        m_list = {at("192.168.0.10"), at("192.168.0.9"), at("10.1.1.1")};
        m_model = std::make_unique<displayListModel>();
        m_model->setDisplayList(&m_list);
        m_proxy = std::make_unique<MySortFilterProxyModel>();
        m_proxy->setSourceModel(m_model.get());
        m_view = std::make_unique<MyTableView>();
        m_view->setModel(m_proxy.get());
        m_view->setDisplayList(&m_list);
        m_view->applyDisplayTableAppearance();
        m_view->setSortingEnabled(true);
        // Ascending by address the view shows source rows 2, 1, 0.
        m_view->sortByColumn(displayListModel::IpAddressColumn, Qt::AscendingOrder);
        m_view->resize(900, 400);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void sortOrder()
    {
        // Addresses by number: 10.1.1.1, 192.168.0.9, 192.168.0.10.
        QCOMPARE(m_proxy->mapToSource(m_proxy->index(1, 0)).row(), 1);
        // Texts that only look like addresses compare as texts, and after addresses.
        const QStringList names{"VT-435A", "300.1.1.1", "192.168.0.10", "at 192.168.0.9"};
        m_list.append(m_list.first());
        for (int row = 0; row < names.size(); ++row)
            m_list[row].modelName = names.at(row);
        m_model->addRow(m_list.size());
        QTRY_COMPARE(m_proxy->rowCount(), 4);
        m_view->sortByColumn(displayListModel::ModelNameColumn, Qt::AscendingOrder);
        QStringList shown;
        for (int row = 0; row < names.size(); ++row)
            shown << m_proxy->index(row, displayListModel::ModelNameColumn).data().toString();
        QCOMPARE(shown, (QStringList{"192.168.0.10", "300.1.1.1", "at 192.168.0.9", "VT-435A"}));
    }

    void menus_data()
    {
        QTest::addColumn<int>("seriesId");
        QTest::addColumn<bool>("updateSession");
        QTest::addColumn<QStringList>("commands"); // of the row menu, for source row 0 (shown last)
        const QStringList basic{"refresh:0", "on:0", "off:0"}, withPowerSave = basic + QStringList{"powerSave:0", "standby:0"};
        QTest::newRow("unknown series") << 0 << false << basic;
        QTest::newRow("series 2") << 2 << false << withPowerSave;
        QTest::newRow("series 3") << 3 << false << basic;
        QTest::newRow("update session: all disabled") << 1 << true << QStringList();
    }
    void menus()
    {
        QFETCH(int, seriesId);
        QFETCH(bool, updateSession);
        QFETCH(QStringList, commands);
        int marker = 0;
        m_list[0].seriesId = seriesId;
        m_list[0].updateClient = updateSession ? reinterpret_cast<HttpClient *>(&marker) : nullptr;
        auto menu = m_view->createContextMenu(cellCenter(0, displayListModel::StatusColumn));
        QVERIFY(menu);
        QCOMPARE(m_view->triggeredRow(), 0);
        QCOMPARE(menu->actions().size(), seriesId == 1 || seriesId == 2 ? 7 : 5); // with a separator and Copy
        QCOMPARE(this->commands(menu.get()), commands);
        // A press on the Power State cell offers the power commands alone.
        QVERIFY(!m_view->createPowerMenu(cellCenter(0, displayListModel::ModelNameColumn)));
        menu = m_view->createPowerMenu(cellCenter(0, displayListModel::PowerStateColumn));
        QVERIFY(menu);
        QCOMPARE(this->commands(menu.get()), commands.mid(1, 2));
        m_list[0].updateClient = nullptr;
        // Below the last row there is no row to act on.
        QVERIFY(!m_view->createContextMenu(QPoint(cellCenter(0, displayListModel::ModelNameColumn).x(), m_view->viewport()->height() - 2)));
        QCOMPARE(m_view->triggeredRow(), -1);
    }

    // Texts as a display may report them, read back by an independent CSV reader.
    void exportCsv()
    {
        m_list[0].modelName = QStringLiteral("=1+2");
        m_list[0].assetTag = QStringLiteral("会議室 \"A\", 3F\n奥");
        m_list[0].lastUpdateStatus = UpdateStatus::UpdateFailed;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("displays.csv"));
        QString error;
        QVERIFY(DisplayListExport::writeCsvFile(path, *m_proxy, m_list, &error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF") && bytes.endsWith("\r\n"));
        QCOMPARE(bytes.count("\r\n"), 4); // the asset tag's own line break stays LF

        QProcess python;
        python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QStringLiteral(
            "import csv, json, sys\n"
            "with open(sys.argv[1], encoding='utf-8-sig', newline='') as f: print(json.dumps(list(csv.reader(f))))"), path});
        QVERIFY2(python.waitForFinished(30000) && python.exitCode() == 0, python.readAllStandardError().constData());
        const QJsonArray rows = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0].toArray().last().toString(), QStringLiteral("Last update result"));
        QCOMPARE(rows[0].toArray()[3].toString(), QStringLiteral("Asset Tag"));
        const QStringList shownLast{"", "'=1+2", "", "会議室 \"A\", 3F\n奥", "192.168.0.10", "", "", "", "Unknown",
                                    "Error: Update failed.", "Error: Update failed."};
        QCOMPARE(rows[3].toArray().toVariantList(), QVariant(shownLast).toList());

        // A folder that is not there: failure, with a reason for the operator.
        QVERIFY(!DisplayListExport::writeCsvFile(dir.filePath(QStringLiteral("gone/displays.csv")), *m_proxy, m_list, &error));
        QVERIFY(!error.isEmpty());
    }

    // Ctrl+C and the row menu's Copy: the selected rows in table order; a right click selects its row first.
    void copySelectedRows()
    {
        m_list[0].assetTag = QStringLiteral("a\tb\nc");
        const auto line = [](const char *assetTag, const char *address) {
            return QStringLiteral("\t\t\t%1\t%2\t\t\t\tUnknown\t\t\n").arg(QString::fromUtf8(assetTag), QLatin1String(address));
        };
        for (int viewRow : {2, 0})
            m_view->selectionModel()->select(m_proxy->index(viewRow, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::keySequence(m_view.get(), QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), line("", "10.1.1.1") + line("a b c", "192.168.0.10"));
        const QPoint point = cellCenter(1, displayListModel::ModelNameColumn); // not selected
        QTest::mousePress(m_view->viewport(), Qt::RightButton, {}, point);
        QTest::mouseRelease(m_view->viewport(), Qt::RightButton, {}, point);
        auto menu = m_view->createContextMenu(point);
        QAction *copy = menu->actions().last();
        QVERIFY(copy->isEnabled());
        copy->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), line("", "192.168.0.9"));
    }

    void leftClickOnPowerStateOpensPowerMenu()
    {
        QStringList shown;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                shown = commands(menu);
                menu->close();
            }
        });
        poll.start(10);
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, cellCenter(2, displayListModel::PowerStateColumn));
        QCOMPARE(shown, (QStringList{"on:2", "off:2"}));
        // Elsewhere a left click opens nothing.
        shown.clear();
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, cellCenter(1, displayListModel::ModelNameColumn));
        QVERIFY(shown.isEmpty() && !QApplication::activePopupWidget());
    }
};

QTEST_MAIN(tst_DisplayTableView)
#include "tst_displaytableview.moc"
