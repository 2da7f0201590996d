#include "sim/slow_peer.h"

#include <algorithm>

namespace tolvan::sim {

void SlowPeer::receive(std::span<const uint8_t> in, Sends&) {
  Sends answers;
  inner_->receive(in, answers);
  const int64_t due = clock_.monotonicMs() + delayMs_;
  for (Bytes& answer : answers) held_.emplace_back(due, std::move(answer));
}

int64_t SlowPeer::dueAtMs() const {
  int64_t inner = inner_->dueAtMs();
  if (held_.empty()) return inner;
  return inner < 0 ? held_.front().first : std::min(inner, held_.front().first);
}

void SlowPeer::tick(int64_t nowMs, Sends& out) {
  while (!held_.empty() && held_.front().first <= nowMs) {
    out.push_back(std::move(held_.front().second));
    held_.pop_front();
  }
  int64_t inner = inner_->dueAtMs();
  if (inner >= 0 && inner <= nowMs) inner_->tick(nowMs, out);
}

}  // namespace tolvan::sim
