// The export file of a receive, looked at before any scale is contacted: a
// totals receive resets the scales once their lines are in the work files,
// so an export that cannot be written must stop the run before the first
// request, not surface after the last reset.
#pragma once

#include "core/message_table.h"
#include "files/finding.h"

namespace tolvan {

class Driver;
struct DriverOptions;

// The export's name as message 15 shows it; a readable stand-in when the
// command line named none.
const char* exportNameInMessages(const DriverOptions& options);

// 0 when the export can be created; else 15, logged in the driver log.
// Leaves nothing behind on disk.
MessageCode checkExportTarget(Driver& driver);

// The same look for --check: a finding when the export cannot be created.
void findExportProblems(const DriverOptions& options, FindingList& findings);

}  // namespace tolvan
