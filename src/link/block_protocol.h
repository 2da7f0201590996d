// The block protocol of the "vt30", "pmx" and "lm50" scales: ASCII records
// in blocks framed by control characters with a check byte, TCP or UDP.
#pragma once

#include "frame/message_table.h"
#include "frame/scale_entry.h"

namespace tolvan {

MessageCode BlockSend(ScaleEntry& scale);
MessageCode BlockReceive(ScaleEntry& scale);

}  // namespace tolvan
