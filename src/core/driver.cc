#include "core/driver.h"

namespace tolvan {

Driver::~Driver() {
  stopAllWorkers();
  scales.clearAndFree();
  records.clearAndFree();
  headers.clearAndFree();
}

void Driver::stopAllWorkers() {
  for (int i = 0; i < scales.count(); ++i) stopWorker(*scales.get(i));
}

void Driver::notifyWorkerEnded() {
  {
    std::lock_guard lock(endedMutex_);
    ++workersEnded_;
  }
  endedSignal_.notify_all();
}

uint64_t Driver::workersEnded() const {
  std::lock_guard lock(endedMutex_);
  return workersEnded_;
}

void Driver::waitForWorkerEnd(uint64_t seen, std::chrono::milliseconds limit) {
  std::unique_lock lock(endedMutex_);
  endedSignal_.wait_for(lock, limit, [&] { return workersEnded_ > seen; });
}

}  // namespace tolvan
