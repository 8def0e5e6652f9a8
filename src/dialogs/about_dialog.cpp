#include "dialogs/about_dialog.h"

#include "ui_about_dialog.h"

#include "app/appinfo.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

QPixmap renderLogo()
{
    QSvgRenderer renderer(QStringLiteral(":/resources/app about.svg"));
    QSize size = renderer.defaultSize();
    if (size.width() > 400 || size.height() > 400)
        size.scale(400, 400, Qt::KeepAspectRatio);
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

}

About_Dialog::About_Dialog(QWidget *parent, const QString &databaseVersionText)
    : QDialog(parent)
    , ui(new Ui::About_Dialog)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    ui->logo_label->setPixmap(renderLogo());
    ui->version_label->setText(tr("Firmware database version: %1<br>").arg(databaseVersionText)
                               + AppInfo::versionText());
    connect(ui->pushButton, &QPushButton::clicked, this, &QDialog::accept);
}

About_Dialog::~About_Dialog()
{
    delete ui;
}
