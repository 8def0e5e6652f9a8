#include "app/sv_information_dialog.h"

#include "ui_sv_information_dialog.h"

#include <QScrollBar>
#include <QTextCursor>

SV_Information_Dialog::SV_Information_Dialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::SV_Information_Dialog)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kAppendDelayMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &SV_Information_Dialog::flush);
}

SV_Information_Dialog::~SV_Information_Dialog()
{
    delete ui;
}

void SV_Information_Dialog::append(const QString &line, int)
{
    m_pending.append(line);
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void SV_Information_Dialog::flush()
{
    m_flushTimer.stop();
    if (m_pending.isEmpty())
        return;
    // Lines carry texts reported by displays: insert them as plain text so
    // they never turn into markup. Each line break starts a new paragraph.
    QTextCursor cursor(ui->data_textEdit->document());
    cursor.movePosition(QTextCursor::End);
    if (!ui->data_textEdit->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(m_pending.join(QLatin1Char('\n')));
    m_pending.clear();
    QScrollBar *bar = ui->data_textEdit->verticalScrollBar();
    bar->setValue(bar->maximum());
}

QString SV_Information_Dialog::text()
{
    flush();
    return ui->data_textEdit->toPlainText();
}

void SV_Information_Dialog::on_clear_pushbutton_clicked()
{
    m_pending.clear();
    ui->data_textEdit->clear();
}

void SV_Information_Dialog::on_copy_pushButton_clicked()
{
    flush();
    ui->data_textEdit->selectAll();
    ui->data_textEdit->copy();
}
