// The export file of a receive run: a header line of the data type's column
// names, then either one line per record of the shared record list (master
// data) or the scales' work files copied in scale-table order (totals).
// Runs on the main thread after every worker has ended.
#pragma once

#include <cstdio>
#include <string>

#include "core/message_table.h"
#include "records/field_def.h"

namespace tolvan {

class Driver;

// Writes driver.options.dataFile whole (ReplacementFile: a temporary
// renamed over it once synced; a device or pipe is written through). 0, or
// 15 (logged in the driver log) when no file is named or it cannot be
// written whole; an earlier export then stays as it was.
MessageCode writeExportFile(Driver& driver);

// One record's line (columns in table order, separator between, CR LF).
// `record` is an in-memory record whose values sit at the columns' offsets.
std::string formatRecordLine(const FieldTable& columns, const void* record, char separator, bool fontPairs);

// A description as font/text pairs: f, separator, "text", separator, ...
std::string formatFontPairs(const char* description, char separator);

}  // namespace tolvan
