#include "dialogs/about_dialog.h"
#include "dialogs/confirmwithscrollmsgareadialog.h"
#include "dialogs/messageboxes.h"
#include "dialogs/optionsetting.h"
#include "dialogs/updatewarningmessagedialog.h"
#include "resources/resourceinit.h"
#include "widgettesthelpers.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

class tst_Dialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initVdfuResources(); }

    void options_data()
    {
        QTest::addColumn<int>("storedLimit");
        QTest::addColumn<int>("acceptedLimit");
        QTest::addColumn<bool>("shift"); // held when the dialog opened: only then the legacy box can change
        QTest::newRow("below 5, shift") << 4 << 1 << true;
        QTest::newRow("5") << 5 << 5 << false;
    }
    void options()
    {
        QFETCH(int, storedLimit);
        QFETCH(bool, shift);
        OptionSetting dialog(true, true, storedLimit, nullptr, shift ? +[] { return true; } : +[] { return false; });
        QTEST(dialog.multiUpdateLimit(), "acceptedLimit");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(childOrFail<QCheckBox>(&dialog, "enable_legacy_support_checkBox"), Qt::LeftButton);
        QCOMPARE(dialog.legacyEnabled(), !shift);
    }

    void cautionsOkFollowsCheckBox()
    {
        UpdateWarningMessageDialog dialog;
        auto *ok = childOrFail<QPushButton>(&dialog, "ok_pushButton");
        auto *box = childOrFail<QCheckBox>(&dialog, "checkBox");
        QVERIFY(!ok->isEnabled());
        box->setChecked(true);
        QVERIFY(ok->isEnabled());
        ok->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        box->setChecked(false);
        QVERIFY(!ok->isEnabled());
        childOrFail<QPushButton>(&dialog, "cancel_pushButton")->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void confirmationNeedsYes()
    {
        ConfirmWithScrollMsgAreaDialog dialog(nullptr, QStringLiteral("T"), QStringLiteral("H"), QStringLiteral("<p>1</p>"), QStringLiteral("?"));
        auto *yes = childOrFail<QDialogButtonBox>(&dialog, "buttonBox")->button(QDialogButtonBox::Yes);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        yes->setFocus(); // even then Enter goes to the default button, No
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        yes->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void aboutShowsTheDatabaseVersion()
    {
        About_Dialog dialog(nullptr, QStringLiteral("42"));
        QVERIFY(childOrFail<QLabel>(&dialog, "version_label")->text().startsWith(QLatin1String("Firmware database version: 42<br>")));
    }

    void warningBoxDefaultsToTheGivenButton()
    {
        bool defaultIsNo = false;
        ModalAnswer<QMessageBox> answer([&](QMessageBox *box) {
            defaultIsNo = box->defaultButton() == box->button(QMessageBox::No);
            box->button(QMessageBox::Yes)->click();
        });
        QCOMPARE(MessageBoxes::warning(nullptr, QStringLiteral("T"), QStringLiteral("Sure?"), QMessageBox::Yes | QMessageBox::No, QMessageBox::No),
                 QMessageBox::Yes);
        QVERIFY(answer.answered() && defaultIsNo);
    }
};

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
