#pragma once

#include "lanupdate/updatequeue.h"

#include <QList>
#include <QString>
#include <QStringList>

// The window's rich texts about an update (the confirmation and the
// cautions) as plain text for a terminal or a log: the same words, with the
// confirmation's table in aligned columns.
namespace PlanText {

// Line breaks and paragraph ends become line ends, other tags are dropped,
// character references are decoded.
QString plainText(const QString &html);
// The rows of an HTML table, header row first, each cell as plain text.
QList<QStringList> tableCells(const QString &html);

// Heading, table, notes and time estimate; the question is left to the caller.
QString confirmation(const UpdateQueue::ConfirmationTexts &texts);
// The notes and the time estimate below the table.
QString notes(const UpdateQueue::ConfirmationTexts &texts);
// The cautions' heading and the numbered cautions.
QString cautions();

}
