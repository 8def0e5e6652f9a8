#include "app/loglineformat.h"
#include "app/logsink.h"
#include "app/sv_information_dialog.h"
#include "resources/resourceinit.h"

#include <QApplication>
#include <QClipboard>
#include <QtTest>

namespace {
struct Captured
{
    QtMsgType type;
    QString message;
};
QList<Captured> g_captured;

void capture(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    g_captured.append({type, message});
}
}

class tst_LogSink : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initVdfuResources(); }
    void init();
    void cleanup();
    void prefixFormat_data();
    void prefixFormat();
    void informationGoesToWindowStamped();
    void otherLevelsOnlyForwarded();
    void hiddenWindowKeepsLines();
    void clearAndCopy();

private:
    QtMessageHandler m_original = nullptr;
    SV_Information_Dialog *m_window = nullptr;
};

void tst_LogSink::init()
{
    g_captured.clear();
    m_original = qInstallMessageHandler(capture);
    m_window = new SV_Information_Dialog;
    LogSink::install(m_window);
}

void tst_LogSink::cleanup()
{
    LogSink::uninstall();
    qInstallMessageHandler(m_original);
    delete m_window;
}

void tst_LogSink::prefixFormat_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("morning") << QDateTime(QDate(2024, 2, 3), QTime(9, 5, 7))
                             << QStringLiteral("2024.02.03:090507 | ");
    QTest::newRow("afternoon") << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59))
                               << QStringLiteral("2026.12.31:235959 | ");
}

void tst_LogSink::prefixFormat()
{
    QFETCH(QDateTime, time);
    QFETCH(QString, prefix);
    QCOMPARE(logLinePrefix(time), prefix);
}

void tst_LogSink::informationGoesToWindowStamped()
{
    qInfo() << "Num FW defs:" << 12;
    const QString text = m_window->text();
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}\\.\\d{2}\\.\\d{2}:\\d{6} \\| Num FW defs: 12$"))
                 .match(text).hasMatch(), qPrintable(text));
    QCOMPARE(g_captured.size(), 1);
    QCOMPARE(g_captured.first().type, QtInfoMsg);
    QCOMPARE(g_captured.first().message, QStringLiteral("Num FW defs: 12"));
}

void tst_LogSink::otherLevelsOnlyForwarded()
{
    qDebug() << "debug line";
    qWarning() << "warning line";
    QVERIFY(m_window->text().isEmpty());
    QCOMPARE(g_captured.size(), 2);
    QCOMPARE(g_captured.at(0).type, QtDebugMsg);
    QCOMPARE(g_captured.at(1).type, QtWarningMsg);
}

void tst_LogSink::hiddenWindowKeepsLines()
{
    QVERIFY(m_window->isHidden());
    qInfo() << QStringLiteral("first");
    qInfo() << QStringLiteral("<b>not markup</b>");
    m_window->show();
    const QStringList lines = m_window->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.at(0).endsWith(QLatin1String("| \"first\"")));
    // Texts reported by displays are shown literally, never as markup.
    QVERIFY(lines.at(1).endsWith(QLatin1String("| \"<b>not markup</b>\"")));
}

void tst_LogSink::clearAndCopy()
{
    qInfo() << QStringLiteral("to copy");
    QMetaObject::invokeMethod(m_window, "on_copy_pushButton_clicked");
    QVERIFY(QApplication::clipboard()->text().endsWith(QLatin1String("\"to copy\"")));
    QMetaObject::invokeMethod(m_window, "on_clear_pushbutton_clicked");
    QVERIFY(m_window->text().isEmpty());
}

QTEST_MAIN(tst_LogSink)
#include "tst_logsink.moc"
