#include "records/data_types.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "records/field_def.h"
#include "records/record_header.h"

namespace tolvan {
namespace {

TEST(DataTypeKeywords, NumbersGiveTheirKeywords) {
  EXPECT_STREQ(dataTypeKeyword(0), "unknown");
  EXPECT_STREQ(dataTypeKeyword(1), "plu");
  EXPECT_STREQ(dataTypeKeyword(7), "mkdpricecng");
  EXPECT_STREQ(dataTypeKeyword(16), "prod");
  EXPECT_STREQ(dataTypeKeyword(24), "therm");
  EXPECT_STREQ(dataTypeKeyword(27), "");
  EXPECT_STREQ(dataTypeKeyword(30), "title");
  EXPECT_STREQ(dataTypeKeyword(33), "config");
  EXPECT_STREQ(dataTypeKeyword(34), "unknown");
  EXPECT_STREQ(dataTypeKeyword(40), "unknown");
  EXPECT_STREQ(dataTypeKeyword(-1), "unknown");
}

TEST(DataTypeKeywords, LookupIsExactAndCaseSensitive) {
  EXPECT_EQ(dataTypeFromKeyword("plu"), 1);
  EXPECT_EQ(dataTypeFromKeyword("PLU"), 0);
  EXPECT_EQ(dataTypeFromKeyword(""), 0);
  EXPECT_EQ(dataTypeFromKeyword(nullptr), 0);
  EXPECT_EQ(dataTypeFromKeyword("unknown"), 0);
  EXPECT_EQ(dataTypeFromKeyword("pl"), 0);  // no prefix matching
  EXPECT_EQ(dataTypeFromKeyword("exmsg"), 2);
  EXPECT_EQ(dataTypeFromKeyword("exmsg2"), 3);
  EXPECT_EQ(dataTypeFromKeyword("rewrapprod"), 15);
  EXPECT_EQ(dataTypeFromKeyword("config"), 33);
}

TEST(FieldDefNames, KeepAtMostFifteenCharacters) {
  FieldDef exact("UpOverwriteValu", FieldKind::Long, 4, 8);
  EXPECT_STREQ(exact.name, "UpOverwriteValu");
  FieldDef cut("UpOverwriteValue", FieldKind::Long, 4, 8);
  EXPECT_STREQ(cut.name, "UpOverwriteValu");
  FieldDef longer("AVeryLongColumnNameIndeed", FieldKind::Text, 10, 0, 3, 7);
  EXPECT_EQ(std::string(longer.name), "AVeryLongColumn");
  EXPECT_EQ(longer.linePos, 3u);
  EXPECT_EQ(longer.lineLen, 7u);
  EXPECT_EQ(cut.linePos, 0u);
  EXPECT_EQ(cut.lineLen, 0u);
  EXPECT_EQ(cut.offset, 8u);
}

TEST(FieldTables, DeletionImportIsOneRecNoColumnForEveryType) {
  for (int type = 0; type < kDataTypeCount + 2; ++type) {
    FieldTable table;
    buildFieldTable(table, type, 2);
    ASSERT_EQ(table.count(), 1) << "type " << type;
    const FieldDef* recNo = table.get(0);
    EXPECT_STREQ(recNo->name, "RecNo");
    EXPECT_EQ(recNo->kind, FieldKind::Long);
    EXPECT_EQ(recNo->width, 4u);
    EXPECT_EQ(recNo->offset, offsetof(DeletionRecord, recNo));
    table.clearAndFree();
  }
}

TEST(FieldTables, FixedWidthIsEmptyForDeletions) {
  for (int type = 0; type < kDataTypeCount; ++type) {
    FieldTable table;
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
