#include "discovery/advancedipsearchdialog.h"

#include "discovery/addresslist.h"
#include "ui_advancedipsearchdialog.h"

#include <QIcon>
#include <QSignalBlocker>

#include <utility>

AdvancedIPSearchDialog::AdvancedIPSearchDialog(const QString &text, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AdvancedIPSearchDialog)
{
    ui->setupUi(this);
    ui->instructions_label->setText(tr(
        "<html><head/><body><p>To scan for displays that may be located on another LAN segment or "
        "switch, and not normally accesible using the search function, enter a list of IPv4 "
        "addresess to specifically check below.</p><ul><li>Enter individual addresses in the "
        "format &quot;<span style=\" font-weight:700;\">x.x.x.x</span>&quot;. </li><li>Add a "
        "range of IP addresses from .1 to .254 using a wildcard as the last octet in the format "
        "&quot;<span style=\" font-weight:700;\">x.x.x.*</span>&quot;. </li><li>Add a range of "
        "IP addresses using the format &quot;<span style=\" font-weight:700;\">x.x.x.x - "
        "x.x.x.x</span>&quot;. </li></ul>The maximum number of addresses allowed is "
        "4096.</body></html>"));
    setText(text);
}

AdvancedIPSearchDialog::~AdvancedIPSearchDialog()
{
    delete ui;
}

void AdvancedIPSearchDialog::setText(const QString &text)
{
    {
        // Parsed once below, also when the text is unchanged (e.g. empty).
        const QSignalBlocker blocker(ui->ip_list_plainTextEdit);
        ui->ip_list_plainTextEdit->setPlainText(text);
    }
    on_ip_list_plainTextEdit_textChanged();
}

QString AdvancedIPSearchDialog::text() const
{
    return ui->ip_list_plainTextEdit->toPlainText();
}

void AdvancedIPSearchDialog::on_ip_list_plainTextEdit_textChanged()
{
    const QString currentText = text();
    int errorLine = 0;
    const int result = parseAddressList(currentText, m_addresses, errorLine);
    if (result != AddressList::Ok) {
        const int iconSize = ui->status_label->fontMetrics().height();
        ui->status_icon_label->setPixmap(
            QIcon(QStringLiteral(":/resources/info.svg")).pixmap(iconSize, iconSize));
        ui->status_label->setText(AddressList::errorText(result, errorLine));
    } else {
        ui->status_icon_label->clear();
        ui->status_label->clear();
    }
    ui->scan_pushButton->setEnabled(result == AddressList::Ok);
    ui->clear_list_pushButton->setEnabled(!currentText.isEmpty());

    QString expanded;
    for (const QHostAddress &address : std::as_const(m_addresses))
        expanded += address.toString() + QLatin1Char('\n');
    ui->expanded_ip_list_label->setText(expanded);
}

void AdvancedIPSearchDialog::on_clear_list_pushButton_clicked()
{
    ui->ip_list_plainTextEdit->clear();
}

void AdvancedIPSearchDialog::on_scan_pushButton_clicked()
{
    accept();
}

void AdvancedIPSearchDialog::on_cancel_pushButton_clicked()
{
    reject();
}
