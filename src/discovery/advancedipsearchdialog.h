#pragma once

#include <QDialog>
#include <QHostAddress>
#include <QList>

namespace Ui {
class AdvancedIPSearchDialog;
}

// Edits the targeted-search address list text. Every change is parsed at
// once: errors show in the status line with their line number and keep "OK"
// disabled, and the expanded, sorted address list is shown beside the text.
//
// Usage: construct with the current text, exec(), and on acceptance take
// text() and addressList().
class AdvancedIPSearchDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AdvancedIPSearchDialog(const QString &text = QString(), QWidget *parent = nullptr);
    ~AdvancedIPSearchDialog() override;

    // Replaces the text (and so re-parses it).
    void setText(const QString &text);
    QString text() const;
    // The addresses the current text expands to, sorted.
    QList<QHostAddress> addressList() const { return m_addresses; }

private slots:
    void on_ip_list_plainTextEdit_textChanged();
    void on_clear_list_pushButton_clicked();
    void on_scan_pushButton_clicked();
    void on_cancel_pushButton_clicked();

private:
    Ui::AdvancedIPSearchDialog *ui;
    QList<QHostAddress> m_addresses;
};
