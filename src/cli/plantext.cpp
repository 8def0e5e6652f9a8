#include "cli/plantext.h"

#include "cli/recordset.h"
#include "dialogs/updatecautions.h"

#include <QRegularExpression>

namespace PlanText {

namespace {

QString decodeReferences(QString text)
{
    static const QRegularExpression numeric(QStringLiteral("&#(x?)([0-9a-fA-F]+);"));
    QRegularExpressionMatch match;
    int from = 0;
    while ((match = numeric.match(text, from)).hasMatch()) {
        bool ok = false;
        const uint code = match.captured(2).toUInt(&ok, match.captured(1).isEmpty() ? 10 : 16);
        const QString replacement = ok ? QString::fromUcs4(&code, 1) : QString();
        text.replace(match.capturedStart(), match.capturedLength(), replacement);
        from = match.capturedStart() + replacement.size();
    }
    text.replace(QLatin1String("&quot;"), QLatin1String("\""));
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&nbsp;"), QLatin1String(" "));
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return text;
}

}

QString plainText(const QString &html)
{
    static const QRegularExpression breaks(QStringLiteral("<br\\s*/?>|</p>"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    QString text = html;
    text.replace(breaks, QStringLiteral("\n"));
    text.remove(tags);
    // What a dropped picture leaves behind.
    QStringList lines = decodeReferences(text).split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = line.simplified();
    return lines.join(QLatin1Char('\n'));
}

QList<QStringList> tableCells(const QString &html)
{
    static const QRegularExpression rowPattern(QStringLiteral("<tr[^>]*>(.*?)</tr>"),
                                               QRegularExpression::CaseInsensitiveOption
                                                   | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression cellPattern(QStringLiteral("<t[dh][^>]*>(.*?)</t[dh]>"),
                                                QRegularExpression::CaseInsensitiveOption
                                                    | QRegularExpression::DotMatchesEverythingOption);
    QList<QStringList> rows;
    QRegularExpressionMatchIterator rowMatches = rowPattern.globalMatch(html);
    while (rowMatches.hasNext()) {
        QStringList cells;
        QRegularExpressionMatchIterator cellMatches = cellPattern.globalMatch(rowMatches.next().captured(1));
        while (cellMatches.hasNext())
            cells << plainText(cellMatches.next().captured(1)).simplified();
        rows.append(cells);
    }
    return rows;
}

QString confirmation(const UpdateQueue::ConfirmationTexts &texts)
{
    return plainText(texts.heading) + QLatin1Char('\n') + alignedColumns(tableCells(texts.table))
        + QLatin1Char('\n') + notes(texts) + QLatin1Char('\n');
}

QString notes(const UpdateQueue::ConfirmationTexts &texts)
{
    QString below = texts.below;
    if (below.endsWith(texts.question))
        below.chop(texts.question.size());
    return plainText(below).trimmed();
}

QString cautions()
{
    QString text = plainText(UpdateCautions::heading()) + QLatin1Char('\n');
    const QStringList items = UpdateCautions::items();
    for (int i = 0; i < items.size(); ++i)
        text += QStringLiteral("%1. %2\n").arg(i + 1).arg(plainText(items.at(i)));
    return text;
}

}
