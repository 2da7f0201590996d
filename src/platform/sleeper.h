// Pauses the scales need (200 ms between messages, 1000 ms before a
// reconnect, the one-second poll of the operation runner) go through a
// Sleeper, so tests can count them instead of waiting them out.
#pragma once

namespace tolvan {

class Sleeper {
 public:
  virtual ~Sleeper() = default;
  virtual void sleepMs(int milliseconds) = 0;
};

class SystemSleeper final : public Sleeper {
 public:
  void sleepMs(int milliseconds) override;
};

}  // namespace tolvan
