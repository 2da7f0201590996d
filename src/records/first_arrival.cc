#include "records/first_arrival.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "core/driver.h"
#include "core/record_list.h"

namespace tolvan {
namespace {

// Besides its own block, a kept record takes a slot of the list (which
// may be twice the records) and a node and bucket of the index of numbers.
constexpr int64_t kListShareOfRecord = 64;

int32_t recordNumber(const void* record) {
  int32_t number = 0;
  std::memcpy(&number, record, sizeof number);
  return number;
}

void keepPacked(Driver& driver, int dataType, const void* record, size_t imageLen) {
  std::lock_guard lock(driver.recordLock);
  RecordList& list = driver.records;
  if (!list.claimReceived(dataType, recordNumber(record))) return;
  PackedRecord* packed = PackedRecord::pack(record, imageLen);
  if (packed == nullptr) return;
  list.append(packed);
  list.addReceivedBytes(static_cast<int64_t>(packed->heapBytes()) + kListShareOfRecord);
}

}  // namespace

void keepFirstArrival(ScaleEntry& scale, void* record, size_t imageLen) {
  if (record == nullptr) return;
  {
    std::lock_guard guard(scale.guard);
    if (scale.driver != nullptr && !scale.abandoned) {
      // A read-back keeps each scale's records apart and takes them over.
      if (scale.keepReceived) {
        scale.keepReceived(record);
        return;
      }
      keepPacked(*scale.driver, scale.dataType, record, imageLen);
    }
  }
  std::free(record);
}

bool beyondReceiveCap(const ScaleEntry& scale, int64_t received) {
  const Driver* driver = scale.driver;
  if (driver == nullptr) return received > DriverOptions{}.maxReceivedPerScale;
  return received > driver->options.maxReceivedPerScale ||
         driver->records.receivedBytes() > driver->options.maxReceivedBytes;
}

}  // namespace tolvan
