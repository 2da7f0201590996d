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

const char* causeText(ScaleCause cause) {
  switch (cause) {
    case ScaleCause::BadAddress: return "no valid IPv4 address";
    case ScaleCause::Refused: return "connection refused";
    case ScaleCause::Unreachable: return "no route to the scale";
    case ScaleCause::ConnectTimedOut: return "connect timed out";
    case ScaleCause::NoAnswer: return "no answer within the time-out";
    case ScaleCause::Dropped: return "connection dropped by the scale";
    case ScaleCause::StoppedReading: return "the scale stopped reading";
    case ScaleCause::NetworkError: return "network error";
    case ScaleCause::Nak: return "NAK";
    case ScaleCause::ErrorFlag: return "error flag";
    case ScaleCause::CountMismatch: return "count mismatch";
    case ScaleCause::Unsupported: return "unsupported type";
    case ScaleCause::Busy: return "busy";
    case ScaleCause::Unconvertible: return "record cannot be converted";
    case ScaleCause::TimeLimit: return "time limit reached";
    case ScaleCause::Stalled: return "no progress within the stall limit";
    case ScaleCause::Stopped: return "the run was stopped";
    case ScaleCause::Hung: return "hung, given up by the time-out watch";
    case ScaleCause::BadReply: return "unexpected answer";
    case ScaleCause::CheckByte: return "damaged blocks after every retry";
    case ScaleCause::WorkFile: return "work file cannot be written";
    case ScaleCause::ResendFile: return "resend file cannot be written";
    case ScaleCause::TooManyRecords: return "more records than any scale holds";
    case ScaleCause::OutOfMemory: return "out of memory";
    case ScaleCause::None: break;
  }
  return "";
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
