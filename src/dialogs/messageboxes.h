#pragma once

#include <QMessageBox>

// The application's message boxes. Tests cannot click a modal box, so they
// queue the answer the next box gives instead of showing it.
namespace MessageBoxes {

QMessageBox::StandardButton warning(QWidget *parent, const QString &title, const QString &text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton);
QMessageBox::StandardButton information(QWidget *parent, const QString &title,
                                        const QString &text);

// Test hook: the next box is not shown and answers `answer` at once.
void setNextAnswer(QMessageBox::StandardButton answer);
// Text of the most recent box, shown or answered by the hook; empty before
// the first one.
QString lastText();
// Number of boxes asked since the start of the process.
int askedCount();

}
