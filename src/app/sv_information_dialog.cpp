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
}

SV_Information_Dialog::~SV_Information_Dialog()
{
    delete ui;
}

void SV_Information_Dialog::append(const QString &line, int)
{
    // Lines carry texts reported by displays: insert them as plain text so
    // they never turn into markup.
    QTextCursor cursor(ui->data_textEdit->document());
    cursor.movePosition(QTextCursor::End);
    if (!ui->data_textEdit->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(line);
    QScrollBar *bar = ui->data_textEdit->verticalScrollBar();
    bar->setValue(bar->maximum());
}

QString SV_Information_Dialog::text() const
{
    return ui->data_textEdit->toPlainText();
}

void SV_Information_Dialog::on_clear_pushbutton_clicked()
{
    ui->data_textEdit->clear();
}

void SV_Information_Dialog::on_copy_pushButton_clicked()
{
    ui->data_textEdit->selectAll();
    ui->data_textEdit->copy();
}
