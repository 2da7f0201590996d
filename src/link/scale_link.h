// The per-scale socket link both protocol families are built on: connect,
// close, reconnect, receive with a wait, exact receive with a deadline, and
// the send rule. Uses the scale's driver for its clock and sleeper.
//
// The worker owns the link; the main thread only ever shuts the socket down
// (ScaleShutdown, core/scale_entry.h) to wake a worker it has given up on. Storing, closing and
// shutting down the handle all happen under scale.guard, so a shutdown never
// reaches a handle that has already been closed and reused.
#pragma once

#include <cstdint>
#include <span>

#include "core/message_table.h"
#include "core/scale_entry.h"
#include "link/scale_log.h"

namespace tolvan {

// Message-family scales are forced to TCP. Gives up after the scale's
// connect time-out (at least 1 second). Logs 18 on failure. An abandoned
// worker, or one out of time or stopped, does not get a new socket (false,
// nothing more logged).
bool ScaleConnect(ScaleEntry& scale);
// Closes the socket if open and sets scale.socket to kNoSocket. The worker
// closes its own socket even after it was abandoned, so nothing leaks.
void ScaleClose(ScaleEntry& scale);
// Close, 1000 ms pause, connect; once more at once if that fails.
bool ScaleReconnect(ScaleEntry& scale);
// Waits up to `waitSeconds` and reads once: 0 (count may be 0) or 22; 28
// once the operation's time limit or stall limit (operationDeadline) has
// run out, which the first step to find it reports in the scale log. Every
// wait, connect and send of the link is cut short at that limit.
// On UDP, bytes still held from the last datagram are handed out at once,
// without waiting on the socket. Once the worker is abandoned every read
// fails with 22 (nothing is logged then), so no read loop outlives it.
MessageCode ScaleReceive(ScaleEntry& scale, std::span<uint8_t> buffer, int& count, int waitSeconds);
// Reads exactly buffer.size() bytes before the receive time-out: 0, 22 or 28.
// A TCP peer that has closed can send nothing more, so it gives 28 at once
// instead of polling until the deadline.
MessageCode ScaleReceiveExact(ScaleEntry& scale, std::span<uint8_t> buffer);
// Sends the whole buffer within the receive time-out; logged as `logAs` on
// success, 21 on a short or failed send (reported in the scale log). An
// abandoned worker sends nothing (21, nothing logged).
MessageCode ScaleSend(ScaleEntry& scale, std::span<const uint8_t> bytes, ScaleLogKind logAs = ScaleLogKind::Send);

// A pause the scale needs before the driver's next step; the stall clock
// starts afresh after it. None once the worker has met the run's stop.
void ScalePause(ScaleEntry& scale, int milliseconds);
// The scale completed a record or a block: the stall clock starts afresh.
void ScaleProgress(ScaleEntry& scale);
// Asked before the next record, batch or totals reset, and by the main
// thread before it starts a scale or cuts it: true when the run is being
// stopped (SIGINT, SIGTERM). The first time, the scale log says so and tally.stopped is set;
// from then on the link opens no connection, sends nothing and makes no
// pause (quietly), so the procedure winds up without another step.
bool ScaleStopping(ScaleEntry& scale);

}  // namespace tolvan
