// The column lists of every data type, chosen by data type and mode: what
// the import reads, the export writes and a deletion file holds.
#pragma once

#include "records/field_def.h"

namespace tolvan {

// Appends the columns of the data type for the delimited formats, the
// export file and the import of deletions (mode 2: the single "RecNo").
void buildFieldTable(FieldTable& table, int dataType, int mode);
// Appends the fixed-width columns ("seasia"); empty in mode 2. `maxExMsg`
// is the global "maxexmsg" setting (DriverOptions.maxExMsg): from 101 on,
// the PLU columns from "Message7" on sit 2 characters further right.
inline constexpr int kDefaultMaxExMsg = 9999;
void buildFixedFieldTable(FieldTable& table, int dataType, int mode, int maxExMsg = kDefaultMaxExMsg);

}  // namespace tolvan
