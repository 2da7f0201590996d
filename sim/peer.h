// The scale's end of one connection (or, on UDP, of one sender): takes the
// driver's bytes as they arrive and answers them. The server moves bytes;
// a peer decides what the scale says.
#pragma once

#include <span>

#include "sim/sim_bytes.h"

namespace tolvan::sim {

class Peer {
 public:
  virtual ~Peer() = default;
  // Bytes from the driver, in any pieces; answers are appended to `out`,
  // one entry per send.
  virtual void receive(std::span<const uint8_t> in, Sends& out) = 0;
  // True once the scale drops the connection (after `out` has gone).
  virtual bool wantsClose() const { return false; }
  // True when it drops it with a reset, so the driver's sends fail.
  virtual bool wantsReset() const { return false; }
  // False once the scale has stopped reading its socket.
  virtual bool reads() const { return true; }
  // Answers of the scale's own timing: the monotonic millisecond at which
  // tick() has something to do (0: at once), or -1 for nothing.
  virtual int64_t dueAtMs() const { return -1; }
  virtual void tick(int64_t /*nowMs*/, Sends& /*out*/) {}
  // True while the scale sends without waiting for the driver (a data
  // reply without end): whenever everything sent has gone, the server asks
  // `more` for the next piece.
  virtual bool streaming() const { return false; }
  virtual void more(Sends&) {}
};

// Takes everything and never answers.
class SilentPeer final : public Peer {
 public:
  void receive(std::span<const uint8_t>, Sends&) override {}
};

}  // namespace tolvan::sim
