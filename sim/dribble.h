// Bytes a faulty scale lets out on its own time rather than as answers:
// a reply trickled a byte at a time, or an enquiry repeated every few
// seconds. Each step puts out `chunk` bytes and waits `periodMs`; when the
// bytes run out, `refill` gives the next round (an empty round ends it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "sim/sim_bytes.h"

namespace tolvan::sim {

class Dribble {
 public:
  void start(Bytes bytes, size_t chunk, int periodMs, std::function<Bytes()> refill);
  void stop() { active_ = false; }
  // The monotonic millisecond of the next step (0: at once), or -1 when idle.
  int64_t dueAtMs() const { return active_ ? nextMs_ : -1; }
  // Puts out the next chunk when it is due.
  void tick(int64_t nowMs, Sends& out);

 private:
  Bytes bytes_;
  size_t at_ = 0;
  size_t chunk_ = 1;
  int periodMs_ = 0;
  int64_t nextMs_ = 0;
  bool active_ = false;
  std::function<Bytes()> refill_;
};

}  // namespace tolvan::sim
