// Test doubles for the platform seam: a clock that only moves when told
// (or by what the fake sleeper "sleeps"), and a sleeper that records pauses.
#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/sleeper.h"

namespace tolvan::testing {

class FakeClock : public Clock {
 public:
  int64_t monotonicMs() const override { return ms_.load(); }
  // Fri Dec 04 13:56:24 2026 (plus any wall-clock step), the stamp every log
  // line of a test shows.
  LocalTime localNow() const override { return {2026, 12, 4, 13 + wallStepHours_.load(), 56, 24, 5}; }
  void advanceMs(int64_t ms) { ms_ += ms; }
  // The calendar clock is set (hours forward or back): only the stamps move.
  void stepWallClock(int hours) { wallStepHours_ += hours; }

 private:
  std::atomic<int64_t> ms_{5'000'000};
  std::atomic<int> wallStepHours_{0};
};

// Records every pause; optionally moves a FakeClock forward by it so that
// deadlines based on the clock still run out.
class FakeSleeper : public Sleeper {
 public:
  explicit FakeSleeper(FakeClock* clock = nullptr) : clock_(clock) {}
  void sleepMs(int milliseconds) override {
    {
      std::lock_guard lock(mutex_);
      pauses_.push_back(milliseconds);
    }
    if (clock_ != nullptr) clock_->advanceMs(milliseconds);
  }
  std::vector<int> pauses() const {
    std::lock_guard lock(mutex_);
    return pauses_;
  }

 private:
  FakeClock* clock_;
  mutable std::mutex mutex_;
  std::vector<int> pauses_;
};

// Moves one second forward every time it is asked, so every deadline runs
// out after a few reads however long the reads take; calls() tells how
// often it was asked (a busy loop shows up as many calls).
class SteppingClock : public Clock {
 public:
  int64_t monotonicMs() const override { return kStart + 1000 * calls_++; }
  LocalTime localNow() const override { return {}; }
  int64_t calls() const { return calls_.load(); }

 private:
  static constexpr int64_t kStart = 1'700'000'000;
  mutable std::atomic<int64_t> calls_{0};
};

}  // namespace tolvan::testing
