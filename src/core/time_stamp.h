// The time stamp that starts every line of the driver log and every heading
// of a scale log: "Fri Dec 04 13:56:24 2026" (24 characters, no colon).
#pragma once

#include <string>

#include "platform/clock.h"

namespace tolvan {

inline constexpr size_t kTimeStampLen = 24;

std::string formatTimeStamp(const LocalTime& t);

}  // namespace tolvan
