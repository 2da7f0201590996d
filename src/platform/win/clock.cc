#include "platform/clock.h"

#include <windows.h>

namespace tolvan {

int64_t steadyMilliseconds() { return static_cast<int64_t>(::GetTickCount64()); }

int64_t SystemClock::monotonicMs() const { return steadyMilliseconds(); }

LocalTime SystemClock::localNow() const {
  SYSTEMTIME parts{};
  ::GetLocalTime(&parts);
  LocalTime t;
  t.year = parts.wYear;
  t.month = parts.wMonth;
  t.day = parts.wDay;
  t.hour = parts.wHour;
  t.minute = parts.wMinute;
  t.second = parts.wSecond;
  t.weekday = parts.wDayOfWeek;
  return t;
}

}  // namespace tolvan
