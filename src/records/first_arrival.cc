#include "records/first_arrival.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "core/driver.h"
#include "core/record_list.h"

namespace tolvan {
namespace {

int32_t recordNumber(const void* record) {
  int32_t number = 0;
  std::memcpy(&number, record, sizeof number);
  return number;
}

}  // namespace

void keepFirstArrival(ScaleEntry& scale, void* record) {
  if (record == nullptr) return;
  Driver* driver = scale.driver;
  std::lock_guard guard(scale.guard);
  if (driver == nullptr || scale.abandoned) {
    std::free(record);
    return;
  }
  if (scale.keepReceived) {
    scale.keepReceived(record);
    return;
  }
  std::lock_guard lock(driver->recordLock);
  RecordList& list = driver->records;
  if (!list.claimReceived(scale.dataType, recordNumber(record))) {
    std::free(record);
    return;
  }
  list.append(record);
}

bool beyondReceiveCap(const ScaleEntry& scale, int64_t received) {
  const Driver* driver = scale.driver;
  const int64_t cap = driver != nullptr ? driver->options.maxReceivedPerScale : DriverOptions{}.maxReceivedPerScale;
  return received > cap;
}

}  // namespace tolvan
