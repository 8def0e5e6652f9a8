#include "download/downloadstatus.h"

#include <QCoreApplication>

namespace DownloadStatus {

QString statusText(int code)
{
    switch (code) {
    case Success:
        return QCoreApplication::translate("DownloadStatus", "No error");
    case ChecksumFailed:
        return QCoreApplication::translate("DownloadStatus",
                                           "Error: Download file is corrupted (checksum failed).");
    case WriteFailed:
        return QCoreApplication::translate("DownloadStatus", "Error: Unable to save the firmware file.");
    case DeleteFailed:
        return QCoreApplication::translate("DownloadStatus",
                                           "Error: Unable to delete existing firmware file.");
    case TransferFailed:
        return QCoreApplication::translate(
            "DownloadStatus",
            "An error occurred while downloading the firmware. Check Internet connectivity and try again.");
    case ExtractFailed:
        return QCoreApplication::translate("DownloadStatus", "Error: Unable to extract the firmware file.");
    case NotAsListed:
        return QCoreApplication::translate("DownloadStatus",
                                           "Error: The firmware files do not match the firmware database.");
    default:
        return QCoreApplication::translate("DownloadStatus", "Unknown error: %1").arg(code);
    }
}

}
