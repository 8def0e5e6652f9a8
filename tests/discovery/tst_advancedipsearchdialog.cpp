#include "discovery/advancedipsearchdialog.h"

#include "resources/resourceinit.h"
#include "widgettesthelpers.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

// The dialog parses the text as it is typed (the parser itself is tested in
// tst_addresslist): errors show with their line and keep OK disabled.
class tst_AdvancedIPSearchDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initVdfuResources(); }
    void typingClearingAndClosing();
};

void tst_AdvancedIPSearchDialog::typingClearingAndClosing()
{
    AdvancedIPSearchDialog dialog(QStringLiteral("10.0.0.9\n10.0.0.1"));
    auto *ok = childOrFail<QPushButton>(&dialog, "scan_pushButton");
    auto *clear = childOrFail<QPushButton>(&dialog, "clear_list_pushButton");
    auto *status = childOrFail<QLabel>(&dialog, "status_label");
    auto *expanded = childOrFail<QLabel>(&dialog, "expanded_ip_list_label");
    QCOMPARE(expanded->text(), QStringLiteral("10.0.0.1\n10.0.0.9\n"));
    QCOMPARE(dialog.addressList().size(), 2);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(clear, Qt::LeftButton);
    QVERIFY(dialog.text().isEmpty() && !clear->isEnabled() && ok->isEnabled());

    auto *editor = childOrFail<QPlainTextEdit>(&dialog, "ip_list_plainTextEdit");
    QTest::keyClicks(editor, QStringLiteral("10.0.0.2"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, QStringLiteral("10.0.0.x"));
    QCOMPARE(status->text(), QStringLiteral("Error: Address format error on line 2"));
    QVERIFY(!childOrFail<QLabel>(&dialog, "status_icon_label")->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(!ok->isEnabled() && clear->isEnabled());
    QCOMPARE(expanded->text(), QStringLiteral("10.0.0.2\n")); // what came before the error
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClicks(editor, QStringLiteral("3 - 10.0.0.4"));
    QVERIFY(status->text().isEmpty() && ok->isEnabled());
    QCOMPARE(dialog.text(), QStringLiteral("10.0.0.2\n10.0.0.3 - 10.0.0.4"));
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    AdvancedIPSearchDialog cancelled;
    QTest::mouseClick(childOrFail<QPushButton>(&cancelled, "cancel_pushButton"), Qt::LeftButton);
    QCOMPARE(cancelled.result(), int(QDialog::Rejected));
}

QTEST_MAIN(tst_AdvancedIPSearchDialog)
#include "tst_advancedipsearchdialog.moc"
