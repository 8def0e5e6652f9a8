#include "displaylist/displaylistmodel.h"
#include "displaylist/mysortfilterproxymodel.h"
#include "displaylist/mytableview.h"
#include "resources/resourceinit.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QMenu>
#include <QStandardItemModel>
#include <QtTest>

#include <memory>

namespace {

DISPLAY_LIST_ENTRY display(const char *address)
{
    DISPLAY_LIST_ENTRY e;
    e.ipAddress = QHostAddress(QLatin1String(address));
    return e;
}

}

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
        const auto record = [&fired](const char *name) {
            return [&fired, name](int row) { fired << QStringLiteral("%1:%2").arg(QLatin1String(name)).arg(row); };
        };
        QObject context;
        connect(m_view.get(), &MyTableView::refreshRow, &context, record("refresh"));
        connect(m_view.get(), &MyTableView::requestPowerOn, &context, record("on"));
        connect(m_view.get(), &MyTableView::requestPowerOff, &context, record("off"));
        connect(m_view.get(), &MyTableView::requestSetPowerSaveToAutoPowerSave, &context, record("powerSave"));
        connect(m_view.get(), &MyTableView::requestSetPowerSaveToAutoStandby, &context, record("standby"));
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
        m_list = {display("192.168.0.10"), display("192.168.0.9"), display("10.1.1.1")};
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
    void cleanup()
    {
        m_view.reset();
        m_proxy.reset();
        m_model.reset();
    }

    void proxyOrder_data()
    {
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<QVariantList>("sorted");
        const auto s = [](const char *text) { return QVariant(QLatin1String(text)); };
        QTest::newRow("addresses numerically") << QVariantList{s("192.168.0.10"), s("192.168.0.9"), s("10.0.0.1")}
                                               << QVariantList{s("10.0.0.1"), s("192.168.0.9"), s("192.168.0.10")};
        QTest::newRow("addresses before texts") << QVariantList{s("VT-435A"), s("192.168.0.10")} << QVariantList{s("192.168.0.10"), s("VT-435A")};
        // Look like addresses but are not: compared as texts.
        QTest::newRow("impossible octets as text") << QVariantList{s("40.1.1.1"), s("300.1.1.1")} << QVariantList{s("300.1.1.1"), s("40.1.1.1")};
        QTest::newRow("texts in locale order") << QVariantList{s("gamma"), s("Alpha"), s("beta")} << QVariantList{s("Alpha"), s("beta"), s("gamma")};
        QTest::newRow("address inside a longer text") << QVariantList{s("at 192.168.0.9"), s("at 192.168.0.10")}
                                                      << QVariantList{s("at 192.168.0.10"), s("at 192.168.0.9")};
        QTest::newRow("numbers keep their own order") << QVariantList{100, 9, 10} << QVariantList{9, 10, 100};
    }
    void proxyOrder()
    {
        QFETCH(QVariantList, values);
        QStandardItemModel source;
        for (const QVariant &value : std::as_const(values)) {
            auto *item = new QStandardItem;
            item->setData(value, Qt::DisplayRole);
            source.appendRow(item);
        }
        MySortFilterProxyModel proxy;
        QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
        proxy.setSourceModel(&source);
        proxy.sort(0, Qt::AscendingOrder);
        QVariantList result;
        for (int row = 0; row < proxy.rowCount(); ++row)
            result << proxy.index(row, 0).data();
        QTEST(result, "sorted");
    }

    void menus_data()
    {
        QTest::addColumn<int>("seriesId");
        QTest::addColumn<bool>("updateSession");
        QTest::addColumn<QStringList>("commands"); // of the row menu, for source row 0 (shown last)
        const QStringList basic{"refresh:0", "on:0", "off:0"}, withPowerSave = basic + QStringList{"powerSave:0", "standby:0"};
        QTest::newRow("unknown series") << 0 << false << basic;
        QTest::newRow("series 1") << 1 << false << withPowerSave;
        QTest::newRow("series 2") << 2 << false << withPowerSave;
        QTest::newRow("series 3") << 3 << false << basic;
        QTest::newRow("series 11") << 11 << false << basic;
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
        QCOMPARE(menu->actions().size(), seriesId == 1 || seriesId == 2 ? 5 : 3);
        QCOMPARE(this->commands(menu.get()), commands);
        // A press on the Power State cell offers the power commands alone.
        QVERIFY(!m_view->createPowerMenu(cellCenter(0, displayListModel::ModelNameColumn)));
        menu = m_view->createPowerMenu(cellCenter(0, displayListModel::PowerStateColumn));
        QVERIFY(menu);
        QCOMPARE(this->commands(menu.get()), commands.mid(1, 2));
        m_list[0].updateClient = nullptr;
    }

    void noMenuBelowLastRow()
    {
        const QPoint lastRow = cellCenter(0, displayListModel::ModelNameColumn);
        QVERIFY(m_view->createContextMenu(lastRow));
        QVERIFY(!m_view->createContextMenu(QPoint(lastRow.x(), m_view->viewport()->height() - 2)));
        QCOMPARE(m_view->triggeredRow(), -1);
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
        // Elsewhere a left click only selects the row.
        shown.clear();
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, cellCenter(1, displayListModel::ModelNameColumn));
        QVERIFY(shown.isEmpty() && !QApplication::activePopupWidget());
        const QModelIndexList selected = m_view->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(m_proxy->mapToSource(selected.first()).row(), 1);
    }
};

QTEST_MAIN(tst_DisplayTableView)
#include "tst_displaytableview.moc"
