#pragma once

// Helpers for tests of windows and dialogs (header only: the tests that
// include it link Qt Widgets, the support library does not).

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <functional>

// The child object of a form by its object name; a missing one ends the
// test program at once instead of crashing later on a null pointer.
template<typename T>
T *childOrFail(const QObject *parent, const char *name)
{
    T *object = parent->findChild<T *>(QLatin1String(name));
    if (!object)
        qFatal("missing child %s", name);
    return object;
}

// Answers the next modal dialog of type T: `handle` runs on it once it is
// up and must close it. A modal window of any other kind, or a dialog still
// up when the deadline passes, is closed so that the test goes on and fails
// on answered() instead of hanging until the test runner's time-out.
template<typename T>
class ModalAnswer
{
public:
    explicit ModalAnswer(std::function<void(T *)> handle, int deadlineMs = 5000)
        : m_handle(std::move(handle))
        , m_deadlineMs(deadlineMs)
    {
        m_clock.start();
        m_poll.setInterval(10);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
        m_poll.start();
    }

    bool answered() const { return m_answered; }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<T *>(modal); dialog && !m_answered) {
            m_answered = true;
            m_handle(dialog);
            return;
        }
        if (modal && (!qobject_cast<T *>(modal) || m_clock.elapsed() > m_deadlineMs)) {
            qWarning("closing an unexpected or unanswered modal window: %s",
                     modal->metaObject()->className());
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            else
                modal->close();
            m_answered = false;
        }
        if (m_clock.elapsed() > m_deadlineMs && !modal)
            m_poll.stop();
    }

    std::function<void(T *)> m_handle;
    int m_deadlineMs;
    QElapsedTimer m_clock;
    QTimer m_poll;
    bool m_answered = false;
};

// Answers modal dialogs of several kinds as they come up, any number of
// times each (a cautions box followed by a confirmation, say): `handle` gets
// every modal widget and returns whether it dealt with it. A modal window it
// refuses is closed, so that the test fails on its checks instead of hanging.
class ModalAnswers
{
public:
    explicit ModalAnswers(std::function<bool(QWidget *)> handle)
        : m_handle(std::move(handle))
    {
        m_poll.setInterval(10);
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || modal == m_last)
                return;
            m_last = modal;
            ++m_count;
            if (m_handle(modal))
                return;
            qWarning("closing an unexpected modal window: %s", modal->metaObject()->className());
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            else
                modal->close();
        });
        m_poll.start();
    }

    int count() const { return m_count; }

private:
    std::function<bool(QWidget *)> m_handle;
    QTimer m_poll;
    QPointer<QWidget> m_last; // a dialog handled and still up
    int m_count = 0;
};
