// Nutrition panels: the whole message-46 image, cuts that leave the record
// whole, deletion limits, and the block text read back (units, unreadable
// numbers, "lm50").
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "masterdata/nutrition_panel.h"
#include "masterdata/nutrition_panel_encoding.h"
#include "masterdata/nutrition_panel_received.h"
#include "masterdata/record_bench.h"

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
  }
  bool convert(int model) {
    b_.scale.model = model;
    return convertNutrition(b_.scale, &panel_, b_.code, b_.buffer, b_.length);
  }
  std::string text() const { return b_.shown(true); }
  bool receive(int model, const std::string& t) {
    b_.scale.model = model;
    return handleReceivedNutrition(b_.scale, std::span(reinterpret_cast<const uint8_t*>(t.data()), t.size()));
  }

  NutritionRecord panel_{};
  testing::RecordBench b_;
};

TEST_F(NutritionPanel, MessageImageCutsTextsAndLeavesTheRecordWhole) {
  ASSERT_TRUE(convert(kModelVt40));
  EXPECT_EQ(b_.code, 46);
  ASSERT_EQ(b_.length, 99);
  auto at = [&](size_t from, size_t n) { return Bytes(b_.buffer.begin() + from, b_.buffer.begin() + from + n); };
  EXPECT_EQ(at(0, 12), (Bytes{0x46, 0, 0, 0, 0, 0, 91, 0, 0, 0, 0, 0x12}));
  EXPECT_EQ(at(12, 20), (Bytes{'1', ' ', 'c', 'u', 'p', ' ', '(', '2', '2', '8', 0, ' ', ' ', ' ', '2', 0, 0x02, 0x28, 0, 0}));
  EXPECT_EQ(at(32, 14), (Bytes{'1', '2', '3', 0, 1, 0, 0x18, ' ', ' ', ' ', 0, 0, 0, 0}));  // lines 1, 2
  EXPECT_EQ(at(53, 8), (Bytes{'1', '2', '3', '4', 0, 3, 0, 0}));  // line 4: the unit byte as it is
  EXPECT_EQ(at(90, 9), (Bytes{0, 0, 0, 0, 0, 0, 0x12, 0x34, 0}));
  EXPECT_STREQ(panel_.content[0], "12345");
  EXPECT_STREQ(panel_.serveSize, "1 cup (228g)");
}

TEST_F(NutritionPanel, BlockDeletionsStopAtSixNines) {
  b_.scale.model = kModelLm50;
  EXPECT_EQ(b_.shown(b_.remove(10, 999999)), "24999999");
  EXPECT_EQ(b_.shown(b_.remove(10, 1000000)), "-");
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
  const auto& back = b_.kept<NutritionRecord>(0);
  EXPECT_EQ(back.nutritionNo, 12);
  EXPECT_STREQ(back.serveSize, "1 cup (228");
  EXPECT_EQ(back.unit[0], 1);
  EXPECT_EQ(back.unit[1], 0);
  EXPECT_EQ(back.percent[0], 18);
  EXPECT_EQ(back.percent[11], 123);  // "01234" overlapped by the end of the text

  sent.replace(2, 6, "x00013");
  ASSERT_TRUE(receive(kModelVt30, sent.substr(0, 40)));
  EXPECT_EQ(b_.kept<NutritionRecord>(1).nutritionNo, 0);
  EXPECT_FALSE(receive(kModelLm50, "6002000014"));
  EXPECT_EQ(b_.driver.records.count(), 2);
}

}  // namespace
}  // namespace tolvan
