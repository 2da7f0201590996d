#include "core/scale_entry.h"

#include <algorithm>
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

void armScaleLimit(ScaleEntry& scale, int64_t nowMs, int baseSeconds, int stallSeconds) {
  scale.limitStartMs = nowMs;
  scale.limitBaseMs = static_cast<int64_t>(baseSeconds < 0 ? 0 : baseSeconds) * 1000;
  scale.sentAtStart = scale.tally.sent.load();
  scale.limitStruck = false;
  scale.stallLimitMs = static_cast<int64_t>(stallSeconds < 0 ? 0 : stallSeconds) * 1000;
  scale.progressAtMs = nowMs;
}

int64_t scaleLimitAt(const ScaleEntry& scale) {
  if (scale.limitStartMs == 0) return std::numeric_limits<int64_t>::max();
  int64_t done = scale.tally.sent.load() - scale.sentAtStart;
  if (done < 0) done = 0;
  return scale.limitStartMs + scale.limitBaseMs + done * kScaleLimitPerRecordMs;
}

void restartStallClock(ScaleEntry& scale, int64_t nowMs) { scale.progressAtMs = nowMs; }

int64_t stallLimitAt(const ScaleEntry& scale) {
  if (scale.stallLimitMs == 0) return std::numeric_limits<int64_t>::max();
  return scale.progressAtMs.load() + scale.stallLimitMs;
}

int64_t operationDeadline(const ScaleEntry& scale) { return std::min(scaleLimitAt(scale), stallLimitAt(scale)); }

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
