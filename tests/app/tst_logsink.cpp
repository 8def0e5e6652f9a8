#include "app/loglineformat.h"
#include "app/logsink.h"
#include "app/sv_information_dialog.h"
#include "resources/resourceinit.h"

#include <QApplication>
#include <QClipboard>
#include <QtTest>

namespace {
QList<QPair<QtMsgType, QString>> g_forwarded;

void capture(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    g_forwarded.append({type, message});
}
}

class tst_LogSink : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initVdfuResources(); }
    void prefixFormat();
    void informationReachesTheWindowStamped();
    void clearAndCopy();
};

void tst_LogSink::prefixFormat()
{
    QCOMPARE(logLinePrefix(QDateTime(QDate(2024, 2, 3), QTime(9, 5, 7))), QStringLiteral("2024.02.03:090507 | "));
}

void tst_LogSink::informationReachesTheWindowStamped()
{
    const QtMessageHandler original = qInstallMessageHandler(capture);
    SV_Information_Dialog window;
    LogSink::install(&window);
    qInfo() << "Num FW defs:" << 12;
    qDebug() << "debug line";
    qWarning() << "warning line";
    qInfo() << QStringLiteral("<b>not markup</b>"); // while the window is hidden
    LogSink::uninstall();
    qInstallMessageHandler(original);

    window.show();
    const QStringList lines = window.text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}\\.\\d{2}\\.\\d{2}:\\d{6} \\| Num FW defs: 12$"))
                 .match(lines.at(0)).hasMatch(), qPrintable(lines.at(0)));
    // Texts reported by displays are shown literally, never as markup.
    QVERIFY(lines.at(1).endsWith(QLatin1String("| \"<b>not markup</b>\"")));
    // Every message, of every level, also reaches the previous handler.
    QCOMPARE(g_forwarded.size(), 4);
    QCOMPARE(g_forwarded.at(1).first, QtDebugMsg);
    QCOMPARE(g_forwarded.at(0).second, QStringLiteral("Num FW defs: 12"));
}

void tst_LogSink::clearAndCopy()
{
    SV_Information_Dialog window;
    window.append(QStringLiteral("to copy"), 0);
    QMetaObject::invokeMethod(&window, "on_copy_pushButton_clicked");
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("to copy"));
    window.append(QStringLiteral("pending"), 0);
    QMetaObject::invokeMethod(&window, "on_clear_pushbutton_clicked");
    QVERIFY(window.text().isEmpty());
}

QTEST_MAIN(tst_LogSink)
#include "tst_logsink.moc"
