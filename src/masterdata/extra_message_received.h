// Extra messages and coupons sent by a scale: parses the message-family
// body or the block-family text into a new ExMsgRecord of the scale's
// current data type and adds it to the shared record list (first arrival
// of a message number wins).
#pragma once

#include <cstdint>
#include <span>

#include "core/scale_entry.h"

namespace tolvan {

// False, keeping nothing, for a type outside 2 to 5 or a model of neither
// family. A block record whose number is missing or 0 is kept as message
// number 0 without text.
// The record alone, as a new heap block (std::free) the caller owns; null
// where handleReceivedExMsg keeps nothing.
void* parseReceivedExMsg(const ScaleEntry& scale, std::span<const uint8_t> data);
bool handleReceivedExMsg(ScaleEntry& scale, std::span<const uint8_t> data);

}  // namespace tolvan
