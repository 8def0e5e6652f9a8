#include "catalogue/applicationupdatecheck.h"
#include "catalogue/firmwarereleasedb.h"

#include <QtTest>

using Language = FirmwareReleaseDb::TextLanguage;

namespace {

QString changes(const QList<ChangeListEntry> &entries)
{
    QStringList parts;
    for (const ChangeListEntry &e : entries)
        parts << e.revision + QLatin1Char('/') + e.version + QLatin1Char('/') + e.changeList;
    return parts.join(QLatin1Char(','));
}

// The fields of a release that the reading rules concern, as ";name=value" pieces.
QString describe(const FirmwareRelease &r)
{
    QStringList files, docs;
    for (const UnpackedFileInfo &f : r.unpackedFileInfo)
        files << f.fileName + QLatin1Char('/') + QString::number(f.fileSize) + QLatin1Char('/') + f.fileChecksum;
    for (const DocumentationLink &d : r.documentationList)
        docs << d.name + QLatin1Char('=') + d.url;
    return QStringLiteral(";version=%1;fileSize=%2;http=%3;snPosition=%4;models=%5;changes=%6;previous=%7;usb=%8;files=%9;docs=%10;")
        .arg(r.version).arg(r.fileSize).arg(r.updateViaHTTP).arg(r.needSNMatchPosition)
        .arg(r.models.join(QLatin1Char(',')), changes({r.changes}), changes(r.previousVersionChangeList), r.updateviaUSBInstructions,
             files.join(QLatin1Char(',')), docs.join(QLatin1Char(',')));
}

FirmwareReleaseDb parsed(const QByteArray &json, Language language = Language::Other)
{
    FirmwareReleaseDb db;
    db.parse(json, language);
    return db;
}

}

class tst_FirmwareReleaseDb : public QObject
{
    Q_OBJECT

private slots:
    void structure_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("count");
        QTest::newRow("empty info and firmware") << QByteArray(R"({"info":{},"firmware":[]})") << 0 << 0 << 0;
        QTest::newRow("info is an array") << QByteArray(R"({"info":[],"firmware":[{}]})") << -2 << 0 << 0;
        QTest::newRow("firmware is an object") << QByteArray(R"({"info":{"databaseVersion":5},"firmware":{}})") << -3 << 5 << 0;
        QTest::newRow("document is an array") << QByteArray("[{}]") << -3 << 0 << 0;
        QTest::newRow("not JSON") << QByteArray(R"({"info":{},"firmware":[)") << -1 << 0 << 0;
        QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe{", 4) << -1 << 0 << 0;
        QTest::newRow("other elements still make records")
            << QByteArray(R"({"info":{"databaseVersion":3},"firmware":[5,null,"x",{}]})") << 0 << 3 << 4;
        QTest::newRow("duplicates kept") << QByteArray(R"({"info":{},"firmware":[{"models":["A"]},{"models":["A"]}]})") << 0 << 0 << 2;
    }
    void structure()
    {
        QFETCH(QByteArray, json);
        // A rejected document also empties what an earlier one left.
        FirmwareReleaseDb db = parsed(R"({"info":{"databaseVersion":9},"firmware":[{"models":["A"]}]})");
        QTEST(db.parse(json, Language::Other), "result");
        QTEST(db.databaseVersion(), "version");
        QTEST(db.count(), "count");
        FirmwareRelease release;
        QCOMPARE(db.findForDisplay(QStringLiteral("A"), QString(), release), json.contains(R"("A")") ? 0 : -1);
    }

    void readingRules_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected"); // a piece of describe()
        QTest::addColumn<QString>("japanese"); // in Japanese, when it differs
        const auto row = [](const char *name, const char *release, const char *expected, const char *japanese = nullptr) {
            QTest::newRow(name) << QByteArray(R"({"info":{},"firmware":[)" + QByteArray(release) + "]}") << QString::fromUtf8(expected)
                                << QString::fromUtf8(japanese ? japanese : expected);
        };
        row("32-bit limits, integers written as doubles", R"({"fileSize":2147483647,"updateViaHTTP":2147483648,"needSNMatchPosition":-2.0})",
            ";fileSize=2147483647;http=0;snPosition=-2;");
        row("other numbers and types read 0", R"({"fileSize":1.5,"updateViaHTTP":true,"needSNMatchPosition":"3"})", ";fileSize=0;http=0;snPosition=0;");
        row("model elements of other types", R"({"models":["ABC-1",5,"abc-2"]})", ";models=ABC-1,,abc-2;");
        row("changes as array, non-object entries",
            R"({"changes":[{"version":"1"}],"previousVersionChangeList":[3,{"version":"1.0","changeList":"a"}]})", ";changes=//;previous=//,/1.0/a;");
        row("unpacked files", R"({"unpackedFileInfo":[{"fileName":"a.pac","fileSize":10,"fileChecksum":"ab"},"x"]})", ";files=a.pac/10/ab,/0/;");
        const char *absent = ";version=;fileSize=0;http=0;snPosition=0;models=;changes=//;previous=;usb=;files=;docs=;";
        row("number element has defaults", "5", absent);
        row("values of other types read as absent", R"({"version":2,"models":"ABC-1","changes":7,"previousVersionChangeList":{},
            "updateviaUSBInstructions":[],"unpackedFileInfo":"x","documentationList":{"name":"x"}})", absent);
        row("ja twins", R"({"changes":{"version":"2.0","changeList":"en","changeList_ja":"ja"},
            "previousVersionChangeList":[{"version":"1","changeList":"en","changeList_ja":"ja"}],
            "updateviaUSBInstructions":"en","updateviaUSBInstructions_ja":"ja"})",
            ";changes=/2.0/en;previous=/1/en;usb=en;", ";changes=/2.0/ja;previous=/1/ja;usb=ja;");
        row("empty or non-text ja twin keeps base",
            R"({"changes":{"version":"2.0","changeList":"en","changeList_ja":""},"previousVersionChangeList":[{"changeList":"p","changeList_ja":7}]})",
            ";changes=/2.0/en;previous=//p;");
        row("ja list replaces the list", R"({"documentationList":[{"name":"Manual","url":"u-en"}],
            "documentationList_ja":[{"name":"JaManual","url":"u-ja","url_ja":"u-ja2"}]})", ";docs=Manual=u-en;", ";docs=JaManual=u-ja2;");
        row("ja overrides in the base list", R"({"documentationList":[{"name":"Manual","name_ja":"M-ja","url":"u","url_ja":"v"}],
            "documentationList_ja":"x"})", ";docs=Manual=u;", ";docs=M-ja=v;");
    }
    void readingRules()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, expected);
        QFETCH(QString, japanese);
        for (const Language language : {Language::Other, Language::Japanese}) {
            FirmwareRelease release;
            QCOMPARE(parsed(json, language).recordAt(0, release), 0);
            const QString wanted = language == Language::Japanese ? japanese : expected;
            QVERIFY2(describe(release).contains(wanted), qPrintable(describe(release)));
        }
    }

    void lookups()
    {
        const FirmwareReleaseDb db = parsed(R"({"info":{},"firmware":[
            {"models":["A","B"],"version":"a"},{"models":["C"]},{"models":["a","A"],"needSNMatchPosition":2},{"models":"A"}]})");
        QCOMPARE(db.indicesForModel(QStringLiteral("a")), (QList<int>{0, 2}));
        QVERIFY(db.indicesForModel(QStringLiteral("D")).isEmpty());
        FirmwareRelease release;
        for (const int index : {4, -1, std::numeric_limits<int>::min()})
            QCOMPARE(db.recordAt(index, release), -1);
        QSet<QString> blinkTexts;
        for (int code = -1; code <= 7; ++code)
            blinkTexts << powerLEDBlinkCodeToString(code);
        QCOMPARE(blinkTexts.size(), 7); // six sequences and "Unknown" for the rest
    }

    // The tool's own update notice, from the database header.
    void applicationUpdateMessage_data()
    {
        QTest::addColumn<QByteArray>("database"); // null: not loaded
        QTest::addColumn<bool>("showIfNoNewer");
        QTest::addColumn<QString>("text"); // empty: nothing shown
        // This build is 240112; the database names 240300 and the changes of three builds.
        const QByteArray newer = R"({"info":{"latestAppBuildWindows":240300,"latestAppVersionStringWindows":"1.3.00",
            "latestAppdownloadLocWindows":"h/tool.zip?a=1&b=2","previousAppChangeListWindows":[{"build":240112,"changeList":"Current"},
            {"build":240200,"changeList":"Faster search||New models"},{"build":240100,"changeList":"Older"},{"build":240300,"changeList":"Fixed log"}]},
            "firmware":[{}]})";
        const QByteArray same = R"({"info":{"latestAppBuildWindows":240112},"firmware":[]})";
        const QString link = QStringLiteral("<html>A newer version 1.3.00 is <a href=\"h/tool.zip?a=1&amp;b=2\">available for download</a>.");
        QTest::newRow("newer build, silent") << newer << false
            << link + "<br>The following changes have been made in this version:<br>1. Faster search<br>2. <br>3. New models<br>4. Fixed log<br><br></html>";
        QTest::newRow("newer, no newer changes") << QByteArray(newer).replace("\"build\":2403", "\"build\":2401").replace("240200", "240000")
                                                 << false << link + "</html>";
        QTest::newRow("same build, asked") << same << true << "No newer updates are available. You are using the latest version.";
        QTest::newRow("same build, silent") << same << false << QString();
        QTest::newRow("no build named, asked") << QByteArray(R"({"info":{},"firmware":[]})") << true
                                               << "Error: Unable to retrieve latest version information.";
        QTest::newRow("no database, silent") << QByteArray() << false << QString();
    }
    void applicationUpdateMessage()
    {
        QFETCH(QByteArray, database);
        QFETCH(bool, showIfNoNewer);
        QFETCH(QString, text);
        ReleaseDbInfo info;
        parsed(database).info(info);
        const ApplicationUpdateMessage message = ::applicationUpdateMessage(!database.isNull(), info, showIfNoNewer);
        QCOMPARE(message.show, !text.isEmpty());
        QCOMPARE(message.text, text);
    }
};

QTEST_GUILESS_MAIN(tst_FirmwareReleaseDb)
#include "tst_firmwarereleasedb.moc"
