#include "files/field_splitter.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace tolvan
