// Collecting master-data records that scales send back: every scale's
// worker adds what it receives to the run's one shared record list, and the
// first record to arrive under a number is the one the export shows.
#pragma once

#include "core/scale_entry.h"

namespace tolvan {

// Appends `record` (a heap block from allocRecord, whose first 32-bit field
// is its number) to the shared record list of the scale's run, unless a
// record with that number is already there or the run has given up on this
// scale's worker; then the record is released. Takes ownership either way.
// Safe to call from every worker at once: the search and the append are one
// step under the record list's lock.
void keepFirstArrival(ScaleEntry& scale, void* record);

}  // namespace tolvan
