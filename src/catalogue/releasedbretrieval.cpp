#include "catalogue/releasedbretrieval.h"

#include "catalogue/firmwarefolder.h"
#include "catalogue/releasedbselection.h"
#include "download/filedownloader.h"

#include <QDebug>

ReleaseDbRetrieval::ReleaseDbRetrieval(const QString &firmwareFolder, const QUrl &databaseUrl,
                                       QObject *parent)
    : QObject(parent)
    , m_firmwareFolder(firmwareFolder)
    , m_databaseUrl(databaseUrl)
{
}

void ReleaseDbRetrieval::downloadJsonData()
{
    dropDownloader();
    // A server that takes the connection but never answers would otherwise
    // hold the start-up (and the first search) for good; when nothing arrives
    // for the stall time-out the local copy is used instead. A slow proxy or
    // name look-up gets as long before the first byte.
    m_downloader = new FileDownloader(++m_nextDownloaderId, true, m_databaseUrl, QString(),
                                      QByteArray(), this);
    m_downloader->setReplyTimerMode(FileDownloader::ReplyTimerMode::Stall);
    connect(m_downloader, &FileDownloader::statusChanged, this,
            &ReleaseDbRetrieval::jsonHandlerStatusChanged);
    m_downloader->start();
    qInfo() << "Starting download of json DB";
}

void ReleaseDbRetrieval::jsonHandlerStatusChanged(int instance, int status)
{
    if (!m_downloader || instance != m_nextDownloaderId)
        return; // a superseded download

    const QString localPath =
        m_firmwareFolder.isEmpty() ? QString() : localReleaseDatabasePath(m_firmwareFolder);
    const QByteArray body = m_downloader->data();
    const ReleaseDbChoice choice = chooseReleaseDb(status, body, loadLocalDatabase(localPath));
    if (choice.fromServer && !localPath.isEmpty() && !writeLocalCopy(localPath, body))
        qInfo() << "Unable to write local json file" << localPath;
    dropDownloader();

    emit statusMessage(choice.statusText, choice.statusTimeoutMs);
    emit databaseReady(choice.database, choice.loaded);
}

void ReleaseDbRetrieval::dropDownloader()
{
    if (!m_downloader)
        return;
    disconnect(m_downloader, nullptr, this, nullptr);
    m_downloader->deleteLater();
    m_downloader = nullptr;
}
