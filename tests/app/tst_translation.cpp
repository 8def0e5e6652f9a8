#include "app/appinfo.h"
#include "app/startup.h"
#include "displaylist/displaylistmodel.h"
#include "resources/resourceinit.h"

#include <QApplication>
#include <QtTest>

// Under a Japanese system locale the application's texts and Qt's own
// come out in Japanese; under any other locale nothing is loaded.
class tst_Translation : public QObject
{
    Q_OBJECT

private slots:
    void japaneseLocaleLoadsTranslations();
};

void tst_Translation::japaneseLocaleLoadsTranslations()
{
    initVdfuResources();
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    QLocale::setDefault(QLocale(QLocale::English));
    QVERIFY(!Startup::installTranslations(*app));

    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QVERIFY(Startup::installTranslations(*app));

    const QString version = AppInfo::versionText();
    QVERIFY2(!version.startsWith(QLatin1String("Application version")), qPrintable(version));
    QVERIFY(version.contains(QLatin1String("1.2.00")));

    displayListModel model;
    const QString title = model.headerData(0, Qt::Horizontal).toString();
    QVERIFY2(title != QLatin1String("Action") && !title.isEmpty(), qPrintable(title));
    // Qt's own strings: the standard dialog buttons.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
}

QTEST_MAIN(tst_Translation)
#include "tst_translation.moc"
