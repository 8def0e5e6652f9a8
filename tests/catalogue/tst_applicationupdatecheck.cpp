#include "catalogue/applicationupdatecheck.h"
#include "catalogue/applicationupdatedialog.h"
#include "catalogue/firmwarereleasedb.h"
#include "dialogs/messageboxes.h"
#include "widgettesthelpers.h"

#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

namespace {
const QString kNoNewer = QStringLiteral("No newer updates are available. You are using the latest version.");
const QString kNoInfo = QStringLiteral("Error: Unable to retrieve latest version information.");
// This build is 240112; the database names 240300 and the changes of three builds.
const QByteArray kNewer = R"({"info":{"latestAppBuildWindows":240300,"latestAppVersionStringWindows":"1.3.00",
    "latestAppdownloadLocWindows":"h/tool.zip?a=1&b=2","previousAppChangeListWindows":[{"build":240112,"changeList":"Current"},
    {"build":240200,"changeList":"Faster search||New models"},{"build":240100,"changeList":"Older"},{"build":240300,"changeList":"Fixed log"}]},
    "firmware":[{}]})";
}

class tst_ApplicationUpdateCheck : public QObject
{
    Q_OBJECT

private slots:
    void message_data()
    {
        QTest::addColumn<QByteArray>("database"); // null: not loaded
        QTest::addColumn<bool>("showIfNoNewer");
        QTest::addColumn<QString>("text"); // empty: nothing shown
        const QString link = QStringLiteral("<html>A newer version 1.3.00 is <a href=\"h/tool.zip?a=1&amp;b=2\">available for download</a>.");
        QTest::newRow("newer build, silent") << kNewer << false
            << link + "<br>The following changes have been made in this version:<br>1. Faster search<br>2. <br>3. New models<br>4. Fixed log<br><br></html>";
        QTest::newRow("newer, no newer changes") << QByteArray(kNewer).replace("\"build\":2403", "\"build\":2401").replace("240200", "240000")
                                                 << false << link + "</html>";
        QTest::newRow("same build, asked") << QByteArray(R"({"info":{"latestAppBuildWindows":240112},"firmware":[]})") << true << kNoNewer;
        QTest::newRow("same build, silent") << QByteArray(R"({"info":{"latestAppBuildWindows":240112},"firmware":[]})") << false << QString();
        QTest::newRow("no build named, asked") << QByteArray(R"({"info":{},"firmware":[]})") << true << kNoInfo;
        QTest::newRow("no database, asked") << QByteArray() << true << kNoInfo;
        QTest::newRow("no database, silent") << QByteArray() << false << QString();
    }
    void message()
    {
        QFETCH(QByteArray, database);
        QFETCH(bool, showIfNoNewer);
        QFETCH(QString, text);
        FirmwareReleaseDb db;
        db.parse(database, FirmwareReleaseDb::TextLanguage::Other);
        ReleaseDbInfo info;
        db.info(info);
        const ApplicationUpdateMessage message = applicationUpdateMessage(!database.isNull(), info, showIfNoNewer);
        QCOMPARE(message.show, !text.isEmpty());
        QCOMPARE(message.text, text);
    }

    void checkShowsTheMessageInABox()
    {
        FirmwareReleaseDb db;
        db.parse(R"({"info":{"latestAppBuildWindows":240112},"firmware":[{}]})", FirmwareReleaseDb::TextLanguage::Other);
        QWidget window;
        window.setWindowTitle(QStringLiteral("Update Tool"));
        QString shown;
        ModalAnswer<QMessageBox> asked([&](QMessageBox *box) {
            shown = box->windowTitle() + QLatin1Char('|') + box->text();
            box->button(QMessageBox::Ok)->click();
        });
        checkForApplicationUpdates(&window, db, true, true);
        QVERIFY(asked.answered());
        QCOMPARE(shown, QStringLiteral("Update Tool|") + kNoNewer);
        ModalAnswer<QMessageBox> silent([](QMessageBox *box) { box->button(QMessageBox::Ok)->click(); });
        checkForApplicationUpdates(nullptr, db, true, false);
        QVERIFY(!silent.answered());
        const int before = MessageBoxes::askedCount(); // the answer hook of the message boxes shows none
        MessageBoxes::setNextAnswer(QMessageBox::Ok);
        checkForApplicationUpdates(&window, db, false, true);
        QCOMPARE(MessageBoxes::askedCount(), before + 1);
        QCOMPARE(MessageBoxes::lastText(), kNoInfo);
    }
};

QTEST_MAIN(tst_ApplicationUpdateCheck)
#include "tst_applicationupdatecheck.moc"
