#include "dialogs/updatewarningmessagedialog.h"

#include "ui_updatewarningmessagedialog.h"

UpdateWarningMessageDialog::UpdateWarningMessageDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::UpdateWarningMessageDialog)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    QString text;
    const QStringList items = cautions();
    for (int i = 0; i < items.size(); ++i)
        text += QStringLiteral("<p>%1. %2</p>").arg(i + 1).arg(items.at(i));
    ui->label->setText(text);
    ui->ok_pushButton->setEnabled(false);
}

UpdateWarningMessageDialog::~UpdateWarningMessageDialog()
{
    delete ui;
}

QStringList UpdateWarningMessageDialog::cautions()
{
    return {
        tr("Only update the display firmware if the new version provides an essential new functionality or fixes an issue currently being encountered."),
        tr("Ensure that you have physical access to the displays in case updating via LAN fails and manual recovery is necessary."),
        tr("Do not update displays used for critical applications or schedules without first making contingency plans in case the update process via LAN fails."),
        tr("Do not power off or disconnect power while the firmware update is in progress."),
        tr("Do not close this application while a firmware update is in progress."),
        tr("Do not disconnect the network while a firmware update is in progress."),
        tr("When updating several displays, it is recommended to first test the update process on a single or small number of displays."),
        tr("Do not turn off updated displays daisy chained via the built-in LAN hub if displays further along the daisy chain are still updating. Wait for all displays to complete updating."),
        tr("Try and reduce or eliminate other heavy network traffic that may otherwise interfere with the firmware update."),
        tr("Updating via a VPN or other remote network requires additional care since the connection may be interrupted or slow and cause an update failure."),
        tr("On some display models the firmware update progress indicator may stay at 0% or not advance for several minutes. This is normal."),
        tr("Some display models may briefly show the \"Finished\" power LED sequence while the various firmware files are being updated. Check the <i>Status</i> indicator in this application to confirm that the update process has finished."),
        tr("A negative time estimate doesn't indicate a failure. In some cases, the firmware update may take longer than average. An update failure will eventually timeout."),
        tr("If a display is locked with its <i>SECURITY PASSWORD</i> function, it is best to temporarily turn the <i>SECURITY</i> function off before updating, especially when updating several displays."),
        tr("Prevent this PC from restarting, going into a sleep mode, or applying Windows update while a firmware update is in progress."),
    };
}

void UpdateWarningMessageDialog::on_checkBox_stateChanged(int state)
{
    ui->ok_pushButton->setEnabled(state != Qt::Unchecked);
}

void UpdateWarningMessageDialog::on_ok_pushButton_clicked()
{
    accept();
}

void UpdateWarningMessageDialog::on_cancel_pushButton_clicked()
{
    reject();
}
