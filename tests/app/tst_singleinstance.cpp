#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Runs real processes: a holder that takes the lock as the program does, and
// the application itself as the second start (it must leave before it
// creates any window, so it never reaches the network).
class tst_SingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void secondStartExitsQuickly();
    void startAfterKillSucceeds();

private:
    QProcess *startHolder(QObject *parent);
    QProcessEnvironment environment() const;
    QTemporaryDir m_runtimeDir;
};

QProcessEnvironment tst_SingleInstance::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir.path());
    env.insert(QStringLiteral("HOME"), m_runtimeDir.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

QProcess *tst_SingleInstance::startHolder(QObject *parent)
{
    auto *holder = new QProcess(parent);
    holder->setProcessEnvironment(environment());
    holder->start(QStringLiteral(VDFU_HOLDER_PATH), QStringList());
    if (!holder->waitForStarted(5000) || !holder->waitForReadyRead(5000))
        return nullptr;
    return holder;
}

void tst_SingleInstance::secondStartExitsQuickly()
{
    QObject owner;
    QProcess *holder = startHolder(&owner);
    QVERIFY(holder);
    QCOMPARE(holder->readLine().trimmed(), QByteArray("held"));

    QProcess second;
    second.setProcessEnvironment(environment());
    QElapsedTimer clock;
    clock.start();
    second.start(QStringLiteral(VDFU_APP_PATH), QStringList());
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(second.readAllStandardError(), QByteArray("\a"));

    // The first instance is unaffected.
    QCOMPARE(holder->state(), QProcess::Running);
    holder->closeWriteChannel();
    QVERIFY(holder->waitForFinished(5000));
}

void tst_SingleInstance::startAfterKillSucceeds()
{
    QObject owner;
    QProcess *first = startHolder(&owner);
    QVERIFY(first);
    QCOMPARE(first->readLine().trimmed(), QByteArray("held"));
    first->kill(); // SIGKILL: no chance to clean up
    QVERIFY(first->waitForFinished(5000));

    QProcess *next = startHolder(&owner);
    QVERIFY(next);
    QCOMPARE(next->readLine().trimmed(), QByteArray("held"));
    next->closeWriteChannel();
    QVERIFY(next->waitForFinished(5000));
}

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
