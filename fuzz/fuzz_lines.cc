// Any bytes as a text file through the line reader, and each line through
// the field splitter (every separator a run can use), the quote removal
// and the fixed columns of a data type. The first byte picks the
// separator, the data type of the columns and the quote rule.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

#include "core/driver_options.h"
#include "dispatch/field_tables.h"
#include "files/field_splitter.h"
#include "files/import_reader.h"
#include "files/line_reader.h"
#include "fuzz_support.h"

namespace {

using tolvan::fuzzing::require;

constexpr char kSeparators[] = {',', '\t', tolvan::kUnitSeparator, ';'};
constexpr int kImportTypes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

void splitLine(const char* line, uint8_t settings, const tolvan::FieldTable& columns) {
  size_t length = std::strlen(line);
  require(length <= static_cast<size_t>(tolvan::kMaxLineLen));
  std::vector<char> copy(line, line + length + 1);
  tolvan::FieldList fields;
  if (tolvan::splitFields(copy.data(), fields, kSeparators[settings % std::size(kSeparators)])) {
    for (int i = 0; i < fields.count(); ++i) (void)tolvan::unquote(fields.get(i), (settings & 0x80) != 0);
  }
  static char work[tolvan::kFixedWorkSize];
  tolvan::FieldList fixed;
  (void)tolvan::cutFixedColumns(line, columns, fixed, work, sizeof work);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t settings = data[0];
  std::FILE* file = fmemopen(const_cast<uint8_t*>(data + 1), size - 1, "rb");
  if (file == nullptr) return 0;  // fmemopen refuses an empty buffer
  tolvan::FieldTable columns;
  int dataType = kImportTypes[(settings >> 2) % std::size(kImportTypes)];
  tolvan::buildFixedFieldTable(columns, dataType, tolvan::kModeAdd, (settings & 0x40) != 0 ? 99 : 9999);
  tolvan::QuietLog log;
  tolvan::LineReader reader(file, log.log());
  int lines = 0;
  while (const char* line = reader.nextLine()) {
    splitLine(line, settings, columns);
    ++lines;
  }
  // A line holding a NUL byte is counted but never handed out.
  require(reader.lineCount() == lines + static_cast<int>(reader.linesWithNul().size()));
  std::fclose(file);
  columns.clearAndFree();
  return 0;
}
