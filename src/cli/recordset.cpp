#include "cli/recordset.h"

#include "displaylist/displaylistexport.h"

#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>

namespace {

bool isWide(uint c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3)
        || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60)
        || (c >= 0xFFE0 && c <= 0xFFE6);
}

int columnsTaken(const QString &text)
{
    int width = 0;
    for (const QChar c : text)
        width += isWide(c.unicode()) ? 2 : 1;
    return width;
}

// A cell keeps to its line.
QString oneLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

}

QString alignedColumns(const QList<QStringList> &rows)
{
    QList<int> widths;
    for (const QStringList &row : rows) {
        for (int i = 0; i < row.size(); ++i) {
            if (i == widths.size())
                widths.append(0);
            widths[i] = std::max(widths.at(i), columnsTaken(oneLine(row.at(i))));
        }
    }
    QString text;
    for (const QStringList &row : rows) {
        QString line;
        for (int i = 0; i < row.size(); ++i) {
            const QString cell = oneLine(row.at(i));
            line += cell;
            if (i + 1 < row.size())
                line += QString(widths.at(i) - columnsTaken(cell) + 2, QLatin1Char(' '));
        }
        // Trailing blanks of empty last cells are no use to anyone.
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        text += line + QLatin1Char('\n');
    }
    return text;
}

QJsonArray RecordSet::toJson() const
{
    QJsonArray array;
    for (const QVariantList &values : m_records) {
        QJsonObject object;
        for (int i = 0; i < m_fields.size(); ++i) {
            if (m_fields.at(i).kind != RecordField::TextOnly)
                object.insert(m_fields.at(i).key, QJsonValue::fromVariant(values.value(i)));
        }
        array.append(object);
    }
    return array;
}

QStringList RecordSet::titles() const
{
    QStringList titles;
    for (const RecordField &field : m_fields) {
        if (field.kind != RecordField::JsonOnly)
            titles << field.title;
    }
    return titles;
}

QStringList RecordSet::textRow(const QVariantList &values) const
{
    QStringList texts;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields.at(i).kind == RecordField::JsonOnly)
            continue;
        const QVariant value = values.value(i);
        // A list (JSON array) reads as one text.
        texts << (value.userType() == QMetaType::QStringList ? value.toStringList().join(QStringLiteral(", ")) : value.toString());
    }
    return texts;
}

QString RecordSet::toCsv() const
{
    QString csv = DisplayListExport::csvRecord(titles());
    for (const QVariantList &values : m_records)
        csv += DisplayListExport::csvRecord(textRow(values));
    return csv;
}

QString RecordSet::toTable() const
{
    QList<QStringList> rows{titles()};
    for (const QVariantList &values : m_records)
        rows.append(textRow(values));
    return alignedColumns(rows);
}
