#include "core/scale_entry.h"

#include <limits>

#include "platform/socket.h"

namespace tolvan {

const char* modelName(int model) {
  const auto known = static_cast<int>(kModelKeywords.size());
  return (model >= 0 && model < known) ? kModelKeywords[static_cast<size_t>(model)] : "";
}

const char* countryName(int version) {
  const auto known = static_cast<int>(kCountryKeywords.size());
  return (version >= 0 && version < known) ? kCountryKeywords[static_cast<size_t>(version)] : "";
}

ScaleEntry::~ScaleEntry() {
  // The operation runner shuts an abandoned worker's socket down before the
  // table is released; joining here only waits for its last steps.
  if (worker.joinable()) worker.join();
  if (workFile != nullptr) std::fclose(workFile);
}

void armScaleLimit(ScaleEntry& scale, int64_t nowMs, int baseSeconds) {
  scale.limitStartMs = nowMs;
  scale.limitBaseMs = static_cast<int64_t>(baseSeconds < 0 ? 0 : baseSeconds) * 1000;
  scale.sentAtStart = scale.tally.sent.load();
  scale.limitStruck = false;
}

int64_t scaleLimitAt(const ScaleEntry& scale) {
  if (scale.limitStartMs == 0) return std::numeric_limits<int64_t>::max();
  int64_t done = scale.tally.sent.load() - scale.sentAtStart;
  if (done < 0) done = 0;
  return scale.limitStartMs + scale.limitBaseMs + done * kScaleLimitPerRecordMs;
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
