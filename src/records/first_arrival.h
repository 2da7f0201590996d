// The one place a master record received from a scale joins the driver's
// shared record list: the first record to arrive under a number stays,
// whichever scale sent it. Runs in the scale workers' threads.
#pragma once

#include "core/scale_entry.h"

namespace tolvan {

// Takes ownership of `record`, a zeroed heap record (allocRecord) whose
// first 32-bit field is its number. Appends it to the shared record list
// under the driver's record lock unless the list already holds a record of
// that number, or the run has given up on this scale's worker; otherwise
// frees it.
void keepFirstArrival(ScaleEntry& scale, void* record);

}  // namespace tolvan
