#pragma once

#include <QString>

// Status codes of a display's LAN update session, shared by the session,
// the update queue, the display list and the information panel.
namespace UpdateStatus {
enum Code {
    UploadRetrying = -5,
    UploadRetryFailed = -4,
    Timeout = -3,
    UploadFailed = -2,
    HttpCommError = -1,
    Idle = 0,
    Queued = 1,
    Running = 2,
    Complete = 3,
    UpdateFailed = 4,
};

// The session ended in a failure (-5 to -1, or 4).
bool isFailure(int code);
// The operator-facing text of a status code; unknown codes give an empty text.
QString statusText(int code);
}
