#include "dialogs/optionsetting.h"

#include "ui_optionsetting.h"

#include <QGuiApplication>
#include <QPushButton>

OptionSetting::OptionSetting(bool hasLegacyModels, bool legacyEnabled, int limit, QWidget *parent,
                             ShiftQuery shiftHeld)
    : QDialog(parent)
    , ui(new Ui::OptionSetting)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    if (limit < 5)
        ui->radioButton_1->setChecked(true);
    else if (limit < 20)
        ui->radioButton_2->setChecked(true);
    else
        ui->radioButton_3->setChecked(true);

    // Legacy updates need deliberate intent: the box only unlocks when the
    // operator opens the dialog with Shift held down.
    ui->enable_legacy_support_checkBox->setChecked(legacyEnabled);
    ui->enable_legacy_support_checkBox->setEnabled(shiftHeld());
    ui->legacy_model_support_groupBox->setVisible(hasLegacyModels);

    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

OptionSetting::~OptionSetting()
{
    delete ui;
}

bool OptionSetting::legacyEnabled() const
{
    return ui->enable_legacy_support_checkBox->isChecked();
}

int OptionSetting::multiUpdateLimit() const
{
    if (ui->radioButton_2->isChecked())
        return 5;
    if (ui->radioButton_3->isChecked())
        return 20;
    return 1;
}

bool OptionSetting::shiftKeyHeld()
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}
