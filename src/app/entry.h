// The driver's entry: one run from banner to final message, and the exit
// status handed to the operating system.
#pragma once

#include <cstdio>

#include "platform/clock.h"
#include "platform/sleeper.h"

namespace tolvan {

inline constexpr int kExitScaleFailed = 50;

// Runs the driver with the command line and returns the process exit
// status: 0 after message 7 with no failed scale, the error code after
// message 8, 50 after message 7 when a scale was reported (message 32).
int runDriver(int argc, const char* const* argv, const Clock& clock, Sleeper& sleeper, std::FILE* console);

}  // namespace tolvan
