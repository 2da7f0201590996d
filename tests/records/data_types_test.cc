#include "records/data_types.h"

#include <gtest/gtest.h>

#include <cstddef>

#include "core/record_list.h"
#include "dispatch/field_tables.h"
#include "records/deletion_record.h"
#include "records/field_def.h"

namespace tolvan {
namespace {

TEST(DataTypeKeywords, NumbersAndKeywordsMapBothWays) {
  const std::pair<int, const char*> keywords[] = {
      {0, "unknown"}, {1, "plu"}, {7, "mkdpricecng"}, {16, "prod"}, {24, "therm"}, {27, ""},
      {30, "title"}, {33, "config"}, {34, "unknown"}, {40, "unknown"}, {-1, "unknown"}};
  for (const auto& [type, keyword] : keywords) EXPECT_STREQ(dataTypeKeyword(type), keyword) << type;
  const std::pair<const char*, int> lookups[] = {
      {"plu", 1}, {"exmsg", 2}, {"exmsg2", 3}, {"rewrapprod", 15}, {"config", 33},
      {"PLU", 0}, {"", 0}, {nullptr, 0}, {"unknown", 0}, {"pl", 0}};  // exact, case-sensitive
  for (const auto& [keyword, type] : lookups) EXPECT_EQ(dataTypeFromKeyword(keyword), type) << type;
}

TEST(FieldDefNames, KeepAtMostFifteenCharacters) {
  FieldDef exact("UpOverwriteValu", FieldKind::Long, 4, 8);
  EXPECT_STREQ(exact.name, "UpOverwriteValu");
  FieldDef cut("AVeryLongColumnNameIndeed", FieldKind::Text, 10, 8, 3, 7);
  EXPECT_STREQ(cut.name, "AVeryLongColumn");
  EXPECT_EQ(cut.offset, 8u);
  EXPECT_EQ(cut.linePos, 3u);
  EXPECT_EQ(cut.lineLen, 7u);
}

TEST(FieldTables, DeletionImportIsOneRecNoColumnForEveryType) {
  for (int type = 0; type < kDataTypeCount + 2; ++type) {
    FieldTable table;
    buildFieldTable(table, type, 2);
    ASSERT_EQ(table.count(), 1) << "type " << type;
    EXPECT_STREQ(table.get(0)->name, "RecNo");
    EXPECT_EQ(table.get(0)->kind, FieldKind::Long);
    EXPECT_EQ(table.get(0)->width, 4u);
    EXPECT_EQ(table.get(0)->offset, offsetof(DeletionRecord, recNo));
    table.clearAndFree();
    buildFixedFieldTable(table, type, 2);
    EXPECT_EQ(table.count(), 0) << "type " << type;
  }
}

TEST(FieldTables, TypesWithoutImportColumnsGiveEmptyTables) {
  for (int type : {0, 16, 17, 33, 40}) {
    FieldTable standard;
    buildFieldTable(standard, type, 1);
    EXPECT_EQ(standard.count(), 0) << "type " << type;
    FieldTable fixed;
    buildFixedFieldTable(fixed, type, 1);
    EXPECT_EQ(fixed.count(), 0) << "type " << type;
  }
}

}  // namespace
}  // namespace tolvan
