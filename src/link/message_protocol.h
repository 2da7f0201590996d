// The message protocol of the "meriopro" and "vt40" scales: binary messages
// with an 8-byte header and packed decimal numbers, over TCP. A session is
// opened with message 80 and closed with message 81, and the scale expects
// a fresh connection for every step in between. The frames themselves
// (headers, status reply, record header, totals reset numbers) are in
// link/message_frames.h. Uses the link of link/scale_link.h, the dispatches
// of records/record_dispatch.h and the records of files/record_source.h.
#pragma once

#include "core/message_table.h"
#include "core/scale_entry.h"
#include "link/message_frames.h"

namespace tolvan {

// Most records the scale takes in one message.
inline constexpr int kMaxBatchRecords = 100;

// Sends the run's records (or the scale's resend file) in batches of up to
// 100 records of one data type and mode, each on a fresh connection. 0 when
// the records ran out without error; else the first failure's code
// (18, 21, 22, 25, 26, 27, 28), already written to the scale log.
MessageCode MessageSend(ScaleEntry& scale);

// Requests the scale's records of scale.dataType and hands each to
// handleReceivedRecord; resets totals after a totals receive. 0, or the
// failure's code (17, 18, 21, 22, 26, 27, 28), already in the scale log.
MessageCode MessageReceive(ScaleEntry& scale);

// Reads one status reply (8 + 12 bytes, whatever the header's length says)
// and judges it: 0, 25 or 26 (logged), or the read's own 22 or 28.
MessageCode ReadStatusReply(ScaleEntry& scale);

// The scale's answer to an upload request, read on the open connection:
// the reply header, then every record it announces handed to
// handleReceivedRecord; or the scale's error status. 0, or the failure's
// code (22, 26, 28), already in the scale log.
MessageCode ReceiveDataReply(ScaleEntry& scale);

// Opens a session (message 80), waiting out a busy scale for at most
// scale.connectTimeout seconds; 27 when it stays busy.
MessageCode MessageStart(ScaleEntry& scale);
// Closes a session (message 81); the scale's answer is read and dropped.
void MessageEnd(ScaleEntry& scale);

}  // namespace tolvan
