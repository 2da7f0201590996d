#include "link/scale_link.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>

#include "core/driver.h"
#include "platform/socket.h"

namespace tolvan {
namespace {

constexpr int kReconnectPauseMs = 1000;
constexpr int kExactReadWaitSeconds = 1;

int64_t nowSeconds(const ScaleEntry& scale) {
  static const SystemClock systemClock;
  return scale.driver != nullptr ? scale.driver->clock.nowSeconds() : systemClock.nowSeconds();
}

void pause(ScaleEntry& scale, int milliseconds) {
  static SystemSleeper systemSleeper;
  Sleeper& sleeper = scale.driver != nullptr ? scale.driver->sleeper : systemSleeper;
  sleeper.sleepMs(milliseconds);
}

// Keeps the new handle unless the main thread has given up on the worker.
bool storeSocket(ScaleEntry& scale, SocketHandle s) {
  std::lock_guard lock(scale.guard);
  if (scale.abandoned) {
    socketClose(s);
    return false;
  }
  scale.socket = s;
  return true;
}

struct ReadOutcome {
  MessageCode code = kMsgOk;
  int count = 0;
  bool peerClosed = false;
};

// Hands out bytes of the held datagram, reading a new one when it is used
// up. -1 when the read fails.
long takeFromDatagram(ScaleEntry& scale, SocketHandle s, std::span<uint8_t> buffer) {
  bool consistent = scale.rxPos >= 0 && scale.rxCount >= 0 && scale.rxPos <= scale.rxCount &&
                    static_cast<size_t>(scale.rxCount) <= sizeof scale.rxBuffer;
  if (!consistent || scale.rxCount - scale.rxPos == 0) {
    scale.rxPos = 0;
    scale.rxCount = 0;
    long n = socketRecv(s, std::span<uint8_t>(scale.rxBuffer, sizeof scale.rxBuffer));
    if (n < 0) return -1;
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

bool isAbandoned(ScaleEntry& scale) {
  std::lock_guard lock(scale.guard);
  return scale.abandoned;
}

ReadOutcome readOnce(ScaleEntry& scale, std::span<uint8_t> buffer, int waitSeconds) {
  ReadOutcome out;
  // The main thread shut the link down to wake this worker: a shut-down
  // datagram socket keeps reading as empty, so end every read loop here.
  if (isAbandoned(scale)) {
    out.code = kMsgReceiveError;
    return out;
  }
  if (buffer.size() > static_cast<size_t>(INT_MAX)) buffer = buffer.first(static_cast<size_t>(INT_MAX));
  SocketHandle s = scale.socket.load();
  if (!holdsDatagramBytes(scale)) {
    int ready = s == kNoSocket ? -1 : socketWaitReadable(s, waitSeconds);
    if (ready == 0) return out;
    if (ready < 0) {
      ScaleLogError(scale, kMsgReceiveError);
      out.code = kMsgReceiveError;
      return out;
    }
  }
  scale.lastActivity = nowSeconds(scale);
  bool udp = scale.protocol == kProtocolUdp;
  long n = udp ? takeFromDatagram(scale, s, buffer) : socketRecv(s, buffer);
  scale.lastActivity = 0;
  if (n < 0) {
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
  if (ScaleIsMessageFamily(scale)) scale.protocol = kProtocolTcp;
  SocketKind kind = scale.protocol == kProtocolUdp ? SocketKind::Datagram : SocketKind::Stream;
  SocketHandle s = socketOpen(kind);
  if (s == kInvalidSocket) return false;
  if (!storeSocket(scale, s)) return false;
  if (socketConnect(s, scale.ip, scale.port)) return true;
  ScaleClose(scale);
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
  // The scale needs a moment to release the old connection.
  pause(scale, kReconnectPauseMs);
  if (ScaleConnect(scale)) return true;
  return ScaleConnect(scale);
}

MessageCode ScaleReceive(ScaleEntry& scale, std::span<uint8_t> buffer, int& count, int waitSeconds) {
  ReadOutcome out = readOnce(scale, buffer, waitSeconds);
  count = out.count;
  return out.code;
}

MessageCode ScaleReceiveExact(ScaleEntry& scale, std::span<uint8_t> buffer) {
  int64_t deadline = nowSeconds(scale) + scale.receiveTimeout;
  size_t held = 0;
  while (nowSeconds(scale) < deadline) {
    if (held == buffer.size()) return kMsgOk;
    ReadOutcome out = readOnce(scale, buffer.subspan(held), kExactReadWaitSeconds);
    if (out.code != kMsgOk) return out.code;
    if (out.peerClosed) break;
    held += static_cast<size_t>(out.count);
    if (held == buffer.size()) return kMsgOk;
  }
  ScaleLogError(scale, kMsgReceiveTimeout);
  return kMsgReceiveTimeout;
}

MessageCode ScaleSend(ScaleEntry& scale, std::span<const uint8_t> bytes, ScaleLogKind logAs) {
  SocketHandle s = scale.socket.load();
  long n = s == kNoSocket ? -1 : socketSend(s, bytes);
  if (n < 0 || static_cast<size_t>(n) != bytes.size()) {
    ScaleLogError(scale, kMsgSendError);
    return kMsgSendError;
  }
  ScaleLogWrite(scale, logAs, bytes.data(), bytes.size());
  return kMsgOk;
}

}  // namespace tolvan
