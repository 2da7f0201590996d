// --changed-only (with -u): every scale is read back first (in parallel,
// the usual workers), then sent only the records it lacks or holds
// differently. A scale that cannot be read back, that never gives back a
// column the send writes, or a file that deletes every record, gets the
// whole file, with a line on standard error. Main thread only.
#pragma once

#include <cstdio>
#include <vector>

#include "app/read_back.h"
#include "app/run_report.h"
#include "core/message_table.h"

namespace tolvan {

class Driver;

// The send of sendToAllScales, each scale through its own choice of the
// run's records; `readBack` gets each scale's choice. Resend files keep
// the whole run's records, as after any failed send.
MessageCode sendChangedOnly(Driver& driver, std::vector<ScaleReadBack>& readBack, std::FILE* err);

// The positions of the run's record list the scale is sent (`send`, all
// true for the whole file), and why when it gets the whole file.
ChangedOnlyResult chooseRecords(int records, const FileIndex& file, const ScaleHolding& holding,
                                std::vector<bool>& send);

}  // namespace tolvan
