#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

// The standard streams as `vdfu` uses them. Records go to standard output;
// progress, log lines and questions go to standard error. On a terminal,
// standard error carries one live status line that is redrawn in place and
// kept below every other line written there. A question is asked only when
// a person can answer it (standard input and standard error are terminals);
// its answer is read through the event loop, so a signal still gets through.
class Terminal : public QObject
{
    Q_OBJECT

public:
    explicit Terminal(QObject *parent = nullptr);
    ~Terminal() override;

    // A person can answer a question.
    bool interactive() const { return m_inputIsTerminal && m_errorIsTerminal; }
    bool errorIsTerminal() const { return m_errorIsTerminal; }

    // Text to standard output, as it is.
    void write(const QString &text);
    // One line to standard error, above the live line.
    void line(const QString &text);
    // Replaces the live line (terminal only; elsewhere nothing).
    void live(const QString &text);
    void clearLive();

    // Asks on standard error and reads one line from standard input; ends
    // with answered(): true for an answer starting with y or Y.
    void ask(const QString &question);

signals:
    void answered(bool yes);

private:
    void readAnswer();
    void eraseLive();
    void drawLive();

    bool m_inputIsTerminal = false;
    bool m_errorIsTerminal = false;
    QString m_live;
    bool m_liveShown = false;
    QSocketNotifier *m_input = nullptr;
    QByteArray m_answer;
};
