#include "records/plu_encoding.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "records/plu_record.h"
#include "records/record_header.h"

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;

// PLU 123, unit price 250, weight 500, item code 345, POS code "123",
// shelf life 5, date flag 1, extra message 7 number 12, all else 0.
PluRecord sampleRecord() {
  PluRecord plu{};
  plu.pluNo = 123;
  plu.unitPrice = 250;
  plu.weight = 500;
  plu.itemCode = 345;
  std::strcpy(plu.posCode, "123");
  plu.shelfLife = 5;
  plu.dateFlag = 1;
  plu.message7 = 12;
  return plu;
}

class PluEncoding : public ::testing::Test {
 protected:
  void configure(int model, int version, int maxExMsg = 99) {
    scale_.model = model;
    scale_.version = version;
    scale_.maxExMsg = maxExMsg;
  }

  bool convert(const void* record, int mode = 1) {
    code_ = -1;
    length_ = -1;
    buffer_.fill(0xEE);
    return convertPlu(scale_, mode, record, code_, buffer_, length_);
  }

  Bytes bytes() const { return Bytes(buffer_.begin(), buffer_.begin() + length_); }
  Bytes bytes(size_t from, size_t n) const { return Bytes(buffer_.begin() + from, buffer_.begin() + from + n); }
  std::string text() const { return std::string(reinterpret_cast<const char*>(buffer_.data()), length_); }

  ScaleEntry scale_{"scale1", 0, 594};
  std::array<uint8_t, 4096> buffer_{};
  int code_ = -1;
  int length_ = -1;
};

TEST_F(PluEncoding, MessageFamilyChinaRecordIsTheNinetyByteImage) {
  configure(kModelMerioPro, kVersionChina);
  PluRecord plu = sampleRecord();
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(code_, 30);
  Bytes expected = {0x30, 0, 0, 0, 0, 0, 0x52, 0x00,   // record header, body 82
                    0x00, 0x00, 0x01, 0x23,            // PLU number
                    0x00,                              // sales mode
                    0x00, 0x00, 0x02, 0x50,            // unit price
                    0x00,                              // markdown flag
                    0x00, 0x00, 0x00,                  // markdown price
                    0x00, 0x05, 0x00,                  // weight
                    0x00,                              // pack quantity
                    0x00, 0x00,                        // tare
                    0x01,                              // date flag
                    0x00, 0x05,                        // shelf life
                    0x00, 0x00, 0x00,                  // best-before flag, days
                    0x00, 0x00, 0x00,                  // time flag, pack time
                    0x00, 0x00, 0x00,                  // expiry flag, time
                    0x00, 0x00, 0x03, 0x45,            // item code field
                    0x00,                              // POS select
                    0x00, 0x00, 0x00, 0x01, 0x23,      // POS code
                    0x00, 0x00, 0x00,                  // POS flag, bar code, open price
                    0x00, 0x00, 0x00, 0x12};           // extra message 7
  expected.resize(expected.size() + 27, 0);            // messages 2, 3 ... weight limits
  expected.insert(expected.end(), {0, 0, 0, 0, 0});    // country tail
  expected.insert(expected.end(), {0, 0});             // description length
  ASSERT_EQ(expected.size(), 90u);
  EXPECT_EQ(bytes(), expected);
}

TEST_F(PluEncoding, ItemCodeFieldCarriesDepartmentAndGroup) {
  PluRecord plu = sampleRecord();
  plu.dept = 1;
  plu.group = 2;
  configure(kModelVt40, kVersionChina);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(bytes(8 + 31, 4), (Bytes{0x10, 0x20, 0x03, 0x45}));
  configure(kModelVt30, kVersionUsa);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(text().substr(88, 8), "10200345");
}

TEST_F(PluEncoding, CountryTailFollowsTheVersion) {
  PluRecord plu = sampleRecord();
  plu.unit = 3;
  plu.message1 = 4;
  const size_t tail = 8 + 75;
  configure(kModelMerioPro, kVersionTaiwan);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(bytes(tail, 5), (Bytes{0x03, 0x04, 0, 0, 0}));
  configure(kModelMerioPro, kVersionChina);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(bytes(tail, 5), (Bytes{0x04, 0, 0, 0, 0}));
  configure(kModelMerioPro, kVersionSouthAfrica);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(bytes(tail, 5), (Bytes{0x03, 0, 0, 0, 0}));
  configure(kModelMerioPro, kVersionUsa);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(bytes(tail, 5), (Bytes{0, 0, 0, 0, 0}));
  EXPECT_EQ(length_, 90);
}

TEST_F(PluEncoding, MessageFamilyDescriptionFollowsWithItsLength) {
  configure(kModelMerioPro, kVersionUsa);
  PluRecord plu = sampleRecord();
  std::strcpy(plu.desc, "\x1b" "C1ABCDE");
  ASSERT_TRUE(convert(&plu));
  ASSERT_EQ(length_, 98);
  EXPECT_EQ(bytes(6, 2), (Bytes{90, 0}));        // body length 82 + 8
  EXPECT_EQ(bytes(8 + 80, 2), (Bytes{8, 0}));    // description length
  EXPECT_EQ(bytes(90, 8), (Bytes{13, 8, 'A', 'B', 'C', 'D', 'E', 0}));
}

TEST_F(PluEncoding, DescriptionStaysWithinMaxPluDescLen) {
  PluRecord plu = sampleRecord();
  std::strcpy(plu.desc, "ABCDEFGHIJ");
  scale_.maxPluDescLen = 4;
  configure(kModelMerioPro, kVersionUsa);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(length_, 94);
  EXPECT_EQ(bytes(8 + 80, 2), (Bytes{4, 0}));
  configure(kModelVt30, kVersionUsa);
  ASSERT_TRUE(convert(&plu));
  EXPECT_LE(length_, 118 + 4);
  EXPECT_EQ(text().substr(118), std::string("ABCDEFGHIJ").substr(0, length_ - 118));
  EXPECT_EQ(buffer_[length_], 0);
}

TEST_F(PluEncoding, LargePluNumberOnlyForMessageFamily) {
  PluRecord plu = sampleRecord();
  plu.pluNo = 1000000;
  configure(kModelVt40, kVersionUsa);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(bytes(8, 4), (Bytes{0x01, 0x00, 0x00, 0x00}));
  configure(kModelPmx, kVersionUsa);
  EXPECT_FALSE(convert(&plu));
  EXPECT_EQ(length_, 0);
  plu.pluNo = 999999;
  EXPECT_TRUE(convert(&plu));
}

// The usa text of the sample record, built from its fields' positions.
std::string usaSampleText() {
  std::string t(118, '0');
  auto put = [&t](size_t at, const std::string& s) { t.replace(at, s.size(), s); };
  put(0, "65000123");
  put(10, "000250");
  put(17, "0000250");
  put(24, "000500");
  put(52, "01");
  put(54, "0005");
  put(74, "0000000123");
  put(88, "00000345");
  put(98, "12");
  return t;
}

TEST_F(PluEncoding, BlockUsaTextHasEveryFieldAtItsPosition) {
  configure(kModelVt30, kVersionUsa);
  PluRecord plu = sampleRecord();
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(code_, 65);
  EXPECT_EQ(text(), usaSampleText());
  EXPECT_EQ(buffer_[118], 0);
}

TEST_F(PluEncoding, BlockOtherVersionsStartWith6502AndAreTwoLonger) {
  configure(kModelLm50, kVersionNz);
  PluRecord plu = sampleRecord();
  ASSERT_TRUE(convert(&plu));
  ASSERT_EQ(length_, 120);
  std::string t = text();
  EXPECT_EQ(t.substr(0, 10), "6502000123");
  EXPECT_EQ(t.substr(12, 6), "000250");
  EXPECT_EQ(t.substr(54, 2), "01");
  EXPECT_EQ(t.substr(90, 8), "00000345");
  EXPECT_EQ(t.substr(100, 2), "12");
  EXPECT_EQ(t.substr(110, 10), "0000000000");
}

TEST_F(PluEncoding, BlockFieldTooWideKeepsLeadingCharactersAndNextFieldOverwrites) {
  configure(kModelVt30, kVersionUsa);
  PluRecord plu = sampleRecord();
  plu.unitPrice = 1234567;
  plu.salesMode = 3;
  ASSERT_TRUE(convert(&plu));
  std::string t = text();
  EXPECT_EQ(t.substr(8, 2), "03");
  EXPECT_EQ(t.substr(10, 14), "12345670123456");
  EXPECT_EQ(t.substr(24, 6), "000500");
  EXPECT_EQ(length_, 118);
}

TEST_F(PluEncoding, BlockMessageGroupFollowsModelVersionAndMaxExMsg) {
  PluRecord plu = sampleRecord();
  plu.coupon = 3;
  plu.nutrition = 4;
  plu.taxNo = 5;
  plu.openPrice = 6;
  configure(kModelVt30, kVersionUsa, 99);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(text().substr(98, 10), "1203040506");
  configure(kModelVt30, kVersionUsa, 100);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(length_, 120);
  EXPECT_EQ(text().substr(98, 12), "001203040506");
  configure(kModelVt30, kVersionUsa, 9999);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(length_, 120);
  configure(kModelVt30, kVersionUsa, 10000);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(length_, 118);
  EXPECT_EQ(text().substr(98, 10), "0000120506");
  configure(kModelVt30, kVersionPhilippines, 9999);
  plu.unit = 7;
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(length_, 120);
  EXPECT_EQ(text().substr(32, 4), "7000");
  EXPECT_EQ(text().substr(100, 10), "0012000506");
}

TEST_F(PluEncoding, BlockPmxUsaHasTwentyCharacterGroupAndNoClosingGroup) {
  configure(kModelPmx, kVersionUsa, 9999);
  PluRecord plu = sampleRecord();
  plu.coupon = 3;
  plu.openPrice = 6;
  plu.labelFormat = 7;
  plu.upperLimit = 1500;
  plu.lowerLimit = 900;
  std::strcpy(plu.desc, "XY");
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(text().substr(98), "12030000060715000900XY");
}

TEST_F(PluEncoding, BlockClosingGroupAndRegistrationCode) {
  PluRecord plu = sampleRecord();
  plu.forcedTare = 7;
  plu.barCodeNum = 5;
  plu.regCode = 42;
  configure(kModelVt30, kVersionUsa);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(text().substr(108, 10), "0007000000");
  EXPECT_EQ(text().substr(84, 4), "0000");
  configure(kModelVt30, kVersionSouthAmerica);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(text().substr(110, 10), "0500000000");
  configure(kModelVt30, kVersionThailand);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(text().substr(86, 4), "0042");
  EXPECT_EQ(text().substr(110, 10), "0000000000");
}

TEST_F(PluEncoding, BlockUsaSendsExpiryTimeOthersPackTime) {
  PluRecord plu = sampleRecord();
  plu.expTime = 11;
  plu.packTime = 22;
  configure(kModelVt30, kVersionUsa);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(text().substr(66, 4), "0011");
  configure(kModelVt30, kVersionNz);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(text().substr(68, 4), "0022");
}

TEST_F(PluEncoding, DeletionFormsForBothFamilies) {
  DeletionRecord deletion{1, 42};
  configure(kModelVt30, kVersionUsa);
  ASSERT_TRUE(convert(&deletion, 2));
  EXPECT_EQ(text(), "10000042");
  EXPECT_EQ(buffer_[8], 0);
  EXPECT_EQ(code_, 10);
  configure(kModelLm50, kVersionTaiwan);
  ASSERT_TRUE(convert(&deletion, 2));
  EXPECT_EQ(text(), "1001000042");
  configure(kModelMerioPro, kVersionUsa);
  ASSERT_TRUE(convert(&deletion, 2));
  EXPECT_EQ(code_, 0);
  EXPECT_EQ(bytes(), (Bytes{0x00, 0x00, 0x00, 0x42}));

  DeletionRecord all{1, 0};
  ASSERT_TRUE(convert(&all, 2));
  EXPECT_EQ(bytes(), (Bytes{0, 0, 0, 0}));
  configure(kModelPmx, kVersionNz);
  ASSERT_TRUE(convert(&all, 2));
  EXPECT_EQ(text(), "1001000000");

  DeletionRecord tooLarge{1, 1000000};
  EXPECT_FALSE(convert(&tooLarge, 2));
  EXPECT_EQ(length_, 0);
}

TEST_F(PluEncoding, UploadRequests) {
  int code = -1;
  int length = -1;
  configure(kModelLm50, kVersionSouthAfrica);
  ASSERT_TRUE(buildPluUploadRequest(scale_, code, buffer_, length));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer_.data())), "500200000000");
  EXPECT_EQ(length, 12);
  EXPECT_EQ(code, -1);
  configure(kModelVt30, kVersionUsa);
  ASSERT_TRUE(buildPluUploadRequest(scale_, code, buffer_, length));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer_.data())), "50000000");
  buffer_.fill(0xEE);
  configure(kModelVt40, kVersionUsa);
  ASSERT_TRUE(buildPluUploadRequest(scale_, code, buffer_, length));
  EXPECT_EQ(code, 50);
  ASSERT_EQ(length, 4);
  EXPECT_EQ(Bytes(buffer_.begin(), buffer_.begin() + 4), (Bytes{0, 0, 0, 0}));
}

TEST_F(PluEncoding, ModelOfNeitherFamilyGetsNothing) {
  configure(kModelHbq, kVersionUsa);
  PluRecord plu = sampleRecord();
  DeletionRecord deletion{1, 42};
  EXPECT_FALSE(convert(&plu));
  EXPECT_EQ(length_, 0);
  EXPECT_FALSE(convert(&deletion, 2));
  EXPECT_EQ(length_, 0);
  int code = 0;
  int length = -1;
  EXPECT_FALSE(buildPluUploadRequest(scale_, code, buffer_, length));
  EXPECT_EQ(length, 0);
}

TEST_F(PluEncoding, UnterminatedTextsInARecordStayInBounds) {
  PluRecord plu = sampleRecord();
  std::memset(plu.posCode, '7', sizeof plu.posCode);
  std::memset(plu.desc, 'Q', sizeof plu.desc);
  scale_.maxPluDescLen = 5000;
  configure(kModelVt30, kVersionUsa);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(text().substr(74, 10), "7777777777");
  EXPECT_LE(length_, 4095);
  EXPECT_EQ(buffer_[length_], 0);
  configure(kModelMerioPro, kVersionUsa);
  ASSERT_TRUE(convert(&plu));
  EXPECT_LE(length_, 4096);
  EXPECT_EQ(bytes(8 + 36, 5), (Bytes{0x77, 0x77, 0x77, 0x77, 0x77}));
}

}  // namespace
}  // namespace tolvan
