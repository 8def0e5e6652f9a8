#include "dialogs/confirmwithscrollmsgareadialog.h"

#include "ui_confirmwithscrollmsgareadialog.h"

#include <QIcon>
#include <QPushButton>
#include <QStyle>

ConfirmWithScrollMsgAreaDialog::ConfirmWithScrollMsgAreaDialog(QWidget *parent, const QString &title,
                                                               const QString &heading,
                                                               const QString &mainText,
                                                               const QString &endMessage)
    : QDialog(parent)
    , ui(new Ui::ConfirmWithScrollMsgAreaDialog)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(title);
    const int iconSide = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    ui->icon_label->setPixmap(
        QIcon(QStringLiteral(":/resources/warning.svg")).pixmap(iconSide, iconSide));
    ui->heading_label->setText(heading);
    ui->main_text_label->setText(mainText);
    ui->end_message_label->setText(endMessage);
    // Room for several rows of the message, and the closing text whole: the
    // default size is too small for both when the text below is long.
    ui->scrollArea->setMinimumHeight(fontMetrics().height() * 8);
    resize(width(), qMax(height(), sizeHint().height()));

    QPushButton *yes = ui->buttonBox->button(QDialogButtonBox::Yes);
    QPushButton *cancel = ui->buttonBox->button(QDialogButtonBox::Cancel);
    yes->setAutoDefault(false);
    yes->setDefault(false);
    cancel->setDefault(true);
    cancel->setFocus();
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

ConfirmWithScrollMsgAreaDialog::~ConfirmWithScrollMsgAreaDialog()
{
    delete ui;
}
