// PLU records sent by a scale: parses the message-family body or the
// block-family text into a new PluRecord and adds it to the shared record
// list (first arrival of a PLU number wins).
#pragma once

#include <cstdint>
#include <span>

#include "core/scale_entry.h"

namespace tolvan {

// The record alone, as a new heap block (std::free) the caller owns; null
// for a model of neither family.
void* parseReceivedPlu(const ScaleEntry& scale, std::span<const uint8_t> data);
bool handleReceivedPlu(ScaleEntry& scale, std::span<const uint8_t> data);

}  // namespace tolvan
