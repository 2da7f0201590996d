// A record as the export would show it, for comparing what a scale holds
// with what the import file would put there, column by column: the export
// columns of the data type, formatted as the export formats them, kept as
// one string with a NUL between the columns (no column value holds a NUL).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/scale_entry.h"
#include "records/field_def.h"

namespace tolvan {

class RecordImager {
 public:
  explicit RecordImager(int dataType);
  ~RecordImager();
  RecordImager(const RecordImager&) = delete;
  RecordImager& operator=(const RecordImager&) = delete;

  std::string image(const void* record) const;
  int columnCount() const { return columns_.count(); }
  const char* columnName(int column) const { return columns_.get(column)->name; }
  // The column values of an image, in column order.
  static std::vector<std::string> values(const std::string& image);

  // The columns the send writes to `scale` that never come back from it:
  // a change of one changes the bytes sent but not the record the scale
  // gives back, so no read-back can show it. Probed from `base`, a record
  // of the file (scale.dataType, `length` bytes) the scale can take.
  std::vector<std::string> unseenColumns(const ScaleEntry& scale, const void* base, int length) const;

 private:
  bool unseen(const ScaleEntry& scale, const FieldDef& column, const std::vector<uint8_t>& base) const;

  int dataType_;
  FieldTable columns_;
};

// The number a record is filed under: its first 32-bit field.
int32_t recordNumber(const void* record);

}  // namespace tolvan
