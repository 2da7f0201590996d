// The command line: options and up to three file names, turned into
// DriverOptions, and the check that the chosen combination makes sense.
#pragma once

#include "core/message_table.h"

namespace tolvan {

class Driver;

// Walks the arguments (argv[0] is the program), applies them to
// driver.options, handles -e, logs 9 or 35 (the last one found wins) and
// otherwise returns the combination check's result (0 or 34).
MessageCode parseCommandLine(Driver& driver, int argc, const char* const* argv);

// 34 (logged) for an impossible mode, type and format combination.
MessageCode checkCombination(Driver& driver);

}  // namespace tolvan
