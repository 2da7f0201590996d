// The message protocol of the "meriopro" and "vt40" scales: binary messages
// with an 8-byte header and packed decimal numbers, over TCP.
#pragma once

#include "frame/message_table.h"
#include "frame/scale_entry.h"

namespace tolvan {

// Sends the run's records (or the scale's resend file) in batches.
MessageCode MessageSend(ScaleEntry& scale);
// Requests the scale's records of scale.dataType and hands each to
// handleReceivedRecord; resets totals after a totals receive.
MessageCode MessageReceive(ScaleEntry& scale);

}  // namespace tolvan
