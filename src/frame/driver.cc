#include "frame/driver.h"

#include "frame/operation_runner.h"

namespace tolvan {

Driver::~Driver() {
  stopAllWorkers(*this);
  scales.clearAndFree();
  records.clearAndFree();
  headers.clearAndFree();
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
