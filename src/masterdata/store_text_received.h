// Store records sent back by message-family scales: the body of message 31
// read into a new StoreRecord that joins the shared record list (the first
// arrival of a store number wins). Block-family scales send no store
// texts; for them, and for models of neither family, nothing is kept.
#pragma once

#include <cstdint>
#include <span>

#include "core/scale_entry.h"

namespace tolvan {

// `data` is the record body. A body cut short keeps the fields it holds.
// The record alone, as a new heap block (std::free) the caller owns; null
// where handleReceivedStore keeps nothing.
void* parseReceivedStore(const ScaleEntry& scale, std::span<const uint8_t> data);
bool handleReceivedStore(ScaleEntry& scale, std::span<const uint8_t> data);

}  // namespace tolvan
