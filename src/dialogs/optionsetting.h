#pragma once

#include <QDialog>

namespace Ui {
class OptionSetting;
}

// "Application settings": the simultaneous update limit and legacy-model
// support. The dialog only shows and collects the values; the caller takes
// them after acceptance.
class OptionSetting : public QDialog
{
    Q_OBJECT

public:
    // Whether the operator holds the key that unlocks the legacy setting.
    using ShiftQuery = bool (*)();

    OptionSetting(bool hasLegacyModels, bool legacyEnabled, int limit, QWidget *parent = nullptr,
                  ShiftQuery shiftHeld = &OptionSetting::shiftKeyHeld);
    ~OptionSetting() override;

    bool legacyEnabled() const;
    // 1, 5 or 20 after the radio button checked; 1 when none is checked.
    int multiUpdateLimit() const;

    static bool shiftKeyHeld();

private:
    Ui::OptionSetting *ui;
};
