#include "files/field_splitter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tolvan {
namespace {

// A work buffer smaller than the line's columns: the cut keeps what fits and
// never writes past the size it was given.
TEST(CutFixedColumns, SmallWorkBufferIsNeverOverrun) {
  FieldTable columns;
  columns.append(new FieldDef("A", FieldKind::Long, 4, 0, 0, 3));
  columns.append(new FieldDef("B", FieldKind::Long, 4, 0, 5, 2));
  columns.append(new FieldDef("Rest", FieldKind::Description, 2047, 0, 8, 0));
  std::string line = "123xx45yabcdef";
  FieldList fields;
  char work[8] = {0, 0, 0, 0, 0, 0, 0x5A, 0x5A};
  cutFixedColumns(line.data(), columns, fields, work, 6);
  ASSERT_EQ(fields.count(), 1);
  EXPECT_STREQ(fields.get(0), "123");
  EXPECT_EQ(work[6], 0x5A);
  columns.clearAndFree();
}

// The split a byte at a time, as a line reads: the splitter looks at eight
// bytes at once and must cut every line exactly here.
std::vector<std::string> splitByteByByte(std::string line, char separator, bool& comment) {
  std::vector<std::string> fields;
  comment = isCommentLine(line.c_str());
  if (comment) return fields;
  size_t p = line.find_first_not_of(' ');
  if (p == std::string::npos) return fields;
  size_t start = p;
  bool quoted = false;
  for (; p < line.size(); ++p) {
    if (line[p] == '"') {
      quoted = !quoted;
    } else if (line[p] == separator && !quoted) {
      fields.push_back(line.substr(start, p - start));
      while (p + 1 < line.size() && line[p + 1] == ' ') ++p;
      start = p + 1;
      if (start == line.size()) return fields;
    }
  }
  if (start < line.size()) fields.push_back(line.substr(start));
  return fields;
}

// Lines of separators, quotes and blanks in every place, across the
// eight-byte steps and at the line's end, for every separator a run uses.
TEST(SplitFields, CutsEveryLineAsReadByteByByte) {
  std::mt19937 random(7);
  const std::string alphabet = "ab1,\t;\" \x1f";
  for (char separator : {',', '\t', ';', '\x1f', ' ', '"'}) {
    for (int round = 0; round < 3000; ++round) {
      std::string line;
      const size_t length = random() % 40;
      for (size_t i = 0; i < length; ++i) line += alphabet[random() % alphabet.size()];
      bool comment = false;
      const std::vector<std::string> expected = splitByteByByte(line, separator, comment);
      std::string copy = line;
      FieldList fields;
      ASSERT_EQ(splitFields(copy.data(), copy.size(), fields, separator), !comment) << line;
      std::vector<std::string> got;
      for (int i = 0; i < fields.count(); ++i) got.emplace_back(fields.get(i));
      ASSERT_EQ(got, expected) << "separator " << int{separator} << ", line [" << line << "]";
    }
  }
}

}  // namespace
}  // namespace tolvan
