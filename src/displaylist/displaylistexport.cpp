#include "displaylist/displaylistexport.h"

#include "displaylist/updatestatus.h"

#include <QAbstractProxyModel>
#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace DisplayListExport {

QString formulaSafe(const QString &text)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formulaStarts.contains(text.front()))
        return QLatin1Char('\'') + text;
    return text;
}

QString csvField(const QString &text)
{
    QString field = formulaSafe(text);
    static const QRegularExpression needsQuotes(QStringLiteral("[,\"\r\n]"));
    if (!field.contains(needsQuotes))
        return field;
    field.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + field + QLatin1Char('"');
}

QString csvRecord(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &field : fields)
        quoted << csvField(field);
    return quoted.join(QLatin1Char(',')) + QLatin1String("\r\n");
}

QString tsvLine(const QStringList &fields)
{
    static const QRegularExpression separators(QStringLiteral("[\t\r\n]"));
    QStringList cleaned;
    for (const QString &field : fields)
        cleaned << formulaSafe(field).replace(separators, QStringLiteral(" "));
    return cleaned.join(QLatin1Char('\t')) + QLatin1Char('\n');
}

QString lastUpdateResultText(const DISPLAY_LIST_ENTRY &entry)
{
    // Code Idle has a text of its own ("Idle"), but here it means no update.
    return entry.lastUpdateStatus == UpdateStatus::Idle ? QString()
                                                        : UpdateStatus::statusText(entry.lastUpdateStatus);
}

int sourceRow(const QModelIndex &index)
{
    const auto *proxy = qobject_cast<const QAbstractProxyModel *>(index.model());
    const QModelIndex source = proxy ? proxy->mapToSource(index) : index;
    return source.isValid() ? source.row() : -1;
}

QStringList headerTexts(const QAbstractItemModel &model)
{
    QStringList texts;
    for (int column = 0; column < model.columnCount(); ++column)
        texts << model.headerData(column, Qt::Horizontal).toString();
    texts << QCoreApplication::translate("DisplayListExport", "Last update result", "column title");
    return texts;
}

QStringList rowTexts(const QAbstractItemModel &model, int row, const DisplayList &list)
{
    QStringList texts;
    for (int column = 0; column < model.columnCount(); ++column)
        texts << model.index(row, column).data().toString();
    const int source = sourceRow(model.index(row, 0));
    texts << (source >= 0 && source < list.size() ? lastUpdateResultText(list.at(source)) : QString());
    return texts;
}

QString tsvText(const QAbstractItemModel &model, const QList<int> &rows, const DisplayList &list)
{
    QString text;
    for (int row : rows)
        text += tsvLine(rowTexts(model, row, list));
    return text;
}

bool writeCsvFile(const QString &path, const QAbstractItemModel &model, const DisplayList &list,
                  QString *error)
{
    QString text = csvRecord(headerTexts(model));
    for (int row = 0; row < model.rowCount(); ++row)
        text += csvRecord(rowTexts(model, row, list));
    return writeCsvText(path, text, error);
}

bool writeCsvText(const QString &path, const QString &text, QString *error)
{
    const QByteArray bytes = QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()
        && file.commit();
    if (!written && error)
        *error = file.errorString();
    return written;
}

QString withCsvSuffix(const QString &path)
{
    return QFileInfo(path).suffix().isEmpty() ? path + QLatin1String(".csv") : path;
}

}
