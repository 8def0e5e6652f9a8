#include "dialogs/updatewarningmessagedialog.h"

#include "ui_updatewarningmessagedialog.h"

#include "dialogs/updatecautions.h"

UpdateWarningMessageDialog::UpdateWarningMessageDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::UpdateWarningMessageDialog)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    ui->label_2->setText(UpdateCautions::heading());
    QString text;
    const QStringList items = UpdateCautions::items();
    for (int i = 0; i < items.size(); ++i)
        text += QStringLiteral("<p>%1. %2</p>").arg(i + 1).arg(items.at(i));
    ui->label->setText(text);
    ui->ok_pushButton->setEnabled(false);
}

UpdateWarningMessageDialog::~UpdateWarningMessageDialog()
{
    delete ui;
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
