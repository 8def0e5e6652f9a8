#include "lanupdate/updatejournal.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// The context is the one the translation tools give these calls.
QString tr(const char *text, const char *comment = nullptr)
{
    return QCoreApplication::translate("UpdateJournal", text, comment);
}

}

QString UpdateJournal::defaultPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/running-lan-updates.json");
}

int UpdateJournal::stepOf(const DISPLAY_LIST_ENTRY &e)
{
    bool anyProgress = false;
    for (int p : e.componentProgress)
        anyProgress = anyProgress || p >= 0;
    if (e.uploading)
        return Uploading;
    return anyProgress ? Applying : Started;
}

UpdateJournal::Entry UpdateJournal::entryFor(int row, const DISPLAY_LIST_ENTRY &e, const QDateTime &started)
{
    Entry entry;
    entry.row = row;
    entry.model = e.modelName;
    entry.serialNumber = e.serialNumber;
    entry.address = displayAddressText(e.updateAddress());
    entry.step = stepOf(e);
    entry.started = started;
    return entry;
}

bool UpdateJournal::write(const QList<Entry> &entries) const
{
    if (m_path.isEmpty())
        return true;
    if (entries.isEmpty())
        return !QFile::exists(m_path) || QFile::remove(m_path);
    QJsonArray sessions;
    for (const Entry &entry : entries) {
        sessions.append(QJsonObject{{QStringLiteral("row"), entry.row},
                                    {QStringLiteral("model"), entry.model},
                                    {QStringLiteral("serialNumber"), entry.serialNumber},
                                    {QStringLiteral("address"), entry.address},
                                    {QStringLiteral("step"), entry.step},
                                    {QStringLiteral("started"), entry.started.toString(Qt::ISODate)}});
    }
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(QJsonObject{{QStringLiteral("sessions"), sessions}}).toJson(QJsonDocument::Compact));
    return file.commit();
}

bool UpdateJournal::keepInStep(const QList<Entry> &entries)
{
    QList<QPair<int, int>> sessions;
    for (const Entry &entry : entries)
        sessions.append({entry.row, entry.step});
    if (m_inStep && sessions == m_written)
        return true;
    m_inStep = write(entries);
    if (m_inStep) {
        m_written = sessions;
    } else if (!m_failing) {
        qInfo() << (entries.isEmpty() ? "Unable to remove the record of running updates:"
                                      : "Unable to write the record of running updates:")
                << m_path << "Trying again.";
    }
    m_failing = !m_inStep;
    return m_inStep;
}

QList<UpdateJournal::Entry> UpdateJournal::read() const
{
    QList<Entry> entries;
    QFile file(m_path);
    if (m_path.isEmpty() || !file.exists())
        return entries;
    const QJsonDocument document = file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll())
                                                                  : QJsonDocument();
    const QJsonArray sessions = document.object().value(QLatin1String("sessions")).toArray();
    for (const QJsonValue &value : sessions) {
        const QJsonObject o = value.toObject();
        Entry entry;
        entry.row = o.value(QLatin1String("row")).toInt();
        entry.model = o.value(QLatin1String("model")).toString();
        entry.serialNumber = o.value(QLatin1String("serialNumber")).toString();
        entry.address = o.value(QLatin1String("address")).toString();
        entry.step = o.value(QLatin1String("step")).toInt();
        entry.started = QDateTime::fromString(o.value(QLatin1String("started")).toString(), Qt::ISODate);
        entries.append(entry);
    }
    // Something was running even if the record is damaged: say so.
    if (entries.isEmpty())
        entries.append(Entry{-1, QString(), QString(), QString(), Started, QDateTime()});
    return entries;
}

QString UpdateJournal::stepText(int step)
{
    switch (step) {
    case Uploading:
        return tr("uploading the firmware");
    case Applying:
        return tr("applying the firmware");
    default:
        return tr("update started");
    }
}

QString UpdateJournal::reportText(const QList<Entry> &entries)
{
    QString lines;
    for (const Entry &entry : entries) {
        if (entry.row < 0 && entry.model.isEmpty()) {
            lines += tr("(the record of the updates cannot be read)") + QLatin1Char('\n');
            continue;
        }
        lines += tr("%1 (serial number %2) at %3: %4, started %5",
                    "1=model 2=serial number 3=IP address 4=last known step 5=start time")
                     .arg(entry.model, entry.serialNumber, entry.address, stepText(entry.step),
                          entry.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
            + QLatin1Char('\n');
    }
    return tr("The program ended while the firmware of these displays was being updated via LAN:\n\n%1\n"
              "Their update may not have finished. Check each display, refresh its information, and update "
              "it again if it does not report the new firmware.",
              "1=one line per display")
        .arg(lines);
}
