#pragma once

#include <QDialog>

namespace Ui {
class UpdateWarningMessageDialog;
}

// "Firmware Update Cautions": the operator must confirm having read the
// cautions (UpdateCautions) before the first LAN update of a run.
class UpdateWarningMessageDialog : public QDialog
{
    Q_OBJECT

public:
    explicit UpdateWarningMessageDialog(QWidget *parent = nullptr);
    ~UpdateWarningMessageDialog() override;

private slots:
    void on_checkBox_stateChanged(int state);
    void on_ok_pushButton_clicked();
    void on_cancel_pushButton_clicked();

private:
    Ui::UpdateWarningMessageDialog *ui;
};
