#include "discovery/addresslist.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

QString lines(std::initializer_list<QString> items)
{
    return QStringList(items).join(QLatin1Char('\n'));
}

// n distinct addresses, one per line, starting at 10.0.0.0.
QString distinctAddresses(int n)
{
    QStringList list;
    for (int i = 0; i < n; ++i)
        list << QHostAddress(quint32(0x0A000000u + quint32(i))).toString();
    return list.join(QLatin1Char('\n'));
}

QString wildcards(int n)
{
    QStringList list;
    for (int i = 0; i < n; ++i)
        list << QStringLiteral("10.0.%1.*").arg(i);
    return list.join(QLatin1Char('\n'));
}

}

class tst_AddressList : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void listIsSortedAndDistinct();
    void errorTexts();
    void startUpListKeepsWhatWasCollected();
    void hostileText();
};

void tst_AddressList::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("errorLine");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");

    QTest::newRow("empty") << QString() << 0 << 0 << 0 << QString() << QString();
    QTest::newRow("one address") << QStringLiteral("192.168.1.20") << 0 << 0 << 1
                                 << QStringLiteral("192.168.1.20") << QStringLiteral("192.168.1.20");
    QTest::newRow("blanks around") << QStringLiteral("  \t10.0.0.1  ") << 0 << 0 << 1
                                   << QStringLiteral("10.0.0.1") << QStringLiteral("10.0.0.1");
    QTest::newRow("CRLF line ends") << QStringLiteral("10.0.0.2\r\n10.0.0.1\r\n") << 0 << 0 << 2
                                    << QStringLiteral("10.0.0.1") << QStringLiteral("10.0.0.2");
    QTest::newRow("leading zeros") << QStringLiteral("010.001.002.003") << 0 << 0 << 1
                                   << QStringLiteral("10.1.2.3") << QStringLiteral("10.1.2.3");
    QTest::newRow("wildcard") << QStringLiteral("192.168.1.*") << 0 << 0 << 254
                              << QStringLiteral("192.168.1.1") << QStringLiteral("192.168.1.254");
    QTest::newRow("wildcard and a duplicate")
        << lines({QStringLiteral("192.168.1.*"), QStringLiteral("192.168.1.10")}) << 0 << 0 << 254
        << QStringLiteral("192.168.1.1") << QStringLiteral("192.168.1.254");
    QTest::newRow("range") << QStringLiteral("10.0.0.250-10.0.1.5") << 0 << 0 << 12
                           << QStringLiteral("10.0.0.250") << QStringLiteral("10.0.1.5");
    QTest::newRow("range with blanks") << QStringLiteral("10.0.0.1  -\t10.0.0.3") << 0 << 0 << 3
                                       << QStringLiteral("10.0.0.1") << QStringLiteral("10.0.0.3");
    QTest::newRow("range of 4096") << QStringLiteral("10.0.0.0 - 10.0.15.255") << 0 << 0 << 4096
                                   << QStringLiteral("10.0.0.0") << QStringLiteral("10.0.15.255");
    QTest::newRow("range of 4097") << QStringLiteral("10.0.0.0 - 10.0.16.0") << -2001 << 1 << 0
                                   << QString() << QString();
    QTest::newRow("range of one address") << QStringLiteral("10.0.0.5 - 10.0.0.5") << -2003 << 1
                                          << 0 << QString() << QString();
    QTest::newRow("descending range") << lines({QStringLiteral("10.0.0.1"),
                                                QStringLiteral("10.0.0.9 - 10.0.0.2")})
                                      << -2003 << 2 << 1 << QStringLiteral("10.0.0.1")
                                      << QStringLiteral("10.0.0.1");
    QTest::newRow("range to the last address")
        << QStringLiteral("255.255.255.250 - 255.255.255.255") << 0 << 0 << 6
        << QStringLiteral("255.255.255.250") << QStringLiteral("255.255.255.255");

    QTest::newRow("4097 distinct addresses") << distinctAddresses(4097) << 0 << 0 << 4097
                                             << QStringLiteral("10.0.0.0")
                                             << QStringLiteral("10.0.16.0");
    QTest::newRow("4098 distinct addresses") << distinctAddresses(4098) << -2001 << 4098 << 4097
                                             << QStringLiteral("10.0.0.0")
                                             << QStringLiteral("10.0.16.0");
    QTest::newRow("a repeat beyond the limit")
        << distinctAddresses(4097) + QStringLiteral("\n10.0.0.7") << 0 << 0 << 4097
        << QStringLiteral("10.0.0.0") << QStringLiteral("10.0.16.0");
    QTest::newRow("sixteen wildcards") << wildcards(16) << 0 << 0 << 16 * 254
                                       << QStringLiteral("10.0.0.1") << QStringLiteral("10.0.15.254");
    QTest::newRow("seventeen wildcards") << wildcards(17) << -2001 << 17 << 4097
                                         << QStringLiteral("10.0.0.1") << QStringLiteral("10.0.16.33");

    QTest::newRow("comments after blanks")
        << lines({QStringLiteral("  # 10.0.0.1"), QStringLiteral("\t; not an address"),
                  QStringLiteral("10.0.0.2")})
        << 0 << 0 << 1 << QStringLiteral("10.0.0.2") << QStringLiteral("10.0.0.2");
    QTest::newRow("blank first line, bad second")
        << lines({QString(), QStringLiteral("10.0.0.256")}) << -2002 << 2 << 0 << QString()
        << QString();
    QTest::newRow("stops at the first error")
        << lines({QStringLiteral("10.0.0.3"), QStringLiteral("bad"), QStringLiteral("10.0.0.4"),
                  QStringLiteral("also bad")})
        << -2002 << 2 << 1 << QStringLiteral("10.0.0.3") << QStringLiteral("10.0.0.3");

    const auto formatError = [](const char *name, const char *line) {
        QTest::newRow(name) << QString::fromLatin1(line) << -2002 << 1 << 0 << QString()
                            << QString();
    };
    formatError("octet above 255", "10.0.0.256");
    formatError("four-digit octet", "10.0.0.0001");
    formatError("fifth octet", "10.0.0.1.2");
    formatError("three octets", "10.0.1");
    formatError("IPv6", "fe80::1");
    formatError("IPv4-mapped IPv6", "::ffff:10.0.0.1");
    formatError("host name", "display-1.example");
    formatError("wildcard in the third octet", "10.0.*.1");
    formatError("two wildcards", "10.0.*.*");
    formatError("range to a wildcard", "10.0.0.1 - 10.0.0.*");
    formatError("second dash", "10.0.0.1 - 10.0.0.5 - 10.0.0.9");
    formatError("open range", "10.0.0.1 -");
    formatError("blank inside an address", "10.0. 0.1");
    formatError("comment after an address", "10.0.0.1 # office");
}

void tst_AddressList::parse()
{
    QFETCH(QString, text);
    QFETCH(int, result);
    QFETCH(int, errorLine);
    QFETCH(int, count);
    QFETCH(QString, first);
    QFETCH(QString, last);

    QList<QHostAddress> list{QHostAddress(QStringLiteral("1.1.1.1"))};
    int line = -7;
    QCOMPARE(parseAddressList(text, list, line), result);
    QCOMPARE(line, result == 0 ? -7 : errorLine);
    QCOMPARE(list.size(), count);
    if (count > 0) {
        QCOMPARE(list.first().toString(), first);
        QCOMPARE(list.last().toString(), last);
    }
}

void tst_AddressList::listIsSortedAndDistinct()
{
    QList<QHostAddress> list;
    int line = 0;
    const QString text = lines({QStringLiteral("10.0.0.9"), QStringLiteral("10.0.0.1"),
                                QStringLiteral("9.255.255.255"), QStringLiteral("10.0.0.1"),
                                QStringLiteral("10.0.0.8-10.0.0.10")});
    QCOMPARE(parseAddressList(text, list, line), 0);
    QStringList shown;
    for (const QHostAddress &address : std::as_const(list)) {
        QCOMPARE(address.protocol(), QAbstractSocket::IPv4Protocol);
        shown << address.toString();
    }
    QCOMPARE(shown, QStringList({QStringLiteral("9.255.255.255"), QStringLiteral("10.0.0.1"),
                                 QStringLiteral("10.0.0.8"), QStringLiteral("10.0.0.9"),
                                 QStringLiteral("10.0.0.10")}));
}

void tst_AddressList::errorTexts()
{
    QCOMPARE(AddressList::errorText(-2001, 17),
             QStringLiteral("Error: Maximum number of addresses exceeded on line 17"));
    QCOMPARE(AddressList::errorText(-2002, 2), QStringLiteral("Error: Address format error on line 2"));
    QCOMPARE(AddressList::errorText(-2003, 1),
             QStringLiteral("Error: Invalid IP address range on line 1"));
    QVERIFY(AddressList::errorText(0, 1).isEmpty());
}

void tst_AddressList::startUpListKeepsWhatWasCollected()
{
    const QList<QHostAddress> list = AddressList::addressesFromText(
        lines({QStringLiteral("10.0.0.2"), QStringLiteral("10.0.0.1"), QStringLiteral("oops"),
               QStringLiteral("10.0.0.3")}));
    QCOMPARE(list, QList<QHostAddress>({QHostAddress(QStringLiteral("10.0.0.1")),
                                        QHostAddress(QStringLiteral("10.0.0.2"))}));
}

void tst_AddressList::hostileText()
{
    // Random lines built from the characters the grammar cares about: the
    // parser must give a result for each, never a list over the limit.
    QRandomGenerator random(4097);
    const QString alphabet = QStringLiteral("0123456789.*-;# \t\r\n:xff\xE9");
    for (int i = 0; i < 3000; ++i) {
        QString text;
        const int length = int(random.bounded(80));
        for (int c = 0; c < length; ++c)
            text += alphabet.at(random.bounded(alphabet.size()));
        QList<QHostAddress> list;
        int line = 0;
        const int result = parseAddressList(text, list, line);
        QVERIFY(result == 0 || result == -2001 || result == -2002 || result == -2003);
        QVERIFY(list.size() <= AddressList::kMaxAddresses);
        if (result != 0)
            QVERIFY(line >= 1 && line <= text.count(QLatin1Char('\n')) + 1);
    }
}

QTEST_GUILESS_MAIN(tst_AddressList)
#include "tst_addresslist.moc"
