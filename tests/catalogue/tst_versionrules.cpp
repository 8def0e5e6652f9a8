#include "catalogue/versionrules.h"

#include <QtTest>

class TestVersionRules : public QObject
{
    Q_OBJECT

private slots:
    void compare_data();
    void compare();
    void seriesIds_data();
    void seriesIds();
    void seriesGroups_data();
    void seriesGroups();
    void changeNotes_data();
    void changeNotes();
};

void TestVersionRules::compare_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("error");

    QTest::newRow("2.00 equals 2.0") << "2.00" << "2.0" << 0 << 0;
    QTest::newRow("1.02 equals 1.2") << "1.02" << "1.2" << 0 << 0;
    QTest::newRow("V1.10 newer than V1.9") << "V1.10" << "V1.9" << 1 << 0;
    QTest::newRow("V1.9 older than V1.10") << "V1.9" << "V1.10" << -1 << 0;
    QTest::newRow("prefix and suffix dropped") << "R1.02" << "Ver 1.2a" << 0 << 0;
    QTest::newRow("letters inside a part") << "3.4.1a" << "3.4.1" << 0 << 0;
    QTest::newRow("first difference decides") << "2.9.9" << "3.0.0" << -1 << 0;
    QTest::newRow("2.00.1 vs 2.0: part counts") << "2.00.1" << "2.0" << 0 << -1;
    QTest::newRow("2..1 vs 2.0.1: empty part") << "2..1" << "2.0.1" << 0 << -2;
    QTest::newRow("empty vs 1") << "" << "1" << 0 << -2;
    QTest::newRow("empty vs 1.0") << "" << "1.0" << 0 << -1;
    QTest::newRow("no digits vs 2.0") << "abc" << "2.0" << 0 << -1;
    QTest::newRow("no digits on both sides") << "abc" << "xyz" << 0 << -2;
    QTest::newRow("trailing dot") << "2." << "2.0" << 0 << -2;
    QTest::newRow("part beyond 32 bits") << "99999999999" << "1" << 0 << -2;
    QTest::newRow("minus sign dropped") << "-2" << "2" << 0 << 0;
    QTest::newRow("numbers, not text") << "10" << "9" << 1 << 0;
}

void TestVersionRules::compare()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, result);
    QFETCH(int, error);

    int actualError = 12345;
    QCOMPARE(compareVersions(a, b, actualError), result);
    QCOMPARE(actualError, error);
}

void TestVersionRules::seriesIds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("id");
    QTest::newRow("first") << "SERIES_KESTREL4" << 1;
    QTest::newRow("shared prefix, shortest") << "SERIES_KESTREL5" << 3;
    QTest::newRow("shared prefix, UHD") << "SERIES_KESTREL5_UHD" << 5;
    QTest::newRow("shared prefix, RX") << "SERIES_KESTREL5_RX" << 6;
    QTest::newRow("last") << "SERIES_TAMARIND" << 11;
    QTest::newRow("lower case") << "series_kestrel5_uhd" << 5;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("prefix only") << "SERIES_KESTREL" << 0;
    QTest::newRow("trailing blank") << "SERIES_QUARTZ " << 0;
}

void TestVersionRules::seriesIds()
{
    QFETCH(QString, name);
    QFETCH(int, id);
    QCOMPARE(seriesIdFromName(name), id);
}

void TestVersionRules::seriesGroups_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("group1");
    QTest::addColumn<bool>("group2");
    QTest::newRow("0") << 0 << false << false;
    QTest::newRow("1") << 1 << true << false;
    QTest::newRow("2") << 2 << true << false;
    QTest::newRow("3") << 3 << false << true;
    QTest::newRow("10") << 10 << false << true;
    QTest::newRow("11") << 11 << false << false;
}

void TestVersionRules::seriesGroups()
{
    QFETCH(int, id);
    QFETCH(bool, group1);
    QFETCH(bool, group2);
    QCOMPARE(isSeriesGroup1(id), group1);
    QCOMPARE(isSeriesGroup2(id), group2);
}

void TestVersionRules::changeNotes_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QStringList>("notes");

    QTest::newRow("oldest") << "1.0" << QStringList{"newest", "two", "one-five"};
    QTest::newRow("between") << "1.6" << QStringList{"newest", "two"};
    QTest::newRow("at an older version") << "2.0" << QStringList{"newest"};
    QTest::newRow("current") << "3.0" << QStringList{};
    QTest::newRow("incomparable") << "x" << QStringList{};
}

void TestVersionRules::changeNotes()
{
    QFETCH(QString, current);
    QFETCH(QStringList, notes);

    FirmwareRelease release;
    release.changes = {QString(), QStringLiteral("3.0"), QStringLiteral("newest")};
    release.previousVersionChangeList = {
        {QString(), QStringLiteral("2.0"), QStringLiteral("two")},
        {QString(), QStringLiteral("2.0.5"), QStringLiteral("skipped: other part count")},
        {QString(), QStringLiteral("1.5"), QStringLiteral("one-five")},
    };
    QCOMPARE(applicableChangeNotes(release, current), notes);
}

QTEST_GUILESS_MAIN(TestVersionRules)
#include "tst_versionrules.moc"
