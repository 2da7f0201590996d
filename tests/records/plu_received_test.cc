// PLU records sent back by scales: the block text read field by field, the
// message-family body, and the shared list where the first arrival of a
// PLU number wins.
#include "records/plu_received.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "frame/driver.h"
#include "records/plu_record.h"
#include "records/record_dispatch.h"
#include "support/fakes.h"

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;

// A block text of `length` '0' characters with `fields` written over it.
std::string blockText(size_t length, std::initializer_list<std::pair<size_t, std::string>> fields) {
  std::string text(length, '0');
  for (const auto& [pos, value] : fields) text.replace(pos, value.size(), value);
  return text;
}

// The example record of a "usa" scale: PLU 123, price 250, weight 500, item
// code 345, POS code 123, shelf life 5, date flag 1, extra message 12.
std::string usaExample() {
  return blockText(118, {{0, "65000123"},
                         {10, "000250"},
                         {17, "0000250"},
                         {24, "000500"},
                         {52, "01"},
                         {54, "0005"},
                         {74, "0000000123"},
                         {88, "00000345"},
                         {98, "12"}});
}

class ReceivedPlu : public ::testing::Test {
 protected:
  ReceivedPlu() {
    scale_.driver = &driver_;
    scale_.model = kModelVt30;
    scale_.version = kVersionUsa;
    scale_.maxExMsg = 99;
  }

  bool receive(ScaleEntry& scale, const std::string& text) {
    return handleReceivedPlu(scale, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  }
  bool receive(const std::string& text) { return receive(scale_, text); }
  bool receive(const Bytes& body) { return handleReceivedPlu(scale_, body); }
  const PluRecord& at(int i) const { return *static_cast<const PluRecord*>(driver_.records.get(i)); }

  testing::FakeClock clock_;
  testing::FakeSleeper sleeper_{&clock_};
  Driver driver_{clock_, sleeper_, nullptr};
  ScaleEntry scale_{"scale1", 0, 594};
};

// ---- Block family ----

TEST_F(ReceivedPlu, UsaExampleReadsBackFieldByField) {
  ASSERT_TRUE(receive(usaExample()));
  ASSERT_EQ(driver_.records.count(), 1);
  PluRecord expected{};
  expected.pluNo = 123;
  expected.unitPrice = 250;
  expected.weight = 500;
  expected.itemCode = 345;
  std::memcpy(expected.posCode, "0000000123", 10);
  expected.shelfLife = 5;
  expected.dateFlag = 1;
  expected.message7 = 12;
  EXPECT_EQ(std::memcmp(&at(0), &expected, sizeof expected), 0);
  EXPECT_STREQ(at(0).posCode, "0000000123");
  EXPECT_EQ(at(0).desc[0], '\0');
}

TEST_F(ReceivedPlu, ItemCodeFieldStaysWholeAndDescriptionFollowsTheFixedPart) {
  std::string text = usaExample();
  text.replace(88, 8, "10200345");
  text += "Apples";
  ASSERT_TRUE(receive(text));
  EXPECT_EQ(at(0).itemCode, 10200345);
  EXPECT_EQ(at(0).dept, 0);
  EXPECT_EQ(at(0).group, 0);
  EXPECT_STREQ(at(0).desc, "Apples");
}

TEST_F(ReceivedPlu, NzSalesModeOneTakesTheSecondPrice) {
  scale_.version = kVersionNz;
  // Relative positions are those of "usa" after the two extra code characters.
  std::string first = "6502" + blockText(116, {{0, "000123"}, {6, "01"}, {8, "000999"}, {14, "00000250"}});
  ASSERT_TRUE(receive(first));
  EXPECT_EQ(at(0).salesMode, 1);
  EXPECT_EQ(at(0).unitPrice, 250);
  std::string byWeight = "6502" + blockText(116, {{0, "000124"}, {6, "00"}, {8, "000999"}, {14, "00000250"}});
  ASSERT_TRUE(receive(byWeight));
  EXPECT_EQ(at(1).unitPrice, 999);
}

TEST_F(ReceivedPlu, UsaSalesModeOneKeepsTheFirstPrice) {
  ASSERT_TRUE(receive(blockText(118, {{0, "65000123"}, {8, "01"}, {10, "000999"}, {16, "00000250"}})));
  EXPECT_EQ(at(0).unitPrice, 999);
}

TEST_F(ReceivedPlu, FieldsReadSignedWithBlanksAndKeepLowBits) {
  ASSERT_TRUE(receive(blockText(118, {{0, "65000123"}, {10, "  -250"}, {24, "  +500"}, {48, "7000"}, {52, "x1"}})));
  EXPECT_EQ(at(0).unitPrice, -250);
  EXPECT_EQ(at(0).weight, 500);
  EXPECT_EQ(at(0).tare, 7000);
  EXPECT_EQ(at(0).dateFlag, 0);  // not a number: stays 0
}

TEST_F(ReceivedPlu, FourDigitExtraMessagesShiftTheLaterFieldsByTwo) {
  scale_.maxExMsg = 9999;
  std::string text = blockText(120, {{0, "65000123"}, {98, "1234"}, {102, "05"}, {104, "06"}, {106, "07"},
                                     {108, "01"}, {110, "00090000"}});
  ASSERT_TRUE(receive(text + "Pears"));
  EXPECT_EQ(at(0).message7, 1234);
  EXPECT_EQ(at(0).coupon, 5);
  EXPECT_EQ(at(0).nutrition, 6);
  EXPECT_EQ(at(0).taxNo, 7);
  EXPECT_EQ(at(0).openPrice, 1);
  EXPECT_EQ(at(0).forcedTare, 9);
  EXPECT_STREQ(at(0).desc, "Pears");
}

// Six-digit extra messages take the places of extra message 7, coupon and
// nutrition number; tax, open price and the description stay where the
// driver sends them.
TEST_F(ReceivedPlu, SixDigitExtraMessagesReadTheLayoutTheDriverSends) {
  scale_.maxExMsg = 10000;
  std::string text =
      blockText(118, {{0, "65000123"}, {98, "123456"}, {104, "07"}, {106, "01"}, {108, "0005000000"}});
  ASSERT_TRUE(receive(text + "Cake"));
  EXPECT_EQ(at(0).message7, 123456);
  EXPECT_EQ(at(0).coupon, 0);
  EXPECT_EQ(at(0).nutrition, 0);
  EXPECT_EQ(at(0).taxNo, 7);
  EXPECT_EQ(at(0).openPrice, 1);
  EXPECT_EQ(at(0).forcedTare, 5);
  EXPECT_STREQ(at(0).desc, "Cake");
}

TEST_F(ReceivedPlu, PhilippinesReadsUnitAndFourDigitMessage) {
  scale_.version = kVersionPhilippines;
  std::string text = "6502" + blockText(116, {{0, "000123"}, {28, "3000"}, {96, "001200"}});
  ASSERT_TRUE(receive(text));
  EXPECT_EQ(at(0).unit, 3);
  EXPECT_EQ(at(0).packQuant, 0);
  EXPECT_EQ(at(0).message7, 12);
  EXPECT_EQ(at(0).coupon, 0);
}

TEST_F(ReceivedPlu, UnreadableBlockRecordAddsTheZeroRecordOnce) {
  ASSERT_TRUE(receive(std::string("65abcdef")));
  ASSERT_TRUE(receive(std::string("65000000") + std::string(110, '9')));
  ASSERT_TRUE(receive(std::string("6")));
  ASSERT_EQ(driver_.records.count(), 1);
  PluRecord zero{};
  EXPECT_EQ(std::memcmp(&at(0), &zero, sizeof zero), 0);
}

TEST_F(ReceivedPlu, ShortBlockTextKeepsTheFieldsItHolds) {
  ASSERT_TRUE(receive(std::string("65000042") + "01" + "00012"));
  EXPECT_EQ(at(0).pluNo, 42);
  EXPECT_EQ(at(0).salesMode, 1);
  EXPECT_EQ(at(0).unitPrice, 12);  // the digits there are, no further
  EXPECT_EQ(at(0).weight, 0);
}

TEST_F(ReceivedPlu, BlockRecordsRoundTripThroughTheEncoder) {
  struct Setting {
    int version;
    int maxExMsg;
  };
  for (Setting s : {Setting{kVersionUsa, 99}, Setting{kVersionNz, 500}, Setting{kVersionSouthAmerica, 99},
                    Setting{kVersionTaiwan, 99}}) {
    SCOPED_TRACE(s.version * 100000 + s.maxExMsg);
    driver_.records.clearAndFree();
    scale_.version = s.version;
    scale_.maxExMsg = s.maxExMsg;
    PluRecord sent{};
    sent.pluNo = 4711;
    sent.unitPrice = 1299;
    sent.weight = 250;
    sent.packQuant = 6;
    sent.costPrice = 800;
    sent.tare = 15;
    sent.shelfLife = 9;
    sent.message1 = 3;
    sent.message7 = 44;
    sent.coupon = 2;
    sent.taxNo = 4;
    sent.openPrice = 1;
    sent.regCode = s.version == kVersionTaiwan ? 77 : 0;
    sent.barCodeNum = s.version == kVersionSouthAmerica ? 8 : 0;
    sent.forcedTare = s.version == kVersionUsa ? 1 : 0;
    std::strcpy(sent.posCode, "0000004711");
    std::strcpy(sent.desc, "Brown bread");
    Bytes text(kMaxConvertedLen);
    int code = 0;
    int length = 0;
    ASSERT_TRUE(convertRecord(scale_, 1, kModeAdd, &sent, code, text, length));
    ASSERT_TRUE(handleReceivedPlu(scale_, std::span<const uint8_t>(text.data(), static_cast<size_t>(length))));
    const PluRecord& got = at(0);
    EXPECT_EQ(got.pluNo, sent.pluNo);
    EXPECT_EQ(got.unitPrice, sent.unitPrice);
    EXPECT_EQ(got.weight, sent.weight);
    EXPECT_EQ(got.packQuant, sent.packQuant);
    EXPECT_EQ(got.costPrice, sent.costPrice);
    EXPECT_EQ(got.tare, sent.tare);
    EXPECT_EQ(got.shelfLife, sent.shelfLife);
    EXPECT_EQ(got.message1, sent.message1);
    EXPECT_EQ(got.message7, sent.message7);
    EXPECT_EQ(got.coupon, sent.coupon);
    EXPECT_EQ(got.taxNo, sent.taxNo);
    EXPECT_EQ(got.openPrice, sent.openPrice);
    EXPECT_EQ(got.regCode, sent.regCode);
    EXPECT_EQ(got.barCodeNum, sent.barCodeNum);
    EXPECT_EQ(got.forcedTare, sent.forcedTare);
    EXPECT_STREQ(got.posCode, sent.posCode);
    EXPECT_STREQ(got.desc, sent.desc);
  }
}

// ---- Message family ----

// The body of the "china" example: PLU 123, price 250, weight 500, shelf
// life 5, date flag 1, item code 345, POS code 123, extra message 12.
Bytes chinaExampleBody() {
  Bytes body = {0x00, 0x00, 0x01, 0x23, 0x00, 0x00, 0x00, 0x02, 0x50, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x00,
                0x00, 0x00, 0x00, 0x01, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x00, 0x03, 0x45, 0x00, 0x00, 0x00, 0x00, 0x01, 0x23, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x12};
  body.resize(82, 0x00);
  return body;
}

class ReceivedMessagePlu : public ReceivedPlu {
 protected:
  ReceivedMessagePlu() {
    scale_.model = kModelVt40;
    scale_.version = kVersionChina;
  }
};

TEST_F(ReceivedMessagePlu, ChinaExampleReadsBack) {
  Bytes body = chinaExampleBody();
  body[75] = 0x07;  // message 1 rides in the country tail
  ASSERT_TRUE(receive(body));
  const PluRecord& got = at(0);
  EXPECT_EQ(got.pluNo, 123);
  EXPECT_EQ(got.unitPrice, 250);
  EXPECT_EQ(got.weight, 500);
  EXPECT_EQ(got.shelfLife, 5);
  EXPECT_EQ(got.dateFlag, 1);
  EXPECT_EQ(got.itemCode, 345);
  EXPECT_STREQ(got.posCode, "0000000123");
  EXPECT_EQ(got.message7, 12);
  EXPECT_EQ(got.message1, 7);
  EXPECT_EQ(got.unit, 0);
  EXPECT_EQ(got.desc[0], '\0');
}

TEST_F(ReceivedMessagePlu, CountryTailFollowsTheVersion) {
  Bytes body = chinaExampleBody();
  body[75] = 0x04;
  body[76] = 0x09;
  scale_.version = kVersionTaiwan;
  ASSERT_TRUE(receive(body));
  EXPECT_EQ(at(0).unit, 4);
  EXPECT_EQ(at(0).message1, 9);
  driver_.records.clearAndFree();
  scale_.version = kVersionUsa;
  ASSERT_TRUE(receive(body));
  EXPECT_EQ(at(0).unit, 0);
  EXPECT_EQ(at(0).message1, 0);
}

TEST_F(ReceivedMessagePlu, DescriptionIsDecodedWithinTheScaleLimit) {
  Bytes body = chinaExampleBody();
  body[80] = 5;
  for (char c : std::string("Hello")) body.push_back(static_cast<uint8_t>(c));
  scale_.maxPluDescLen = 3;
  ASSERT_TRUE(receive(body));
  EXPECT_STREQ(at(0).desc, "Hel");
}

TEST_F(ReceivedMessagePlu, ShortBodyKeepsTheFieldsItHolds) {
  Bytes body = chinaExampleBody();
  body[80] = 200;  // claims more description than the body holds
  body.push_back('O');
  body.push_back('k');
  ASSERT_TRUE(receive(body));
  EXPECT_STREQ(at(0).desc, "Ok");
  driver_.records.clearAndFree();
  Bytes cut = chinaExampleBody();
  cut.resize(46);  // ends inside extra message 7
  ASSERT_TRUE(receive(cut));
  EXPECT_EQ(at(0).pluNo, 123);
  EXPECT_EQ(at(0).itemCode, 345);
  EXPECT_EQ(at(0).message7, 0);
}

TEST_F(ReceivedMessagePlu, ModelOfNeitherFamilyIsRefused) {
  scale_.model = kModelHbq;
  EXPECT_FALSE(receive(chinaExampleBody()));
  EXPECT_EQ(driver_.records.count(), 0);
}

// ---- The shared list ----

TEST_F(ReceivedPlu, FirstArrivalOfANumberWinsAcrossScales) {
  ScaleEntry second("scale2", 1, 594);
  second.driver = &driver_;
  second.model = kModelVt30;
  second.version = kVersionUsa;
  ASSERT_TRUE(receive(blockText(118, {{0, "65000007"}, {10, "000100"}})));
  ASSERT_TRUE(receive(second, blockText(118, {{0, "65000007"}, {10, "000200"}})));
  ASSERT_TRUE(receive(second, blockText(118, {{0, "65000008"}, {10, "000300"}})));
  ASSERT_EQ(driver_.records.count(), 2);
  EXPECT_EQ(at(0).unitPrice, 100);
  EXPECT_EQ(at(1).pluNo, 8);
}

TEST_F(ReceivedPlu, ScalesAddingAtOnceKeepEachNumberOnce) {
  ScaleEntry second("scale2", 1, 594);
  second.driver = &driver_;
  second.model = kModelVt30;
  second.version = kVersionUsa;
  auto feed = [this](ScaleEntry& scale) {
    for (int n = 1; n <= 150; ++n) {
      char number[9];
      std::snprintf(number, sizeof number, "65%06d", n);
      receive(scale, blockText(118, {{0, number}}));
    }
  };
  std::thread a(feed, std::ref(scale_));
  std::thread b(feed, std::ref(second));
  a.join();
  b.join();
  ASSERT_EQ(driver_.records.count(), 150);
  std::vector<bool> seen(151, false);
  for (int i = 0; i < 150; ++i) {
    int n = at(i).pluNo;
    ASSERT_TRUE(n >= 1 && n <= 150 && !seen[static_cast<size_t>(n)]) << n;
    seen[static_cast<size_t>(n)] = true;
  }
}

TEST_F(ReceivedPlu, AbandonedWorkerAddsNothing) {
  scale_.abandoned = true;
  receive(usaExample());
  EXPECT_EQ(driver_.records.count(), 0);
}

}  // namespace
}  // namespace tolvan
