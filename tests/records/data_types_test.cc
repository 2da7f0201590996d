#include "records/data_types.h"

#include <gtest/gtest.h>

#include <cstddef>

#include "core/record_list.h"
#include "dispatch/field_tables.h"
#include "records/deletion_record.h"
#include "records/field_def.h"

namespace tolvan {
namespace {

// A deletion import is one RecNo column for every type; types without
// import columns give empty tables.
TEST(FieldTables, DeletionsReadRecNoAndTypesWithoutColumnsGiveNone) {
  for (int type = 0; type < kDataTypeCount + 2; ++type) {
    FieldTable table;
    buildFieldTable(table, type, 2);
    ASSERT_EQ(table.count(), 1) << "type " << type;
    EXPECT_STREQ(table.get(0)->name, "RecNo");
    EXPECT_EQ(table.get(0)->offset, offsetof(DeletionRecord, recNo));
    table.clearAndFree();
    buildFixedFieldTable(table, type, 2);
    EXPECT_EQ(table.count(), 0) << "type " << type;
  }
  for (int type : {0, 16, 17, 33, 40}) {
    FieldTable standard, fixed;
    buildFieldTable(standard, type, 1);
    buildFixedFieldTable(fixed, type, 1);
    EXPECT_EQ(standard.count() + fixed.count(), 0) << "type " << type;
  }
}

}  // namespace
}  // namespace tolvan
