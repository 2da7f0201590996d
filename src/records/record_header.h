// The record list and the record header list of a run, and the deletion
// record shared by every data type.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "frame/ptr_array.h"

namespace tolvan {

// One entry of the record header list, at the same position as its record.
struct RecordHeader {
  int32_t dataType = 0;
  int32_t mode = 0;  // 1 addition, 2 deletion
  int32_t key = 0;
};

// An imported deletion. In a resend file: dataType in bytes 0-1, bytes 2-3
// unused, recNo in bytes 4-7, little-endian (8 bytes).
struct DeletionRecord {
  uint16_t dataType;
  int32_t recNo;  // -1 until the "RecNo" column sets it
};
static_assert(sizeof(DeletionRecord) == 8);
static_assert(offsetof(DeletionRecord, recNo) == 4);

// Records of every type are zeroed heap blocks, released with std::free.
using RecordList = PtrArray<void, PtrArrayFree>;
using RecordHeaderList = PtrArray<RecordHeader>;

// A new all-zero record of type T for the record list.
template <class T>
T* allocRecord() {
  return static_cast<T*>(std::calloc(1, sizeof(T)));
}

}  // namespace tolvan
