#include "displaylist/displayinfohtml.h"

#include <QtTest>

#include <functional>

using Entry = DISPLAY_LIST_ENTRY;
Q_DECLARE_METATYPE(DISPLAY_LIST_ENTRY)

namespace {

PanelContext started()
{
    PanelContext c;
    c.startupFinished = c.databaseLoaded = true;
    c.rowCount = 1;
    return c;
}

}

class tst_DisplayInfoHtml : public QObject
{
    Q_OBJECT

private slots:
    void generalHints()
    {
        PanelContext context = started();
        Entry entry;
        context.startupFinished = false; // before the first search: nothing, row or not
        QVERIFY(buildDisplayInfoHtml(&entry, PanelReleaseFacts(), context).isEmpty());
        context = started();
        context.searching = true;
        QVERIFY(buildDisplayInfoHtml(nullptr, PanelReleaseFacts(), context).isEmpty());
        context.searching = false;
        QString html = buildDisplayInfoHtml(nullptr, PanelReleaseFacts(), context);
        QVERIFY(html.startsWith(QLatin1String("<h3>Select a row")) && html.contains(QLatin1String("Didn't find a display?")));
        context.rowCount = 0;
        QVERIFY(buildDisplayInfoHtml(nullptr, PanelReleaseFacts(), context).startsWith(QLatin1String("<h3>Didn't find")));
        context.databaseLoaded = false;
        html = buildDisplayInfoHtml(nullptr, PanelReleaseFacts(), context);
        QVERIFY(html.contains(QLatin1String("Unable to download firmware definitions")) && !html.contains(QLatin1String("Didn't")));
    }

    void displayPanel_data()
    {
        QTest::addColumn<Entry>("entry");
        QTest::addColumn<bool>("found"); // a release record with LED codes and a manual
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("notShown");
        const auto row = [](const char *name, const std::function<void(Entry &)> &tweak, bool found, const QStringList &shown,
                            const QStringList &notShown = {}) {
            Entry e;
            e.ipAddress = QHostAddress(QStringLiteral("192.0.2.7"));
            e.modelName = QStringLiteral("VX552");
            tweak(e);
            QTest::newRow(name) << e << found << shown << notShown;
        };
        const QString powerOff = QStringLiteral("not available while Power is Off"), sFormat = QStringLiteral("S-Format");
        const QString noComm = QStringLiteral("Unable to communicate with display"), unreachable = QStringLiteral("is unreachable");
        const auto off = [](int needPowerOn, int powerState) {
            return [=](Entry &e) { e.commStatus = 1; e.needPowerOnToReadInfo = needPowerOn; e.powerState = powerState; };
        };
        row("off, bit 1: power hint replaces comm error", off(1, 2), false, {powerOff}, {sFormat, noComm});
        row("off, bits 1 and 2", off(3, 2), false, {powerOff, sFormat}, {noComm});
        row("unknown power, bit 2 only", off(2, 0), false, {sFormat}, {powerOff, noComm});
        row("model reports when off", off(0, 2), false, {noComm}, {powerOff});
        row("display is on", off(1, 1), false, {noComm}, {powerOff});
        const auto locked = [](int lock) { return [=](Entry &e) { e.selectedForUpdate = true; e.lockStatus = lock; e.commStatus = 2; }; };
        row("locked hides unreachable", locked(1), false, {"<a href=\"http://192.0.2.7/\">192.0.2.7</a>", "default is 'VX552'"}, {unreachable});
        row("unreachable update address", locked(0), false, {unreachable});
        const auto newer = [](const QStringList &notes) {
            return [=](Entry &e) { e.matchStatus = MatchStatus::NewerViaLan; e.latestVersion = "2.0"; e.currentFirmware = "1.0"; e.changeNotes = notes; };
        };
        row("notes split and numbered", newer({"a|b", "c"}), false,
            {"New firmware version 2.0 is available", "latest version:</h3>1. a<br>2. b<br>3. c<table"});
        row("empty note parts kept", newer({"a||"}), false, {"version:</h3>1. a<br>2. <br>3. <table"});
        row("no notes", newer({}), false, {"version:</h3>None (current)<table"});
        const auto facts = [](int seconds, int kind) { return [=](Entry &e) { e.updateDurationSecs = seconds; e.powerCycleKind = kind; }; };
        const QString cycle = QStringLiteral("Requires manual AC power cycle after LAN update</td><td colspan=\"1\">");
        row("89 s, no cycle stated", facts(89, 0), true, {">1 minutes<", cycle + "N/A<"});
        row("90 s, no cycle", facts(90, 1), true, {">2 minutes<", cycle + "No<"});
        row("-90 s, cycle", facts(-90, 2), true, {">-2 minutes<", cycle + "Yes<"});
        row("without release record", [](Entry &e) { e.numPACComponents = 3; }, false, {"Display Information"},
            {"Firmware Update Information", "Power LED", "Product documentation"});
        row("long form, LED table and documents",
            [](Entry &e) { e.numPACComponents = 2; e.updateViaHTTP = e.useIP2 = 1; e.ipAddress2 = QHostAddress("192.0.2.9"); e.fwVersions[0] = "1.1"; },
            true, {"<a href=\"http://192.0.2.9/\">192.0.2.9</a>", "<td>Firmware 1</td><td>1.1</td><td>-</td>", "Blue blinking",
                   "<td>Normal operation</td><td colspan=\"1\">Other</td>", "<tr><td><a href=\"http://example.com/m.pdf\">Manual</a></td></tr></table>"});
        row("display texts escaped", [](Entry &e) { e.modelName = "<img src=x onerror=1>"; e.serialNumber = "A&B"; }, false,
            {"&lt;img src=x onerror=1&gt;", "A&amp;B"}, {"<img src=x"});
        row("needs newer build, last update retrying", [](Entry &e) { e.requiresAppBuild = 999999; e.lastUpdateStatus = -5; }, false,
            {"Application build 999999 is required", "An error occurred during the firmware update"});
        row("selected, off, power save, cycle",
            [](Entry &e) { e.selectedForUpdate = true; e.needPowerOnToUpdateViaHTTP = e.seriesId = e.powerSaveMode = 1; e.powerState = e.powerCycleKind = 2; },
            false, {"Error: Power State is Off", "is &quot;Auto Standby&quot;", "Manual AC power cycle required after update"});
        row("updated, cycle to complete, up to date",
            [](Entry &e) { e.lastUpdateStatus = 3; e.powerCycleKind = 2; e.matchStatus = MatchStatus::UpToDate; e.currentFirmware = "2.0"; }, false,
            {"Success", "Manual AC power cycle required to complete", "version 2.0 is the latest available"});
    }
    void displayPanel()
    {
        QFETCH(Entry, entry);
        QFETCH(bool, found);
        PanelReleaseFacts release;
        release.found = found;
        release.ledCodes[1] = 4;
        release.ledTexts[1] = QStringLiteral("Blue blinking");
        release.documentation.append({QStringLiteral("Manual"), QStringLiteral("http://example.com/m.pdf")});
        const QString html = buildDisplayInfoHtml(&entry, release, started());
        QFETCH(QStringList, shown);
        QFETCH(QStringList, notShown);
        for (const QString &text : shown)
            QVERIFY2(html.contains(text), qPrintable(text + QStringLiteral(" missing in ") + html));
        for (const QString &text : notShown)
            QVERIFY2(!html.contains(text), qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(tst_DisplayInfoHtml)
#include "tst_displayinfohtml.moc"
