#include "dispatch/field_tables.h"

#include <gtest/gtest.h>

#include <string>

#include "core/driver_options.h"

namespace tolvan {
namespace {

// The column reference promises each number column's range: it must be
// one the column's kind can hold, and a fixed-width column must promise what
// its delimited namesake does (they fill the same record field).
TEST(ColumnMeaning, RangesFitTheirKindAndFixedColumnsMatchTheirNamesakes) {
  for (int type = 1; type <= 16; ++type) {
    FieldTable standard;
    FieldTable fixed;
    buildFieldTable(standard, type, kModeAdd);
    buildFixedFieldTable(fixed, type, kModeAdd);
    for (int i = 0; i < standard.count(); ++i) {
      const FieldDef& c = *standard.get(i);
      const FieldRange range = c.meaningfulRange(), storable = storableRange(c.kind);
      EXPECT_TRUE(range.min <= range.max && range.min >= storable.min && range.max <= storable.max)
          << "type " << type << " column " << c.name;
      for (int j = 0; j < fixed.count(); ++j) {
        const FieldDef& f = *fixed.get(j);
        if (std::string(f.name) != c.name) continue;
        EXPECT_EQ(f.meaningfulRange().max, range.max) << "type " << type << " column " << c.name;
        EXPECT_EQ(f.meaning.unit, c.meaning.unit) << "type " << type << " column " << c.name;
      }
    }
    standard.clearAndFree();
    fixed.clearAndFree();
  }
}

}  // namespace
}  // namespace tolvan
