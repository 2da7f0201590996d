// The simulator's own reading of the wire: packed digits, block frames and
// check bytes, and which record a message number or record code stands for.
#include <gtest/gtest.h>

#include <string>

#include "sim/block_frame.h"
#include "sim/record_keys.h"
#include "sim/sim_bytes.h"

namespace tolvan::sim {
namespace {

Bytes bytesOf(std::string_view s) { return Bytes(s.begin(), s.end()); }

TEST(SimPackedDigits, ReadsAndWritesMostSignificantFirst) {
  Bytes out;
  appendBcd(out, 123, 8);
  EXPECT_EQ(toHex(out), "00000123");
  out.clear();
  appendBcd(out, 123456789, 8);  // only the lowest eight digits fit
  EXPECT_EQ(toHex(out), "23456789");
  EXPECT_EQ(decodeBcd(Bytes{0x00, 0x00, 0x01, 0x23}), 123);
  EXPECT_EQ(decodeBcd(Bytes{0x1a}), -1);
  EXPECT_EQ(messageNumberOf(0x80), 80);
  EXPECT_EQ(packedMessageNumber(30), 0x30);
}

TEST(SimPackedDigits, HexTextRoundTripsAndRefusesOddText) {
  Bytes b;
  ASSERT_TRUE(fromHex("00ff7F", b));
  EXPECT_EQ(b, (Bytes{0x00, 0xff, 0x7f}));
  EXPECT_FALSE(fromHex("abc", b));
  EXPECT_FALSE(fromHex("zz", b));
}

TEST(SimBlockFrame, SingleByteBlockCarriesItsKnownCheckByte) {
  Bytes block = buildBlock(0, bytesOf("A"), true, true);
  EXPECT_EQ(block, (Bytes{0x02, '0', '0', 'A', 0x03, 0x3D}));
  EXPECT_EQ(buildEnquiry(1), (Bytes{0x04, 0x56, 0x51, 0x30, 0x31, 0x05}));
}

TEST(SimBlockFrame, SevenBitScalesNeverSetTheTopBit) {
  Bytes data{0xC1};
  uint8_t eight = buildBlock(0, data, true, true).back();
  uint8_t seven = buildBlock(0, data, true, false).back();
  EXPECT_EQ(eight & 0x80, 0x80);
  EXPECT_EQ(seven, eight & 0x7F);
}

TEST(SimBlockFrame, ScanFindsTheBlockAndWaitsForItsCheckByte) {
  Bytes block = buildBlock(42, bytesOf("6500012\x03x"), false, true);  // data holds an ETX
  std::span<const uint8_t> all(block);
  EXPECT_EQ(scanBlock(all.first(block.size() - 1), true).result, ScanResult::NeedMore);
  ScannedBlock found = scanBlock(all, true);
  ASSERT_EQ(found.result, ScanResult::Block);
  EXPECT_EQ(found.length, block.size());
  EXPECT_EQ(found.dataLength, 9u);
  EXPECT_EQ(found.terminator, kEtb);
}

TEST(SimBlockFrame, ScanReportsAWrongCheckByte) {
  Bytes block = buildBlock(1, bytesOf("10000042"), true, true);
  block.back() ^= 0x01;
  ScannedBlock found = scanBlock(block, true);
  EXPECT_EQ(found.result, ScanResult::BadCheck);
  EXPECT_EQ(found.length, block.size());
  EXPECT_EQ(found.terminator, kEtx);
}

TEST(SimMessageKeys, NumbersMeanWhatTheDriverSends) {
  EXPECT_EQ(classifyMessage(80).action, Action::SessionStart);
  EXPECT_EQ(classifyMessage(81).action, Action::SessionEnd);
  Meaning plu = classifyMessage(30);
  EXPECT_EQ(plu.action, Action::Store);
  EXPECT_EQ(plu.dataType, kTypePlu);
  Meaning storeDelete = classifyMessage(1);
  EXPECT_EQ(storeDelete.action, Action::Delete);
  EXPECT_EQ(storeDelete.unitSize, 2u);
  EXPECT_EQ(classifyMessage(6).unitSize, 1u);
  EXPECT_EQ(classifyMessage(14).action, Action::ResetTotals);
  EXPECT_EQ(classifyMessage(14).totals, TotalsKind::Operator);
  EXPECT_EQ(classifyMessage(64).action, Action::UploadTotals);
  EXPECT_EQ(classifyMessage(53).dataType, kTypeExMsg2);
  EXPECT_EQ(classifyMessage(99).action, Action::Unknown);
}

TEST(SimMessageKeys, RecordNumberSitsAtTheStartOfTheBody) {
  EXPECT_EQ(messageRecordNumber(kTypePlu, Bytes{0x00, 0x00, 0x01, 0x23, 0x99}, false), 123);
  EXPECT_EQ(messageRecordNumber(kTypeStore, Bytes{0x00, 0x11}, false), 11);
  // A keyboard record holds its key as a plain byte, its deletion as digits.
  EXPECT_EQ(messageRecordNumber(kTypeKeyboard, Bytes{150, 1}, false), 150);
  EXPECT_EQ(messageRecordNumber(kTypeKeyboard, Bytes{0x50}, true), 50);
  EXPECT_EQ(messageRecordNumber(kTypePlu, Bytes{0x00, 0x01}, false), -1);
}

class SimBlockKeys : public ::testing::Test {
 protected:
  BlockRecord read(std::string_view text) { return classifyBlockRecord(profile, text); }
  ScaleProfile profile;
};

TEST_F(SimBlockKeys, UsaScalesUseTwoCharacterCodes) {
  profile.version = 0;
  profile.model = 0;
  BlockRecord plu = read("65000123" + std::string(110, '0'));
  EXPECT_EQ(plu.meaning.action, Action::Store);
  EXPECT_EQ(plu.meaning.dataType, kTypePlu);
  EXPECT_EQ(plu.number, 123);
  EXPECT_EQ(read("10000042").meaning.action, Action::Delete);
  EXPECT_EQ(read("10000042").number, 42);
  EXPECT_EQ(read("50000000").meaning.action, Action::Upload);
  BlockRecord key = read("640051000123");
  EXPECT_EQ(key.meaning.dataType, kTypeKeyboard);
  EXPECT_EQ(key.number, 5);
  EXPECT_EQ(read("15").meaning.action, Action::DeleteAll);
  EXPECT_EQ(read("400000").meaning.action, Action::UploadTotals);
  EXPECT_EQ(read("47").meaning.totals, TotalsKind::Operator);
  EXPECT_EQ(read("19").meaning.action, Action::ResetTotals);
  EXPECT_EQ(read("17").meaning.action, Action::ResetAllTotals);
}

TEST_F(SimBlockKeys, OtherVersionsUseFourCharacterCodes) {
  profile.version = 1;
  profile.model = 0;
  EXPECT_EQ(read("6502000123").number, 123);
  EXPECT_EQ(read("1001000000").number, 0);
  BlockRecord second = read("38021122000007");  // key 12 of the second page
  EXPECT_EQ(second.number, 100);
  EXPECT_EQ(read("40010000").meaning.totals, TotalsKind::Plu);
  EXPECT_EQ(read("4301").meaning.totals, TotalsKind::Hour);
  // Codes of a "usa" scale mean nothing here.
  EXPECT_EQ(read("65000123").meaning.action, Action::Unknown);
  profile.version = 3;  // thailand price changes
  EXPECT_EQ(read("660200004201234567").meaning.dataType, kTypePriceChange);
  EXPECT_EQ(read("660200004201234567").number, 42);
}

TEST_F(SimBlockKeys, ExtraMessageNumbersFollowMaxExMsg) {
  profile.version = 1;
  profile.maxExMsg = 99;
  EXPECT_EQ(read("350107Hello").number, 7);
  profile.maxExMsg = 500;
  EXPECT_EQ(read("35010007Hello").number, 7);
  profile.maxExMsg = 10000;
  EXPECT_EQ(read("2102000007").number, 7);
  EXPECT_EQ(read("2102000007").meaning.dataType, kTypeCoupon);
}

TEST_F(SimBlockKeys, NutritionCodeDependsOnTheModel) {
  profile.version = 1;
  profile.model = 5;  // lm50
  EXPECT_EQ(read("6002000012" + std::string(33, '0')).number, 12);
  profile.model = 0;  // vt30
  BlockRecord panel = read("60000012" + std::string(118, ' '));
  EXPECT_EQ(panel.meaning.dataType, kTypeNutrition);
  EXPECT_EQ(panel.number, 12);
  EXPECT_EQ(read("24999999").meaning.action, Action::Delete);
  EXPECT_EQ(read("24999999").number, 999999);
}

}  // namespace
}  // namespace tolvan::sim
