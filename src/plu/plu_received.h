// PLU records sent by a scale: parses the message-family body or the
// block-family text into a new PluRecord and adds it to the shared record
// list (first arrival of a PLU number wins).
#pragma once

#include <cstdint>
#include <span>

#include "core/scale_entry.h"

namespace tolvan {

bool handleReceivedPlu(ScaleEntry& scale, std::span<const uint8_t> data);

}  // namespace tolvan
