// The model search dialog: completion of the names that can go onto a USB
// drive, and the model and region variant rows that lead to one release.
#include "widgettesthelpers.h"

#include "usbdrive/search_model_dialog.h"

#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

QJsonObject release(const QStringList &models, const QString &version, int usb = 2, int build = 230000,
                    const QString &serial = {}, const QString &region = {})
{
    return {{"models", QJsonArray::fromStringList(models)}, {"changes", QJsonObject{{"version", version}}},
            {"updateViaUSB", usb}, {"requiresAppBuild", build}, {"needSNMatchPosition", serial.isEmpty() ? 0 : 3},
            {"needSNMatchListingText", serial}, {"needRegionSelectListingText", region}};
}

FirmwareReleaseDb database()
{
    const QJsonArray firmware{
        release({"CB-321"}, "1.20"),
        release({"K5-552"}, "R1.400", 2, 230000, "A or B"),
        release({"K5-552"}, "R2.100", 2, 230000, "C to E"),
        release({"K5-552"}, "R9", 2, 230000, "c TO e"), // the same variant again, other case
        release({"HL-751"}, "2.30", 2, 230000, {}, "Europe"),
        release({"HL-751"}, "2.31", 2, 230000, {}, "Americas"),
        release({"QX-100"}, "EU-A", 2, 230000, "Early", "Europe"),
        release({"QX-100"}, "EU-C", 2, 230000, "Late", "Europe"),
        release({"QX-100"}, "US", 2, 230000, {}, "Americas"),
        release({"K5-432", "cb-321"}, "LAN only", 0),
        release({"OH-P605", "KX-NEW"}, "2.0.0", 2, 250301),
        release({"KA-1", "KB-1", "KC-1", "KD-1", "KE-1", "KF-1", "kg-1", "KH-1", "KI-1", "KJ-1", "KK-1"}, "1.0"),
    };
    FirmwareReleaseDb db;
    db.parse(QJsonDocument(QJsonObject{{"info", QJsonObject()}, {"firmware", firmware}}).toJson());
    return db;
}

}

class tst_search_model_dialog : public QObject
{
    Q_OBJECT

private slots:
    void completer();
    void variants_data();
    void variants();

private:
    FirmwareReleaseDb m_db = database();
};

void tst_search_model_dialog::completer()
{
    search_model_dialog dialog(nullptr, m_db);
    QCompleter *completer = childOrFail<QLineEdit>(&dialog, "lineEdit")->completer();
    QVERIFY(completer);
    auto matches = [completer](const QString &typed) {
        completer->setCompletionPrefix(typed);
        QStringList names;
        for (int row = 0; completer->setCurrentRow(row); ++row)
            names << completer->currentCompletion();
        return names;
    };
    // Anywhere in the name, any case; models of LAN-only releases and of
    // releases that need a newer build are never offered.
    QCOMPARE(matches("-3"), (QStringList{"CB-321"}));
    QCOMPARE(matches("5-5"), (QStringList{"K5-552"}));
    QCOMPARE(matches("new"), QStringList());
    QCOMPARE(matches("k").size(), 12);
    QCOMPARE(completer->maxVisibleItems(), 10);
}

void tst_search_model_dialog::variants_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("modelRow");
    QTest::addColumn<bool>("regionRow");
    QTest::addColumn<bool>("okAtOnce");
    QTest::addColumn<int>("region");  // index chosen, -1 none
    QTest::addColumn<int>("variant"); // index chosen after the region, -1 none
    QTest::addColumn<QString>("selected"); // version of the release, empty: none fits

    QTest::newRow("one release") << "cb-321" << false << false << true << -1 << -1 << "1.20";
    QTest::newRow("serial variants") << "K5-552" << true << false << false << -1 << 1 << "R2.100";
    QTest::newRow("regions") << "HL-751" << false << true << false << 1 << -1 << "2.31";
    QTest::newRow("region, then serial") << "QX-100" << true << true << false << 0 << 1 << "EU-C";
    QTest::newRow("region without serial") << "QX-100" << true << true << false << 1 << -1 << "US";
    QTest::newRow("LAN only") << "K5-432" << false << false << false << -1 << -1 << QString();
    QTest::newRow("unknown") << "ZZ" << false << false << false << -1 << -1 << QString();
}

void tst_search_model_dialog::variants()
{
    QFETCH(QString, typed);
    QFETCH(bool, modelRow);
    QFETCH(bool, regionRow);
    QFETCH(bool, okAtOnce);
    QFETCH(int, region);
    QFETCH(int, variant);
    QFETCH(QString, selected);

    search_model_dialog dialog(nullptr, m_db);
    auto *models = childOrFail<QComboBox>(&dialog, "select_model_variant_comboBox");
    auto *regions = childOrFail<QComboBox>(&dialog, "select_region_variant_comboBox");
    QPushButton *ok = childOrFail<QDialogButtonBox>(&dialog, "buttonBox")->button(QDialogButtonBox::Ok);
    childOrFail<QLineEdit>(&dialog, "lineEdit")->setText(typed);
    QCOMPARE(models->isVisibleTo(&dialog), modelRow);
    QCOMPARE(childOrFail<QWidget>(&dialog, "select_model_variant_label")->isVisibleTo(&dialog), modelRow);
    QCOMPARE(regions->isVisibleTo(&dialog), regionRow);
    QCOMPARE(ok->isEnabled(), okAtOnce);
    if (modelRow) {
        QCOMPARE(models->placeholderText(), "Select the model variant.");
        QCOMPARE(models->currentIndex(), -1);
        // The model variant waits for the region.
        QCOMPARE(models->isEnabled(), !regionRow);
        QCOMPARE(models->count(), 2);
    }
    if (regionRow) {
        QCOMPARE(regions->placeholderText(), "Select the region variant.");
        regions->setCurrentIndex(region);
        QCOMPARE(ok->isEnabled(), variant < 0);
    }
    if (variant >= 0) {
        QVERIFY(models->isEnabled() && models->isVisibleTo(&dialog));
        models->setCurrentIndex(variant);
        QVERIFY(ok->isEnabled());
    }
    FirmwareRelease release;
    QCOMPARE(dialog.selectedRelease(release), selected.isEmpty() ? -1 : 0);
    QCOMPARE(release.changes.version, selected);
}

QTEST_MAIN(tst_search_model_dialog)
#include "tst_search_model_dialog.moc"
