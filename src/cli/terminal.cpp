#include "cli/terminal.h"

#include <QSocketNotifier>

#include <cstdio>

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

int terminalWidth(std::FILE *stream)
{
    winsize size{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        return size.ws_col;
    return 80;
}

}

Terminal::Terminal(QObject *parent)
    : QObject(parent)
    , m_inputIsTerminal(isatty(STDIN_FILENO) == 1)
    , m_errorIsTerminal(isatty(STDERR_FILENO) == 1)
{
}

Terminal::~Terminal()
{
    clearLive();
}

void Terminal::write(const QString &text)
{
    // Standard output may share the terminal with the live line.
    eraseLive();
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
    drawLive();
}

void Terminal::line(const QString &text)
{
    eraseLive();
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stderr);
    drawLive();
}

void Terminal::live(const QString &text)
{
    if (!m_errorIsTerminal || text == m_live)
        return;
    eraseLive();
    m_live = text;
    drawLive();
}

void Terminal::clearLive()
{
    eraseLive();
    m_live.clear();
}

void Terminal::eraseLive()
{
    if (!m_liveShown)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_liveShown = false;
}

void Terminal::drawLive()
{
    if (m_live.isEmpty()) {
        std::fflush(stderr);
        return;
    }
    // One screen line, or the next redraw would leave the rest behind.
    const QString shown = m_live.left(terminalWidth(stderr) - 1);
    std::fputs(shown.toUtf8().constData(), stderr);
    std::fflush(stderr);
    m_liveShown = true;
}

void Terminal::ask(const QString &question)
{
    clearLive();
    std::fputs(question.toUtf8().constData(), stderr);
    std::fflush(stderr);
    m_answer.clear();
    delete m_input;
    m_input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_input, &QSocketNotifier::activated, this, &Terminal::readAnswer);
}

void Terminal::readAnswer()
{
    char buffer[256];
    const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got > 0) {
        m_answer.append(buffer, int(got));
        if (!m_answer.contains('\n'))
            return;
    }
    m_input->setEnabled(false);
    m_input->deleteLater();
    m_input = nullptr;
    const QByteArray answer = m_answer.trimmed();
    emit answered(answer.startsWith('y') || answer.startsWith('Y'));
}
