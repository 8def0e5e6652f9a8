#pragma once

#include "displaylist/displaylistentry.h"

#include <QList>
#include <QPair>
#include <QString>

// What the information panel shows of the release record found for a row.
struct PanelReleaseFacts
{
    bool found = false;
    // Power LED blink codes and their texts: in progress, finished, error.
    int ledCodes[3] = {0, 0, 0};
    QString ledTexts[3];
    // Documentation links: (name, url).
    QList<QPair<QString, QString>> documentation;
};

// What the panel needs to know about the main window's state.
struct PanelContext
{
    bool startupFinished = false;
    bool searching = false;
    bool databaseLoaded = false;
    int rowCount = 0;
};

// The HTML of the information panel below the display table: what is wrong
// with the display or what must be done around its update, its firmware and
// changes, update facts and documentation links. entry == nullptr gives the
// general hints shown when no row is current.
QString buildDisplayInfoHtml(const DISPLAY_LIST_ENTRY *entry, const PanelReleaseFacts &release,
                             const PanelContext &context);
