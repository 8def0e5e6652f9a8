#include "displaylist/displaylistmodel.h"
#include "displaylist/mysortfilterproxymodel.h"
#include "displaylist/mytableview.h"
#include "resources/resourceinit.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QMenu>
#include <QStandardItemModel>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

int g_marker = 0;
HttpClient *const kUpdateSession = reinterpret_cast<HttpClient *>(&g_marker);

DISPLAY_LIST_ENTRY display(const char *address, int seriesId = 0)
{
    DISPLAY_LIST_ENTRY e;
    e.ipAddress = QHostAddress(QLatin1String(address));
    e.modelName = QStringLiteral("VT-435A");
    e.seriesId = seriesId;
    return e;
}

QStringList actionTexts(const QMenu &menu)
{
    QStringList texts;
    const auto actions = menu.actions();
    for (const QAction *action : actions)
        texts << action->text();
    return texts;
}

// Runs `handle` on the next popup menu once it is shown, then closes it.
void whenPopupOpens(std::function<void(QMenu *)> handle)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, handle, started] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (menu || started->elapsed() > 5000) {
            poll->stop();
            poll->deleteLater();
            if (menu) {
                handle(menu);
                menu->close();
            }
        }
    });
    poll->start();
}

}

class tst_DisplayTableView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initVdfuResources(); }
    void init();
    void cleanup();

    void proxyOrder_data();
    void proxyOrder();
    void menuCommandsCarrySourceRow_data();
    void menuCommandsCarrySourceRow();
    void noMenuBelowLastRow();
    void powerSaveEntriesOnlyForFirstSeries_data();
    void powerSaveEntriesOnlyForFirstSeries();
    void updateSessionDisablesEverything();
    void powerMenuOnlyOnPowerStateCell();
    void leftClickOnPowerStateOpensPowerMenu();
    void inactiveSelectionStyle();

private:
    QPoint cellCenter(int sourceRow, int column) const;

    DisplayList m_list;
    std::unique_ptr<displayListModel> m_model;
    std::unique_ptr<MySortFilterProxyModel> m_proxy;
    std::unique_ptr<MyTableView> m_view;
};

void tst_DisplayTableView::init()
{
    m_list = {display("192.168.0.10", 1), display("192.168.0.9", 3), display("10.1.1.1", 2)};
    m_model = std::make_unique<displayListModel>();
    m_model->setDisplayList(&m_list);
    m_proxy = std::make_unique<MySortFilterProxyModel>();
    m_proxy->setSourceModel(m_model.get());
    m_view = std::make_unique<MyTableView>();
    m_view->setModel(m_proxy.get());
    m_view->setDisplayList(&m_list);
    m_view->applyDisplayTableAppearance();
    m_view->setSortingEnabled(true);
    // Descending by address: view order is source rows 0, 1, 2 -> 0 (.10), 1 (.9), 2 (10.x).
    m_view->sortByColumn(displayListModel::IpAddressColumn, Qt::DescendingOrder);
    m_view->resize(900, 400);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
}

void tst_DisplayTableView::cleanup()
{
    m_view.reset();
    m_proxy.reset();
    m_model.reset();
}

QPoint tst_DisplayTableView::cellCenter(int sourceRow, int column) const
{
    const QModelIndex viewIndex = m_proxy->mapFromSource(m_model->index(sourceRow, column));
    return m_view->visualRect(viewIndex).center();
}

void tst_DisplayTableView::proxyOrder_data()
{
    QTest::addColumn<QVariantList>("values");
    QTest::addColumn<QVariantList>("sorted");

    const auto s = [](const char *text) { return QVariant(QLatin1String(text)); };
    QTest::newRow("addresses numerically")
        << QVariantList{s("192.168.0.10"), s("192.168.0.9"), s("10.0.0.1"), s("192.168.0.100")}
        << QVariantList{s("10.0.0.1"), s("192.168.0.9"), s("192.168.0.10"), s("192.168.0.100")};
    QTest::newRow("texts in locale order")
        << QVariantList{s("gamma"), s("Alpha"), s("beta")}
        << QVariantList{s("Alpha"), s("beta"), s("gamma")};
    QTest::newRow("addresses before texts")
        << QVariantList{s("VT-435A"), s("192.168.0.10"), s("192.168.0.9")}
        << QVariantList{s("192.168.0.9"), s("192.168.0.10"), s("VT-435A")};
    // Look like addresses but are not: compared as texts.
    QTest::newRow("impossible octets as text")
        << QVariantList{s("40.1.1.1"), s("300.1.1.1")}
        << QVariantList{s("300.1.1.1"), s("40.1.1.1")};
    QTest::newRow("address inside a longer text")
        << QVariantList{s("at 192.168.0.9"), s("at 192.168.0.10")}
        << QVariantList{s("at 192.168.0.10"), s("at 192.168.0.9")};
    QTest::newRow("numbers keep their own order")
        << QVariantList{100, 9, 10} << QVariantList{9, 10, 100};
}

void tst_DisplayTableView::proxyOrder()
{
    QFETCH(QVariantList, values);
    QFETCH(QVariantList, sorted);

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
    QCOMPARE(result, sorted);
}

void tst_DisplayTableView::menuCommandsCarrySourceRow_data()
{
    QTest::addColumn<int>("actionIndex");
    QTest::addColumn<QByteArray>("signal");

    QTest::newRow("refresh") << 0 << QByteArray(SIGNAL(refreshRow(int)));
    QTest::newRow("power on") << 1 << QByteArray(SIGNAL(requestPowerOn(int)));
    QTest::newRow("power off") << 2 << QByteArray(SIGNAL(requestPowerOff(int)));
    QTest::newRow("auto power save") << 3 << QByteArray(SIGNAL(requestSetPowerSaveToAutoPowerSave(int)));
    QTest::newRow("auto standby") << 4 << QByteArray(SIGNAL(requestSetPowerSaveToAutoStandby(int)));
}

void tst_DisplayTableView::menuCommandsCarrySourceRow()
{
    QFETCH(int, actionIndex);
    QFETCH(QByteArray, signal);

    // Source row 2 (series 2) is shown first after sorting ascending by address.
    m_view->sortByColumn(displayListModel::IpAddressColumn, Qt::AscendingOrder);
    QCOMPARE(m_proxy->mapToSource(m_proxy->index(0, 0)).row(), 2);

    QSignalSpy spy(m_view.get(), signal.constData());
    auto menu = m_view->createContextMenu(cellCenter(2, displayListModel::ModelNameColumn));
    QVERIFY(menu);
    QCOMPARE(m_view->triggeredRow(), 2);
    menu->actions().at(actionIndex)->trigger();
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.first().first().toInt(), 2);
}

void tst_DisplayTableView::noMenuBelowLastRow()
{
    const QPoint lastRow = cellCenter(2, displayListModel::ModelNameColumn);
    QVERIFY(m_view->createContextMenu(lastRow));
    const QPoint below(lastRow.x(), m_view->viewport()->height() - 2);
    QVERIFY(!m_view->createContextMenu(below));
    QCOMPARE(m_view->triggeredRow(), -1);
}

void tst_DisplayTableView::powerSaveEntriesOnlyForFirstSeries_data()
{
    QTest::addColumn<int>("seriesId");
    QTest::addColumn<QStringList>("texts");

    const QStringList basic{QStringLiteral("Refresh display information"), QStringLiteral("Power On"),
                            QStringLiteral("Power Off")};
    const QStringList withPowerSave = basic
        + QStringList{QStringLiteral("Set \"Power Save Mode\" to \"Auto Power Save\""),
                      QStringLiteral("Set \"Power Save Mode\" to \"Auto Standby\"")};
    QTest::newRow("unknown series") << 0 << basic;
    QTest::newRow("series 1") << 1 << withPowerSave;
    QTest::newRow("series 2") << 2 << withPowerSave;
    QTest::newRow("series 3") << 3 << basic;
    QTest::newRow("series 11") << 11 << basic;
}

void tst_DisplayTableView::powerSaveEntriesOnlyForFirstSeries()
{
    QFETCH(int, seriesId);
    QFETCH(QStringList, texts);

    m_list[1].seriesId = seriesId;
    auto menu = m_view->createContextMenu(cellCenter(1, displayListModel::ModelNameColumn));
    QVERIFY(menu);
    QCOMPARE(actionTexts(*menu), texts);
    const auto actions = menu->actions();
    for (const QAction *action : actions)
        QVERIFY(action->isEnabled());
}

void tst_DisplayTableView::updateSessionDisablesEverything()
{
    m_list[0].updateClient = kUpdateSession;
    auto menu = m_view->createContextMenu(cellCenter(0, displayListModel::StatusColumn));
    QVERIFY(menu);
    QCOMPARE(menu->actions().size(), 5);
    const auto actions = menu->actions();
    for (const QAction *action : actions)
        QVERIFY2(!action->isEnabled(), qPrintable(action->text()));

    auto powerMenu = m_view->createPowerMenu(cellCenter(0, displayListModel::PowerStateColumn));
    QVERIFY(powerMenu);
    QVERIFY(!powerMenu->actions().at(0)->isEnabled());
    QVERIFY(!powerMenu->actions().at(1)->isEnabled());
    m_list[0].updateClient = nullptr;
}

void tst_DisplayTableView::powerMenuOnlyOnPowerStateCell()
{
    QVERIFY(!m_view->createPowerMenu(cellCenter(1, displayListModel::ModelNameColumn)));
    auto menu = m_view->createPowerMenu(cellCenter(1, displayListModel::PowerStateColumn));
    QVERIFY(menu);
    QCOMPARE(actionTexts(*menu), (QStringList{QStringLiteral("Power On"), QStringLiteral("Power Off")}));
    QCOMPARE(m_view->triggeredRow(), 1);
    QSignalSpy powerOn(m_view.get(), &MyTableView::requestPowerOn);
    menu->actions().at(0)->trigger();
    QCOMPARE(powerOn.size(), 1);
    QCOMPARE(powerOn.first().first().toInt(), 1);
}

void tst_DisplayTableView::leftClickOnPowerStateOpensPowerMenu()
{
    QStringList shown;
    whenPopupOpens([&](QMenu *menu) { shown = actionTexts(*menu); });
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {},
                      cellCenter(2, displayListModel::PowerStateColumn));
    QCOMPARE(shown, (QStringList{QStringLiteral("Power On"), QStringLiteral("Power Off")}));

    // Elsewhere a left click only selects the row.
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {},
                      cellCenter(1, displayListModel::ModelNameColumn));
    QVERIFY(!QApplication::activePopupWidget());
    const QModelIndexList selected = m_view->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(m_proxy->mapToSource(selected.first()).row(), 1);
}

void tst_DisplayTableView::inactiveSelectionStyle()
{
    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(0, 0, 100));
    QCOMPARE(MyTableView::inactiveSelectionStyleSheet(palette),
             QStringLiteral("QTableView:!active { selection-color: rgba(255, 255, 255, 255); "
                            "selection-background-color: rgba(0, 0, 150, 255); }"));
}

QTEST_MAIN(tst_DisplayTableView)
#include "tst_displaytableview.moc"
