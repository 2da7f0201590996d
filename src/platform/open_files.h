// How many files and sockets the process may hold open at once.
#pragma once

namespace tolvan {

// Raises the process's limit of open files to the most the system allows
// it. A run holds a socket per scale and, while receiving totals, a work
// file per scale as well: 500 scales already need about 1000, while the
// usual starting limit is 1024. Nothing changes when the limit cannot be
// read or raised; the run then goes on with the limit it has.
void raiseOpenFileLimit();

}  // namespace tolvan
