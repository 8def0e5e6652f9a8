#include "app/installlayout.h"

#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

// The README folder of a build tree, of an installed layout and of neither.
class tst_InstallLayout : public QObject
{
    Q_OBJECT

private slots:
    void readmeFolder_data()
    {
        QTest::addColumn<QString>("readmeAt");
        QTest::addColumn<QString>("expected");
        QTest::newRow("build tree") << "bin" << "bin";
        const char *installed = "share/vantor-display-firmware-update-tool";
        QTest::newRow("installed") << installed << installed;
        QTest::newRow("missing") << QString() << "bin";
    }
    void readmeFolder()
    {
        QFETCH(QString, readmeAt);
        QFETCH(QString, expected);
        QTemporaryDir root;
        const QDir dir(root.path());
        QVERIFY(dir.mkpath(QStringLiteral("bin")));
        if (!readmeAt.isEmpty())
            QVERIFY(dir.mkpath(readmeAt) && writeFile(dir.filePath(readmeAt + QLatin1String("/ReadMe.html")), "<html/>"));
        QCOMPARE(InstallLayout::readmeFolder(dir.filePath(QStringLiteral("bin"))), dir.filePath(expected));
    }
};

QTEST_GUILESS_MAIN(tst_InstallLayout)
#include "tst_installlayout.moc"
