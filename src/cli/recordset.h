#pragma once

#include <QJsonArray>
#include <QList>
#include <QString>
#include <QVariantList>

// Records for other programs and for people: every record has the same
// named fields, written as a JSON array of objects (keys), as CSV or as
// aligned columns (titles). A field may belong to one side only: codes and
// flags that a person reads from the texts go to JSON alone; a text that
// JSON carries in separate fields goes to the columns alone.
struct RecordField
{
    enum Kind { Both, JsonOnly, TextOnly };
    QString key;   // JSON object key; stable
    QString title; // column title; translated
    Kind kind = Both;
};

class RecordSet
{
public:
    explicit RecordSet(const QList<RecordField> &fields) : m_fields(fields) {}

    // One value per field, in field order: a text, number or bool.
    void append(const QVariantList &values) { m_records.append(values); }
    int size() const { return m_records.size(); }

    QJsonArray toJson() const;
    // Titles, then one CRLF-ended record per line; fields made formula-safe
    // as the window's export does.
    QString toCsv() const;
    // Titles, then the records, in columns padded to their widest text
    // (wide East Asian characters count twice).
    QString toTable() const;

private:
    QStringList textRow(const QVariantList &values) const;
    QStringList titles() const;

    QList<RecordField> m_fields;
    QList<QVariantList> m_records;
};

// Columns of text, each padded to its widest cell, separated by two blanks.
QString alignedColumns(const QList<QStringList> &rows);
