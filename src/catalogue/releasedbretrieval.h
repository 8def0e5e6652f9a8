#pragma once

#include "catalogue/firmwarereleasedb.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class FileDownloader;

// Fetches the release database from the firmware server at start-up,
// compares it with the local copy in the firmware folder, and hands the
// newer of the two to its owner; a newer server document replaces the local
// copy. The main window owns one and calls downloadJsonData() once.
class ReleaseDbRetrieval : public QObject
{
    Q_OBJECT

public:
    // databaseUrl: the document on the firmware server; firmwareFolder: the
    // local firmware folder holding the local copy (empty: no local copy).
    ReleaseDbRetrieval(const QString &firmwareFolder, const QUrl &databaseUrl, QObject *parent = nullptr);

public slots:
    // Starts the download; ends with statusMessage and databaseReady.
    void downloadJsonData();

signals:
    // Text for the main window's status bar (timeoutMs 0: until replaced).
    void statusMessage(const QString &text, int timeoutMs);
    // The working database; loaded when it holds at least one record.
    void databaseReady(const FirmwareReleaseDb &database, bool loaded);

private slots:
    void jsonHandlerStatusChanged(int instance, int status);

private:
    void dropDownloader();

    QString m_firmwareFolder;
    QUrl m_databaseUrl;
    QPointer<FileDownloader> m_downloader;
    int m_nextDownloaderId = 0;
};
