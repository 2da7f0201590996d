// A scale that is slow but keeps moving ("slow:MS"): every answer of the
// scale it wraps goes out MS milliseconds after the bytes it answers came
// in, in order. The bytes the scale sends on its own time are not held.
#pragma once

#include <deque>
#include <memory>
#include <utility>

#include "platform/clock.h"
#include "sim/peer.h"

namespace tolvan::sim {

class SlowPeer final : public Peer {
 public:
  SlowPeer(std::unique_ptr<Peer> inner, int delayMs, const Clock& clock)
      : inner_(std::move(inner)), delayMs_(delayMs), clock_(clock) {}

  void receive(std::span<const uint8_t> in, Sends& out) override;
  bool wantsClose() const override { return held_.empty() && inner_->wantsClose(); }
  bool wantsReset() const override { return inner_->wantsReset(); }
  bool reads() const override { return inner_->reads(); }
  int64_t dueAtMs() const override;
  void tick(int64_t nowMs, Sends& out) override;
  bool streaming() const override { return inner_->streaming(); }
  void more(Sends& out) override { inner_->more(out); }

 private:
  std::unique_ptr<Peer> inner_;
  int delayMs_;
  const Clock& clock_;
  std::deque<std::pair<int64_t, Bytes>> held_;  // answers with the time they are due
};

}  // namespace tolvan::sim
