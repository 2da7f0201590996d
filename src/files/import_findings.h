// The look at an import file that runs before (or instead of) a run: it
// reads the file as the import reader does, with the same line reader,
// field splitter, field tables and record factory, and notes what the
// person who prepared the file should hear: rows dropped, numbers with
// characters behind them, mixed decimal places, values beyond their
// field's range, texts cut, numbers some scales cannot take, duplicates.
// It never logs, never writes a file and never contacts a scale.
#pragma once

#include <vector>

#include "core/driver_options.h"
#include "core/message_table.h"
#include "core/scale_entry.h"
#include "files/finding.h"

namespace tolvan {

using ScaleList = std::vector<const ScaleEntry*>;

class ReadAhead;

// Reads options.dataFile in options.dataFormat for options.dataType and
// options.mode and appends its findings. `scales` are the configured
// scales (their models and limits decide what each can take). With
// `ahead`, the records read are kept there for the run's import. Returns
// 0, or 10 (no file named), 15 (cannot be opened) or 34 ("tops").
[[nodiscard]] MessageCode scanImportFile(const DriverOptions& options, const ScaleList& scales, FindingList& findings,
                                         ReadAhead* ahead = nullptr);

}  // namespace tolvan
