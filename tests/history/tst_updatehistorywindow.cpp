// The history window over a real store: newest first, the filter by words,
// and the export of the records shown.
#include "history/updatehistory.h"
#include "history/updatehistorywindow.h"
#include "resources/resourceinit.h"
#include "testfiles.h"
#include "widgettesthelpers.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

class tst_UpdateHistoryWindow : public QObject
{
    Q_OBJECT

private slots:
    void filterSortExport()
    {
        initVdfuResources();
        QTemporaryDir dir;
        UpdateHistory history(dir.filePath(QStringLiteral("history.sqlite")));
        const QStringList models{"K5-432", "OH-P705", "K5-552"};
        for (int i = 0; i < models.size(); ++i) {
            HistoryRecord r;
            r.started = QDateTime(QDate(2026, 3, 1 + i), QTime(2, 0), Qt::UTC);
            r.ended = r.started.addSecs(600 - i * 100);
            r.model = models.at(i);
            r.address = QStringLiteral("10.0.0.%1").arg(i + 2);
            r.outcome = i == 1 ? QStringLiteral("Error: Timeout.") : QStringLiteral("Success");
            history.add(r);
        }
        UpdateHistoryWindow window(&history, dir.path());
        window.show();
        auto *table = childOrFail<QTableView>(&window, "history_tableView");
        auto *count = childOrFail<QLabel>(&window, "count_label");
        QTRY_COMPARE(count->text(), QStringLiteral("3 record(s)"));
        QCOMPARE(table->model()->index(0, HistoryColumns::Model).data().toString(), QStringLiteral("K5-552"));
        table->sortByColumn(HistoryColumns::Duration, Qt::AscendingOrder); // shortest first
        QCOMPARE(table->model()->index(0, HistoryColumns::Duration).data().toString(), QStringLiteral("0:06:40"));

        childOrFail<QLineEdit>(&window, "filter_lineEdit")->setText(QStringLiteral("k5 success"));
        QCOMPARE(count->text(), QStringLiteral("2 of 3 record(s)"));

        const QString path = dir.filePath(QStringLiteral("export"));
        ModalAnswer<QFileDialog> answer([&](QFileDialog *dialog) {
            dialog->selectFile(path);
            static_cast<QDialog *>(dialog)->accept(); // the file dialog's own, which takes the name
        });
        childOrFail<QPushButton>(&window, "export_pushButton")->click();
        QVERIFY(answer.answered());
        const QList<QByteArray> lines = readFile(path + QStringLiteral(".csv")).split('\n');
        QCOMPARE(lines.size(), 4); // the header, the two shown, the end
        QVERIFY(lines.at(1).contains(",K5-552,") && lines.at(2).contains(",K5-432,"));
    }
};

QTEST_MAIN(tst_UpdateHistoryWindow)
#include "tst_updatehistorywindow.moc"
