#include "discovery/addresslist.h"
#include "discovery/advancedipsearchdialog.h"

#include "resources/resourceinit.h"
#include "widgettesthelpers.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

// The targeted address list: the parser, and the dialog that parses the text on every change.
namespace {

// n lines: distinct addresses from 10.0.0.0, or wildcards 10.0.i.*.
QString numbered(int n, bool wildcards = false)
{
    QStringList lines;
    for (int i = 0; i < n; ++i)
        lines << (wildcards ? QStringLiteral("10.0.%1.*").arg(i) : QHostAddress(quint32(0x0A000000 + i)).toString());
    return lines.join(QLatin1Char('\n'));
}

const QString kTooMany = QStringLiteral("Error: Maximum number of addresses exceeded on line %1");
const QString kFormat = QStringLiteral("Error: Address format error on line %1");
const QString kRange = QStringLiteral("Error: Invalid IP address range on line %1");

}

class tst_AddressList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initVdfuResources(); }
    void parse_data();
    void parse();
    void dialog();
};

void tst_AddressList::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");     // empty: parsed completely
    QTest::addColumn<QString>("collected"); // how many addresses up to the error, the first and the last
    const auto row = [](const char *name, const QString &text, const QString &error, const char *collected) {
        QTest::newRow(name) << text << error << QString::fromLatin1(collected);
    };
    const QString ok;
    row("empty", QString(), ok, "0");
    row("blanks around, CRLF line ends", "  \t10.0.0.2\r\n10.0.0.1  \r\n", ok, "2 10.0.0.1 10.0.0.2");
    row("wildcard and a repeat", "192.168.1.*\n192.168.1.10", ok, "254 192.168.1.1 192.168.1.254");
    // Leading zeros are decimal: 010.000.000.001 is 10.0.0.1 again.
    row("sorted and distinct", "10.0.0.9\n10.0.0.1\n9.255.255.255\n010.000.000.001\n10.0.0.8-10.0.0.10", ok, "5 9.255.255.255 10.0.0.10");
    row("range across an octet", "10.0.0.250  -\t10.0.1.5", ok, "12 10.0.0.250 10.0.1.5");
    row("range of 4096", "10.0.0.0 - 10.0.15.255", ok, "4096 10.0.0.0 10.0.15.255");
    row("range of 4097", "10.0.0.0 - 10.0.16.0", kTooMany.arg(1), "0");
    row("range of one address", "10.0.0.5 - 10.0.0.5", kRange.arg(1), "0");
    row("descending range", "10.0.0.1\n10.0.0.9 - 10.0.0.2", kRange.arg(2), "1 10.0.0.1 10.0.0.1");
    row("range to the last address", "255.255.255.250 - 255.255.255.255", ok, "6 255.255.255.250 255.255.255.255");
    row("4097 distinct addresses", numbered(4097), ok, "4097 10.0.0.0 10.0.16.0");
    row("4098 distinct addresses", numbered(4098), kTooMany.arg(4098), "4097 10.0.0.0 10.0.16.0");
    row("a repeat beyond the limit", numbered(4097) + "\n10.0.0.7", ok, "4097 10.0.0.0 10.0.16.0");
    row("sixteen wildcards", numbered(16, true), ok, "4064 10.0.0.1 10.0.15.254");
    row("seventeen wildcards", numbered(17, true), kTooMany.arg(17), "4097 10.0.0.1 10.0.16.33");
    row("comments after blanks", "  # 10.0.0.1\n\t; not an address\n10.0.0.2", ok, "1 10.0.0.2 10.0.0.2");
    row("stops at the first error", "10.0.0.3\nbad\n10.0.0.4\nalso bad", kFormat.arg(2), "1 10.0.0.3 10.0.0.3");
    // 0.0.0.0 cannot be searched: refused like any other unusable address.
    row("0.0.0.0 after an address", "10.0.0.3\n0.0.0.0", kFormat.arg(2), "1 10.0.0.3 10.0.0.3");
    row("range from 0.0.0.0", "\n0.0.0.0 - 0.0.0.9", kFormat.arg(2), "0");
    for (const char *bad : {"000.0.0.0", "10.0.0.256", "10.0.0.0001", "10.0.0.1.2", "10.0.1", "fe80::1", "::ffff:10.0.0.1",
                            "display-1.example", "10.0.*.1", "10.0.*.*", "10.0.0.1 - 10.0.0.*",
                            "10.0.0.1 - 10.0.0.5 - 10.0.0.9", "10.0.0.1 -", "10.0. 0.1", "10.0.0.1 # office"})
        row(bad, bad, kFormat.arg(1), "0");
}

void tst_AddressList::parse()
{
    QFETCH(QString, text);
    QFETCH(QString, error);
    QFETCH(QString, collected);
    QList<QHostAddress> list{QHostAddress(QStringLiteral("1.1.1.1"))};
    int line = -7;
    const int result = parseAddressList(text, list, line);
    QCOMPARE(AddressList::errorText(result, line), error);
    QCOMPARE(result == AddressList::Ok, error.isEmpty());
    const QString shown = QStringLiteral("%1 %2 %3").arg(list.size())
                              .arg(list.value(0).toString(), list.value(list.size() - 1).toString());
    QCOMPARE(shown.trimmed(), collected);
    for (int i = 1; i < list.size(); ++i)
        QVERIFY(list.at(i - 1).toIPv4Address() < list.at(i).toIPv4Address());
    // The start-up list is what was collected, also when the text stopped parsing.
    QCOMPARE(AddressList::addressesFromText(text), list);
    // The dialog shows the error, allows OK only without one, and keeps what was collected.
    AdvancedIPSearchDialog dialog(text);
    QCOMPARE(childOrFail<QLabel>(&dialog, "status_label")->text(), error);
    QCOMPARE(childOrFail<QPushButton>(&dialog, "scan_pushButton")->isEnabled(), error.isEmpty());
    QCOMPARE(dialog.addressList(), list);
}

// The list expanded up to an error, clearing the text, OK and Cancel.
void tst_AddressList::dialog()
{
    AdvancedIPSearchDialog dialog(QStringLiteral("10.0.0.2\n10.0.0.x"));
    auto *ok = childOrFail<QPushButton>(&dialog, "scan_pushButton");
    auto *clear = childOrFail<QPushButton>(&dialog, "clear_list_pushButton");
    QCOMPARE(childOrFail<QLabel>(&dialog, "expanded_ip_list_label")->text(), QStringLiteral("10.0.0.2\n"));
    QTest::mouseClick(clear, Qt::LeftButton);
    QVERIFY(dialog.text().isEmpty() && !clear->isEnabled() && ok->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    AdvancedIPSearchDialog cancelled;
    QTest::mouseClick(childOrFail<QPushButton>(&cancelled, "cancel_pushButton"), Qt::LeftButton);
    QCOMPARE(cancelled.result(), int(QDialog::Rejected));
}

QTEST_MAIN(tst_AddressList)
#include "tst_addresslist.moc"
