#include "catalogue/firmwarereleasedb.h"

#include <QLocale>
#include <QtTest>

namespace {

// A document with one release built from releaseJson.
QByteArray withRelease(const char *releaseJson)
{
    return QByteArray(R"({"info":{"databaseVersion":7},"firmware":[)") + releaseJson + "]}";
}

QString joined(const QList<ChangeListEntry> &entries)
{
    QStringList parts;
    for (const ChangeListEntry &e : entries)
        parts << e.revision + QLatin1Char('/') + e.version + QLatin1Char('/') + e.changeList;
    return parts.join(QLatin1Char(';'));
}

// A field of a release as text, so that one table can check any of them.
QString field(const FirmwareRelease &r, const QString &name)
{
    if (name == QLatin1String("version"))
        return r.version;
    if (name == QLatin1String("fileSize"))
        return QString::number(r.fileSize);
    if (name == QLatin1String("updateViaHTTP"))
        return QString::number(r.updateViaHTTP);
    if (name == QLatin1String("needSNMatchPosition"))
        return QString::number(r.needSNMatchPosition);
    if (name == QLatin1String("models"))
        return r.models.join(QLatin1Char(','));
    if (name == QLatin1String("changes"))
        return joined({r.changes});
    if (name == QLatin1String("previousVersionChangeList"))
        return joined(r.previousVersionChangeList);
    if (name == QLatin1String("updateviaUSBInstructions"))
        return r.updateviaUSBInstructions;
    if (name == QLatin1String("variantTexts"))
        return QStringList{r.needSNMatchListingText, r.needSNMatchDetailedDescription,
                           r.needRegionSelectListingText, r.needRegionSelectDescription}
            .join(QLatin1Char(';'));
    if (name == QLatin1String("unpackedFileInfo")) {
        QStringList parts;
        for (const UnpackedFileInfo &f : r.unpackedFileInfo)
            parts << f.fileName + QLatin1Char('/') + QString::number(f.fileSize) + QLatin1Char('/') + f.fileChecksum;
        return parts.join(QLatin1Char(';'));
    }
    if (name == QLatin1String("documentationList")) {
        QStringList parts;
        for (const DocumentationLink &d : r.documentationList)
            parts << d.name + QLatin1Char('=') + d.url;
        return parts.join(QLatin1Char(';'));
    }
    if (name == QLatin1String("allDefaults")) {
        const bool defaults = r.version.isEmpty() && r.downloadLoc.isEmpty() && r.seriesName.isEmpty()
            && r.fileSize == 0 && r.updateViaHTTP == 0 && r.models.isEmpty()
            && r.changes.version.isEmpty() && r.documentationList.isEmpty() && r.legacyModel == 0;
        return defaults ? QStringLiteral("yes") : QStringLiteral("no");
    }
    return QStringLiteral("<no such field %1>").arg(name);
}

}

class TestFirmwareReleaseDb : public QObject
{
    Q_OBJECT

private slots:
    void parseStructure_data();
    void parseStructure();
    void readingRules_data();
    void readingRules();
    void newDatabaseIsNeverLoaded();
    void headerFields();
    void rejectedParseEmptiesEarlierContent();
    void defaultLanguageFollowsLocale();
    void recordAtRange_data();
    void recordAtRange();
    void findForDisplay_data();
    void findForDisplay();
    void indicesForModel();
    void blinkCodes_data();
    void blinkCodes();
};

void TestFirmwareReleaseDb::parseStructure_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("count");

    QTest::newRow("empty info and firmware") << QByteArray(R"({"info":{},"firmware":[]})") << 0 << 0 << 0;
    QTest::newRow("info is an array") << QByteArray(R"({"info":[],"firmware":[{}]})") << -2 << 0 << 0;
    QTest::newRow("info missing") << QByteArray(R"({"firmware":[{}]})") << -2 << 0 << 0;
    QTest::newRow("firmware missing") << QByteArray(R"({"info":{"databaseVersion":5}})") << -3 << 5 << 0;
    QTest::newRow("firmware is an object")
        << QByteArray(R"({"info":{"databaseVersion":5},"firmware":{}})") << -3 << 5 << 0;
    QTest::newRow("document is an array") << QByteArray("[{}]") << -3 << 0 << 0;
    QTest::newRow("not JSON") << QByteArray(R"({"info":{},"firmware":[)") << -1 << 0 << 0;
    QTest::newRow("empty bytes") << QByteArray() << -1 << 0 << 0;
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe{", 4) << -1 << 0 << 0;
    QTest::newRow("number and null elements still make records")
        << QByteArray(R"({"info":{"databaseVersion":3},"firmware":[5,null,"x",{}]})") << 0 << 3 << 4;
    QTest::newRow("duplicates kept")
        << QByteArray(R"({"info":{},"firmware":[{"models":["A"]},{"models":["A"]}]})") << 0 << 0 << 2;
}

void TestFirmwareReleaseDb::parseStructure()
{
    QFETCH(QByteArray, json);
    QFETCH(int, result);
    QFETCH(int, version);
    QFETCH(int, count);

    FirmwareReleaseDb db;
    QCOMPARE(db.parse(json, FirmwareReleaseDb::TextLanguage::Other), result);
    QCOMPARE(db.databaseVersion(), version);
    QCOMPARE(db.count(), count);
}

void TestFirmwareReleaseDb::readingRules_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("japanese");
    QTest::addColumn<QString>("fieldName");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char *name, const char *release, bool japanese, const char *fieldName,
                        const QString &expected) {
        QTest::newRow(name) << withRelease(release) << japanese << QString::fromLatin1(fieldName) << expected;
    };
    const QString en;

    row("integer", R"({"fileSize":1024})", false, "fileSize", QStringLiteral("1024"));
    row("integral double", R"({"fileSize":1024.0})", false, "fileSize", QStringLiteral("1024"));
    row("negative integer", R"({"needSNMatchPosition":-2})", false, "needSNMatchPosition", QStringLiteral("-2"));
    row("fraction reads 0", R"({"fileSize":1.5})", false, "fileSize", QStringLiteral("0"));
    row("digit string reads 0", R"({"fileSize":"1024"})", false, "fileSize", QStringLiteral("0"));
    row("true reads 0", R"({"updateViaHTTP":true})", false, "updateViaHTTP", QStringLiteral("0"));
    row("null reads 0", R"({"updateViaHTTP":null})", false, "updateViaHTTP", QStringLiteral("0"));
    row("beyond 32 bits reads 0", R"({"fileSize":3000000000})", false, "fileSize", QStringLiteral("0"));
    row("largest 32-bit value", R"({"fileSize":2147483647})", false, "fileSize", QStringLiteral("2147483647"));
    row("number as text reads empty", R"({"version":2})", false, "version", en);
    row("text", R"({"version":"R1.02"})", false, "version", QStringLiteral("R1.02"));
    row("models as a single string", R"({"models":"ABC-1"})", false, "models", en);
    row("model elements of other types", R"({"models":["ABC-1",5,"abc-2"]})", false, "models",
        QStringLiteral("ABC-1,,abc-2"));
    row("changes as array", R"({"changes":[{"version":"1"}]})", false, "changes", QStringLiteral("//"));
    row("changes", R"({"changes":{"revision":"r","version":"2.0","changeList":"fix"}})", false, "changes",
        QStringLiteral("r/2.0/fix"));
    row("non-object change entries read empty",
        R"({"previousVersionChangeList":[3,{"version":"1.0","changeList":"a"}]})", false,
        "previousVersionChangeList", QStringLiteral("//;/1.0/a"));
    row("unpacked files", R"({"unpackedFileInfo":[{"fileName":"a.pac","fileSize":10,"fileChecksum":"ab"},"x"]})",
        false, "unpackedFileInfo", QStringLiteral("a.pac/10/ab;/0/"));
    row("number element has defaults", "5", false, "allDefaults", QStringLiteral("yes"));

    // Japanese twins
    const char *changes = R"({"changes":{"version":"2.0","changeList":"en","changeList_ja":"ja"}})";
    row("ja twin replaces in Japanese", changes, true, "changes", QStringLiteral("/2.0/ja"));
    row("ja twin ignored otherwise", changes, false, "changes", QStringLiteral("/2.0/en"));
    row("empty ja twin keeps base",
        R"({"changes":{"version":"2.0","changeList":"en","changeList_ja":""}})", true, "changes",
        QStringLiteral("/2.0/en"));
    row("non-text ja twin keeps base",
        R"({"changes":{"version":"2.0","changeList":"en","changeList_ja":7}})", true, "changes",
        QStringLiteral("/2.0/en"));
    row("ja in previous versions",
        R"({"previousVersionChangeList":[{"version":"1","changeList":"en","changeList_ja":"ja"}]})", true,
        "previousVersionChangeList", QStringLiteral("/1/ja"));
    row("ja USB instructions",
        R"({"updateviaUSBInstructions":"en","updateviaUSBInstructions_ja":"ja"})", true,
        "updateviaUSBInstructions", QStringLiteral("ja"));
    const char *variants = R"({"needSNMatchListingText":"a","needSNMatchListingText_ja":"A",
        "needSNMatchDetailedDescription":"b","needSNMatchDetailedDescription_ja":"B",
        "needRegionSelectListingText":"c","needRegionSelectListingText_ja":"C",
        "needRegionSelectDescription":"d","needRegionSelectDescription_ja":"D"})";
    row("ja variant texts", variants, true, "variantTexts", QStringLiteral("A;B;C;D"));
    row("variant texts", variants, false, "variantTexts", QStringLiteral("a;b;c;d"));

    // Documentation lists
    const char *bothLists = R"({"documentationList":[{"name":"Manual","url":"u-en"}],
        "documentationList_ja":[{"name":"JaManual","url":"u-ja","url_ja":"u-ja2"}]})";
    row("ja list replaces list in Japanese", bothLists, true, "documentationList", QStringLiteral("JaManual=u-ja2"));
    row("ja list unused otherwise", bothLists, false, "documentationList", QStringLiteral("Manual=u-en"));
    row("ja overrides in base list",
        R"({"documentationList":[{"name":"Manual","name_ja":"M-ja","url":"u"}],"documentationList_ja":"x"})", true,
        "documentationList", QStringLiteral("M-ja=u"));
    row("ja overrides ignored otherwise",
        R"({"documentationList":[{"name":"Manual","name_ja":"M-ja","url":"u","url_ja":"v"}]})", false,
        "documentationList", QStringLiteral("Manual=u"));
    row("documentation not an array", R"({"documentationList":{"name":"x"}})", false, "documentationList", en);
}

void TestFirmwareReleaseDb::readingRules()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, japanese);
    QFETCH(QString, fieldName);
    QFETCH(QString, expected);

    FirmwareReleaseDb db;
    QCOMPARE(db.parse(json, japanese ? FirmwareReleaseDb::TextLanguage::Japanese
                                     : FirmwareReleaseDb::TextLanguage::Other),
             0);
    QCOMPARE(db.count(), 1);
    FirmwareRelease release;
    QCOMPARE(db.recordAt(0, release), 0);
    QCOMPARE(field(release, fieldName), expected);
}

void TestFirmwareReleaseDb::newDatabaseIsNeverLoaded()
{
    FirmwareReleaseDb db;
    ReleaseDbInfo info;
    db.info(info);
    QCOMPARE(info.databaseVersion, -1);
    QCOMPARE(info.latestAppBuildWindows, 0);
    QCOMPARE(db.count(), 0);
    QCOMPARE(db.clear(), 0);
    QCOMPARE(db.databaseVersion(), 0);
}

void TestFirmwareReleaseDb::headerFields()
{
    const QByteArray json = R"({"info":{"databaseVersion":42,"latestAppBuildWindows":240200,
        "latestAppBuildMacOS":240100,"latestAppdownloadLocWindows":"http://h/win.zip",
        "latestAppVersionStringWindows":"1.3.00","latestAppVersionStringMacOS":"1.2.50",
        "previousAppChangeListWindows":[{"build":240200,"changeList":"a|b","changeList_ja":"ja"},"x"]},
        "firmware":[]})";
    for (const auto language : {FirmwareReleaseDb::TextLanguage::Other, FirmwareReleaseDb::TextLanguage::Japanese}) {
        FirmwareReleaseDb db;
        QCOMPARE(db.parse(json, language), 0);
        ReleaseDbInfo info;
        db.info(info);
        QCOMPARE(info.databaseVersion, 42);
        QCOMPARE(info.latestAppBuildWindows, 240200);
        QCOMPARE(info.latestAppBuildMacOS, 240100);
        QCOMPARE(info.latestAppdownloadLocWindows, QStringLiteral("http://h/win.zip"));
        QCOMPARE(info.latestAppVersionStringWindows, QStringLiteral("1.3.00"));
        QCOMPARE(info.latestAppVersionStringMacOS, QStringLiteral("1.2.50"));
        QCOMPARE(info.previousAppChangeListWindows.size(), 2);
        QCOMPARE(info.previousAppChangeListWindows.at(0).build, 240200);
        QCOMPARE(info.previousAppChangeListWindows.at(0).changeList,
                 language == FirmwareReleaseDb::TextLanguage::Japanese ? QStringLiteral("ja") : QStringLiteral("a|b"));
        QCOMPARE(info.previousAppChangeListWindows.at(1).build, 0);
    }
}

void TestFirmwareReleaseDb::rejectedParseEmptiesEarlierContent()
{
    FirmwareReleaseDb db;
    QCOMPARE(db.parse(withRelease(R"({"models":["A"]})"), FirmwareReleaseDb::TextLanguage::Other), 0);
    QCOMPARE(db.count(), 1);
    QCOMPARE(db.parse("not json", FirmwareReleaseDb::TextLanguage::Other), -1);
    QCOMPARE(db.count(), 0);
    QCOMPARE(db.databaseVersion(), 0);
    FirmwareRelease release;
    QCOMPARE(db.findForDisplay(QStringLiteral("A"), QString(), release), -1);
    QVERIFY(db.indicesForModel(QStringLiteral("A")).isEmpty());
}

void TestFirmwareReleaseDb::defaultLanguageFollowsLocale()
{
    const QLocale previous;
    const QByteArray json = withRelease(R"({"updateviaUSBInstructions":"en","updateviaUSBInstructions_ja":"ja"})");
    FirmwareRelease release;
    FirmwareReleaseDb db;

    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QCOMPARE(db.parse(json), 0);
    db.recordAt(0, release);
    QCOMPARE(release.updateviaUSBInstructions, QStringLiteral("ja"));

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(db.parse(json), 0);
    db.recordAt(0, release);
    QCOMPARE(release.updateviaUSBInstructions, QStringLiteral("en"));
    QLocale::setDefault(previous);
}

void TestFirmwareReleaseDb::recordAtRange_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("result");
    QTest::newRow("first") << 0 << 0;
    QTest::newRow("last") << 1 << 0;
    QTest::newRow("count") << 2 << -1;
    QTest::newRow("minus one") << -1 << -1;
    QTest::newRow("very negative") << std::numeric_limits<int>::min() << -1;
}

void TestFirmwareReleaseDb::recordAtRange()
{
    QFETCH(int, index);
    QFETCH(int, result);
    FirmwareReleaseDb db;
    QCOMPARE(db.parse(R"({"info":{},"firmware":[{"version":"a"},{"version":"b"}]})",
                      FirmwareReleaseDb::TextLanguage::Other),
             0);
    FirmwareRelease release;
    release.version = QStringLiteral("untouched");
    QCOMPARE(db.recordAt(index, release), result);
    if (result == 0)
        QCOMPARE(release.version, QString(QLatin1Char(char('a' + index))));
    else
        QCOMPARE(release.version, QStringLiteral("untouched"));
}

void TestFirmwareReleaseDb::findForDisplay_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("version"); // of the record found

    QTest::newRow("exact model") << "PLAIN-1" << "" << 0 << "plain";
    QTest::newRow("model in other case") << "plain-1" << "" << 0 << "plain";
    QTest::newRow("second model of a record") << "Plain-2" << "S" << 0 << "plain";
    QTest::newRow("unknown model") << "PLAIN" << "" << -1 << "";
    QTest::newRow("empty model") << "" << "" << -1 << "";
    QTest::newRow("first of two records wins") << "TWICE" << "" << 0 << "first";
    QTest::newRow("serial third character A") << "SN-1" << "12A999" << 0 << "variant-ab";
    QTest::newRow("serial third character b") << "SN-1" << "12b" << 0 << "variant-ab";
    QTest::newRow("serial other character") << "SN-1" << "12C999" << 0 << "variant-other";
    QTest::newRow("serial too short") << "SN-1" << "1A" << 0 << "variant-other";
    QTest::newRow("serial empty") << "SN-1" << "" << 0 << "variant-other";
    QTest::newRow("only a serial variant, too short") << "SN-ONLY" << "AB" << -1 << "";
    QTest::newRow("only a serial variant, matching") << "SN-ONLY" << "xyA" << 0 << "only";
}

void TestFirmwareReleaseDb::findForDisplay()
{
    QFETCH(QString, model);
    QFETCH(QString, serial);
    QFETCH(int, result);
    QFETCH(QString, version);

    FirmwareReleaseDb db;
    QCOMPARE(db.parse(R"({"info":{},"firmware":[
        {"version":"plain","models":["PLAIN-1","PLAIN-2","PLAIN-1"]},
        {"version":"first","models":["TWICE"]},
        {"version":"second","models":["twice"]},
        {"version":"variant-ab","models":["SN-1"],"needSNMatchPosition":3,"needSNMatchDigitsList":"AB"},
        {"version":"variant-other","models":["SN-1"]},
        {"version":"only","models":["SN-ONLY"],"needSNMatchPosition":3,"needSNMatchDigitsList":"a"}
        ]})",
                      FirmwareReleaseDb::TextLanguage::Other),
             0);
    FirmwareRelease release;
    QCOMPARE(db.findForDisplay(model, serial, release), result);
    QCOMPARE(release.version, version);
}

void TestFirmwareReleaseDb::indicesForModel()
{
    FirmwareReleaseDb db;
    QCOMPARE(db.parse(R"({"info":{},"firmware":[
        {"models":["A","B"]},{"models":["C"]},{"models":["a","A"],"needSNMatchPosition":2},{"models":"A"}]})",
                      FirmwareReleaseDb::TextLanguage::Other),
             0);
    QCOMPARE(db.indicesForModel(QStringLiteral("a")), (QList<int>{0, 2}));
    QCOMPARE(db.indicesForModel(QStringLiteral("C")), (QList<int>{1}));
    QVERIFY(db.indicesForModel(QStringLiteral("D")).isEmpty());
}

void TestFirmwareReleaseDb::blinkCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("1") << 1 << R"(Flashing <font color="green">GREEN</font>)";
    QTest::newRow("2") << 2 << R"(Alternating <font color="red">RED</font> / <font color="green">GREEN</font>)";
    QTest::newRow("3") << 3 << R"(Flashing <font color="red">RED</font>)";
    QTest::newRow("4") << 4 << R"(Flashing <font color="blue">BLUE</font>)";
    QTest::newRow("5") << 5 << R"(Flashing <font color="orange">ORANGE</font>)";
    QTest::newRow("6") << 6 << R"(Continuous <font color="blue">Blue</font>)";
    QTest::newRow("0") << 0 << "Unknown";
    QTest::newRow("7") << 7 << "Unknown";
    QTest::newRow("-1") << -1 << "Unknown";
}

void TestFirmwareReleaseDb::blinkCodes()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(powerLEDBlinkCodeToString(code), text);
}

QTEST_GUILESS_MAIN(TestFirmwareReleaseDb)
#include "tst_firmwarereleasedb.moc"
