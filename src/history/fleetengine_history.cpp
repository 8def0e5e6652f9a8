// The engine's side of the update history: a record for every LAN update
// session that ends and for every session that the journal reports as
// interrupted. The check after an update completes its session's record
// (fleetengine_lanupdate.cpp).
#include "app/fleetengine.h"

#include "displaylist/displaycolumns.h"
#include "history/updatehistory.h"
#include "lanupdate/updaterequests.h"

#include <QUuid>

namespace {

// The update method as an operator may name it when asking about a display.
QString dialectText(SeriesId series)
{
    switch (LanUpdate::dialectForSeries(series)) {
    case LanUpdate::Dialect::Legacy:
        return FleetEngine::tr("Legacy upload");
    case LanUpdate::Dialect::Cgi:
        return FleetEngine::tr("CGI upload");
    case LanUpdate::Dialect::Chunked:
        return FleetEngine::tr("Chunked upload");
    case LanUpdate::Dialect::Timed:
        return FleetEngine::tr("Timed upload");
    case LanUpdate::Dialect::Keyed:
        return FleetEngine::tr("Keyed upload");
    case LanUpdate::Dialect::None:
        break;
    }
    return QString();
}

}

QString FleetEngine::recordUpdateSession(int row, const QDateTime &started, const QString &firmwareBefore)
{
    if (!m_history)
        return QString();
    const DISPLAY_LIST_ENTRY &entry = m_displayList.at(row);
    HistoryRecord record;
    record.key = QUuid::createUuid().toString(QUuid::WithoutBraces);
    record.kind = HistoryRecord::Kind::LanUpdate;
    record.started = started;
    record.ended = QDateTime::currentDateTimeUtc();
    record.model = entry.modelName;
    record.serialNumber = entry.serialNumber;
    record.assetTag = entry.assetTag;
    record.address = displayAddressText(entry.ipAddress);
    record.macAddress = entry.macAddress;
    record.firmwareBefore = firmwareBefore;
    record.releaseVersion = entry.latestVersion;
    record.dialect = dialectText(entry.seriesId);
    record.outcome = DisplayColumns::lastUpdateText(entry);
    m_history->add(record);
    return record.key;
}

void FleetEngine::recordInterruptedUpdates(const QList<UpdateJournal::Entry> &entries)
{
    if (!m_history)
        return;
    for (const UpdateJournal::Entry &entry : entries) {
        HistoryRecord record;
        record.kind = HistoryRecord::Kind::LanUpdate;
        record.started = entry.started;
        record.model = entry.model;
        record.serialNumber = entry.serialNumber;
        record.address = entry.address;
        record.outcome = tr("Interrupted by the end of the program (last step: %1)", "1=step of the update")
                             .arg(UpdateJournal::stepText(entry.step));
        m_history->add(record);
    }
}
