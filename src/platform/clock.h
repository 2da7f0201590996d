// The driver's view of time: calendar seconds for time-outs and the local
// time for log stamps. Protocol and frame code take a Clock by reference so
// tests can hold time still or move it by hand.
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
  // Seconds since 1970 (calendar clock); used for every time-out.
  virtual int64_t nowSeconds() const = 0;
  // The current local time, for log stamps.
  virtual LocalTime localNow() const = 0;
};

class SystemClock final : public Clock {
 public:
  int64_t nowSeconds() const override;
  LocalTime localNow() const override;
};

// Milliseconds of a clock that never goes back, for measuring how long a
// scale or a run took (not for time-outs, which follow the Clock above).
int64_t steadyMilliseconds();

}  // namespace tolvan
