// A clock that stands still and a sleeper that never waits, for fuzz
// targets that need a Driver but must run each input in microseconds.
#pragma once

#include "platform/clock.h"
#include "platform/sleeper.h"

namespace tolvan::fuzzing {

class StillClock : public Clock {
 public:
  int64_t monotonicMs() const override { return 0; }
  LocalTime localNow() const override { return {}; }
};

class NoSleep : public Sleeper {
 public:
  void sleepMs(int) override {}
};

}  // namespace tolvan::fuzzing
