#include "link/scale_worker.h"

#include <mutex>
#include <new>

#include "link/block_protocol.h"
#include "link/message_protocol.h"
#include "link/scale_link.h"
#include "link/scale_log.h"

namespace tolvan {
namespace {

constexpr int kOperationReceive = 4;

// A type the scale does not take is the same outcome whether the support
// table or the receive's request found it.
int statusFor(int result) {
  if (result == kMsgOk) return kStatusOk;
  if (result == kMsgScaleDataError || result == kMsgScaleErrorCode || result == kMsgTypeNotSupported) {
    return kStatusScaleError;
  }
  return kStatusFailed;
}

MessageCode runProcedure(ScaleEntry& scale) {
  bool receive = scale.operation == kOperationReceive;
  if (ScaleIsMessageFamily(scale)) return receive ? MessageReceive(scale) : MessageSend(scale);
  return receive ? BlockReceive(scale) : BlockSend(scale);
}

// A worker that could not connect leaves `result` as the start step set it.
void publishConnectFailure(ScaleEntry& scale) {
  std::lock_guard lock(scale.guard);
  if (scale.abandoned) return;
  scale.tally.connectFailed = true;
  scale.status.store(kStatusFailed, std::memory_order_release);
}

}  // namespace

void publishOutcome(ScaleEntry& scale, int result) {
  std::lock_guard lock(scale.guard);
  if (scale.abandoned) return;
  // The limit that struck is the cause, not the step it cut short.
  if (scale.limitStruck) {
    const bool stalled = stallLimitAt(scale) <= scaleLimitAt(scale);
    scale.tally.cause = static_cast<int>(stalled ? ScaleCause::Stalled : ScaleCause::TimeLimit);
  }
  scale.result = result;
  // A scale the run's stop ended early has not taken all it was meant to.
  scale.status.store(scale.tally.stopped.load() ? kStatusFailed : statusFor(result), std::memory_order_release);
}

void ScaleWorker(ScaleEntry& scale) {
  if (!ScaleConnect(scale)) {
    publishConnectFailure(scale);
    return;
  }
  int result;
  try {
    result = runProcedure(scale);
  } catch (const std::bad_alloc&) {
    noteCause(scale.tally, ScaleCause::OutOfMemory);
    ScaleLogError(scale, kMsgOutOfMemory);
    result = kMsgOutOfMemory;
  }
  ScaleClose(scale);
  // Whatever step noticed it, a scale out of time ends with "Receive timeout".
  if (scale.limitStruck) result = kMsgReceiveTimeout;
  publishOutcome(scale, result);
}

}  // namespace tolvan
