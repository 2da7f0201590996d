// New records for the record list and their keys: the one place that knows
// which record a data type and run mode read into.
#pragma once

#include <cstdint>

namespace tolvan {

// A new zeroed record for one import line, released with std::free by the
// record list that takes it: mode 2 gives a DeletionRecord of `dataType`
// with recNo -1; mode 1 gives the record of the type. nullptr for any
// other mode, for types without import records, and for the types whose
// records are not built yet (every type but PLU, for now).
void* newRecord(int dataType, int mode);

// The key a record is kept under: a deletion's recNo, otherwise the
// record's first 32-bit field (PLU number, message number and so on).
int32_t recordKey(int dataType, int mode, const void* record);

// A deletion is kept when its number is 0 or more; any other record when
// its key is greater than 0.
bool recordKeyIsValid(int mode, int32_t key);

}  // namespace tolvan
