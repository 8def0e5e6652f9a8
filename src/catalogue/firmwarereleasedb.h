#pragma once

#include "catalogue/firmwarerelease.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMetaType>
#include <QString>

// The parsed firmware release database: the header and the releases in
// document order, with the lookups that match displays and models to them.
// Lookups go through an index by model name, so matching a long display list
// against a large database does not scan every record for every row.
class FirmwareReleaseDb
{
public:
    // Which localised texts the parse takes: with Japanese, non-empty "_ja"
    // twins replace their base texts.
    enum class TextLanguage { Other, Japanese };

    // The language of the process's default locale.
    static TextLanguage defaultTextLanguage();

    // Fills the database from one JSON document. 0: success; -1: not JSON;
    // -2: "info" missing or not an object; -3: the document is not an object,
    // or "firmware" is missing or not an array. Wrong value types inside the
    // document never fail the parse: they read as defaults.
    int parse(const QByteArray &json);
    int parse(const QByteArray &json, TextLanguage language);

    // Drops every record and the header, leaving database version 0; returns 0.
    int clear();

    int count() const { return int(m_records.size()); }

    // Copies record index; 0, or -1 when index is out of range.
    int recordAt(int index, FirmwareRelease &release) const;

    // The first record, in database order, that lists modelName (ignoring
    // case) and whose serial-number condition holds for serialNumber.
    // 0 with a copy of it, or -1 when none matches.
    int findForDisplay(const QString &modelName, const QString &serialNumber,
                       FirmwareRelease &release) const;

    // Indices, ascending, of every record that lists modelName (ignoring case),
    // whatever its serial-number condition.
    QList<int> indicesForModel(const QString &modelName) const;

    void info(ReleaseDbInfo &header) const { header = m_info; }
    int databaseVersion() const { return m_info.databaseVersion; }

private:
    void rebuildModelIndex();

    ReleaseDbInfo m_info;
    QVector<FirmwareRelease> m_records;
    QHash<QString, QList<int>> m_indicesByModel; // key: case-folded model name
};

Q_DECLARE_METATYPE(FirmwareReleaseDb)

// Whether serialNumber satisfies the release's serial-number condition.
bool serialNumberMatches(const FirmwareRelease &release, const QString &serialNumber);

// Display text (rich text, translated) of a power LED blink code.
QString powerLEDBlinkCodeToString(int code);
