// The record list and the record header list of a run: what the import
// fills, the workers read, and a master-data receive appends to.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "core/ptr_array.h"

namespace tolvan {

// One entry of the record header list, at the same position as its record.
struct RecordHeader {
  int32_t dataType = 0;
  int32_t mode = 0;  // 1 addition, 2 deletion
  int32_t key = 0;
};

// Records of every type are zeroed heap blocks, released with std::free.
using RecordList = PtrArray<void, PtrArrayFree>;
using RecordHeaderList = PtrArray<RecordHeader>;

// A new all-zero record of type T for the record list.
template <class T>
T* allocRecord() {
  return static_cast<T*>(std::calloc(1, sizeof(T)));
}

}  // namespace tolvan
