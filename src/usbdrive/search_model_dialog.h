#pragma once

#include "catalogue/firmwarereleasedb.h"

#include <QDialog>
#include <QStringList>

namespace Ui {
class search_model_dialog;
}

// Picks the release for a USB drive by model name, with completion of the
// names anywhere inside them, then the model (serial-number) variant and
// the region variant where the database distinguishes them. Only releases
// that this build may write to a USB drive are offered.
class search_model_dialog : public QDialog
{
    Q_OBJECT

public:
    // The database is not copied; it must outlive the dialog.
    search_model_dialog(QWidget *parent, const FirmwareReleaseDb &releaseDb);
    ~search_model_dialog() override;

    // The release that fits the chosen model and variants: 0, or -1 when none.
    int selectedRelease(FirmwareRelease &release) const;

private slots:
    void on_lineEdit_textChanged(const QString &arg1);
    void on_select_model_variant_comboBox_currentIndexChanged(int index);
    void on_select_region_variant_comboBox_currentIndexChanged(int index);

private:
    void setOkEnabled(bool enabled);
    void showModelVariants(const QStringList &variants);

    Ui::search_model_dialog *ui;
    const FirmwareReleaseDb &m_releaseDb;
    QStringList m_modelVariants;
    QStringList m_regionVariants;
};
