#include "plu/plu_encoding.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "core/record_list.h"
#include "plu/plu_record.h"
#include "records/deletion_record.h"
#include "support/golden.h"

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;
using namespace std::string_literals;

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
    code_ = length_ = -1;
    buffer_.fill(0xEE);
    return convertPlu(scale_, mode, record, code_, buffer_, length_);
  }

  Bytes bytes() const { return Bytes(buffer_.begin(), buffer_.begin() + length_); }
  std::string text() const { return std::string(reinterpret_cast<const char*>(buffer_.data()), length_); }

  ScaleEntry scale_{"scale1", 0, 594};
  std::array<uint8_t, 4096> buffer_{};
  int code_ = -1;
  int length_ = -1;
};

// The worked examples of both families, byte for byte.
TEST_F(PluEncoding, SampleRecordGivesTheWorkedExamplesOfBothFamilies) {
  PluRecord plu = sampleRecord();
  configure(kModelMerioPro, kVersionChina);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(code_, 30);
  EXPECT_EQ(bytes(), testing::goldenHex("plu_china_example.hex"));
  configure(kModelVt30, kVersionUsa);
  ASSERT_TRUE(convert(&plu));
  EXPECT_EQ(code_, 65);
  EXPECT_EQ(text(), testing::goldenText("plu_usa_example.txt"));
  EXPECT_EQ(buffer_[118], 0);
}

// One record of the sample with a few fields changed, and the bytes expected
// at some places of what is sent.
struct EncodeCase {
  const char* name;
  int model;
  int version;
  int maxExMsg;
  void (*edit)(PluRecord&);
  std::vector<std::pair<size_t, std::string>> expected;
  int length;
};

void none(PluRecord&) {}
void deptGroup(PluRecord& p) { p.dept = 1; p.group = 2; }
void unitMessage1(PluRecord& p) { p.unit = 3; p.message1 = 4; }
void largeNumber(PluRecord& p) { p.pluNo = 1000000; }
void tooWide(PluRecord& p) { p.unitPrice = 1234567; p.salesMode = 3; }
void messages(PluRecord& p) { p.coupon = 3; p.nutrition = 4; p.taxNo = 5; p.openPrice = 6; p.unit = 7; }
void pmxGroup(PluRecord& p) {
  p.coupon = 3; p.openPrice = 6; p.labelFormat = 7; p.upperLimit = 1500; p.lowerLimit = 900;
  std::strcpy(p.desc, "XY");
}
void closing(PluRecord& p) { p.forcedTare = 7; p.barCodeNum = 5; p.regCode = 42; }
void times(PluRecord& p) { p.expTime = 11; p.packTime = 22; }

const EncodeCase kEncodeCases[] = {
    {"message item code", kModelVt40, kVersionChina, 99, deptGroup, {{8 + 31, "\x10\x20\x03\x45"}}, 90},
    {"block item code", kModelVt30, kVersionUsa, 99, deptGroup, {{88, "10200345"}}, 118},
    {"taiwan tail", kModelMerioPro, kVersionTaiwan, 99, unitMessage1, {{8 + 75, "\x03\x04\0\0\0"s}}, 90},
    {"china tail", kModelMerioPro, kVersionChina, 99, unitMessage1, {{8 + 75, "\x04\0\0\0\0"s}}, 90},
    {"south africa tail", kModelMerioPro, kVersionSouthAfrica, 99, unitMessage1, {{8 + 75, "\x03\0\0\0\0"s}}, 90},
    {"usa tail", kModelMerioPro, kVersionUsa, 99, unitMessage1, {{8 + 75, "\0\0\0\0\0"s}}, 90},
    {"large message PLU number", kModelVt40, kVersionUsa, 99, largeNumber, {{8, "\x01\0\0\0"s}}, 90},
    {"nz starts with 6502", kModelLm50, kVersionNz, 99, none,
     {{0, "6502000123"}, {12, "000250"}, {54, "01"}, {90, "00000345"}, {100, "12"}, {110, "0000000000"}}, 120},
    {"too wide keeps its start", kModelVt30, kVersionUsa, 99, tooWide, {{8, "0312345670123456000500"}}, 118},
    {"two-digit messages", kModelVt30, kVersionUsa, 99, messages, {{98, "1203040506"}}, 118},
    {"four digits from 100", kModelVt30, kVersionUsa, 100, messages, {{98, "001203040506"}}, 120},
    {"four digits to 9999", kModelVt30, kVersionUsa, 9999, messages, {{98, "001203040506"}}, 120},
    {"six digits from 10000", kModelVt30, kVersionUsa, 10000, messages, {{98, "0000120506"}}, 118},
    {"philippines", kModelVt30, kVersionPhilippines, 9999, messages, {{32, "7000"}, {100, "0012000506"}}, 120},
    {"pmx usa group", kModelPmx, kVersionUsa, 9999, pmxGroup, {{98, "12030000060715000900XY"}}, 120},
    {"usa closing group", kModelVt30, kVersionUsa, 99, closing, {{108, "0007000000"}, {84, "0000"}}, 118},
    {"south america closing", kModelVt30, kVersionSouthAmerica, 99, closing, {{110, "0500000000"}}, 120},
    {"thailand reg code", kModelVt30, kVersionThailand, 99, closing, {{86, "0042"}, {110, "0000000000"}}, 120},
    {"usa expiry time", kModelVt30, kVersionUsa, 99, times, {{66, "0011"}}, 118},
    {"others pack time", kModelVt30, kVersionNz, 99, times, {{68, "0022"}}, 120},
};

TEST_F(PluEncoding, FieldsLandWhereModelVersionAndMaxExMsgPutThem) {
  for (const EncodeCase& c : kEncodeCases) {
    SCOPED_TRACE(c.name);
    configure(c.model, c.version, c.maxExMsg);
    PluRecord plu = sampleRecord();
    c.edit(plu);
    ASSERT_TRUE(convert(&plu));
    EXPECT_EQ(length_, c.length);
    for (const auto& [at, want] : c.expected) {
      ASSERT_LE(at + want.size(), static_cast<size_t>(length_));
      EXPECT_EQ(text().substr(at, want.size()), want) << "at " << at;
    }
  }
}

TEST_F(PluEncoding, RefusesWhatTheScaleCannotHold) {
  PluRecord plu = sampleRecord();
  plu.pluNo = 1000000;
  configure(kModelPmx, kVersionUsa);
  EXPECT_FALSE(convert(&plu));
  EXPECT_EQ(length_, 0);
  plu.pluNo = 999999;
  EXPECT_TRUE(convert(&plu));
  DeletionRecord tooLarge{1, 1000000};
  EXPECT_FALSE(convert(&tooLarge, 2));
  EXPECT_EQ(length_, 0);
  configure(kModelHbq, kVersionUsa);  // neither family
  EXPECT_FALSE(convert(&plu));
  EXPECT_EQ(length_, 0);
  EXPECT_FALSE(convert(&tooLarge, 2));
  EXPECT_EQ(length_, 0);
  int code = 0;
  int length = -1;
  EXPECT_FALSE(buildPluUploadRequest(scale_, code, buffer_, length));
  EXPECT_EQ(length, 0);
}

TEST_F(PluEncoding, DeletionsForBothFamilies) {
  // {model, version, PLU number, sent, code}
  const std::tuple<int, int, int32_t, std::string, int> deletions[] = {
      {kModelVt30, kVersionUsa, 42, "10000042", 10},      {kModelLm50, kVersionTaiwan, 42, "1001000042", 10},
      {kModelPmx, kVersionNz, 0, "1001000000", 10},       {kModelMerioPro, kVersionUsa, 42, "\0\0\0\x42"s, 0},
      {kModelMerioPro, kVersionUsa, 0, "\0\0\0\0"s, 0}};
  for (const auto& [model, version, number, sent, code] : deletions) {
    configure(model, version);
    DeletionRecord deletion{1, number};
    ASSERT_TRUE(convert(&deletion, 2));
    EXPECT_EQ(text(), sent) << model << "/" << number;
    EXPECT_EQ(code_, code) << model << "/" << number;
  }
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
  EXPECT_EQ(text().substr(8 + 36, 5), "\x77\x77\x77\x77\x77");
}

}  // namespace
}  // namespace tolvan
