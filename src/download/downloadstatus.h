#pragma once

#include <QString>

// Final status codes of a download run (FileDownloader) and of the
// download-verify-extract job built on it, with their operator-facing texts.
namespace DownloadStatus {
enum Code {
    Success = 0,
    ChecksumFailed = 10000,
    WriteFailed = 10001,
    DeleteFailed = 10002,
    TransferFailed = 10003,
    ExtractFailed = 10004,
    // What the download and extraction left is not what the release lists:
    // a file is missing or of another size.
    NotAsListed = 10005,
};

// The text shown when a download ends with `code`; codes outside the table
// read "Unknown error: <code>".
QString statusText(int code);
}
