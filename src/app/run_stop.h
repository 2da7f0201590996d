// A run stopped by SIGINT or SIGTERM (tolvandrv only): by then every scale
// has ended or failed, resend files and the export are written; what is
// left is the verdict.
#pragma once

#include "app/run_report.h"

namespace tolvan {

// The final log line's code and the exit status become the shell's status
// for the signal (130 SIGINT, 143 SIGTERM), whatever the run found, and
// the verdict's last line says so: which scales keep records in their
// resend files, and for a receive that the export holds what arrived.
void noteRunStopped(RunReport& report, int signal);

}  // namespace tolvan
