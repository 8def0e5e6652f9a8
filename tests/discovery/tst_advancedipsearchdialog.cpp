#include "discovery/advancedipsearchdialog.h"

#include "resources/resourceinit.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

class tst_AdvancedIPSearchDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initVdfuResources(); }
    void formAndTexts();
    void startsFromTheGivenText();
    void liveValidation_data();
    void liveValidation();
    void clearList();
    void acceptAndCancel();

private:
    template<typename T>
    static T *child(const QDialog &dialog, const char *name)
    {
        T *widget = dialog.findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("missing widget %s", name);
        return widget;
    }
};

void tst_AdvancedIPSearchDialog::formAndTexts()
{
    AdvancedIPSearchDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Configure Targeted network search"));
    QVERIFY(dialog.isModal());
    QCOMPARE(child<QPushButton>(dialog, "clear_list_pushButton")->text(), QStringLiteral("Clear list"));
    QCOMPARE(child<QPushButton>(dialog, "scan_pushButton")->text(), QStringLiteral("OK"));
    QCOMPARE(child<QPushButton>(dialog, "cancel_pushButton")->text(), QStringLiteral("Cancel"));
    QVERIFY(child<QLabel>(dialog, "instructions_label")->text().contains(
        QStringLiteral("The maximum number of addresses allowed is 4096.</body></html>")));
    bool captionFound = false;
    const QList<QLabel *> labels = dialog.findChildren<QLabel *>();
    for (const QLabel *label : labels)
        captionFound = captionFound || label->text() == QStringLiteral("Full IP address search list:");
    QVERIFY(captionFound);
}

void tst_AdvancedIPSearchDialog::startsFromTheGivenText()
{
    AdvancedIPSearchDialog dialog(QStringLiteral("10.0.0.9\n10.0.0.1"));
    QCOMPARE(dialog.text(), QStringLiteral("10.0.0.9\n10.0.0.1"));
    QCOMPARE(child<QLabel>(dialog, "expanded_ip_list_label")->text(),
             QStringLiteral("10.0.0.1\n10.0.0.9\n"));
    QCOMPARE(dialog.addressList().size(), 2);
    QVERIFY(child<QPushButton>(dialog, "scan_pushButton")->isEnabled());
    QVERIFY(child<QPushButton>(dialog, "clear_list_pushButton")->isEnabled());

    AdvancedIPSearchDialog empty;
    QVERIFY(empty.addressList().isEmpty());
    QVERIFY(child<QPushButton>(empty, "scan_pushButton")->isEnabled());
    QVERIFY(!child<QPushButton>(empty, "clear_list_pushButton")->isEnabled());
}

void tst_AdvancedIPSearchDialog::liveValidation_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("expanded");

    QTest::newRow("valid") << QStringLiteral("10.0.0.3 - 10.0.0.4\n010.0.0.1")
                           << QString() << QStringLiteral("10.0.0.1\n10.0.0.3\n10.0.0.4\n");
    QTest::newRow("format error keeps what came before")
        << QStringLiteral("10.0.0.2\n\n10.0.0.x\n10.0.0.5") << QStringLiteral("Error: Address format error on line 3")
        << QStringLiteral("10.0.0.2\n");
    QTest::newRow("invalid range") << QStringLiteral("10.0.0.5 - 10.0.0.5")
                                   << QStringLiteral("Error: Invalid IP address range on line 1")
                                   << QString();
    QTest::newRow("too many") << QStringLiteral("10.0.0.0 - 10.0.16.0")
                              << QStringLiteral("Error: Maximum number of addresses exceeded on line 1")
                              << QString();
}

void tst_AdvancedIPSearchDialog::liveValidation()
{
    QFETCH(QString, typed);
    QFETCH(QString, status);
    QFETCH(QString, expanded);

    AdvancedIPSearchDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *editor = child<QPlainTextEdit>(dialog, "ip_list_plainTextEdit");
    editor->setFocus();
    const QStringList typedLines = typed.split(QLatin1Char('\n'));
    for (int i = 0; i < typedLines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClicks(editor, typedLines.at(i));
    }

    QCOMPARE(child<QLabel>(dialog, "status_label")->text(), status);
    const QLabel *icon = child<QLabel>(dialog, "status_icon_label");
    const bool hasIcon = !icon->pixmap(Qt::ReturnByValue).isNull();
    QCOMPARE(hasIcon, !status.isEmpty());
    QCOMPARE(child<QPushButton>(dialog, "scan_pushButton")->isEnabled(), status.isEmpty());
    QCOMPARE(child<QLabel>(dialog, "expanded_ip_list_label")->text(), expanded);
    QCOMPARE(dialog.text(), typed);
}

void tst_AdvancedIPSearchDialog::clearList()
{
    AdvancedIPSearchDialog dialog(QStringLiteral("bad entry"));
    QVERIFY(!child<QPushButton>(dialog, "scan_pushButton")->isEnabled());
    auto *clear = child<QPushButton>(dialog, "clear_list_pushButton");
    QVERIFY(clear->isEnabled());
    QTest::mouseClick(clear, Qt::LeftButton);
    QVERIFY(dialog.text().isEmpty());
    QVERIFY(!clear->isEnabled());
    QVERIFY(child<QPushButton>(dialog, "scan_pushButton")->isEnabled());
    QVERIFY(child<QLabel>(dialog, "status_label")->text().isEmpty());
    QVERIFY(child<QLabel>(dialog, "expanded_ip_list_label")->text().isEmpty());
}

void tst_AdvancedIPSearchDialog::acceptAndCancel()
{
    AdvancedIPSearchDialog accepted(QStringLiteral("10.0.0.1"));
    QTest::mouseClick(child<QPushButton>(accepted, "scan_pushButton"), Qt::LeftButton);
    QCOMPARE(accepted.result(), int(QDialog::Accepted));

    AdvancedIPSearchDialog cancelled(QStringLiteral("10.0.0.1"));
    QTest::mouseClick(child<QPushButton>(cancelled, "cancel_pushButton"), Qt::LeftButton);
    QCOMPARE(cancelled.result(), int(QDialog::Rejected));
}

QTEST_MAIN(tst_AdvancedIPSearchDialog)
#include "tst_advancedipsearchdialog.moc"
