#include "totals/totals_line.h"

#include <cstdint>
#include <cstring>

#include "totals/totals_records.h"

namespace tolvan {

std::string formatTotalsLine(std::string_view scaleName, char separator, int dataType, const void* record) {
  FieldTable columns;
  buildTotalsColumns(columns, dataType);
  std::string line;
  if (columns.count() > 0 && record != nullptr) {
    line.assign(scaleName);
    // The first column is the scale, written as its name above.
    for (int c = 1; c < columns.count(); ++c) {
      int32_t value = 0;
      std::memcpy(&value, static_cast<const uint8_t*>(record) + columns.get(c)->offset, sizeof value);
      line += separator;
      line += std::to_string(value);
    }
    line += "\r\n";
  }
  columns.clearAndFree();
  return line;
}

}  // namespace tolvan
