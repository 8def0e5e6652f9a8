#pragma once

#include "catalogue/firmwarerelease.h"

#include <QObject>
#include <QStringList>

class DriveSource;

// Puts a release's firmware files from the firmware folder onto a drive:
// old firmware files in the drive's root go, the release's folder on the
// drive is emptied (or made), each file is copied under a partial name,
// flushed to the device, verified against its digest and only then given
// its real name; a file that fails is removed, so that the drive never
// holds part of a file under a firmware name. Runs on the caller's thread;
// between blocks it lets pending events other than user input run for a
// moment, so that a window stays painted. Names from the release database
// never lead outside the drive's root.
class UsbDriveCopy : public QObject
{
    Q_OBJECT

public:
    enum Result {
        Success = 0,
        InvalidDrive = -1,
        CopyFailed = -3,
        VerifyFailed = -4,
        SourceMissing = -5,
        DeleteFailed = -6,
        NotEnoughSpace = -7,
    };

    UsbDriveCopy(const FirmwareRelease &release, const QString &sourceFolder, DriveSource &drives,
                 QObject *parent = nullptr);

    // Firmware files (*.jbc, *.pac, *.bin, *.hex) in the root folder of a drive.
    static QStringList existingFirmwareFiles(const QString &rootPath);

    // A folder below the drive's root: parts separated by "/" or "\", each a
    // plain name (no "..", colon, control character or empty part).
    static bool isSafeFolderName(const QString &folder);

    // Copies and verifies; one of Result.
    int run(const QString &rootPath);

    // The message for a failed result.
    static QString resultText(int result);

signals:
    // value of total (200 per file: copying, then verifying), with what is being done.
    void progressChanged(int instance, int m_progressValue, int m_progressTotal, QString m_progressMessage);

private:
    // Copies, verifies and names one file; one of Result.
    int place(const UnpackedFileInfo &file, const QString &source, const QString &target, int progressBase);
    int copyFile(const QString &source, const QString &target, int progressBase);
    bool verifyFile(const QString &target, const QString &checksum, int progressBase);
    void report(int value, const QString &message);

    FirmwareRelease m_release;
    QString m_sourceFolder;
    DriveSource &m_drives;
    int m_total = 0;
    int m_lastValue = -1;
    QString m_lastMessage;
};
