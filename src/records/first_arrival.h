// Collecting master-data records that scales send back: every scale's
// worker adds what it receives to the run's one shared record list, and the
// first record to arrive under a number is the one the export shows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/scale_entry.h"

namespace tolvan {

// Appends a packed copy of `record` (a heap block from allocRecord of
// `imageLen` bytes, whose first 32-bit field is its number) to the shared
// record list of the scale's run, unless a record with that number is
// already there or the run has given up on this scale's worker. Releases
// `record` either way. Safe to call from every worker at once: the look-up
// of the number (by the scale's data type and the number, in the list's
// index) and the append are one step under the record list's lock. The
// list keeps arrival order and counts the memory the record holds.
void keepFirstArrival(ScaleEntry& scale, void* record, size_t imageLen);

// True when `received` records are more than one receive takes from a
// scale (DriverOptions::maxReceivedPerScale), or the records the run's
// scales sent hold more memory than the run allows them
// (DriverOptions::maxReceivedBytes): the receive must end there.
bool beyondReceiveCap(const ScaleEntry& scale, int64_t received);

}  // namespace tolvan
