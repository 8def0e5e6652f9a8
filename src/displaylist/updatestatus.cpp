#include "displaylist/updatestatus.h"

#include <QCoreApplication>

namespace UpdateStatus {

bool isFailure(int code)
{
    return (code >= UploadRetrying && code <= HttpCommError) || code == UpdateFailed;
}

QString statusText(int code)
{
    switch (code) {
    case UploadRetrying:
        return QCoreApplication::translate("HttpClient", "Upload failed. Retrying...");
    case UploadRetryFailed:
        return QCoreApplication::translate("HttpClient", "Error: Upload retry failed.");
    case Timeout:
        return QCoreApplication::translate("HttpClient", "Error: Timeout.");
    case UploadFailed:
        return QCoreApplication::translate("HttpClient", "Error: Unable to upload file.");
    case HttpCommError:
        return QCoreApplication::translate("HttpClient", "Error: Unable to communicate via HTTP.");
    case Idle:
        return QCoreApplication::translate("HttpClient", "Idle");
    case Queued:
        return QCoreApplication::translate("HttpClient", "Queued");
    case Running:
        return QCoreApplication::translate("HttpClient", "Running");
    case Complete:
        return QCoreApplication::translate("HttpClient", "Complete.");
    case UpdateFailed:
        return QCoreApplication::translate("HttpClient", "Error: Update failed.");
    default:
        return QString();
    }
}

}
