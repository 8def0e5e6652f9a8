#pragma once

#include <QDialog>
#include <QStringList>
#include <QTimer>

namespace Ui {
class SV_Information_Dialog;
}

// The log window: a non-modal dialog that keeps every information-level
// log line of the run. Hiding it keeps its text. Lines are gathered and
// added to the text together, at most once per kAppendDelayMs, so a burst
// of thousands of lines costs a few text layouts, not one per line.
class SV_Information_Dialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kAppendDelayMs = 100;

    explicit SV_Information_Dialog(QWidget *parent = nullptr);
    ~SV_Information_Dialog() override;

    // Appends one line as a new paragraph; the level is not used.
    void append(const QString &line, int showLevel);
    // Every line appended so far.
    QString text();

private slots:
    void on_clear_pushbutton_clicked();
    void on_copy_pushButton_clicked();

private:
    void flush();

    Ui::SV_Information_Dialog *ui;
    QStringList m_pending;
    QTimer m_flushTimer;
};
