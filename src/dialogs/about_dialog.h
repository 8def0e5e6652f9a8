#pragma once

#include <QDialog>

namespace Ui {
class About_Dialog;
}

// The About box: logo, copyright, the firmware database and application
// versions, and the maker's web links.
class About_Dialog : public QDialog
{
    Q_OBJECT

public:
    // databaseVersionText: the release database's version in decimal.
    About_Dialog(QWidget *parent, const QString &databaseVersionText);
    ~About_Dialog() override;

private:
    Ui::About_Dialog *ui;
};
