// The driver's entry: one run from banner to final message, and the exit
// status handed to the operating system.
#pragma once

#include <cstdio>

#include "app/run_report.h"
#include "platform/clock.h"
#include "platform/sleeper.h"

namespace tolvan {

// Runs the driver with the command line and returns the process exit
// status (exitStatusFor in run_report.h): 0 when every scale took or gave
// everything, the code that kept the run from being carried out, 50 when it
// went through with a scale that did not; 0 after --help and --version and
// 64 for an unknown long option, both before any file is touched.
int runDriver(int argc, const char* const* argv, const Clock& clock, Sleeper& sleeper, std::FILE* console);

}  // namespace tolvan
