// Totals records sent back by scales, read into export lines: both
// families' layouts, the column lists behind the lines and the header, and
// hostile records (short, non-digits, bad packed digits) that must never
// pass as a good sale nor read past their bytes.
#include "totals/totals_received.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/driver.h"
#include "dispatch/field_tables.h"
#include "records/data_types.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;

enum class Kind { Message, BlockUsa, BlockOther, Neither };

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct ReadCase {
  const char* name;
  Kind kind;
  DataType type;
  Bytes data;
  TotalsReading reading;
  const char* line;  // "" for no line
  char separator = ',';
};

// PLU 123, quantity 4, weight 750, price 596 as four groups of 8 packed digits.
const Bytes kPluBody = {0, 0, 0x01, 0x23, 0, 0, 0, 0x04, 0, 0, 0x07, 0x50, 0, 0, 0x05, 0x96};

Bytes withByte(Bytes b, size_t at, uint8_t value) {
  b[at] = value;
  return b;
}

const ReadCase kCases[] = {
    {"MessagePlu", Kind::Message, DataType::PluProd, kPluBody, TotalsReading::Whole, "Deli,123,4,750,596\r\n"},
    {"MessagePluTab", Kind::Message, DataType::PluProd, kPluBody, TotalsReading::Whole, "Deli\t123\t4\t750\t596\r\n",
     '\t'},
    {"MessagePluLonger", Kind::Message, DataType::PluProd,
     [] { Bytes b = kPluBody; b.push_back(0x99); return b; }(), TotalsReading::WrongLength, ""},
    {"MessageHourIgnoresBytes1To3", Kind::Message, DataType::HourlyProd,
     {0x09, 0xFF, 0xAB, 0x12, 0, 0, 0, 0x04, 0, 0, 0x07, 0x50, 0, 0, 0x05, 0x96}, TotalsReading::Whole,
     "Deli,9,4,750,596\r\n"},
    {"MessageOperatorLeavesOutAmount", Kind::Message, DataType::OpProd,
     {0x02, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0, 7},
     TotalsReading::Whole, "Deli,2,1,2,4,5,6,7\r\n"},
    {"MessageShortBody", Kind::Message, DataType::PluProd, Bytes(kPluBody.begin(), kPluBody.end() - 1),
     TotalsReading::WrongLength, ""},
    {"MessageEmptyBody", Kind::Message, DataType::OpProd, {}, TotalsReading::WrongLength, ""},
    // Quantity groups with a nibble above 9: the one that does not read at
    // all gives 0, the other its leading digits; both say so.
    {"MessageBadDigits", Kind::Message, DataType::PluProd, withByte(kPluBody, 4, 0xA0), TotalsReading::Damaged,
     "Deli,123,0,750,596\r\n"},
    {"MessageBadLastDigit", Kind::Message, DataType::PluProd, withByte(kPluBody, 7, 0x4A), TotalsReading::Damaged,
     "Deli,123,4,750,596\r\n"},
    {"BlockUsaPlu", Kind::BlockUsa, DataType::PluProd, text("40000123000004000007500000059" "6"),
     TotalsReading::Whole, "Deli,123,4,750,596\r\n"},
    {"BlockOtherPlu", Kind::BlockOther, DataType::PluProd, text("4001000007000012000000000000018" "0"),
     TotalsReading::Whole, "Deli,7,12,0,180\r\n"},
    {"BlockOtherHour", Kind::BlockOther, DataType::HourlyProd, text("4301" "09" "000004" "00000750" "00000596"),
     TotalsReading::Whole, "Deli,9,4,750,596\r\n"},
    {"BlockUsaOperatorHasNoDiscounts", Kind::BlockUsa, DataType::OpProd, text("47" "02" "000001" "00000002" "00000003"),
     TotalsReading::Whole, "Deli,2,1,2,0,0,0,0\r\n"},
    {"BlockOtherOperatorIsNotRead", Kind::BlockOther, DataType::OpProd, text("4702" "02" "000001" "00000002" "00000003"),
     TotalsReading::NoLayout, ""},
    {"BlockBlanksAndSign", Kind::BlockUsa, DataType::PluProd, text("40" "   123" "+00004" "00000750" "    -596"),
     TotalsReading::Whole, "Deli,123,4,750,-596\r\n"},
    // Weight holds a letter: its leading digits are taken, the rest still read.
    {"BlockLetterInField", Kind::BlockUsa, DataType::PluProd, text("40" "000123" "000004" "0007X750" "00000596"),
     TotalsReading::Damaged, "Deli,123,4,7,596\r\n"},
    // Quantity holds no number: reading ends, the PLU before it stays 0.
    {"BlockFieldWithoutNumber", Kind::BlockUsa, DataType::PluProd, text("40" "000123" "ABCDEF" "00000750" "00000596"),
     TotalsReading::Damaged, "Deli,0,0,750,596\r\n"},
    {"BlockShortText", Kind::BlockUsa, DataType::PluProd, text("40" "000123" "000004" "00000750" "0000059"),
     TotalsReading::WrongLength, ""},
    // A quantity of seven digits shifts every field behind it.
    {"BlockOverflowedField", Kind::BlockUsa, DataType::PluProd, text("40" "000123" "1234567" "00000750" "00000596"),
     TotalsReading::WrongLength, ""},
    {"BlockCodeOnly", Kind::BlockOther, DataType::HourlyProd, text("430"), TotalsReading::WrongLength, ""},
    {"NeitherFamily", Kind::Neither, DataType::PluProd, kPluBody, TotalsReading::NoLayout, ""},
    {"NotACollectedType", Kind::Message, DataType::NextDayProd, kPluBody, TotalsReading::NoLayout, ""},
};

class TotalsReceived : public ::testing::Test {
 protected:
  void SetUp() override {
    scale_.driver = &driver_;
    scale_.model = kModelPmx;
  }
  void become(Kind kind, DataType type) {
    scale_.model = kind == Kind::Message ? kModelMerioPro : kind == Kind::Neither ? kModelVt20 : kModelLm50;
    scale_.version = kind == Kind::BlockUsa ? kVersionUsa : kVersionAustralia;
    scale_.dataType = static_cast<int>(type);
  }

  testing::FakeClock clock_;
  testing::FakeSleeper sleeper_;
  Driver driver_{clock_, sleeper_, nullptr};
  ScaleEntry scale_{"Deli", 0, 594};
  testing::TempDir dir_;
};

TEST_F(TotalsReceived, RecordsReadIntoLinesOrAreRefused) {
  for (const ReadCase& c : kCases) {
    SCOPED_TRACE(c.name);
    become(c.kind, c.type);
    // Exactly the record's bytes, so a read past them shows under the sanitizers.
    std::vector<uint8_t> data(c.data);
    std::string line = "left over";
    EXPECT_EQ(readTotalsRecord(scale_, data, c.separator, line), c.reading);
    EXPECT_EQ(line, c.line);
  }
}

// The handler keeps a line only in the scale's work file, and says true
// only for a whole record that the file took.
TEST_F(TotalsReceived, HandlerWritesTheWorkFileAndRefusesWhatIsNotWhole) {
  scale_.workFile = std::fopen(dir_.file("DeliWrk.txt").c_str(), "wb");
  ASSERT_NE(scale_.workFile, nullptr);
  driver_.options.separator = '\t';
  become(Kind::BlockOther, DataType::PluProd);
  EXPECT_TRUE(handleReceivedTotals(scale_, text("4001000007000012000000000000018" "0")));
  // Flushed at once: the line is in the file while it is still open.
  EXPECT_EQ(dir_.read("DeliWrk.txt"), "Deli\t7\t12\t0\t180\r\n");
  EXPECT_FALSE(handleReceivedTotals(scale_, text("4001" "000008" "00001X" "00000000" "00000180")));
  EXPECT_FALSE(handleReceivedTotals(scale_, text("4001000009")));
  {
    std::lock_guard guard(scale_.guard);
    scale_.abandoned = true;
  }
  EXPECT_FALSE(handleReceivedTotals(scale_, text("4001000005000012000000000000018" "0")));
  std::fclose(scale_.workFile);
  scale_.workFile = nullptr;
  EXPECT_EQ(dir_.read("DeliWrk.txt"), "Deli\t7\t12\t0\t180\r\nDeli\t8\t1\t0\t180\r\n");
}

TEST_F(TotalsReceived, AWorkFileThatDoesNotTakeTheLineFailsTheRecord) {
  dir_.write("DeliWrk.txt", "");
  scale_.workFile = std::fopen(dir_.file("DeliWrk.txt").c_str(), "rb");
  ASSERT_NE(scale_.workFile, nullptr);
  become(Kind::Message, DataType::PluProd);
  EXPECT_FALSE(handleReceivedTotals(scale_, kPluBody));
  std::fclose(scale_.workFile);
  scale_.workFile = nullptr;
  EXPECT_FALSE(handleReceivedTotals(scale_, kPluBody));  // no work file at all
}

// The export header and the mapping of types to column lists; the 15
// characters a column name keeps shorten the last two operator columns.
TEST(TotalsColumns, HeaderNamesByType) {
  struct {
    DataType type;
    std::vector<std::string> names;
  } cases[] = {
      {DataType::PluProd, {"ScaleIdx", "PluNo", "Quantity", "Weight", "Price"}},
      {DataType::NextDayProd, {"ScaleIdx", "PluNo", "Quantity", "Weight", "Price"}},
      {DataType::RewrapProd, {"ScaleIdx", "PluNo", "Quantity", "Weight", "Price"}},
      {DataType::HourlyProd, {"ScaleIdx", "Hour", "Quantity", "Weight", "Price"}},
      {DataType::OpProd,
       {"ScaleId", "Operator", "Quantity", "Weight", "DiscountValue", "DiscountQuant", "UpOverwriteValu",
        "UpOverwriteQuan"}},
      {DataType::Prod, {}},
  };
  for (const auto& c : cases) {
    FieldTable table;
    buildFieldTable(table, static_cast<int>(c.type), kModeReceive);
    std::vector<std::string> names;
    for (int i = 0; i < table.count(); ++i) {
      names.push_back(table.get(i)->name);
      EXPECT_EQ(table.get(i)->kind, FieldKind::Long);
    }
    EXPECT_EQ(names, c.names) << dataTypeKeyword(static_cast<int>(c.type));
    table.clearAndFree();
  }
}

}  // namespace
}  // namespace tolvan
