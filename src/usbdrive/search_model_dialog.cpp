#include "usbdrive/search_model_dialog.h"

#include "ui_search_model_dialog.h"

#include "usbdrive/modelsearch.h"

#include <QCompleter>
#include <QPushButton>
#include <QStringListModel>

namespace {
constexpr int kVisibleCompletions = 10;
}

search_model_dialog::search_model_dialog(QWidget *parent, const FirmwareReleaseDb &releaseDb)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint)
    , ui(new Ui::search_model_dialog)
    , m_releaseDb(releaseDb)
{
    ui->setupUi(this);
    auto *completer = new QCompleter(new QStringListModel(ModelSearch::modelNames(releaseDb), this), this);
    completer->setMaxVisibleItems(kVisibleCompletions);
    completer->setModelSorting(QCompleter::CaseInsensitivelySortedModel);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    ui->lineEdit->setCompleter(completer);
    on_lineEdit_textChanged(QString());
}

search_model_dialog::~search_model_dialog()
{
    delete ui;
}

void search_model_dialog::setOkEnabled(bool enabled)
{
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(enabled);
}

void search_model_dialog::showModelVariants(const QStringList &variants)
{
    const QSignalBlocker blocker(ui->select_model_variant_comboBox);
    ui->select_model_variant_comboBox->clear();
    ui->select_model_variant_comboBox->addItems(variants);
    ui->select_model_variant_comboBox->setCurrentIndex(-1);
    ui->select_model_variant_comboBox->setPlaceholderText(tr("Select the model variant."));
    ui->select_model_variant_label->setVisible(!variants.isEmpty());
    ui->select_model_variant_comboBox->setVisible(!variants.isEmpty());
    ui->select_model_variant_label->setEnabled(true);
    ui->select_model_variant_comboBox->setEnabled(true);
}

void search_model_dialog::on_lineEdit_textChanged(const QString &arg1)
{
    const QList<int> indices = ModelSearch::usableIndices(m_releaseDb, arg1);
    m_modelVariants.clear();
    m_regionVariants.clear();
    FirmwareRelease release;
    for (int index : indices) {
        m_releaseDb.recordAt(index, release);
        if (release.needSNMatchPosition > 0)
            ModelSearch::addVariant(m_modelVariants, release.needSNMatchListingText);
        ModelSearch::addVariant(m_regionVariants, release.needRegionSelectListingText);
    }
    showModelVariants(m_modelVariants);
    {
        const QSignalBlocker blocker(ui->select_region_variant_comboBox);
        ui->select_region_variant_comboBox->clear();
        ui->select_region_variant_comboBox->addItems(m_regionVariants);
        ui->select_region_variant_comboBox->setCurrentIndex(-1);
        ui->select_region_variant_comboBox->setPlaceholderText(tr("Select the region variant."));
    }
    ui->select_region_variant_label->setVisible(!m_regionVariants.isEmpty());
    ui->select_region_variant_comboBox->setVisible(!m_regionVariants.isEmpty());
    if (!m_regionVariants.isEmpty()) {
        // The region decides which model variants remain.
        ui->select_model_variant_label->setEnabled(false);
        ui->select_model_variant_comboBox->setEnabled(false);
    }
    setOkEnabled(!indices.isEmpty() && m_modelVariants.isEmpty() && m_regionVariants.isEmpty());
}

void search_model_dialog::on_select_model_variant_comboBox_currentIndexChanged(int index)
{
    setOkEnabled(index >= 0);
}

void search_model_dialog::on_select_region_variant_comboBox_currentIndexChanged(int index)
{
    const QString region = ui->select_region_variant_comboBox->itemText(index);
    m_modelVariants.clear();
    FirmwareRelease release;
    const QList<int> indices = ModelSearch::usableIndices(m_releaseDb, ui->lineEdit->text());
    for (int i : indices) {
        m_releaseDb.recordAt(i, release);
        if (release.needRegionSelectListingText == region && release.needSNMatchPosition > 0)
            ModelSearch::addVariant(m_modelVariants, release.needSNMatchListingText);
    }
    showModelVariants(m_modelVariants);
    setOkEnabled(index >= 0 && m_modelVariants.isEmpty());
}

int search_model_dialog::selectedRelease(FirmwareRelease &release) const
{
    const QList<int> indices = ModelSearch::usableIndices(m_releaseDb, ui->lineEdit->text());
    if (indices.isEmpty())
        return -1;
    if (indices.size() == 1)
        return m_releaseDb.recordAt(indices.constFirst(), release);
    const QString region = ui->select_region_variant_comboBox->currentText();
    const QString variant = ui->select_model_variant_comboBox->currentText();
    FirmwareRelease candidate;
    for (int index : indices) {
        m_releaseDb.recordAt(index, candidate);
        if ((region.isEmpty() || candidate.needRegionSelectListingText == region)
            && (variant.isEmpty() || candidate.needSNMatchListingText == variant)) {
            release = candidate;
            return 0;
        }
    }
    return -1;
}
