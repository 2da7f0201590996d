// The driver's entry: one run from banner to final message, and the exit
// status handed to the operating system. The command line and a program
// that embeds the driver (job.h) share the run; they differ only in how the
// options are given and where the console lines go.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "app/run_report.h"
#include "core/driver_options.h"
#include "platform/clock.h"
#include "platform/sleeper.h"
#include "platform/stop_signal.h"

namespace tolvan {

class Driver;

// Runs the driver with the command line and returns the process exit
// status (exitStatusFor in run_report.h): 0 when every scale took or gave
// everything, the code that kept the run from being carried out, 50 when it
// went through with a scale that did not; 0 after --help and --version and
// 64 for an unknown long option or a --report naming another file of the
// run; 75 when another run holds the folder and 73 when no lock can be had
// (run_lock.h): all of these before any file is touched;
// 130 or 143 when SIGINT or SIGTERM stopped it (run_stop.h).
int runDriver(int argc, const char* const* argv, const Clock& clock, Sleeper& sleeper, std::FILE* console);

// Where a run happens and whom it tells.
struct RunFrame {
  const Clock& clock;
  Sleeper& sleeper;
  std::FILE* console;  // banner and log lines; null: none
  // Takes the console lines instead of `console` when set.
  std::function<void(std::string_view)> echo;
  // The progress line and the closing table on standard error, when that
  // is a terminal: for a person watching tolvandrv, not for a program.
  bool showTerminal = false;
  // Who runs, as the folder lock names the holder (the command line).
  std::string command = "a program running a job";
  // tolvandrv: the stop signals it has had; a job has none.
  std::function<StopRequest()> stopRequests = nullptr;
  // Where the closing lines go (verdict.h): standard error for tolvandrv;
  // none for a job, whose program finds them in its outcome.
  std::FILE* verdictTo = nullptr;
};

// How a run gets its options. `apply` fills them and touches no file;
// `check` then does what they ask before the run (emptying the log) and
// returns the code that stops the run, already logged, or 0.
struct OptionSource {
  std::function<void(DriverOptions&)> apply;
  std::function<MessageCode(Driver&)> check;
};

// One run from the banner to the final message: `report` gets its outcome,
// and the exit status is returned. A --check run ends after its findings.
int runOnce(const RunFrame& frame, const OptionSource& source, RunReport& report);

}  // namespace tolvan
