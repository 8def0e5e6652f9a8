#pragma once

#include <QDialog>

namespace Ui {
class SV_Information_Dialog;
}

// The log window: a non-modal dialog that keeps every information-level
// log line of the run. Hiding it keeps its text.
class SV_Information_Dialog : public QDialog
{
    Q_OBJECT

public:
    explicit SV_Information_Dialog(QWidget *parent = nullptr);
    ~SV_Information_Dialog() override;

    // Appends one line as a new paragraph; the level is not used.
    void append(const QString &line, int showLevel);
    QString text() const;

private slots:
    void on_clear_pushbutton_clicked();
    void on_copy_pushButton_clicked();

private:
    Ui::SV_Information_Dialog *ui;
};
