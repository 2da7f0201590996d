// The simulator's own reading of the wire: packed digits, block frames and
// check bytes, and which record a message number or record code stands for.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

#include "sim/block_frame.h"
#include "sim/record_keys.h"
#include "tests/sim/sim_test_support.h"

namespace tolvan::sim {
namespace {

TEST(SimPackedDigits, WritesReadsAndRefusesNonDigits) {
  Bytes out;
  appendBcd(out, 123, 8);
  EXPECT_EQ(toHex(out), "00000123");
  out.clear();
  appendBcd(out, 123456789, 8);  // only the lowest eight digits fit
  EXPECT_EQ(toHex(out), "23456789");
  EXPECT_EQ(decodeBcd(Bytes{0x00, 0x00, 0x01, 0x23}), 123);
  EXPECT_EQ(decodeBcd(Bytes{0x1a}), -1);
  EXPECT_EQ(messageNumberOf(0x80), 80);
  Bytes b;
  ASSERT_TRUE(fromHex("00ff7F", b));
  EXPECT_EQ(b, (Bytes{0x00, 0xff, 0x7f}));
  EXPECT_FALSE(fromHex("abc", b));
  EXPECT_FALSE(fromHex("zz", b));
}

// Message numbers of the types no end-to-end run sends yet, and the record
// numbers of store (2 digits) and keyboard (1 byte) records.
TEST(SimMessageKeys, NumbersAndRecordNumbers) {
  using A = Action;
  // {number, action, data type, bytes of one deleted number}
  const std::tuple<int, Action, int, size_t> messages[] = {
      {33, A::Store, kTypeExMsg2, 0},       {35, A::Store, kTypeCoupon, 0},       {1, A::Delete, kTypeStore, 2},
      {6, A::Delete, kTypeKeyboard, 1},     {4, A::Delete, kTypeExMsg3, 4},       {55, A::Upload, kTypeCoupon, 0},
      {12, A::ResetTotals, kTypeUnknown, 0}, {62, A::UploadTotals, kTypeUnknown, 0}, {99, A::Unknown, kTypeUnknown, 0}};
  for (const auto& [number, action, type, unit] : messages) {
    Meaning m = classifyMessage(number);
    EXPECT_EQ(m.action, action) << number;
    EXPECT_EQ(m.dataType, type) << number;
    EXPECT_EQ(m.unitSize, unit) << number;
  }
  EXPECT_EQ(messageRecordNumber(kTypeStore, Bytes{0x00, 0x11}, false), 11);
  // A keyboard record holds its key as a plain byte, its deletion as digits.
  EXPECT_EQ(messageRecordNumber(kTypeKeyboard, Bytes{150, 1}, false), 150);
  EXPECT_EQ(messageRecordNumber(kTypeKeyboard, Bytes{0x50}, true), 50);
  EXPECT_EQ(messageRecordNumber(kTypePlu, Bytes{0x00, 0x01}, false), -1);  // short body
}

// Record codes are 2 characters on "usa" scales (version 0) and 4 on all
// others; the nutrition code follows the model, extra message numbers the
// scale's maxexmsg. Codes the whole runs send are left to them.
TEST(SimBlockKeys, RecordCodesAndNumbers) {
  struct Case {
    int version, model, maxExMsg;
    std::string text;
    Action action;
    int dataType;
    int64_t number;
    std::optional<TotalsKind> totals = {};
  } cases[] = {
      {0, 0, 99, "640051000123", Action::Store, kTypeKeyboard, 5},
      {0, 0, 99, "15", Action::DeleteAll, kTypeKeyboard, -1},
      {0, 0, 99, "47", Action::UploadTotals, kTypeUnknown, -1, TotalsKind::Operator},
      {0, 0, 99, "17", Action::ResetAllTotals, kTypeUnknown, -1},
      {1, 0, 99, "6502000123", Action::Store, kTypePlu, 123},
      {1, 0, 99, "1001000000", Action::Delete, kTypePlu, 0},
      {1, 0, 99, "38021122000007", Action::Store, kTypeKeyboard, 100},  // key 12 of page 2
      {1, 0, 99, "4301", Action::UploadTotals, kTypeUnknown, -1, TotalsKind::Hour},
      {1, 0, 99, "65000123", Action::Unknown, kTypeUnknown, -1},  // a "usa" code
      {3, 0, 99, "660200004201234567", Action::Store, kTypePriceChange, 42},
      {1, 0, 500, "35010007Hello", Action::Store, kTypeExMsg, 7},
      {1, 0, 10000, "2102000007", Action::Delete, kTypeCoupon, 7},
      {1, 0, 99, "60000012" + std::string(118, ' '), Action::Store, kTypeNutrition, 12},
      {1, 0, 99, "24999999", Action::Delete, kTypeNutrition, 999999},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 14) + " version " + std::to_string(c.version));
    ScaleProfile profile;
    profile.version = c.version;
    profile.model = c.model;
    profile.maxExMsg = c.maxExMsg;
    BlockRecord r = classifyBlockRecord(profile, c.text);
    EXPECT_EQ(r.meaning.action, c.action);
    EXPECT_EQ(r.meaning.dataType, c.dataType);
    EXPECT_EQ(r.number, c.number);
    if (c.totals) {
      EXPECT_EQ(r.meaning.totals, *c.totals);
    }
  }
}

}  // namespace
}  // namespace tolvan::sim
