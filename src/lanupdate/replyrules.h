#pragma once

#include "lanupdate/updaterequests.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// How a display's replies during a firmware update are judged. Each rule
// returns a small result code that the session turns into a state change;
// rules that touch the component slots work on a SlotState value.
namespace LanUpdate {

// The session's per-slot view that the rules read and change.
struct SlotState
{
    SlotFlags pending{};
    SlotValues progress{-1, -1, -1, -1, -1, -1};
    SlotValues status{};
};

// Next pending slot after `slot` (up to 5); -1 when there is none.
int nextPendingSlot(const SlotFlags &pending, int slot);

// OK check: the body without CR and LF is exactly "OK" (0), else -1.
int okCheck(const QByteArray &body);

// Finds "key": values one after another; the read position starts at 0.
class KeyScanner
{
public:
    explicit KeyScanner(const QByteArray &body) : m_body(body) {}
    // The next value of `key`, trimmed, without double quotes and "}";
    // empty when the key, its colon or an end mark is missing.
    QString next(const QByteArray &key);

private:
    QByteArray m_body;
    int m_position = 0;
};

// Whole trimmed text as a decimal integer.
bool toNumber(const QString &value, int *number);

// Upload state of slot `slot` (-1: none): 1 ready or confirmed, 0 not yet, -1 error.
int uploadState(const QByteArray &body, int slot);
// File check over all pending slots from `*checkSlot`, which moves on as
// slots are confirmed: 1 all confirmed, 0 not yet, -1 error at `*checkSlot`.
int fileCheckAllPending(const QByteArray &body, const SlotFlags &pending, int *checkSlot);
// Update result from `*slot` on; finished slots get status 3 (done) or -4
// and leave the pending set. 1 all finished, 0 in progress at `*slot`.
int updateResult(const QByteArray &body, SlotState *state, int *slot);
// The upload state reads 1: the display waits for a firmware file.
bool awaitsFile(const QByteArray &body);
// The file check percentage (paccheck_result); -1 when the body has none.
int checkPercent(const QByteArray &body);
// After the last slot: 4 if any slot failed (-4), else 3.
int finalStatus(const SlotValues &status);

// Legacy upload reply: 0 written, 3 still writing, -1 failed.
int legacyUploadReply(const QByteArray &body);

// Chunked dialect: comments and trailing commas dropped, then parsed; an
// unparsable body gives an empty object.
QJsonObject lenientJson(const QByteArray &body);
// Its file check reply: 1 confirmed, 0 not yet, -1 error (failed slots get -2).
int chunkedFileCheck(const QJsonObject &reply, SlotState *state, int *checkSlot);
// Its update result reply: 1 done, 0 in progress, -1 failed, and -1 for a
// reply that is none: without an update_sts array, or whose first entry
// lacks its Firmware or result_code numbers.
int chunkedUpdateResult(const QJsonObject &reply, SlotState *state, int *slot);

// Keyed upload reply by HTTP status: 0 accepted (200), -1 rejected.
int keyedUploadReply(int httpStatus);

}
