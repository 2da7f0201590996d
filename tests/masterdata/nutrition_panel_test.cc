// Nutrition panels: the 126-character block text, the 43-character "lm50"
// text, the message-46 image, deletions and requests, and both received
// layouts read back into the shared record list.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "core/driver.h"
#include "dispatch/field_tables.h"
#include "masterdata/nutrition_panel.h"
#include "masterdata/nutrition_panel_encoding.h"
#include "masterdata/nutrition_panel_received.h"
#include "records/deletion_record.h"
#include "support/fakes.h"

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;

NutritionRecord samplePanel() {
  NutritionRecord p{};
  p.nutritionNo = 12;
  std::strcpy(p.serveSize, "1 cup (228g)");
  std::strcpy(p.serveCont, "2");
  p.serveGram = 228;
  p.serveOz = 8;
  p.calories = 250;
  p.fatCalories = 110;
  p.energyKj = 1046;
  const char* contents[8] = {"12345", "0", "", "12345", "30", "1.5", "", ""};
  const int8_t units[8] = {1, 0, 0, 1, 0, 1, 0, 0};
  const int16_t percents[12] = {18, 5, 0, 100, 10, 2, 0, 0, 20, 0, 4, 999};
  for (size_t n = 0; n < 8; ++n) {
    std::strcpy(p.content[n], contents[n]);
    p.unit[n] = units[n];
  }
  std::memcpy(p.percent, percents, sizeof percents);
  return p;
}

const std::string kSampleBlockText = std::string("60000012") + "1 cup (228" + "000000" + "   2" + " 228" + "   8" +
                                     "123g 0 18" + "  0mg0  5" + "   mg0  0" + "1234g 0100" + "  30mg0 10" +
                                     "1.5g 0  2" + "   mg0  0" + "   mg0  0" + "0 20" + "0  0" + "0  4" + "0999";

class NutritionPanel : public ::testing::Test {
 protected:
  bool convert(int model, const NutritionRecord& p, int version = kVersionUsa) {
    scale_.model = model;
    scale_.version = version;
    buffer_.fill(0xEE);
    return convertNutrition(scale_, &p, code_, buffer_, length_);
  }
  bool remove(int model, int32_t number) {
    scale_.model = model;
    DeletionRecord d{10, number};
    return convertNutritionDeletion(scale_, &d, code_, buffer_, length_);
  }
  bool request(int model, int version) {
    scale_.model = model;
    scale_.version = version;
    return buildNutritionUploadRequest(scale_, code_, buffer_, length_);
  }
  std::string text() const { return std::string(reinterpret_cast<const char*>(buffer_.data()), length_); }
  Bytes bytes(size_t from, size_t n) const { return Bytes(buffer_.begin() + from, buffer_.begin() + from + n); }

  ScaleEntry scale_{"scale1", 0, 594};
  std::array<uint8_t, 4096> buffer_{};
  int code_ = -1;
  int length_ = -1;
};

TEST_F(NutritionPanel, ColumnsRunThroughTheTwelveLines) {
  FieldTable table;
  buildFieldTable(table, 10, 1);
  ASSERT_EQ(table.count(), kNutritionColumnCount);
  EXPECT_STREQ(table.get(7)->name, "EnergyKj");
  EXPECT_STREQ(table.get(8)->name, "Content1");
  EXPECT_STREQ(table.get(42)->name, "Percent12");
  EXPECT_EQ(table.get(42)->offset, offsetof(NutritionRecord, percent) + 22);
  EXPECT_EQ(table.get(43)->offset, offsetof(NutritionRecord, unit) + 11);
  table.clearAndFree();
}

TEST_F(NutritionPanel, BlockTextsOfBothModelGroups) {
  const NutritionRecord p = samplePanel();
  for (int model : {kModelVt30, kModelPmx}) {
    ASSERT_TRUE(convert(model, p, kVersionChina));
    EXPECT_EQ(code_, 60);
    EXPECT_EQ(text(), kSampleBlockText);
  }
  EXPECT_EQ(kSampleBlockText.size(), 126u);
  // Only "lm50" gets the energy values; fat calories reach no scale.
  ASSERT_TRUE(convert(kModelLm50, p));
  EXPECT_EQ(text(), "6002000012" "1046" "250" " 0" "10" "18" + std::string(20, '0'));
  // The record itself keeps its full texts.
  EXPECT_STREQ(p.content[0], "12345");
  EXPECT_STREQ(p.serveSize, "1 cup (228g)");
}

TEST_F(NutritionPanel, MessageRecordIsTheNinetyNineByteImage) {
  ASSERT_TRUE(convert(kModelVt40, samplePanel(), kVersionChina));
  EXPECT_EQ(code_, 46);
  ASSERT_EQ(length_, 99);
  Bytes expected = {0x46, 0, 0, 0, 0, 0, 91, 0, 0, 0, 0, 0x12};
  for (char c : std::string("1 cup (228")) expected.push_back(static_cast<uint8_t>(c));
  const Bytes rest = {0,    ' ', ' ', ' ', '2', 0,   0x02, 0x28, 0x00, 0x08,                  // count, grams, ounces
                      '1',  '2', '3', 0,   1,   0,   0x18, ' ',  ' ',  '0',  0, 0, 0, 0x05,   // lines 1, 2
                      ' ',  ' ', ' ', 0,   0,   0,   0,    '1',  '2',  '3',  '4', 0, 1, 0x01, 0x00,  // 3, 4
                      ' ',  ' ', '3', '0', 0,   0,   0x00, 0x10, '1',  '.',  '5', 0, 1, 0, 0x02,     // 5, 6
                      ' ',  ' ', ' ', 0,   0,   0,   0,    ' ',  ' ',  ' ',  0,   0, 0, 0,           // 7, 8
                      0x00, 0x20, 0,  0,   0,   0x04, 0x09, 0x99, 0};
  expected.insert(expected.end(), rest.begin(), rest.end());
  EXPECT_EQ(bytes(0, 99), expected);
}

TEST_F(NutritionPanel, DeletionsAndRequests) {
  ASSERT_TRUE(remove(kModelLm50, 999999));
  EXPECT_EQ(text(), "24999999");
  EXPECT_FALSE(remove(kModelVt30, 1000000));
  EXPECT_EQ(length_, 0);
  ASSERT_TRUE(remove(kModelMerioPro, 1000000));
  EXPECT_EQ(code_, 15);
  EXPECT_EQ(bytes(0, length_), (Bytes{0x01, 0x00, 0x00, 0x00}));

  ASSERT_TRUE(request(kModelPmx, kVersionUsa));
  EXPECT_EQ(text(), "53000000");
  ASSERT_TRUE(request(kModelVt30, kVersionNz));
  EXPECT_EQ(text(), "5302000000");
  ASSERT_TRUE(request(kModelMerioPro, kVersionUsa));
  EXPECT_EQ(code_, 66);
  EXPECT_EQ(bytes(0, length_), Bytes(4, 0));
  EXPECT_FALSE(request(kModelHbq, kVersionUsa));
  EXPECT_FALSE(convert(kModelMerio, samplePanel()));
}

class ReceivedNutrition : public NutritionPanel {
 protected:
  void SetUp() override { scale_.driver = &driver_; }
  bool receive(int model, std::span<const uint8_t> data) {
    scale_.model = model;
    return handleReceivedNutrition(scale_, data);
  }
  bool receive(int model, const std::string& text) {
    return receive(model, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  }
  const NutritionRecord& at(int i) const { return *static_cast<const NutritionRecord*>(driver_.records.get(i)); }

  testing::FakeClock clock_;
  testing::FakeSleeper sleeper_;
  Driver driver_{clock_, sleeper_, nullptr};
};

// What both families give back of the sample panel: the texts as cut for
// the scale, with their leading spaces.
void expectSampleReadBack(const NutritionRecord& r) {
  EXPECT_EQ(r.nutritionNo, 12);
  EXPECT_STREQ(r.serveSize, "1 cup (228");
  EXPECT_STREQ(r.serveCont, "   2");
  EXPECT_EQ(r.serveGram, 228);
  EXPECT_EQ(r.serveOz, 8);
  EXPECT_EQ(r.calories, 0);
  EXPECT_EQ(r.energyKj, 0);
  const char* contents[8] = {"123", "  0", "   ", "1234", "  30", "1.5", "   ", "   "};
  const int8_t units[8] = {1, 0, 0, 1, 0, 1, 0, 0};
  const int16_t percents[12] = {18, 5, 0, 100, 10, 2, 0, 0, 20, 0, 4, 999};
  for (size_t n = 0; n < 8; ++n) {
    EXPECT_STREQ(r.content[n], contents[n]) << n;
    EXPECT_EQ(r.unit[n], units[n]) << n;
  }
  for (size_t n = 0; n < 12; ++n) EXPECT_EQ(r.percent[n], percents[n]) << n;
}

TEST_F(ReceivedNutrition, BothLayoutsReadBackWhatWasSent) {
  ASSERT_TRUE(convert(kModelMerioPro, samplePanel()));
  ASSERT_TRUE(receive(kModelMerioPro, std::span<const uint8_t>(buffer_).subspan(8, 91)));
  ASSERT_EQ(driver_.records.count(), 1);
  expectSampleReadBack(at(0));

  std::string text = kSampleBlockText;
  text.replace(2, 6, "000013");
  ASSERT_TRUE(receive(kModelPmx, text));
  ASSERT_EQ(driver_.records.count(), 2);
  EXPECT_EQ(at(1).nutritionNo, 13);
  NutritionRecord back = at(1);
  back.nutritionNo = 12;
  expectSampleReadBack(back);
}

TEST_F(ReceivedNutrition, BlockUnitsNumbersAndModels) {
  std::string text = kSampleBlockText;
  text.replace(39, 2, "G ");  // line 1
  text.replace(48, 2, "mg");  // line 2
  text.replace(2, 6, "00x012");
  ASSERT_TRUE(receive(kModelVt30, text.substr(0, 60)));
  ASSERT_EQ(driver_.records.count(), 1);
  EXPECT_EQ(at(0).nutritionNo, 0);  // unreadable: the number stays 0
  EXPECT_EQ(at(0).unit[0], 1);
  EXPECT_EQ(at(0).unit[1], 0);
  EXPECT_EQ(at(0).percent[2], 0);  // cut off with the text

  EXPECT_FALSE(receive(kModelLm50, kSampleBlockText));
  EXPECT_FALSE(receive(kModelHbq, kSampleBlockText));
  // A second record under a number already held is dropped.
  ASSERT_TRUE(receive(kModelVt30, std::string("60000000")));
  EXPECT_EQ(driver_.records.count(), 1);
}

}  // namespace
}  // namespace tolvan
