// Nutrition panels: the whole message-46 image, cuts that leave the record
// whole, deletion limits, and the block text read back (units, unreadable
// numbers, "lm50").
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "core/driver.h"
#include "masterdata/nutrition_panel.h"
#include "masterdata/nutrition_panel_encoding.h"
#include "masterdata/nutrition_panel_received.h"
#include "records/deletion_record.h"
#include "support/fakes.h"

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;

class NutritionPanel : public ::testing::Test {
 protected:
  NutritionPanel() {
    panel_.nutritionNo = 12;
    std::strcpy(panel_.serveSize, "1 cup (228g)");
    std::strcpy(panel_.serveCont, "2");
    panel_.serveGram = 228;
    panel_.calories = 250;
    panel_.energyKj = 1046;
    std::strcpy(panel_.content[0], "12345");
    std::strcpy(panel_.content[3], "12345");
    panel_.unit[0] = 1;
    panel_.unit[3] = 3;
    panel_.percent[0] = 18;
    panel_.percent[11] = 1234;  // wider than its block field
    scale_.driver = &driver_;
  }
  bool convert(int model) {
    scale_.model = model;
    return convertNutrition(scale_, &panel_, code_, buffer_, length_);
  }
  std::string text() const { return std::string(reinterpret_cast<const char*>(buffer_.data()), length_); }
  bool receive(int model, const std::string& t) {
    scale_.model = model;
    return handleReceivedNutrition(scale_, std::span(reinterpret_cast<const uint8_t*>(t.data()), t.size()));
  }

  NutritionRecord panel_{};
  ScaleEntry scale_{"scale1", 0, 594};
  std::array<uint8_t, 4096> buffer_{};
  int code_ = -1;
  int length_ = -1;
  testing::FakeClock clock_;
  testing::FakeSleeper sleeper_;
  Driver driver_{clock_, sleeper_, nullptr};
};

TEST_F(NutritionPanel, MessageImageCutsTextsAndLeavesTheRecordWhole) {
  ASSERT_TRUE(convert(kModelVt40));
  EXPECT_EQ(code_, 46);
  ASSERT_EQ(length_, 99);
  auto at = [&](size_t from, size_t n) { return Bytes(buffer_.begin() + from, buffer_.begin() + from + n); };
  EXPECT_EQ(at(0, 12), (Bytes{0x46, 0, 0, 0, 0, 0, 91, 0, 0, 0, 0, 0x12}));
  EXPECT_EQ(at(12, 20), (Bytes{'1', ' ', 'c', 'u', 'p', ' ', '(', '2', '2', '8', 0, ' ', ' ', ' ', '2', 0, 0x02, 0x28, 0, 0}));
  EXPECT_EQ(at(32, 14), (Bytes{'1', '2', '3', 0, 1, 0, 0x18, ' ', ' ', ' ', 0, 0, 0, 0}));  // lines 1, 2
  EXPECT_EQ(at(53, 8), (Bytes{'1', '2', '3', '4', 0, 3, 0, 0}));  // line 4: the unit byte as it is
  EXPECT_EQ(at(90, 9), (Bytes{0, 0, 0, 0, 0, 0, 0x12, 0x34, 0}));
  EXPECT_STREQ(panel_.content[0], "12345");
  EXPECT_STREQ(panel_.serveSize, "1 cup (228g)");
}

TEST_F(NutritionPanel, BlockDeletionsStopAtSixNines) {
  DeletionRecord d{10, 999999};
  scale_.model = kModelLm50;
  ASSERT_TRUE(convertNutritionDeletion(scale_, &d, code_, buffer_, length_));
  EXPECT_EQ(text(), "24999999");
  d.recNo = 1000000;
  EXPECT_FALSE(convertNutritionDeletion(scale_, &d, code_, buffer_, length_));
  EXPECT_EQ(length_, 0);
  EXPECT_FALSE(convert(kModelMerio));
}

TEST_F(NutritionPanel, BlockTextReadsBackUnitsAndNumbers) {
  ASSERT_TRUE(convert(kModelPmx));
  std::string sent = text();
  const std::string noLine = "   mg0  0";
  EXPECT_EQ(sent, "600000121 cup (228000000   2 228   0123g 0 18" + noLine + noLine + "1234mg0  0    mg0  0" + noLine +
                      noLine + noLine + "0  00  00  00123");
  ASSERT_TRUE(convert(kModelLm50));  // energy and calories go to "lm50" only
  EXPECT_EQ(text(), "60020000121046250 0 018" + std::string(20, '0'));
  sent.replace(39, 2, "G ");
  sent.replace(48, 2, "mg");
  ASSERT_TRUE(receive(kModelVt30, sent));
  const auto& back = *static_cast<const NutritionRecord*>(driver_.records.get(0));
  EXPECT_EQ(back.nutritionNo, 12);
  EXPECT_STREQ(back.serveSize, "1 cup (228");
  EXPECT_EQ(back.unit[0], 1);
  EXPECT_EQ(back.unit[1], 0);
  EXPECT_EQ(back.percent[0], 18);
  EXPECT_EQ(back.percent[11], 123);  // "01234" overlapped by the end of the text

  sent.replace(2, 6, "x00013");
  ASSERT_TRUE(receive(kModelVt30, sent.substr(0, 40)));
  EXPECT_EQ(static_cast<const NutritionRecord*>(driver_.records.get(1))->nutritionNo, 0);
  EXPECT_FALSE(receive(kModelLm50, "6002000014"));
  EXPECT_EQ(driver_.records.count(), 2);
}

}  // namespace
}  // namespace tolvan
