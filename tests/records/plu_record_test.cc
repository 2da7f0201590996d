#include "records/plu_record.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <string>
#include <vector>

#include "records/record_factory.h"
#include "records/record_header.h"

namespace tolvan {
namespace {

std::vector<std::string> namesOf(const FieldTable& table) {
  std::vector<std::string> names;
  for (int i = 0; i < table.count(); ++i) names.emplace_back(table.get(i)->name);
  return names;
}

// Bytes a column's value takes in the record.
size_t storedSize(const FieldDef& f) {
  switch (f.kind) {
    case FieldKind::Byte: return 1;
    case FieldKind::Short: return 2;
    case FieldKind::Long: return 4;
    case FieldKind::Text: return f.width + 1;
    case FieldKind::Description: return kPluDescSize;
  }
  return 0;
}

class PluTables : public ::testing::Test {
 protected:
  ~PluTables() override {
    standard.clearAndFree();
    fixed.clearAndFree();
  }
  FieldTable standard;
  FieldTable fixed;
};

TEST(PluRecordLayout, NewRecordIsTheZeroedResendImage) {
  EXPECT_EQ(sizeof(PluRecord), 2196u);
  auto* record = static_cast<PluRecord*>(newRecord(1, 1));
  ASSERT_NE(record, nullptr);
  const auto* bytes = reinterpret_cast<const unsigned char*>(record);
  size_t nonZero = 0;
  for (size_t i = 0; i < sizeof(PluRecord); ++i) nonZero += bytes[i] != 0;
  EXPECT_EQ(nonZero, 0u);
  record->pluNo = 0x01020304;
  EXPECT_EQ(bytes[0], 0x04);  // little-endian in the resend file
  EXPECT_EQ(recordKey(1, 1, record), 0x01020304);
  std::free(record);
}

TEST_F(PluTables, StandardColumnsInExportOrder) {
  buildFieldTable(standard, 1, 1);
  const std::vector<std::string> expected = {
      "Plu_No",     "ItemCode",   "UnitPrice",   "FixedPrice", "CostPrice",   "MarkPrice",      "Weight",
      "UpperLimit", "LowerLimit", "Message7",    "ExMessage2", "ExMessage3",  "NutritionID",    "Coupon",
      "RegCode",    "Logo1",      "Logo2",       "PropTare",   "BestBefore",  "LabelFormat",    "Posflag",
      "PackQuant",  "SalesLife",  "ExpTime",     "Tare",       "ShelfLife",   "PackTime",       "Message1",
      "Random",     "TaxNo",      "Nutrition",   "Dept",       "Group",       "PosCode",        "MarkFlag",
      "DateFlag",   "SalesMode",  "PosSelect",   "OpenPrice",  "ExpTimeFlag", "TimeFlag",       "ForcedTare",
      "BarCodeNum", "Unit",       "BestBeforeFlag", "Desc"};
  EXPECT_EQ(namesOf(standard), expected);
}

TEST_F(PluTables, StandardColumnsStoreIntoTheirOwnFields) {
  buildFieldTable(standard, 1, 1);
  ASSERT_EQ(standard.count(), kPluColumnCount);
  std::vector<int> owner(sizeof(PluRecord), -1);
  for (int i = 0; i < standard.count(); ++i) {
    const FieldDef& f = *standard.get(i);
    ASSERT_LE(f.offset + storedSize(f), sizeof(PluRecord)) << f.name;
    for (size_t b = f.offset; b < f.offset + storedSize(f); ++b) {
      EXPECT_EQ(owner[b], -1) << f.name << " overlaps column " << owner[b];
      owner[b] = i;
    }
    EXPECT_EQ(f.linePos, 0u);
    EXPECT_EQ(f.lineLen, 0u);
  }
  const FieldDef& coupon = *standard.get(13);
  EXPECT_EQ(coupon.kind, FieldKind::Long);
  EXPECT_EQ(coupon.width, 2u);
  EXPECT_EQ(coupon.offset, offsetof(PluRecord, coupon));
  const FieldDef& posCode = *standard.get(33);
  EXPECT_EQ(posCode.kind, FieldKind::Text);
  EXPECT_EQ(posCode.width, 10u);
  EXPECT_EQ(posCode.offset, 114u);
  const FieldDef& desc = *standard.get(45);
  EXPECT_EQ(desc.kind, FieldKind::Description);
  EXPECT_EQ(desc.width, 2047u);
  EXPECT_EQ(desc.offset, 148u);
  EXPECT_EQ(standard.get(20)->offset, 86u);   // "Posflag"
  EXPECT_EQ(standard.get(44)->offset, 136u);  // "BestBeforeFlag"
}

struct FixedColumn {
  const char* name;
  FieldKind kind;
  uint32_t pos;
  uint32_t len;
};

void expectFixedColumns(const FieldTable& table, const std::vector<FixedColumn>& expected) {
  ASSERT_EQ(table.count(), static_cast<int>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    const FieldDef& f = *table.get(static_cast<int>(i));
    EXPECT_STREQ(f.name, expected[i].name);
    EXPECT_EQ(f.kind, expected[i].kind) << f.name;
    EXPECT_EQ(f.linePos, expected[i].pos) << f.name;
    EXPECT_EQ(f.lineLen, expected[i].len) << f.name;
  }
}

std::vector<FixedColumn> fixedColumns(uint32_t s) {
  using K = FieldKind;
  return {{"Plu_No", K::Long, 0, 6},          {"SalesMode", K::Byte, 6, 2},
          {"UnitPrice", K::Long, 8, 6},       {"FixedPrice", K::Long, 14, 8},
          {"Weight", K::Long, 22, 6},         {"PackQuant", K::Short, 28, 4},
          {"CostPrice", K::Long, 32, 6},      {"MarkFlag", K::Byte, 38, 2},
          {"MarkPrice", K::Long, 40, 6},      {"Tare", K::Short, 46, 4},
          {"DateFlag", K::Byte, 50, 2},       {"ShelfLife", K::Short, 52, 4},
          {"TimeFlag", K::Byte, 60, 2},       {"ExpTimeFlag", K::Byte, 62, 2},
          {"PackTime", K::Short, 64, 4},      {"PosSelect", K::Byte, 68, 2},
          {"Posflag", K::Short, 70, 2},       {"PosCode", K::Text, 72, 10},
          {"RegCode", K::Long, 82, 4},        {"Dept", K::Short, 86, 1},
          {"Group", K::Short, 87, 2},         {"ItemCode", K::Long, 89, 5},
          {"Message1", K::Short, 94, 2},      {"Message7", K::Long, 96, 2 + s},
          {"Coupon", K::Long, 98 + s, 2},     {"TaxNo", K::Short, 102 + s, 2},
          {"OpenPrice", K::Byte, 104 + s, 2}, {"Desc", K::Description, 116 + s, 0}};
}

TEST_F(PluTables, FixedWidthWithTwoDigitExtraMessages) {
  buildFixedFieldTable(fixed, 1, 1, 100);
  expectFixedColumns(fixed, fixedColumns(0));
}

TEST_F(PluTables, FixedWidthMovesRightForFourDigitExtraMessages) {
  buildFixedFieldTable(fixed, 1, 1, 101);
  expectFixedColumns(fixed, fixedColumns(2));
  FieldTable byDefault;
  buildFixedFieldTable(byDefault, 1, 1);
  expectFixedColumns(byDefault, fixedColumns(2));
  byDefault.clearAndFree();
}

TEST_F(PluTables, FixedColumnsStoreWhereTheStandardOnesDo) {
  buildFieldTable(standard, 1, 1);
  buildFixedFieldTable(fixed, 1, 1, 9999);
  for (int i = 0; i < fixed.count(); ++i) {
    const FieldDef& f = *fixed.get(i);
    bool found = false;
    for (int j = 0; j < standard.count(); ++j) {
      const FieldDef& s = *standard.get(j);
      if (std::string(s.name) != f.name) continue;
      found = true;
      EXPECT_EQ(f.offset, s.offset) << f.name;
      EXPECT_EQ(f.width, s.width) << f.name;
      EXPECT_EQ(f.kind, s.kind) << f.name;
    }
    EXPECT_TRUE(found) << f.name;
  }
}

}  // namespace
}  // namespace tolvan
