// Nutrition panels sent back by a scale: the message-family body of
// message 46, or the 126-character block text of "vt30" and "pmx", read
// into a new NutritionRecord that joins the shared record list (the first
// arrival of a nutrition number wins). "lm50" texts carry too little to
// read back and models of neither family send nothing readable: for them
// nothing is kept.
#pragma once

#include <cstdint>
#include <span>

#include "core/scale_entry.h"

namespace tolvan {

// `data` is the record body (message family) or record text (block
// family). A record cut short keeps the fields it holds.
// The record alone, as a new heap block (std::free) the caller owns; null
// where handleReceivedNutrition keeps nothing.
void* parseReceivedNutrition(const ScaleEntry& scale, std::span<const uint8_t> data);
bool handleReceivedNutrition(ScaleEntry& scale, std::span<const uint8_t> data);

}  // namespace tolvan
