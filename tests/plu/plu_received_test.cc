// PLU records sent back by scales: the block text read field by field, the
// message-family body, and the shared list where the first arrival of a
// PLU number wins.
#include "plu/plu_received.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "core/driver.h"
#include "dispatch/record_dispatch.h"
#include "plu/plu_record.h"
#include "support/fakes.h"
#include "support/golden.h"
#include "support/records.h"

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
std::string usaExample() { return testing::goldenText("plu_usa_example.txt"); }

// The record both examples describe, as it reads back.
PluRecord exampleRecord() {
  PluRecord plu{};
  plu.pluNo = 123;
  plu.unitPrice = 250;
  plu.weight = 500;
  plu.itemCode = 345;
  std::memcpy(plu.posCode, "0000000123", 10);
  plu.shelfLife = 5;
  plu.dateFlag = 1;
  plu.message7 = 12;
  return plu;
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
    return handleReceivedPlu(scale, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  }
  bool receive(const std::string& text) { return receive(scale_, text); }
  bool receive(const Bytes& body) { return handleReceivedPlu(scale_, body); }
  PluRecord at(int i) const { return testing::recordAt<PluRecord>(driver_.records, i); }
  void expectRecord(int i, const PluRecord& want) const {
    ASSERT_LT(i, driver_.records.count());
    const PluRecord got = at(i);
    EXPECT_EQ(std::memcmp(&got, &want, sizeof want), 0) << "PLU " << got.pluNo << " desc " << got.desc;
  }

  testing::FakeClock clock_;
  testing::FakeSleeper sleeper_{&clock_};
  Driver driver_{clock_, sleeper_, nullptr};
  ScaleEntry scale_{"scale1", 0, 594};
};

// ---- Block family ----

// The item code is read whole (department and group are not split off) and
// the description follows the fixed fields.
TEST_F(ReceivedPlu, UsaExampleReadsBackWithItemCodeWholeAndDescriptionAfter) {
  std::string text = usaExample();
  text.replace(0, 8, "65000124");
  text.replace(88, 8, "10200345");
  ASSERT_TRUE(receive(text + "Apples"));
  PluRecord want = exampleRecord();
  want.pluNo = 124;
  want.itemCode = 10200345;
  std::strcpy(want.desc, "Apples");
  expectRecord(0, want);
}

TEST_F(ReceivedPlu, FieldsReadSignedWithBlanksAndKeepLowBits) {
  ASSERT_TRUE(receive(blockText(118, {{0, "65000123"}, {10, "  -250"}, {24, "  +500"}, {48, "7000"}, {52, "x1"}})));
  EXPECT_EQ(at(0).unitPrice, -250);
  EXPECT_EQ(at(0).weight, 500);
  EXPECT_EQ(at(0).tare, 7000);
  EXPECT_EQ(at(0).dateFlag, 0);  // not a number: stays 0
}

TEST_F(ReceivedPlu, ShortOrUnreadableTextsKeepWhatTheyHold) {
  ASSERT_TRUE(receive(std::string("65000042") + "01" + "00012"));
  EXPECT_EQ(at(0).pluNo, 42);
  EXPECT_EQ(at(0).salesMode, 1);
  EXPECT_EQ(at(0).unitPrice, 12);  // the digits there are, no further
  EXPECT_EQ(at(0).weight, 0);
  driver_.records.clearAndFree();
  ASSERT_TRUE(receive(std::string("65abcdef")));
  ASSERT_TRUE(receive(std::string("65000000") + std::string(110, '9')));
  ASSERT_TRUE(receive(std::string("6")));
  ASSERT_EQ(driver_.records.count(), 1);  // the zero record, once
  expectRecord(0, PluRecord{});
}

TEST_F(ReceivedPlu, BlockRecordsRoundTripThroughTheEncoder) {
  // Four-digit extra messages from 100 move the later fields right by two;
  // from 10000 they take six in the places of message 7, coupon and
  // nutrition number: the decoder must read the layout the encoder sends.
  for (auto [version, maxExMsg] : {std::pair{kVersionUsa, 99}, {kVersionNz, 500}, {kVersionSouthAmerica, 99},
                                   {kVersionTaiwan, 9999}, {kVersionPhilippines, 99}, {kVersionUsa, 10000}}) {
    SCOPED_TRACE(version * 100000 + maxExMsg);
    driver_.records.clearAndFree();
    scale_.version = version;
    scale_.maxExMsg = maxExMsg;
    PluRecord sent = exampleRecord();
    sent.costPrice = 800;
    sent.tare = 15;
    sent.message1 = 3;
    const bool couponRoom = maxExMsg < 10000 && version != kVersionPhilippines;  // else not sent
    sent.coupon = couponRoom ? 2 : 0;
    sent.nutrition = couponRoom ? 5 : 0;
    sent.message7 = maxExMsg < 100 ? 12 : 1234;
    sent.unit = version == kVersionPhilippines ? 3 : 0;
    sent.packQuant = version == kVersionPhilippines ? 0 : 6;
    sent.taxNo = 4;
    sent.openPrice = 1;
    sent.regCode = version == kVersionTaiwan ? 77 : 0;
    sent.barCodeNum = version == kVersionSouthAmerica ? 8 : 0;
    sent.forcedTare = version == kVersionUsa ? 1 : 0;
    std::strcpy(sent.desc, "Brown bread");
    Bytes text(kMaxConvertedLen);
    int code = 0;
    int length = 0;
    ASSERT_TRUE(convertRecord(scale_, 1, kModeAdd, &sent, code, text, length));
    ASSERT_TRUE(handleReceivedPlu(scale_, std::span<const uint8_t>(text.data(), static_cast<size_t>(length))));
    expectRecord(0, sent);
  }
}

// ---- Message family ----

// The body of the "china" example record (behind its 8-byte header).
Bytes chinaExampleBody() {
  Bytes record = testing::goldenHex("plu_china_example.hex");
  return Bytes(record.begin() + 8, record.end());
}

class ReceivedMessagePlu : public ReceivedPlu {
 protected:
  ReceivedMessagePlu() {
    scale_.model = kModelVt40;
    scale_.version = kVersionChina;
  }
};

TEST_F(ReceivedMessagePlu, ChinaExampleReadsBackWithTheCountryTailOfTheVersion) {
  Bytes body = chinaExampleBody();
  body[75] = 0x04;
  body[76] = 0x09;
  PluRecord want = exampleRecord();
  want.message1 = 4;  // china: message 1 first in the tail
  ASSERT_TRUE(receive(body));
  expectRecord(0, want);
  // {version, unit, message 1}
  for (auto [version, unit, message1] : {std::tuple{kVersionTaiwan, 4, 9}, {kVersionUsa, 0, 0}}) {
    driver_.records.clearAndFree();
    scale_.version = version;
    ASSERT_TRUE(receive(body));
    EXPECT_EQ(at(0).unit, unit) << version;
    EXPECT_EQ(at(0).message1, message1) << version;
  }
}

TEST_F(ReceivedMessagePlu, ShortBodyOrDescriptionKeepsWhatItHolds) {
  Bytes body = chinaExampleBody();
  body[80] = 5;
  for (char c : std::string("Hello")) body.push_back(static_cast<uint8_t>(c));
  scale_.maxPluDescLen = 3;
  ASSERT_TRUE(receive(body));
  EXPECT_STREQ(at(0).desc, "Hel");  // within the scale's limit
  body.resize(82);
  body[80] = 200;  // claims more description than the body holds
  body[3] = 0x24;
  body.push_back('O');
  body.push_back('k');
  scale_.maxPluDescLen = 100;
  ASSERT_TRUE(receive(body));
  EXPECT_STREQ(at(1).desc, "Ok");
  Bytes cut = chinaExampleBody();
  cut[3] = 0x25;
  cut.resize(46);  // ends inside extra message 7
  ASSERT_TRUE(receive(cut));
  EXPECT_EQ(at(2).pluNo, 125);
  EXPECT_EQ(at(2).itemCode, 345);
  EXPECT_EQ(at(2).message7, 0);
}

TEST_F(ReceivedMessagePlu, ModelOfNeitherFamilyOrAbandonedWorkerAddsNothing) {
  scale_.model = kModelHbq;
  EXPECT_FALSE(receive(chinaExampleBody()));
  scale_.model = kModelVt30;
  scale_.version = kVersionUsa;
  scale_.abandoned = true;
  receive(usaExample());
  EXPECT_EQ(driver_.records.count(), 0);
}

}  // namespace
}  // namespace tolvan
