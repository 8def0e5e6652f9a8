#include "catalogue/firmwarereleasedb.h"

#include <QLocale>
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
    const QStringList variants{r.needSNMatchListingText, r.needSNMatchDetailedDescription,
                               r.needRegionSelectListingText, r.needRegionSelectDescription};
    return QStringLiteral(";version=%1;fileSize=%2;http=%3;snPosition=%4;models=%5;changes=%6;previous=%7;usb=%8;"
                          "variants=%9;files=%10;docs=%11;")
        .arg(r.version).arg(r.fileSize).arg(r.updateViaHTTP).arg(r.needSNMatchPosition)
        .arg(r.models.join(QLatin1Char(',')), changes({r.changes}), changes(r.previousVersionChangeList),
             r.updateviaUSBInstructions, variants.join(QLatin1Char(',')), files.join(QLatin1Char(',')),
             docs.join(QLatin1Char(',')));
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
        QTest::newRow("info missing") << QByteArray(R"({"firmware":[{}]})") << -2 << 0 << 0;
        QTest::newRow("firmware missing") << QByteArray(R"({"info":{"databaseVersion":5}})") << -3 << 5 << 0;
        QTest::newRow("firmware is an object") << QByteArray(R"({"info":{"databaseVersion":5},"firmware":{}})") << -3 << 5 << 0;
        QTest::newRow("document is an array") << QByteArray("[{}]") << -3 << 0 << 0;
        QTest::newRow("not JSON") << QByteArray(R"({"info":{},"firmware":[)") << -1 << 0 << 0;
        QTest::newRow("empty bytes") << QByteArray() << -1 << 0 << 0;
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
        QTest::addColumn<bool>("japanese");
        QTest::addColumn<QString>("expected"); // a piece of describe()
        const auto row = [](const char *name, const char *release, bool japanese, const char *expected) {
            QTest::newRow(name) << QByteArray(R"({"info":{},"firmware":[)" + QByteArray(release) + "]}") << japanese
                                << QString::fromUtf8(expected);
        };
        row("integers, also written as doubles", R"({"fileSize":1024.0,"needSNMatchPosition":-2})", false, ";fileSize=1024;http=0;snPosition=-2;");
        row("other numbers and types read 0", R"({"fileSize":1.5,"updateViaHTTP":true,"needSNMatchPosition":"3"})", false,
            ";fileSize=0;http=0;snPosition=0;");
        row("digit string reads 0", R"({"fileSize":"1024"})", false, ";fileSize=0;");
        row("beyond 32 bits reads 0", R"({"fileSize":3000000000})", false, ";fileSize=0;");
        row("largest 32-bit value", R"({"fileSize":2147483647})", false, ";fileSize=2147483647;");
        row("number as text, models as a single string", R"({"version":2,"models":"ABC-1"})", false, ";version=;fileSize=0;http=0;snPosition=0;models=;");
        row("model elements of other types", R"({"models":["ABC-1",5,"abc-2"]})", false, ";models=ABC-1,,abc-2;");
        row("changes as array, non-object entries",
            R"({"changes":[{"version":"1"}],"previousVersionChangeList":[3,{"version":"1.0","changeList":"a"}]})", false,
            ";changes=//;previous=//,/1.0/a;");
        row("changes", R"({"changes":{"revision":"r","version":"2.0","changeList":"fix"}})", false, ";changes=r/2.0/fix;");
        row("unpacked files", R"({"unpackedFileInfo":[{"fileName":"a.pac","fileSize":10,"fileChecksum":"ab"},"x"]})", false,
            ";files=a.pac/10/ab,/0/;");
        row("number element has defaults", "5", false, ";version=;fileSize=0;http=0;snPosition=0;models=;changes=//;");
        const char *twins = R"({"changes":{"version":"2.0","changeList":"en","changeList_ja":"ja"},
            "previousVersionChangeList":[{"version":"1","changeList":"en","changeList_ja":"ja"}],
            "updateviaUSBInstructions":"en","updateviaUSBInstructions_ja":"ja"})";
        row("ja twins replace in Japanese", twins, true, ";changes=/2.0/ja;previous=/1/ja;usb=ja;");
        row("ja twins ignored otherwise", twins, false, ";changes=/2.0/en;previous=/1/en;usb=en;");
        row("empty or non-text ja twin keeps base",
            R"({"changes":{"version":"2.0","changeList":"en","changeList_ja":""},"previousVersionChangeList":[{"changeList":"p","changeList_ja":7}]})",
            true, ";changes=/2.0/en;previous=//p;");
        const char *variants = R"({"needSNMatchListingText":"a","needSNMatchListingText_ja":"A",
            "needSNMatchDetailedDescription":"b","needSNMatchDetailedDescription_ja":"B",
            "needRegionSelectListingText":"c","needRegionSelectListingText_ja":"C",
            "needRegionSelectDescription":"d","needRegionSelectDescription_ja":"D"})";
        row("ja variant texts", variants, true, ";variants=A,B,C,D;");
        row("variant texts", variants, false, ";variants=a,b,c,d;");
        const char *bothLists = R"({"documentationList":[{"name":"Manual","url":"u-en"}],
            "documentationList_ja":[{"name":"JaManual","url":"u-ja","url_ja":"u-ja2"}]})";
        row("ja list replaces list in Japanese", bothLists, true, ";docs=JaManual=u-ja2;");
        row("ja list unused otherwise", bothLists, false, ";docs=Manual=u-en;");
        row("ja overrides in base list",
            R"({"documentationList":[{"name":"Manual","name_ja":"M-ja","url":"u"}],"documentationList_ja":"x"})", true,
            ";docs=M-ja=u;");
        row("ja overrides ignored otherwise", R"({"documentationList":[{"name":"Manual","name_ja":"M-ja","url":"u","url_ja":"v"}]})",
            false, ";docs=Manual=u;");
        row("documentation not an array", R"({"documentationList":{"name":"x"}})", false, ";docs=;");
    }
    void readingRules()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, japanese);
        QFETCH(QString, expected);
        const FirmwareReleaseDb db = parsed(json, japanese ? Language::Japanese : Language::Other);
        FirmwareRelease release;
        QCOMPARE(db.recordAt(0, release), 0);
        QVERIFY2(describe(release).contains(expected), qPrintable(describe(release)));
    }

    void headerInTheLocaleLanguage()
    {
        FirmwareReleaseDb db;
        ReleaseDbInfo info;
        db.info(info);
        QCOMPARE(info.databaseVersion, -1); // never loaded
        QCOMPARE(db.clear(), 0);
        const QByteArray json = R"({"info":{"databaseVersion":42,"latestAppBuildWindows":240200,
            "latestAppBuildMacOS":240100,"latestAppdownloadLocWindows":"h/win.zip",
            "latestAppVersionStringWindows":"1.3.00","latestAppVersionStringMacOS":"1.2.50",
            "previousAppChangeListWindows":[{"build":240200,"changeList":"a|b","changeList_ja":"ja"},"x"]},
            "firmware":[]})";
        for (const QLocale::Language language : {QLocale::Japanese, QLocale::German}) {
            QLocale::setDefault(QLocale(language));
            QCOMPARE(db.parse(json), 0);
            db.info(info);
            QCOMPARE(QVariantList({info.databaseVersion, info.latestAppBuildWindows, info.latestAppBuildMacOS, info.latestAppdownloadLocWindows,
                                   info.latestAppVersionStringWindows, info.latestAppVersionStringMacOS, info.previousAppChangeListWindows.size(),
                                   info.previousAppChangeListWindows.at(0).build, info.previousAppChangeListWindows.at(1).build}),
                     QVariantList({42, 240200, 240100, "h/win.zip", "1.3.00", "1.2.50", 2, 240200, 0}));
            QCOMPARE(info.previousAppChangeListWindows.at(0).changeList, language == QLocale::Japanese ? "ja" : "a|b");
        }
        QLocale::setDefault(QLocale::c());
    }

    void findForDisplay_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("version"); // of the record found; empty: none (-1)
        QTest::newRow("exact model") << "PLAIN-1" << "" << "plain";
        QTest::newRow("model in other case") << "plain-1" << "" << "plain";
        QTest::newRow("unknown model") << "PLAIN" << "" << "";
        QTest::newRow("first of two records wins") << "TWICE" << "" << "first";
        QTest::newRow("serial third character b") << "SN-1" << "12b" << "variant-ab";
        QTest::newRow("serial too short") << "SN-1" << "1A" << "variant-other";
        QTest::newRow("only a serial variant, too short") << "SN-ONLY" << "AB" << "";
        QTest::newRow("only a serial variant, matching") << "SN-ONLY" << "xyA" << "only";
    }
    void findForDisplay()
    {
        QFETCH(QString, model);
        QFETCH(QString, serial);
        QFETCH(QString, version);
        const FirmwareReleaseDb db = parsed(R"({"info":{},"firmware":[
            {"version":"plain","models":["PLAIN-1","PLAIN-2","PLAIN-1"]},
            {"version":"first","models":["TWICE"]}, {"version":"second","models":["twice"]},
            {"version":"variant-ab","models":["SN-1"],"needSNMatchPosition":3,"needSNMatchDigitsList":"AB"},
            {"version":"variant-other","models":["SN-1"]},
            {"version":"only","models":["SN-ONLY"],"needSNMatchPosition":3,"needSNMatchDigitsList":"a"}]})");
        FirmwareRelease release;
        QCOMPARE(db.findForDisplay(model, serial, release), version.isEmpty() ? -1 : 0);
        QCOMPARE(release.version, version);
    }

    void lookups()
    {
        const FirmwareReleaseDb db = parsed(R"({"info":{},"firmware":[
            {"models":["A","B"],"version":"a"},{"models":["C"]},{"models":["a","A"],"needSNMatchPosition":2},{"models":"A"}]})");
        QCOMPARE(db.indicesForModel(QStringLiteral("a")), (QList<int>{0, 2}));
        QCOMPARE(db.indicesForModel(QStringLiteral("C")), (QList<int>{1}));
        QVERIFY(db.indicesForModel(QStringLiteral("D")).isEmpty());
        FirmwareRelease release;
        for (const int index : {4, -1, std::numeric_limits<int>::min()})
            QCOMPARE(db.recordAt(index, release), -1);
        QVERIFY(release.version.isEmpty());
        QCOMPARE(db.recordAt(0, release), 0);
        QCOMPARE(release.version, QStringLiteral("a"));
        QSet<QString> blinkTexts;
        for (int code = -1; code <= 7; ++code)
            blinkTexts << powerLEDBlinkCodeToString(code);
        QCOMPARE(blinkTexts.size(), 7); // six sequences and "Unknown" for the rest
        QCOMPARE(powerLEDBlinkCodeToString(2), R"(Alternating <font color="red">RED</font> / <font color="green">GREEN</font>)");
        QCOMPARE(powerLEDBlinkCodeToString(7), QStringLiteral("Unknown"));
    }
};

QTEST_GUILESS_MAIN(tst_FirmwareReleaseDb)
#include "tst_firmwarereleasedb.moc"
