#include "dialogs/messageboxes.h"

#include <optional>

namespace {

std::optional<QMessageBox::StandardButton> g_nextAnswer;
QString g_lastText;
int g_askedCount = 0;

QMessageBox::StandardButton ask(QMessageBox::Icon icon, QWidget *parent, const QString &title,
                                const QString &text, QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton defaultButton)
{
    g_lastText = text;
    ++g_askedCount;
    if (g_nextAnswer) {
        const QMessageBox::StandardButton answer = *g_nextAnswer;
        g_nextAnswer.reset();
        return answer;
    }
    QMessageBox box(icon, title, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}

namespace MessageBoxes {

QMessageBox::StandardButton warning(QWidget *parent, const QString &title, const QString &text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton)
{
    return ask(QMessageBox::Warning, parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton information(QWidget *parent, const QString &title, const QString &text)
{
    return ask(QMessageBox::Information, parent, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

void setNextAnswer(QMessageBox::StandardButton answer)
{
    g_nextAnswer = answer;
}

QString lastText()
{
    return g_lastText;
}

int askedCount()
{
    return g_askedCount;
}

}
