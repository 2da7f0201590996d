// The command line: options and up to three file names, turned into
// DriverOptions, and the check that the chosen combination makes sense.
#pragma once

#include <cstdio>
#include <string>

#include "core/driver_options.h"
#include "core/message_table.h"

namespace tolvan {

class Driver;

// Walks the arguments (argv[0] is the program), applies them to
// driver.options, handles -e, logs 9 or 35 (the last one found wins) and
// otherwise returns the combination check's result (0 or 34).
MessageCode parseCommandLine(Driver& driver, int argc, const char* const* argv);

// Sets every field the command line gives (long and short options, file
// names) and touches nothing: what a run will work on, known before it
// starts. parseCommandLine says what is wrong with them and handles -e.
void readCommandLine(DriverOptions& options, int argc, const char* const* argv);

// 34 (logged) for an impossible mode, type and format combination.
MessageCode checkCombination(Driver& driver);

// Long options, "--name", "--name VALUE" or "--name=VALUE", set fields of
// `options` and touch nothing else. False for an unknown name or a missing
// value, with the offending argument in `bad`; the caller prints the usage.
bool parseLongOptions(DriverOptions& options, int argc, const char* const* argv, std::string& bad);
// --verify with -d, -a, -v, -r or --changed-only, or --changed-only
// without -u: says why on `err` and gives 64; 0 when the options go together.
int refuseReadBackConflicts(const DriverOptions& options, std::FILE* err);
// Every option, short and long, and the exit statuses.
void printUsage(std::FILE* out);

}  // namespace tolvan
