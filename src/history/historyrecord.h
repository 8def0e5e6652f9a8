#pragma once

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

// One entry of the update history: a LAN update session that ended (or
// that the journal reported as interrupted at the next start), firmware
// downloaded for offline use, or a USB drive prepared. Texts are kept as
// the operator saw them (the outcome is the status text), so that the
// record still reads the same after the program has changed.
struct HistoryRecord
{
    enum class Kind { LanUpdate, OfflineDownload, UsbDrive };

    qint64 id = 0;   // given by the store; 0 until written
    QString key;     // the writer's handle for completing the record later
    Kind kind = Kind::LanUpdate;
    QDateTime started; // UTC
    QDateTime ended;   // UTC
    QString model;
    QString serialNumber;
    QString assetTag;
    QString address;
    QString macAddress;
    QString firmwareBefore; // as the display reported it
    QString firmwareAfter;  // as the display reported it after the update; empty until checked
    QString releaseVersion;
    QString dialect;
    QString outcome; // the status text, e.g. "Success" or "Error: Timeout."
    QString check;   // the post-update check's text
    QStringList files;
    QStringList digests;
    QString drive;

    // Seconds from start to end; -1 when either is unknown.
    qint64 durationSecs() const;

    // The kind as the database and `vdfu history --format json` name it
    // ("lanUpdate", "offlineDownload", "usbDrive"); stable across releases.
    static QString kindKey(Kind kind);
    // LanUpdate for a key this build does not know.
    static Kind kindFromKey(const QString &key);
};

Q_DECLARE_METATYPE(HistoryRecord)

using HistoryRecords = QList<HistoryRecord>;

// The columns of the history as the window, its CSV export and `vdfu
// history` show them: one definition, so the three never disagree.
namespace HistoryColumns {

// What an operator looks for first (which display, from which version to
// which, how it ended) comes first.
enum Column {
    Started, Kind, Model, SerialNumber, Address, FirmwareBefore, FirmwareAfter,
    Outcome, Check, Duration, Ended, ReleaseVersion, Dialect, AssetTag,
    MacAddress, Files, Digests, Drive, Count
};

// Translated titles, in column order.
QStringList headerTexts();
// The text of one column of the record (times in local time, ISO-like).
QString text(const HistoryRecord &record, int column);
// The record's texts, in column order.
QStringList rowTexts(const HistoryRecord &record);
// The columns the window's text filter searches.
QList<int> filterColumns();
// Seconds as "h:mm:ss"; empty for a negative (unknown) duration.
QString durationText(qint64 secs);
// The kind's translated text ("LAN update", "Offline download", "USB drive").
QString kindText(HistoryRecord::Kind kind);

}
