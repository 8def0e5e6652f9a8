#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// Runs real processes: a holder that takes the lock as the program does, and
// the application itself as the second start (it must leave before it
// creates any window, so it never reaches the network).
class tst_SingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void secondStartLeavesAndAKilledHolderLeavesNoLock();

private:
    std::unique_ptr<QProcess> start(const char *program);
    QTemporaryDir m_runtimeDir;
};

std::unique_ptr<QProcess> tst_SingleInstance::start(const char *program)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir.path());
    env.insert(QStringLiteral("HOME"), m_runtimeDir.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process->setProcessEnvironment(env);
    process->start(QString::fromLatin1(program), QStringList());
    return process->waitForStarted(5000) ? std::move(process) : nullptr;
}

void tst_SingleInstance::secondStartLeavesAndAKilledHolderLeavesNoLock()
{
    auto holder = start(VDFU_HOLDER_PATH);
    QVERIFY(holder && holder->waitForReadyRead(5000));
    QCOMPARE(holder->readLine().trimmed(), QByteArray("held"));

    // The second start rings the bell and leaves with 0; the first is unaffected.
    auto second = start(VDFU_APP_PATH);
    QVERIFY(second && second->waitForFinished(5000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(second->readAllStandardError(), QByteArray("\a"));
    QCOMPARE(holder->state(), QProcess::Running);

    holder->kill(); // SIGKILL: no chance to clean up
    QVERIFY(holder->waitForFinished(5000));
    auto next = start(VDFU_HOLDER_PATH);
    QVERIFY(next && next->waitForReadyRead(5000));
    QCOMPARE(next->readLine().trimmed(), QByteArray("held"));
    next->closeWriteChannel();
    QVERIFY(next->waitForFinished(5000));
}

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
