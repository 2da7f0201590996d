// The driver's view of time: a clock that never goes back for every
// time-out, and the local time for log stamps. Protocol and frame code take
// a Clock by reference so tests can hold time still or move it by hand.
#pragma once

#include <cstdint>

namespace tolvan {

// Broken-down local time. month is 1..12, weekday 0 (Sunday) .. 6.
struct LocalTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int weekday = 4;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start, never going back: every
  // time-out and deadline is measured on it, so a step of the calendar
  // clock (an operator or a time service setting it) moves none of them.
  virtual int64_t monotonicMs() const = 0;
  // The current local time, for log stamps (follows the calendar clock).
  virtual LocalTime localNow() const = 0;
};

class SystemClock final : public Clock {
 public:
  int64_t monotonicMs() const override;
  LocalTime localNow() const override;
};

// Milliseconds of the system's clock that never goes back, for measuring
// how long a scale or a run took; SystemClock::monotonicMs reads the same.
int64_t steadyMilliseconds();

}  // namespace tolvan
