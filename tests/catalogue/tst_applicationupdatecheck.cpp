#include "catalogue/applicationupdatecheck.h"
#include "catalogue/applicationupdatedialog.h"
#include "catalogue/firmwarereleasedb.h"
#include "dialogs/messageboxes.h"

#include <QWidget>
#include <QtTest>

namespace {
const QString kNoNewer = QStringLiteral("No newer updates are available. You are using the latest version.");
const QString kNoInfo = QStringLiteral("Error: Unable to retrieve latest version information.");
}

class TestApplicationUpdateCheck : public QObject
{
    Q_OBJECT

private slots:
    void message_data();
    void message();
    void menuCheckShowsMessageBox();
    void silentCheckShowsNothing();
};

void TestApplicationUpdateCheck::message_data()
{
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("latestBuild");
    QTest::addColumn<bool>("showIfNoNewer");
    QTest::addColumn<bool>("show");
    QTest::addColumn<QString>("text");

    const QString newer = QStringLiteral(
        "<html>A newer version 1.3.00 is <a href=\"http://h/tool.zip?a=1&amp;b=2\">available for download</a>."
        "<br>The following changes have been made in this version:<br>"
        "1. Faster search<br>2. <br>3. New models<br>4. Fixed log<br><br></html>");
    const QString newerWithoutChanges = QStringLiteral(
        "<html>A newer version 1.3.00 is <a href=\"http://h/tool.zip?a=1&amp;b=2\">available for download</a>.</html>");

    // clang-format off
    QTest::newRow("newer build, asked")        << true  << 240300 << true  << true  << newer;
    QTest::newRow("newer build, silent")       << true  << 240300 << false << true  << newer;
    QTest::newRow("newer, no newer changes")   << true  << 240113 << false << true  << newerWithoutChanges;
    QTest::newRow("same build, asked")         << true  << 240112 << true  << true  << kNoNewer;
    QTest::newRow("same build, silent")        << true  << 240112 << false << false << QString();
    QTest::newRow("older build, asked")        << true  << 240000 << true  << true  << kNoNewer;
    QTest::newRow("no build named, asked")     << true  << 0      << true  << true  << kNoInfo;
    QTest::newRow("no build named, silent")    << true  << 0      << false << false << QString();
    QTest::newRow("no database, asked")        << false << 240300 << true  << true  << kNoInfo;
    QTest::newRow("no database, silent")       << false << 240300 << false << false << QString();
    // clang-format on
}

void TestApplicationUpdateCheck::message()
{
    QFETCH(bool, loaded);
    QFETCH(int, latestBuild);
    QFETCH(bool, showIfNoNewer);

    ReleaseDbInfo info;
    info.latestAppBuildWindows = latestBuild;
    info.latestAppVersionStringWindows = QStringLiteral("1.3.00");
    info.latestAppdownloadLocWindows = QStringLiteral("http://h/tool.zip?a=1&b=2");
    info.previousAppChangeListWindows = {
        {240112, QStringLiteral("Current build, not listed")},
        {240200, QStringLiteral("Faster search||New models")}, // an empty piece keeps its number
        {240100, QStringLiteral("Older build, not listed")},
        {240300, QStringLiteral("Fixed log")},
    };
    if (latestBuild == 240113)
        info.previousAppChangeListWindows = {{240112, QStringLiteral("Current build, not listed")}};

    const ApplicationUpdateMessage message = applicationUpdateMessage(loaded, info, showIfNoNewer);
    QTEST(message.show, "show");
    QTEST(message.text, "text");
}

void TestApplicationUpdateCheck::menuCheckShowsMessageBox()
{
    FirmwareReleaseDb db;
    QCOMPARE(db.parse(R"({"info":{"latestAppBuildWindows":240112},"firmware":[{}]})",
                      FirmwareReleaseDb::TextLanguage::Other),
             0);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Vantor Display Firmware Update Tool"));
    const int before = MessageBoxes::askedCount();
    MessageBoxes::setNextAnswer(QMessageBox::Ok);
    checkForApplicationUpdates(&window, db, true, true);
    QCOMPARE(MessageBoxes::askedCount(), before + 1);
    QCOMPARE(MessageBoxes::lastText(), kNoNewer);
}

void TestApplicationUpdateCheck::silentCheckShowsNothing()
{
    FirmwareReleaseDb db;
    const int before = MessageBoxes::askedCount();
    checkForApplicationUpdates(nullptr, db, false, false);
    QCOMPARE(MessageBoxes::askedCount(), before);
}

QTEST_MAIN(TestApplicationUpdateCheck)
#include "tst_applicationupdatecheck.moc"
