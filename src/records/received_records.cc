#include "records/received_records.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "core/driver.h"
#include "core/record_list.h"

namespace tolvan {

int32_t receivedRecordNumber(const void* record) {
  int32_t number = 0;
  std::memcpy(&number, record, sizeof number);
  return number;
}

void keepFirstArrival(ScaleEntry& scale, void* record) {
  Driver* driver = scale.driver;
  std::lock_guard guard(scale.guard);
  if (driver == nullptr || scale.abandoned) {
    std::free(record);
    return;
  }
  const int32_t number = receivedRecordNumber(record);
  std::lock_guard lock(driver->recordLock);
  RecordList& list = driver->records;
  for (int i = 0; i < list.count(); ++i) {
    const void* held = list.get(i);
    if (held != nullptr && receivedRecordNumber(held) == number) {
      std::free(record);
      return;
    }
  }
  list.append(record);
}

}  // namespace tolvan
