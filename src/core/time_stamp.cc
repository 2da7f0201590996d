#include "core/time_stamp.h"

#include <cstdio>

namespace tolvan {

std::string formatTimeStamp(const LocalTime& t) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const char* day = (t.weekday >= 0 && t.weekday < 7) ? kDays[t.weekday] : "???";
  const char* month = (t.month >= 1 && t.month <= 12) ? kMonths[t.month - 1] : "???";
  char text[64];
  std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %04d", day, month, t.day % 100, t.hour % 100,
                t.minute % 100, t.second % 100, t.year % 10000);
  return text;
}

}  // namespace tolvan
