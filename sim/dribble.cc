#include "sim/dribble.h"

#include <algorithm>

namespace tolvan::sim {

void Dribble::start(Bytes bytes, size_t chunk, int periodMs, std::function<Bytes()> refill) {
  bytes_ = std::move(bytes);
  at_ = 0;
  chunk_ = std::max<size_t>(chunk, 1);
  periodMs_ = periodMs;
  nextMs_ = 0;
  refill_ = std::move(refill);
  active_ = true;
}

void Dribble::tick(int64_t nowMs, Sends& out) {
  if (!active_ || nowMs < nextMs_) return;
  if (at_ == bytes_.size()) {
    bytes_ = refill_ ? refill_() : Bytes{};
    at_ = 0;
    if (bytes_.empty()) {
      active_ = false;
      return;
    }
  }
  size_t n = std::min(chunk_, bytes_.size() - at_);
  out.emplace_back(bytes_.begin() + static_cast<long>(at_), bytes_.begin() + static_cast<long>(at_ + n));
  at_ += n;
  nextMs_ = nowMs + periodMs_;
}

}  // namespace tolvan::sim
