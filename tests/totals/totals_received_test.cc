// Totals records sent back by scales, read into export lines: both
// families' layouts, records of the wrong length that give no line, and
// non-digits (packed nibbles above 9, letters in a block field) read as far
// as they read, without reading past the record's bytes.
#include "totals/totals_received.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "records/data_types.h"

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;
using R = TotalsReading;
enum Kind { kMessage, kUsa, kOther, kNeither };

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }
// PLU 123, quantity 4, weight 750, price 596 as four groups of 8 packed digits.
const Bytes kPluBody = {0, 0, 0x01, 0x23, 0, 0, 0, 0x04, 0, 0, 0x07, 0x50, 0, 0, 0x05, 0x96};
Bytes with(Bytes b, size_t at, uint8_t value) {
  b.resize(std::max(b.size(), at + 1));
  b[at] = value;
  return b;
}

struct ReadCase { const char* name; Kind kind; DataType type; Bytes data; R reading; const char* line; int32_t key; };
const ReadCase kCases[] = {
    {"MessageHourSkipsBytes1To3", kMessage, DataType::HourlyProd, with(with(kPluBody, 0, 0x09), 1, 0xAB), R::Whole,
     "Deli\t9\t4\t750\t596\r\n", 9},
    {"MessageOperatorWithoutAmount", kMessage, DataType::OpProd,
     {2, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0, 7}, R::Whole,
     "Deli\t2\t1\t2\t4\t5\t6\t7\r\n", 2},
    {"MessageShort", kMessage, DataType::PluProd, Bytes(kPluBody.begin(), kPluBody.end() - 1), R::WrongLength, "", 0},
    {"MessageLong", kMessage, DataType::PluProd, with(kPluBody, 16, 0), R::WrongLength, "", 0},
    // A group reads up to its first nibble above 9: 0 when it starts with one.
    {"MessageNibblesAbove9", kMessage, DataType::PluProd, with(with(kPluBody, 4, 0xA0), 11, 0x5A), R::NonDigits,
     "Deli\t123\t0\t75\t596\r\n", 123},
    {"BlockHour", kOther, DataType::HourlyProd, text("4301" "09" "000004" "00000750" "00000596"), R::Whole,
     "Deli\t9\t4\t750\t596\r\n", 9},
    {"BlockBlanksAndSign", kUsa, DataType::PluProd, text("40" "   123" "+00004" "00000750" "    -596"), R::Whole,
     "Deli\t123\t4\t750\t-596\r\n", 123},
    // A letter: the field's leading digits are taken, the fields before it still read.
    {"BlockLetter", kUsa, DataType::PluProd, text("40" "000123" "000004" "0007X750" "00000596"), R::NonDigits,
     "Deli\t123\t4\t7\t596\r\n", 123},
    // No number at all: reading ends there, the PLU before it stays 0.
    {"BlockNoNumber", kUsa, DataType::PluProd, text("40" "000123" "ABCDEF" "00000750" "00000596"), R::NonDigits,
     "Deli\t0\t0\t750\t596\r\n", 0},
    {"BlockOtherOperator", kOther, DataType::OpProd, text("4702" "02" "000001" "00000002" "00000003"), R::NoLayout, "", 0},
    {"NeitherFamily", kNeither, DataType::PluProd, kPluBody, R::NoLayout, "", 0},
};

class TotalsReceived : public ::testing::Test {
 protected:
  void become(Kind kind, DataType type) {
    scale_.model = kind == kMessage ? kModelMerioPro : kind == kNeither ? kModelVt20 : kModelLm50;
    scale_.version = kind == kUsa ? kVersionUsa : kVersionAustralia;
    scale_.dataType = static_cast<int>(type);
  }
  ScaleEntry scale_{"Deli", 0, 594};
};

TEST_F(TotalsReceived, RecordsReadIntoLinesOrAreRefused) {
  for (const ReadCase& c : kCases) {
    SCOPED_TRACE(c.name);
    become(c.kind, c.type);
    std::string line = "left over";
    int32_t key = -1;
    // `data` holds exactly the record's bytes: a read past them shows under the sanitizers.
    EXPECT_EQ(readTotalsRecord(scale_, c.data, '\t', line, key), c.reading);
    EXPECT_EQ(line, c.line);
    EXPECT_EQ(key, c.key);
  }
}

}  // namespace
}  // namespace tolvan
