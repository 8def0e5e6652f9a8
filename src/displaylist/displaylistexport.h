#pragma once

#include "displaylist/displaylistentry.h"

#include <QList>
#include <QString>
#include <QStringList>

class QAbstractItemModel;
class QModelIndex;

// The display table as text for other programs: a CSV file of the whole
// table and tab-separated lines for the clipboard. Both carry every column
// of the table model, hidden or not, plus the result of the display's last
// update, in the order the table shows its rows.
namespace DisplayListExport {

// Texts come from the displays (anyone with access to one sets its asset
// tag), and spreadsheet programs run a field starting with "=", "+", "-",
// "@", TAB or CR as a formula: such a field gets a leading single quote.
QString formulaSafe(const QString &text);

// One CSV field: quoted, inner quotes doubled, when it holds a comma, a
// double quote, CR or LF.
QString csvField(const QString &text);
// One CSV record: fields joined by commas, ended by CRLF.
QString csvRecord(const QStringList &fields);
// One clipboard line: fields joined by tabs, ended by "\n"; tabs and line
// breaks inside a field become single spaces.
QString tsvLine(const QStringList &fields);

// The text of the last update's result; empty when the display has had none.
QString lastUpdateResultText(const DISPLAY_LIST_ENTRY &entry);

// The row of the source model behind `index` of a proxy (or of the model
// itself), or -1.
int sourceRow(const QModelIndex &index);

// Column titles: the model's, then "Last update result".
QStringList headerTexts(const QAbstractItemModel &model);
// The texts of `row` of `model`, a view of the table model over `list`.
QStringList rowTexts(const QAbstractItemModel &model, int row, const DisplayList &list);

// The clipboard text of `rows` of `model`, in the given order.
QString tsvText(const QAbstractItemModel &model, const QList<int> &rows, const DisplayList &list);

// Writes `text` (CSV records) as a UTF-8 file with a byte-order mark, so
// that spreadsheet programs read Japanese texts. The file is replaced whole
// or not at all; on failure `error`, when given, tells why.
bool writeCsvText(const QString &path, const QString &text, QString *error);

// Writes the header and every row of `model` as a CSV file (writeCsvText).
bool writeCsvFile(const QString &path, const QAbstractItemModel &model, const DisplayList &list,
                  QString *error);

// The operator's file name, with ".csv" added when it has no suffix.
QString withCsvSuffix(const QString &path);

}
