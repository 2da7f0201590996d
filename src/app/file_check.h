// Looking at the run's files before the run: the findings about the
// configuration and, in the import modes, the import file. With --check
// they are the whole run (listed on standard output, no scale contacted,
// nothing on disk changed); in every other run they go to standard error
// as warnings and the run goes on unchanged.
#pragma once

#include <cstdio>

#include "core/message_table.h"
#include "files/finding.h"

namespace tolvan {

class Driver;
class ReadAhead;
struct DriverOptions;

// Exit status of a --check run that found something (0 when it found
// nothing; the error code when a file cannot be read at all).
inline constexpr int kExitFindings = 60;
// Warnings shown before an ordinary run; the rest are counted.
inline constexpr size_t kMaxWarningLines = 20;

// The findings about the files `options` name. `unreadable` is 0, or the
// code a run would stop with because a file cannot be read at all (10, 12,
// 15, 34); the look stops there.
struct FileFindings {
  MessageCode unreadable = kMsgOk;
  FindingList findings;
};
// With `ahead`, the import file's records are kept there for the run.
FileFindings lookAtFiles(const DriverOptions& options, ReadAhead* ahead = nullptr);

// The --check run after the command line gave `parsed`: lists the findings
// on driver.console, reports an unreadable file through driver.log (which
// writes no file in a check) and returns the exit status.
int checkFiles(Driver& driver, MessageCode parsed);

// Two files of the command line that are one (an export named like the
// configuration), or a --report file that is another file of the run
// (run_files.h), end the run before it does anything, the folder lock
// included: says so on `err` and gives 64. 0 when there is none.
int refuseFileClashes(const DriverOptions& options, std::FILE* err);

// Writes the findings about the run's files to `err` as warnings, and
// keeps the import file's records in `ahead` for the run's import.
void warnAboutFiles(const DriverOptions& options, std::FILE* err, ReadAhead* ahead);

}  // namespace tolvan
