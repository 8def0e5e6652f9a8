#include "discovery/advancedipsearchdialog.h"

#include "resources/resourceinit.h"
#include "widgettesthelpers.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

// The dialog parses the text on every change (the parser itself is tested in tst_addresslist): errors show with
// their line and keep OK disabled; the expanded list shows what was collected.
class tst_AdvancedIPSearchDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initVdfuResources(); }
    void editingClearingAndClosing();
};

void tst_AdvancedIPSearchDialog::editingClearingAndClosing()
{
    AdvancedIPSearchDialog dialog(QStringLiteral("10.0.0.9\n10.0.0.1"));
    auto *ok = childOrFail<QPushButton>(&dialog, "scan_pushButton");
    auto *clear = childOrFail<QPushButton>(&dialog, "clear_list_pushButton");
    auto *status = childOrFail<QLabel>(&dialog, "status_label");
    auto *expanded = childOrFail<QLabel>(&dialog, "expanded_ip_list_label");
    QCOMPARE(expanded->text(), QStringLiteral("10.0.0.1\n10.0.0.9\n"));
    QCOMPARE(dialog.addressList().size(), 2);
    QVERIFY(status->text().isEmpty() && ok->isEnabled() && clear->isEnabled());

    childOrFail<QPlainTextEdit>(&dialog, "ip_list_plainTextEdit")->setPlainText(QStringLiteral("10.0.0.2\n10.0.0.x"));
    QCOMPARE(status->text(), QStringLiteral("Error: Address format error on line 2"));
    QVERIFY(!childOrFail<QLabel>(&dialog, "status_icon_label")->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(expanded->text(), QStringLiteral("10.0.0.2\n")); // what came before the error
    QVERIFY(!ok->isEnabled());
    QTest::mouseClick(clear, Qt::LeftButton);
    QVERIFY(dialog.text().isEmpty() && status->text().isEmpty() && !clear->isEnabled() && ok->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    AdvancedIPSearchDialog cancelled;
    QTest::mouseClick(childOrFail<QPushButton>(&cancelled, "cancel_pushButton"), Qt::LeftButton);
    QCOMPARE(cancelled.result(), int(QDialog::Rejected));
}

QTEST_MAIN(tst_AdvancedIPSearchDialog)
#include "tst_advancedipsearchdialog.moc"
