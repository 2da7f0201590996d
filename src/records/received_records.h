// Received master-data records joining the run's shared record list: the
// first record that arrives under a number stays, later ones are dropped.
// Called from the scale workers, several at once.
#pragma once

#include <cstdint>

#include "core/scale_entry.h"

namespace tolvan {

// The number a master-data record is kept under: its first 32-bit field.
int32_t receivedRecordNumber(const void* record);

// Takes ownership of `record` (a zeroed heap block of allocRecord, whose
// first 32-bit field is its number) and appends it to the shared record
// list of the scale's run, unless a record with that number is there
// already or the run has given up on this scale's worker; then it is freed.
// The search and the append are one step under the driver's record lock.
void keepFirstArrival(ScaleEntry& scale, void* record);

}  // namespace tolvan
