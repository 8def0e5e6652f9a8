#include "displaylist/displayinfohtml.h"

#include <QtTest>

class tst_DisplayInfoHtml : public QObject
{
    Q_OBJECT

private slots:
    void emptyBeforeStartupOrWhileSearching_data();
    void emptyBeforeStartupOrWhileSearching();
    void generalHints();
    void powerOffInformationReplacesCommError_data();
    void powerOffInformationReplacesCommError();
    void lockHidesUnreachableAddress();
    void changeNotesNumbered_data();
    void changeNotesNumbered();
    void updateFacts_data();
    void updateFacts();
    void withoutReleaseRecord();
    void longFormAndLedTable();
    void displayTextsAreEscaped();

private:
    static PanelContext started()
    {
        PanelContext c;
        c.startupFinished = true;
        c.databaseLoaded = true;
        c.rowCount = 1;
        return c;
    }
    static PanelReleaseFacts foundRelease()
    {
        PanelReleaseFacts r;
        r.found = true;
        return r;
    }
};

void tst_DisplayInfoHtml::emptyBeforeStartupOrWhileSearching_data()
{
    QTest::addColumn<bool>("startup");
    QTest::addColumn<bool>("searching");
    QTest::addColumn<bool>("withRow");
    QTest::newRow("before first search, no row") << false << false << false;
    QTest::newRow("before first search, a row") << false << false << true;
    QTest::newRow("searching, no row") << true << true << false;
}

void tst_DisplayInfoHtml::emptyBeforeStartupOrWhileSearching()
{
    QFETCH(bool, startup);
    QFETCH(bool, searching);
    QFETCH(bool, withRow);
    PanelContext context = started();
    context.startupFinished = startup;
    context.searching = searching;
    DISPLAY_LIST_ENTRY entry;
    QVERIFY(buildDisplayInfoHtml(withRow ? &entry : nullptr, foundRelease(), context).isEmpty());
}

void tst_DisplayInfoHtml::generalHints()
{
    PanelContext context = started();
    QString html = buildDisplayInfoHtml(nullptr, PanelReleaseFacts(), context);
    QVERIFY(html.startsWith(QLatin1String("<h3>Select a row")));
    QVERIFY(html.contains(QLatin1String("Didn't find a display?")));
    QVERIFY(html.contains(QLatin1String("Create a firmware USB drive")));

    context.rowCount = 0;
    html = buildDisplayInfoHtml(nullptr, PanelReleaseFacts(), context);
    QVERIFY(html.startsWith(QLatin1String("<h3>Didn't find a display?")));

    context.databaseLoaded = false;
    html = buildDisplayInfoHtml(nullptr, PanelReleaseFacts(), context);
    QVERIFY(html.contains(QLatin1String("Unable to download firmware definitions")));
    QVERIFY(!html.contains(QLatin1String("Didn't find")));
}

void tst_DisplayInfoHtml::powerOffInformationReplacesCommError_data()
{
    QTest::addColumn<int>("needPowerOn");
    QTest::addColumn<int>("powerState");
    QTest::addColumn<bool>("powerInfo");
    QTest::addColumn<bool>("sFormat");
    QTest::addColumn<bool>("commError");
    QTest::newRow("bit 1") << 1 << 2 << true << false << false;
    QTest::newRow("bits 1 and 2") << 3 << 2 << true << true << false;
    QTest::newRow("bit 2 only") << 2 << 0 << false << true << false;
    QTest::newRow("model reports when off") << 0 << 2 << false << false << true;
    QTest::newRow("display is on") << 1 << 1 << false << false << true;
}

void tst_DisplayInfoHtml::powerOffInformationReplacesCommError()
{
    QFETCH(int, needPowerOn);
    QFETCH(int, powerState);
    QFETCH(bool, powerInfo);
    QFETCH(bool, sFormat);
    QFETCH(bool, commError);
    DISPLAY_LIST_ENTRY e;
    e.commStatus = 1;
    e.needPowerOnToReadInfo = needPowerOn;
    e.powerState = powerState;
    const QString html = buildDisplayInfoHtml(&e, PanelReleaseFacts(), started());
    QCOMPARE(html.contains(QLatin1String("not available while Power is Off")), powerInfo);
    QCOMPARE(html.contains(QLatin1String("S-Format")), sFormat);
    QCOMPARE(html.contains(QLatin1String("Unable to communicate with display")), commError);
}

void tst_DisplayInfoHtml::lockHidesUnreachableAddress()
{
    DISPLAY_LIST_ENTRY e;
    e.selectedForUpdate = true;
    e.lockStatus = 1;
    e.commStatus = 2;
    e.ipAddress = QHostAddress(QStringLiteral("192.0.2.7"));
    e.modelName = QStringLiteral("VX552");
    QString html = buildDisplayInfoHtml(&e, PanelReleaseFacts(), started());
    QVERIFY(html.contains(QLatin1String("<a href=\"http://192.0.2.7/\">192.0.2.7</a>")));
    QVERIFY(html.contains(QLatin1String("default is 'VX552'")));
    QVERIFY(!html.contains(QLatin1String("unreachable")));

    e.lockStatus = 0;
    html = buildDisplayInfoHtml(&e, PanelReleaseFacts(), started());
    QVERIFY(html.contains(QLatin1String("The IP address for the Firmware update is unreachable")));
}

void tst_DisplayInfoHtml::changeNotesNumbered_data()
{
    QTest::addColumn<QStringList>("notes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("split and running number")
        << QStringList{QStringLiteral("a|b"), QStringLiteral("c")}
        << QStringLiteral("latest version:</h3>1. a<br>2. b<br>3. c<table");
    QTest::newRow("empty part kept") << QStringList{QStringLiteral("a||")}
                                     << QStringLiteral("version:</h3>1. a<br>2. <br>3. <table");
    QTest::newRow("no notes") << QStringList()
                              << QStringLiteral("version:</h3>None (current)<table");
}

void tst_DisplayInfoHtml::changeNotesNumbered()
{
    QFETCH(QStringList, notes);
    QFETCH(QString, expected);
    DISPLAY_LIST_ENTRY e;
    e.matchStatus = MatchStatus::NewerViaLan;
    e.latestVersion = QStringLiteral("2.0");
    e.currentFirmware = QStringLiteral("1.0");
    e.changeNotes = notes;
    const QString html = buildDisplayInfoHtml(&e, PanelReleaseFacts(), started());
    QVERIFY(html.contains(QLatin1String("New firmware version 2.0 is available")));
    QVERIFY2(html.contains(expected), qPrintable(html));
}

void tst_DisplayInfoHtml::updateFacts_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("powerCycleKind");
    QTest::addColumn<QString>("minutes");
    QTest::addColumn<QString>("powerCycle");
    QTest::newRow("89 s, kind 0") << 89 << 0 << QStringLiteral(">1 minutes<") << QStringLiteral(">N/A<");
    QTest::newRow("90 s, kind 1") << 90 << 1 << QStringLiteral(">2 minutes<") << QStringLiteral(">No<");
    QTest::newRow("0 s, kind 2") << 0 << 2 << QStringLiteral(">0 minutes<") << QStringLiteral(">Yes<");
}

void tst_DisplayInfoHtml::updateFacts()
{
    QFETCH(int, seconds);
    QFETCH(int, powerCycleKind);
    QFETCH(QString, minutes);
    QFETCH(QString, powerCycle);
    DISPLAY_LIST_ENTRY e;
    e.updateDurationSecs = seconds;
    e.powerCycleKind = powerCycleKind;
    e.updateViaHTTP = 1;
    const QString html = buildDisplayInfoHtml(&e, foundRelease(), started());
    QVERIFY(html.contains(QLatin1String("Firmware Update Information")));
    QVERIFY2(html.contains(minutes), qPrintable(html));
    QVERIFY(html.contains(QLatin1String("Requires manual AC power cycle after LAN update</td><td colspan=\"1\"")
                          + powerCycle));
}

void tst_DisplayInfoHtml::withoutReleaseRecord()
{
    DISPLAY_LIST_ENTRY e;
    e.numPACComponents = 3;
    PanelReleaseFacts none;
    none.documentation.append({QStringLiteral("Manual"), QStringLiteral("http://example.com/m.pdf")});
    const QString html = buildDisplayInfoHtml(&e, none, started());
    QVERIFY(!html.contains(QLatin1String("Firmware Update Information")));
    QVERIFY(!html.contains(QLatin1String("Power LED")));
    QVERIFY(!html.contains(QLatin1String("Product documentation")));
    QVERIFY(html.contains(QLatin1String("Display Information")));
}

void tst_DisplayInfoHtml::longFormAndLedTable()
{
    DISPLAY_LIST_ENTRY e;
    e.numPACComponents = 2;
    e.updateViaHTTP = 1;
    e.useIP2 = 1;
    e.ipAddress2 = QHostAddress(QStringLiteral("192.0.2.9"));
    e.fwVersions[0] = QStringLiteral("1.1");
    PanelReleaseFacts release = foundRelease();
    release.ledCodes[1] = 4;
    release.ledTexts[1] = QStringLiteral("Blue blinking");
    release.documentation.append({QStringLiteral("Manual"), QStringLiteral("http://example.com/m.pdf")});
    const QString html = buildDisplayInfoHtml(&e, release, started());
    QVERIFY(html.contains(QLatin1String("<a href=\"http://192.0.2.9/\">192.0.2.9</a>")));
    QVERIFY(html.contains(QLatin1String("<td>Firmware 1</td><td>1.1</td><td>-</td>")));
    QVERIFY(html.contains(QLatin1String("Blue blinking")));
    QVERIFY(html.contains(QLatin1String("<td>Normal operation</td><td colspan=\"1\">Other</td>")));
    QVERIFY(html.endsWith(QLatin1String("<tr><td><a href=\"http://example.com/m.pdf\">Manual</a></td></tr></table>")));
}

void tst_DisplayInfoHtml::displayTextsAreEscaped()
{
    DISPLAY_LIST_ENTRY e;
    e.modelName = QStringLiteral("<img src=x onerror=1>");
    e.serialNumber = QStringLiteral("A&B");
    const QString html = buildDisplayInfoHtml(&e, PanelReleaseFacts(), started());
    QVERIFY(!html.contains(QLatin1String("<img src=x")));
    QVERIFY(html.contains(QLatin1String("&lt;img src=x onerror=1&gt;")));
    QVERIFY(html.contains(QLatin1String("A&amp;B")));
}

QTEST_GUILESS_MAIN(tst_DisplayInfoHtml)
#include "tst_displayinfohtml.moc"
