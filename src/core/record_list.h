// The record list and the record header list of a run: what the import
// fills, the workers read, and a master-data receive appends to.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <unordered_set>

#include "core/ptr_array.h"

namespace tolvan {

// One entry of the record header list, at the same position as its record.
struct RecordHeader {
  int32_t dataType = 0;
  int32_t mode = 0;  // 1 addition, 2 deletion
  int32_t key = 0;
  // The import file's line the record was read from (its first line), as
  // an editor counts them: the run's report names it when a scale cannot
  // take the record. 0 when the record came from no file.
  int32_t line = 0;
};

// Records of every type are zeroed heap blocks, released with std::free.
// Besides the records in order, the list knows the data type and number of
// every record a receive kept, so that finding whether a number already
// arrived does not search the list: with a million records per scale a
// search per record would take hours. Guarded by the run's record lock.
class RecordList : public PtrArray<void, PtrArrayFree> {
 public:
  // True when no record of `dataType` and `number` was kept by a receive
  // before; the pair counts as kept from now on.
  bool claimReceived(int32_t dataType, int32_t number) {
    const uint64_t key = uint64_t{static_cast<uint32_t>(dataType)} << 32 | static_cast<uint32_t>(number);
    return received_.insert(key).second;
  }
  // Emptying the list forgets the kept numbers as well.
  void clear() {
    PtrArray::clear();
    received_.clear();
  }
  void clearAndFree() {
    PtrArray::clearAndFree();
    received_.clear();
  }

 private:
  std::unordered_set<uint64_t> received_;
};
using RecordHeaderList = PtrArray<RecordHeader>;

// A new all-zero record of type T for the record list.
template <class T>
T* allocRecord() {
  return static_cast<T*>(std::calloc(1, sizeof(T)));
}

}  // namespace tolvan
