#include "link/scale_link.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "core/driver.h"
#include "platform/socket.h"
#include "platform/stop_signal.h"

namespace tolvan {
namespace {

constexpr int kReconnectPauseMs = 1000;
constexpr int64_t kExactReadWaitMs = 1000;

int64_t nowMs(const ScaleEntry& scale) {
  static const SystemClock systemClock;
  return scale.driver != nullptr ? scale.driver->clock.monotonicMs() : systemClock.monotonicMs();
}

// What is left of the operation's time limit and stall limit at `now`.
int64_t limitLeftMs(const ScaleEntry& scale, int64_t now) {
  int64_t at = operationDeadline(scale);
  return at == INT64_MAX ? INT64_MAX : at - now;
}

// The scale's side of a socket failure. A time-out while connected means
// the connection was lost.
ScaleCause causeOf(SocketFailure failure, bool connecting) {
  switch (failure) {
    case SocketFailure::BadAddress: return ScaleCause::BadAddress;
    case SocketFailure::Refused: return ScaleCause::Refused;
    case SocketFailure::Unreachable: return ScaleCause::Unreachable;
    case SocketFailure::TimedOut: return connecting ? ScaleCause::ConnectTimedOut : ScaleCause::Dropped;
    case SocketFailure::Dropped: return ScaleCause::Dropped;
    default: return ScaleCause::NetworkError;
  }
}

void logNote(ScaleEntry& scale, const char* note) {
  ScaleLogWrite(scale, ScaleLogKind::Text, reinterpret_cast<const uint8_t*>(note), std::strlen(note));
}

// True once the operation's time limit or stall limit has run out; the
// first time, the scale log says which. From then on every step of the
// link fails quietly, so the procedure winds up at once without a trail of
// follow-on errors.
bool outOfTime(ScaleEntry& scale, int64_t now) {
  if (scale.limitStruck) return true;
  if (limitLeftMs(scale, now) > 0) return false;
  scale.limitStruck = true;
  char note[80];
  const bool stalled = stallLimitAt(scale) <= scaleLimitAt(scale);
  noteCause(scale.tally, stalled ? ScaleCause::Stalled : ScaleCause::TimeLimit);
  if (stalled) {
    std::snprintf(note, sizeof note, "No progress from the scale for %lld seconds",
                  static_cast<long long>(scale.stallLimitMs / 1000));
  } else {
    std::snprintf(note, sizeof note, "Time limit of the scale reached after %lld seconds",
                  static_cast<long long>((scaleLimitAt(scale) - scale.limitStartMs) / 1000));
  }
  logNote(scale, note);
  ScaleLogError(scale, kMsgReceiveTimeout);
  return true;
}
bool outOfTime(ScaleEntry& scale) { return outOfTime(scale, nowMs(scale)); }

// A worker that has met the run's stop opens and sends nothing more.
bool stopMet(const ScaleEntry& scale) { return scale.tally.stopped.load(); }

// `ms` cut to what is left of the time limit at `now`, as a wait.
int boundedMs(const ScaleEntry& scale, int64_t ms, int64_t now) {
  int64_t bounded = std::min(ms, limitLeftMs(scale, now));
  return static_cast<int>(std::clamp<int64_t>(bounded, 0, INT_MAX));
}

// Keeps the new handle unless the main thread has given up on the worker.
bool storeSocket(ScaleEntry& scale, SocketHandle s) {
  std::lock_guard lock(scale.guard);
  if (scale.abandoned) {
    socketClose(s);
    return false;
  }
  scale.socket = s;
  scale.socketWaitSet = 0;
  return true;
}

struct ReadOutcome {
  MessageCode code = kMsgOk;
  int count = 0;
  bool peerClosed = false;
};

// Hands out bytes of the held datagram, waiting up to `waitMs` for a new
// one when it is used up. kRecvNothing when none came, -1 when the read
// fails (`why` says why).
long takeFromDatagram(ScaleEntry& scale, SocketHandle s, std::span<uint8_t> buffer, int waitMs, SocketFailure& why) {
  bool consistent = scale.rxPos >= 0 && scale.rxCount >= 0 && scale.rxPos <= scale.rxCount &&
                    static_cast<size_t>(scale.rxCount) <= sizeof scale.rxBuffer;
  if (!consistent || scale.rxCount - scale.rxPos == 0) {
    scale.rxPos = 0;
    scale.rxCount = 0;
    std::span<uint8_t> datagram(scale.rxBuffer, sizeof scale.rxBuffer);
    long n = socketRecvWithin(s, datagram, waitMs, scale.socketWaitSet, &why);
    if (n < 0) return n;
    scale.rxCount = static_cast<int>(std::min<long>(n, static_cast<long>(sizeof scale.rxBuffer)));
  }
  size_t take = std::min(static_cast<size_t>(scale.rxCount - scale.rxPos), buffer.size());
  if (take > 0) std::memcpy(buffer.data(), scale.rxBuffer + scale.rxPos, take);
  scale.rxPos += static_cast<int>(take);
  return static_cast<long>(take);
}

bool holdsDatagramBytes(const ScaleEntry& scale) {
  return scale.protocol == kProtocolUdp && scale.rxPos >= 0 && scale.rxPos < scale.rxCount &&
         static_cast<size_t>(scale.rxCount) <= sizeof scale.rxBuffer;
}

bool isAbandoned(const ScaleEntry& scale) { return scale.abandoned.load(); }

ReadOutcome readOnce(ScaleEntry& scale, std::span<uint8_t> buffer, int64_t waitMs) {
  ReadOutcome out;
  // The main thread shut the link down to wake this worker: a shut-down
  // datagram socket keeps reading as empty, so end every read loop here.
  if (isAbandoned(scale)) {
    out.code = kMsgReceiveError;
    return out;
  }
  // One look at the clock serves the step: the block send makes two a block.
  const int64_t now = nowMs(scale);
  if (outOfTime(scale, now)) {
    out.code = kMsgReceiveTimeout;
    return out;
  }
  if (buffer.size() > static_cast<size_t>(INT_MAX)) buffer = buffer.first(static_cast<size_t>(INT_MAX));
  SocketHandle s = scale.socket.load();
  bool udp = scale.protocol == kProtocolUdp;
  long n = -1;
  SocketFailure why = SocketFailure::Other;
  // The receive waits by itself: an answer that comes in time costs one
  // system call, which on a block send is one per block.
  int waitFor = boundedMs(scale, waitMs, now);
  if (udp && (s != kNoSocket || holdsDatagramBytes(scale))) {
    n = takeFromDatagram(scale, s, buffer, waitFor, why);
  } else if (s != kNoSocket) {
    n = socketRecvWithin(s, buffer, waitFor, scale.socketWaitSet, &why);
  }
  if (n == kRecvNothing) {
    if (outOfTime(scale)) out.code = kMsgReceiveTimeout;
    return out;
  }
  if (n < 0) {
    noteCause(scale.tally, causeOf(why, false));
    ScaleLogError(scale, kMsgReceiveError);
    out.code = kMsgReceiveError;
    return out;
  }
  out.count = static_cast<int>(n);
  out.peerClosed = !udp && n == 0 && !buffer.empty();
  return out;
}

}  // namespace

bool ScaleConnect(ScaleEntry& scale) {
  if (outOfTime(scale) || stopMet(scale)) return false;
  if (ScaleIsMessageFamily(scale)) scale.protocol = kProtocolTcp;
  SocketKind kind = scale.protocol == kProtocolUdp ? SocketKind::Datagram : SocketKind::Stream;
  SocketHandle s = socketOpen(kind);
  if (s == kInvalidSocket) return false;
  if (!storeSocket(scale, s)) return false;
  // A connect time-out below a second would fail every scale on a busy net.
  int64_t connectMs = static_cast<int64_t>(std::max(scale.connectTimeout, 1)) * 1000;
  SocketFailure why = SocketFailure::Other;
  if (socketConnect(s, scale.ip, scale.port, boundedMs(scale, connectMs, nowMs(scale)), &why)) return true;
  ScaleClose(scale);
  if (outOfTime(scale)) return false;
  noteCause(scale.tally, causeOf(why, true));
  ScaleLogError(scale, kMsgCannotConnect, scale.ip.c_str(), static_cast<int>(scale.port));
  return false;
}

void ScaleClose(ScaleEntry& scale) {
  std::lock_guard lock(scale.guard);
  SocketHandle s = scale.socket.exchange(kNoSocket);
  if (s >= 0) socketClose(s);
}

bool ScaleReconnect(ScaleEntry& scale) {
  ScaleClose(scale);
  if (outOfTime(scale) || stopMet(scale)) return false;
  // The scale needs a moment to release the old connection.
  ScalePause(scale, kReconnectPauseMs);
  if (ScaleConnect(scale)) return true;
  return ScaleConnect(scale);
}

MessageCode ScaleReceive(ScaleEntry& scale, std::span<uint8_t> buffer, int& count, int waitSeconds) {
  ReadOutcome out = readOnce(scale, buffer, static_cast<int64_t>(std::max(waitSeconds, 0)) * 1000);
  count = out.count;
  // Whatever the caller makes of the empty read, a scale that hung up
  // failed for that: a close that comes as an orderly end of the stream
  // says so as surely as one that comes as a reset.
  if (out.peerClosed) noteCause(scale.tally, ScaleCause::Dropped);
  return out.code;
}

MessageCode ScaleReceiveExact(ScaleEntry& scale, std::span<uint8_t> buffer) {
  int64_t deadline = nowMs(scale) + static_cast<int64_t>(scale.receiveTimeout) * 1000;
  size_t held = 0;
  for (int64_t now = nowMs(scale); now < deadline; now = nowMs(scale)) {
    if (held == buffer.size()) return kMsgOk;
    ReadOutcome out = readOnce(scale, buffer.subspan(held), std::min(kExactReadWaitMs, deadline - now));
    if (out.code != kMsgOk) return out.code;
    if (out.peerClosed) {
      noteCause(scale.tally, ScaleCause::Dropped);
      break;
    }
    held += static_cast<size_t>(out.count);
    if (held == buffer.size()) return kMsgOk;
  }
  noteCause(scale.tally, ScaleCause::NoAnswer);
  ScaleLogError(scale, kMsgReceiveTimeout);
  return kMsgReceiveTimeout;
}

MessageCode ScaleSend(ScaleEntry& scale, std::span<const uint8_t> bytes, ScaleLogKind logAs) {
  // A worker given up on, out of time or stopped puts nothing more on the wire.
  const int64_t now = nowMs(scale);
  if (isAbandoned(scale) || outOfTime(scale, now) || stopMet(scale)) return kMsgSendError;
  SocketHandle s = scale.socket.load();
  // A scale that stops reading closes its window: the send ends after the
  // receive time-out like any other step that waits for the scale.
  int64_t waitMs = static_cast<int64_t>(std::max(scale.receiveTimeout, 0)) * 1000;
  scale.lastActivity = now;
  SocketFailure why = SocketFailure::Other;
  long n = s == kNoSocket ? -1 : socketSendWithin(s, bytes, boundedMs(scale, waitMs, now), &why);
  scale.lastActivity = 0;
  if (n < 0 || static_cast<size_t>(n) != bytes.size()) {
    if (outOfTime(scale)) return kMsgSendError;
    noteCause(scale.tally, n < 0 ? causeOf(why, false) : ScaleCause::StoppedReading);
    ScaleLogError(scale, kMsgSendError);
    return kMsgSendError;
  }
  ScaleLogWrite(scale, logAs, bytes.data(), bytes.size());
  return kMsgOk;
}

void ScalePause(ScaleEntry& scale, int milliseconds) {
  if (stopMet(scale)) return;
  static SystemSleeper systemSleeper;
  Sleeper& sleeper = scale.driver != nullptr ? scale.driver->sleeper : systemSleeper;
  sleeper.sleepMs(milliseconds);
  ScaleProgress(scale);
}

void ScaleProgress(ScaleEntry& scale) { restartStallClock(scale, nowMs(scale)); }

bool ScaleStopping(ScaleEntry& scale) {
  if (stopMet(scale)) return true;
  int signal = scale.driver != nullptr ? scale.driver->stopRequest().signal : 0;
  if (signal == 0 || scale.tally.stopped.exchange(true)) return signal != 0;
  noteCause(scale.tally, ScaleCause::Stopped);
  char note[80];
  std::snprintf(note, sizeof note, "Stopped by %s: nothing more goes to the scale", stopSignalName(signal));
  logNote(scale, note);
  return true;
}

}  // namespace tolvan
