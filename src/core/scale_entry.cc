#include "core/scale_entry.h"

#include "platform/socket.h"

namespace tolvan {

ScaleEntry::~ScaleEntry() {
  // The operation runner shuts an abandoned worker's socket down before the
  // table is released; joining here only waits for its last steps.
  if (worker.joinable()) worker.join();
  if (workFile != nullptr) std::fclose(workFile);
}

void ScaleShutdown(ScaleEntry& scale) {
  std::lock_guard lock(scale.guard);
  SocketHandle s = scale.socket.load();
  if (s >= 0) socketShutdown(s);
}

void stopWorker(ScaleEntry& scale) {
  if (!scale.worker.joinable()) return;
  ScaleShutdown(scale);
  scale.worker.join();
}

}  // namespace tolvan
