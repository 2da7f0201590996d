// New records for the record list and their keys: the one place that knows
// which record a data type and run mode read into.
#pragma once

#include <cstdint>

namespace tolvan {

// Starts the record of one import line in `blank` (an all-zero image of the
// type's record, RecordImage::blank) and returns it: for mode 2 a
// DeletionRecord of `dataType` with recNo -1, for mode 1 the record of the
// type. nullptr for any other mode and for types without import records.
void* startRecord(int dataType, int mode, void* blank);

// The key a record is kept under: a deletion's recNo, otherwise the
// record's first 32-bit field (PLU number, message number and so on).
int32_t recordKey(int dataType, int mode, const void* record);

// A deletion is kept when its number is 0 or more; any other record when
// its key is greater than 0.
bool recordKeyIsValid(int mode, int32_t key);

}  // namespace tolvan
