// The look at the configuration file that runs before (or instead of) a
// run: it reads the file as loading does, with the same line reader, item
// splitting and key tables, into scale entries of its own, and notes what
// the person who wrote it should hear: unknown keys, ports and addresses a
// scale cannot be reached at, scales that share a name or an address, no
// scale at all, and scale names, scale logs or resend files that lead
// out of the folder or are another file of the run. Unlike loading it
// deletes no scale log and no work file.
#pragma once

#include <memory>
#include <vector>

#include "core/driver_options.h"
#include "core/message_table.h"
#include "core/scale_entry.h"
#include "files/finding.h"

namespace tolvan {

// What the configuration gives a run: the options with its global keys
// applied, and its scales in file order.
struct ConfigScan {
  DriverOptions options;
  std::vector<std::unique_ptr<ScaleEntry>> scales;
  std::vector<int> scaleLines;  // line of each scale
};

// Reads options.configFile (the other options as the command line set
// them) into `scan` and appends the findings. Returns 0, or 12 when the
// file cannot be opened; a line the run would stop at (error 13 or 14) is
// a finding, and the look goes on behind it.
[[nodiscard]] MessageCode scanConfiguration(const DriverOptions& options, ConfigScan& scan, FindingList& findings);

}  // namespace tolvan
