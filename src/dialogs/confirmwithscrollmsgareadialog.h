#pragma once

#include <QDialog>

namespace Ui {
class ConfirmWithScrollMsgAreaDialog;
}

// A Yes/Cancel confirmation whose main text may be long (a table of
// displays), so it scrolls. Cancel is the default: Enter never confirms by
// accident.
class ConfirmWithScrollMsgAreaDialog : public QDialog
{
    Q_OBJECT

public:
    ConfirmWithScrollMsgAreaDialog(QWidget *parent, const QString &title, const QString &heading,
                                   const QString &mainText, const QString &endMessage);
    ~ConfirmWithScrollMsgAreaDialog() override;

private:
    Ui::ConfirmWithScrollMsgAreaDialog *ui;
};
