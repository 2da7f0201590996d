// Jobs run by a program that embeds the driver (<tolvan/driver.h>): the
// typed options turned into the run the command line does.
#pragma once

#include <tolvan/driver.h>

#include "platform/clock.h"
#include "platform/sleeper.h"

namespace tolvan {

// runJob with the run's clock and pauses given, so a test can hold time
// still and count the pauses instead of waiting them out.
JobOutcome runJob(const JobOptions& options, const LogSink& sink, const Clock& clock, Sleeper& sleeper);

}  // namespace tolvan
