// The verdict: the closing lines on standard error of a run whose exit
// status is not 0, so that a job whose standard output is thrown away (a
// cron job) still learns what happened: one line per scale that did not
// take (or give) everything, with its outcome, message and cause, and one
// for what cut the import short or stopped the run. Made from the run
// report alone, so every outcome the report knows has its line. A program
// that embeds the driver gets the same lines in JobOutcome::verdict and
// nothing on standard error.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "app/run_report.h"

namespace tolvan {

// The lines, without the "tolvandrv: " in front; none for exit status 0.
std::vector<std::string> verdictLines(const RunReport& report);

// tolvandrv's last lines on `err`: that no operation was given (a run
// without -u, -d, -a, -v or -r does nothing but load the configuration),
// then report.verdict.
void writeVerdict(const RunReport& report, std::FILE* err);

// One warning for a driver log that missed lines (`why` from
// DriverLog::writeFailure); nothing when `why` is empty.
void warnLogNotWritten(const std::string& logFile, const std::string& why, std::FILE* err);

}  // namespace tolvan
