#include "plu/plu_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/record_list.h"
#include "dispatch/field_tables.h"
#include "dispatch/record_factory.h"

namespace tolvan {
namespace {

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

// A new record is the zeroed little-endian resend image; its columns come
// in export order, each in bytes of its own.
TEST_F(PluTables, StandardColumnsInExportOrderEachInItsOwnBytes) {
  auto* record = static_cast<PluRecord*>(newRecord(1, 1));
  ASSERT_NE(record, nullptr);
  const auto* bytes = reinterpret_cast<const unsigned char*>(record);
  EXPECT_EQ(std::count(bytes, bytes + sizeof(PluRecord), 0), static_cast<long>(sizeof(PluRecord)));
  record->pluNo = 0x01020304;
  EXPECT_EQ(bytes[0], 0x04);
  EXPECT_EQ(recordKey(1, 1, record), 0x01020304);
  std::free(record);
  buildFieldTable(standard, 1, 1);
  const std::vector<std::string> expected = {
      "Plu_No", "ItemCode", "UnitPrice", "FixedPrice", "CostPrice", "MarkPrice", "Weight", "UpperLimit",
      "LowerLimit", "Message7", "ExMessage2", "ExMessage3", "NutritionID", "Coupon", "RegCode", "Logo1",
      "Logo2", "PropTare", "BestBefore", "LabelFormat", "Posflag", "PackQuant", "SalesLife", "ExpTime",
      "Tare", "ShelfLife", "PackTime", "Message1", "Random", "TaxNo", "Nutrition", "Dept",
      "Group", "PosCode", "MarkFlag", "DateFlag", "SalesMode", "PosSelect", "OpenPrice", "ExpTimeFlag",
      "TimeFlag", "ForcedTare", "BarCodeNum", "Unit", "BestBeforeFlag", "Desc"};
  ASSERT_EQ(standard.count(), static_cast<int>(expected.size()));
  std::vector<int> owner(sizeof(PluRecord), -1);
  for (int i = 0; i < standard.count(); ++i) {
    const FieldDef& f = *standard.get(i);
    EXPECT_EQ(f.name, expected[static_cast<size_t>(i)]);
    ASSERT_LE(f.offset + storedSize(f), sizeof(PluRecord)) << f.name;
    for (size_t b = f.offset; b < f.offset + storedSize(f); ++b) {
      EXPECT_EQ(owner[b], -1) << f.name << " overlaps column " << owner[b];
      owner[b] = i;
    }
  }
  EXPECT_EQ(standard.get(13)->offset, offsetof(PluRecord, coupon));
  EXPECT_EQ(standard.get(45)->offset, 148u);  // the description closes the resend image
}

struct FixedColumn {
  const char* name;
  FieldKind kind;
  uint32_t pos;
  uint32_t len;
};

// The fixed-width line; `s` is the shift four-digit extra messages add.
std::vector<FixedColumn> fixedColumns(uint32_t s) {
  using K = FieldKind;
  return {{"Plu_No", K::Long, 0, 6},       {"SalesMode", K::Byte, 6, 2},       {"UnitPrice", K::Long, 8, 6},
          {"FixedPrice", K::Long, 14, 8},  {"Weight", K::Long, 22, 6},         {"PackQuant", K::Short, 28, 4},
          {"CostPrice", K::Long, 32, 6},   {"MarkFlag", K::Byte, 38, 2},       {"MarkPrice", K::Long, 40, 6},
          {"Tare", K::Short, 46, 4},       {"DateFlag", K::Byte, 50, 2},       {"ShelfLife", K::Short, 52, 4},
          {"TimeFlag", K::Byte, 60, 2},    {"ExpTimeFlag", K::Byte, 62, 2},    {"PackTime", K::Short, 64, 4},
          {"PosSelect", K::Byte, 68, 2},   {"Posflag", K::Short, 70, 2},       {"PosCode", K::Text, 72, 10},
          {"RegCode", K::Long, 82, 4},     {"Dept", K::Short, 86, 1},          {"Group", K::Short, 87, 2},
          {"ItemCode", K::Long, 89, 5},    {"Message1", K::Short, 94, 2},      {"Message7", K::Long, 96, 2 + s},
          {"Coupon", K::Long, 98 + s, 2},  {"TaxNo", K::Short, 102 + s, 2},    {"OpenPrice", K::Byte, 104 + s, 2},
          {"Desc", K::Description, 116 + s, 0}};
}

TEST_F(PluTables, FixedWidthColumnsMoveRightForFourDigitExtraMessages) {
  buildFieldTable(standard, 1, 1);
  std::map<std::string, const FieldDef*> byName;
  for (int i = 0; i < standard.count(); ++i) byName[standard.get(i)->name] = standard.get(i);
  for (auto [maxExMsg, shift] : {std::pair{100, 0u}, {101, 2u}, {9999, 2u}, {kDefaultMaxExMsg, 2u}}) {
    SCOPED_TRACE(maxExMsg);
    fixed.clearAndFree();
    buildFixedFieldTable(fixed, 1, 1, maxExMsg);
    const std::vector<FixedColumn> expected = fixedColumns(shift);
    ASSERT_EQ(fixed.count(), static_cast<int>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
      const FieldDef& f = *fixed.get(static_cast<int>(i));
      EXPECT_STREQ(f.name, expected[i].name);
      EXPECT_EQ(f.kind, expected[i].kind) << f.name;
      EXPECT_EQ(f.linePos, expected[i].pos) << f.name;
      EXPECT_EQ(f.lineLen, expected[i].len) << f.name;
      ASSERT_TRUE(byName.count(f.name)) << f.name;  // stored where the standard column is
      EXPECT_EQ(f.offset, byName[f.name]->offset) << f.name;
      EXPECT_EQ(f.width, byName[f.name]->width) << f.name;
    }
  }
}

}  // namespace
}  // namespace tolvan
