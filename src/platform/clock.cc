#include "platform/clock.h"

#include <time.h>

namespace tolvan {

int64_t steadyMilliseconds() {
  struct timespec now {};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

int64_t SystemClock::monotonicMs() const { return steadyMilliseconds(); }

LocalTime SystemClock::localNow() const {
  time_t now = ::time(nullptr);
  struct tm parts {};
  ::localtime_r(&now, &parts);
  LocalTime t;
  t.year = parts.tm_year + 1900;
  t.month = parts.tm_mon + 1;
  t.day = parts.tm_mday;
  t.hour = parts.tm_hour;
  t.minute = parts.tm_min;
  t.second = parts.tm_sec;
  t.weekday = parts.tm_wday;
  return t;
}

}  // namespace tolvan
