// tolvandrv: one run of the scale driver, as a program that embeds it would
// run a job, from the command line. Ctrl-C and SIGTERM stop the run in an
// orderly way: it winds up, keeps what the scales did not take and exits
// 130 or 143.
#include <tolvan/driver.h>

#include "platform/program_args.h"
#include "platform/stop_signal.h"

int main(int argc, char** argv) {
  tolvan::ProgramArguments arguments(argc, argv);
  tolvan::installStopSignals();
  return tolvan::runCommandLine(arguments.count(), arguments.values());
}
