// The per-scale socket link both protocol families are built on: connect,
// close, reconnect, receive with a wait, exact receive with a deadline, and
// the send rule. Uses the scale's driver for its clock and sleeper.
#pragma once

#include <cstdint>
#include <span>

#include "frame/message_table.h"
#include "frame/scale_entry.h"
#include "link/scale_log.h"

namespace tolvan {

// Message-family scales are forced to TCP. Logs 18 on failure.
bool ScaleConnect(ScaleEntry& scale);
void ScaleClose(ScaleEntry& scale);
// Close, 1000 ms pause, connect; once more at once if that fails.
bool ScaleReconnect(ScaleEntry& scale);
// Waits up to `waitSeconds` and reads once: 0 (count may be 0) or 22.
MessageCode ScaleReceive(ScaleEntry& scale, std::span<uint8_t> buffer, int& count, int waitSeconds);
// Reads exactly buffer.size() bytes before the receive time-out: 0, 22 or 28.
MessageCode ScaleReceiveExact(ScaleEntry& scale, std::span<uint8_t> buffer);
// One send of the whole buffer; logged as `logAs` on success, 21 on a short
// send (reported in the scale log).
MessageCode ScaleSend(ScaleEntry& scale, std::span<const uint8_t> bytes, ScaleLogKind logAs = ScaleLogKind::Send);

}  // namespace tolvan
