#include "dialogs/about_dialog.h"
#include "dialogs/confirmwithscrollmsgareadialog.h"
#include "dialogs/messageboxes.h"
#include "dialogs/optionsetting.h"
#include "dialogs/updatewarningmessagedialog.h"
#include "resources/resourceinit.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

bool shiftHeld() { return true; }
bool shiftReleased() { return false; }

template<typename T>
T *child(QObject *parent, const char *name)
{
    T *object = parent->findChild<T *>(QLatin1String(name));
    if (!object)
        qFatal("missing child %s", name);
    return object;
}

}

class tst_Dialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initVdfuResources(); }

    void limitRadioMapping_data();
    void limitRadioMapping();
    void limitWithNoRadioCheckedIsOne();
    void legacySupport_data();
    void legacySupport();
    void cautionsOkFollowsCheckBox();
    void cautionsText();
    void confirmationEnterCancels();
    void confirmationYesAccepts();
    void aboutShowsVersions();
    void messageBoxAnswerHook();
};

void tst_Dialogs::limitRadioMapping_data()
{
    QTest::addColumn<int>("storedLimit");
    QTest::addColumn<QString>("checkedRadio");
    QTest::addColumn<int>("acceptedLimit");

    QTest::newRow("negative") << -1 << QStringLiteral("radioButton_1") << 1;
    QTest::newRow("1") << 1 << QStringLiteral("radioButton_1") << 1;
    QTest::newRow("3") << 3 << QStringLiteral("radioButton_1") << 1;
    QTest::newRow("5") << 5 << QStringLiteral("radioButton_2") << 5;
    QTest::newRow("19") << 19 << QStringLiteral("radioButton_2") << 5;
    QTest::newRow("20") << 20 << QStringLiteral("radioButton_3") << 20;
    QTest::newRow("500") << 500 << QStringLiteral("radioButton_3") << 20;
}

void tst_Dialogs::limitRadioMapping()
{
    QFETCH(int, storedLimit);
    QFETCH(QString, checkedRadio);
    QFETCH(int, acceptedLimit);

    OptionSetting dialog(false, false, storedLimit, nullptr, &shiftReleased);
    QVERIFY(dialog.findChild<QRadioButton *>(checkedRadio)->isChecked());
    QCOMPARE(dialog.multiUpdateLimit(), acceptedLimit);
}

void tst_Dialogs::limitWithNoRadioCheckedIsOne()
{
    OptionSetting dialog(false, false, 20, nullptr, &shiftReleased);
    auto *radio = child<QRadioButton>(&dialog, "radioButton_3");
    radio->setAutoExclusive(false);
    radio->setChecked(false);
    QCOMPARE(dialog.multiUpdateLimit(), 1);
}

void tst_Dialogs::legacySupport_data()
{
    QTest::addColumn<bool>("hasLegacyModels");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<bool>("enabledBefore");
    QTest::addColumn<bool>("enabledAfterClick");

    QTest::newRow("no legacy models") << false << true << false << true;
    QTest::newRow("without shift, off") << true << false << false << false;
    QTest::newRow("without shift, on") << true << false << true << true;
    QTest::newRow("with shift, off") << true << true << false << true;
    QTest::newRow("with shift, on") << true << true << true << false;
}

void tst_Dialogs::legacySupport()
{
    QFETCH(bool, hasLegacyModels);
    QFETCH(bool, shift);
    QFETCH(bool, enabledBefore);
    QFETCH(bool, enabledAfterClick);

    OptionSetting dialog(hasLegacyModels, enabledBefore, 5, nullptr, shift ? &shiftHeld : &shiftReleased);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *group = child<QGroupBox>(&dialog, "legacy_model_support_groupBox");
    auto *box = child<QCheckBox>(&dialog, "enable_legacy_support_checkBox");
    QCOMPARE(group->isVisible(), hasLegacyModels);
    QCOMPARE(box->isEnabled(), shift);
    QCOMPARE(dialog.legacyEnabled(), enabledBefore);
    if (hasLegacyModels) {
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(dialog.legacyEnabled(), enabledAfterClick);
    }
}

void tst_Dialogs::cautionsOkFollowsCheckBox()
{
    UpdateWarningMessageDialog dialog;
    auto *ok = child<QPushButton>(&dialog, "ok_pushButton");
    auto *box = child<QCheckBox>(&dialog, "checkBox");
    QVERIFY(!ok->isEnabled());
    box->setChecked(true);
    QVERIFY(ok->isEnabled());
    box->setChecked(false);
    QVERIFY(!ok->isEnabled());

    box->setChecked(true);
    ok->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    child<QPushButton>(&dialog, "cancel_pushButton")->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void tst_Dialogs::cautionsText()
{
    const QStringList cautions = UpdateWarningMessageDialog::cautions();
    QCOMPARE(cautions.size(), 15);
    QCOMPARE(cautions.first(),
             QStringLiteral("Only update the display firmware if the new version provides an essential new "
                            "functionality or fixes an issue currently being encountered."));
    QVERIFY(cautions.at(11).contains(QLatin1String("<i>Status</i>")));
    QVERIFY(cautions.at(13).contains(QLatin1String("<i>SECURITY PASSWORD</i>")));
    QVERIFY(cautions.at(13).contains(QLatin1String("<i>SECURITY</i> function")));

    UpdateWarningMessageDialog dialog;
    const QString text = child<QLabel>(&dialog, "label")->text();
    QVERIFY(text.startsWith(QLatin1String("<p>1. Only update")));
    QVERIFY(text.contains(QLatin1String("<p>15. Prevent this PC from restarting")));
}

void tst_Dialogs::confirmationEnterCancels()
{
    ConfirmWithScrollMsgAreaDialog dialog(nullptr, QStringLiteral("Title"), QStringLiteral("Heading"),
                                          QStringLiteral("<table><tr><td>1</td></tr></table>"),
                                          QStringLiteral("Proceed?"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Title"));
    QCOMPARE(child<QLabel>(&dialog, "heading_label")->text(), QStringLiteral("Heading"));
    QCOMPARE(child<QLabel>(&dialog, "end_message_label")->text(), QStringLiteral("Proceed?"));
    auto *buttons = child<QDialogButtonBox>(&dialog, "buttonBox");
    QVERIFY(!buttons->button(QDialogButtonBox::Yes)->isDefault());

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Even with the focus on Yes, Enter goes to the default button.
    buttons->button(QDialogButtonBox::Yes)->setFocus();
    QSignalSpy finished(&dialog, &QDialog::finished);
    QTest::keyClick(&dialog, Qt::Key_Return);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void tst_Dialogs::confirmationYesAccepts()
{
    ConfirmWithScrollMsgAreaDialog dialog(nullptr, QString(), QString(), QString(), QString());
    child<QDialogButtonBox>(&dialog, "buttonBox")->button(QDialogButtonBox::Yes)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void tst_Dialogs::aboutShowsVersions()
{
    About_Dialog dialog(nullptr, QStringLiteral("42"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("About Vantor Display Firmware Update Tool"));
    QCOMPARE(child<QLabel>(&dialog, "version_label")->text(),
             QStringLiteral("Firmware database version: 42<br>Application version: 1.2.00 (Build 240112)"));
    QVERIFY(child<QLabel>(&dialog, "logo_label")->sizeHint().width() > 50);
    child<QPushButton>(&dialog, "pushButton")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void tst_Dialogs::messageBoxAnswerHook()
{
    const int asked = MessageBoxes::askedCount();
    MessageBoxes::setNextAnswer(QMessageBox::Yes);
    QCOMPARE(MessageBoxes::warning(nullptr, QStringLiteral("T"), QStringLiteral("Sure?"),
                                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No),
             QMessageBox::Yes);
    QCOMPARE(MessageBoxes::lastText(), QStringLiteral("Sure?"));
    QCOMPARE(MessageBoxes::askedCount(), asked + 1);
}

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
