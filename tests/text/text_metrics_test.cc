#include "text/text_metrics.h"

#include <gtest/gtest.h>

#include "tests/text/text_test_support.h"
#include "text/thai_width.h"

namespace tolvan::testing {
namespace {

class TextMetrics : public ::testing::Test {
 protected:
  ScaleEntry scale{"s", 0, 594};
};

TEST_F(TextMetrics, LineWidthIsLabelWidthTimesTwentyTwentySeventhsRounded) {
  EXPECT_EQ(maxLineWidth(scale), 440);
  scale.labelWidth = 27;
  EXPECT_EQ(maxLineWidth(scale), 20);
  scale.labelWidth = 2;  // 1.48 rounds down
  EXPECT_EQ(maxLineWidth(scale), 1);
  scale.labelWidth = 3;  // 2.22
  EXPECT_EQ(maxLineWidth(scale), 2);
  scale.labelWidth = 0;
  EXPECT_EQ(maxLineWidth(scale), 0);
}

TEST_F(TextMetrics, FontIndexCountsDigitsThenLettersFromTen) {
  EXPECT_EQ(fontIndex('0'), 0);
  EXPECT_EQ(fontIndex('9'), 9);
  EXPECT_EQ(fontIndex('A'), 10);
  EXPECT_EQ(fontIndex('F'), 15);
}

TEST_F(TextMetrics, OthersWidthFollowsFontModuloFourteenAndBold) {
  setCountry(scale, kVersionUsa);
  EXPECT_EQ(CharWidth(scale, 'x', '0', false), 9);
  EXPECT_EQ(CharWidth(scale, 'x', '6', false), 62);
  EXPECT_EQ(CharWidth(scale, 'x', '7', false), 9);
  EXPECT_EQ(CharWidth(scale, 'x', 'D', false), 62);  // index 13
  EXPECT_EQ(CharWidth(scale, 'x', 'E', false), 9);   // index 14 wraps
  EXPECT_EQ(CharWidth(scale, 'x', '0', true), 10);
  EXPECT_EQ(CharWidth(scale, 'x', '3', true), 26);
  EXPECT_EQ(CharWidth(scale, ' ', '3', true), 26);
  EXPECT_EQ(CharWidth(scale, 0xE9, '1', false), 12);
}

TEST_F(TextMetrics, ControlBytesHaveNoWidthInAnyCountry) {
  for (int version : {kVersionUsa, kVersionChina, kVersionTaiwan, kVersionThailand}) {
    setCountry(scale, version);
    EXPECT_EQ(CharWidth(scale, 0, '0', false), 0);
    EXPECT_EQ(CharWidth(scale, 27, '0', true), 0);
    EXPECT_EQ(CharWidth(scale, 31, '5', false), 0);
  }
}

TEST_F(TextMetrics, ChineseCountriesUseTheirOwnFontCycles) {
  setCountry(scale, kVersionChina);
  EXPECT_EQ(CharWidth(scale, 'x', '0', false), 8);
  EXPECT_EQ(CharWidth(scale, 'x', '2', true), 12);
  EXPECT_EQ(CharWidth(scale, 'x', '5', false), 12);
  setCountry(scale, kVersionHongKong);
  EXPECT_EQ(CharWidth(scale, 'x', '0', false), 5);
  EXPECT_EQ(CharWidth(scale, 'x', '3', false), 17);
  EXPECT_EQ(CharWidth(scale, 'x', '5', true), 9);
  setCountry(scale, kVersionTaiwan);
  EXPECT_EQ(CharWidth(scale, 'x', '7', false), 17);
}

TEST_F(TextMetrics, FontCharactersBelowZeroStillNameAWidth) {
  setCountry(scale, kVersionUsa);
  // Indexes -16 and -48 are taken as 12 and 8; 0xFF gives 200, that is 4.
  EXPECT_EQ(CharWidth(scale, 'x', ' ', false), 42);
  EXPECT_EQ(CharWidth(scale, 'x', '\0', false), 12);
  EXPECT_EQ(CharWidth(scale, 'x', static_cast<char>(0xFF), true), 36);
  setCountry(scale, kVersionChina);
  EXPECT_EQ(CharWidth(scale, 'x', ' ', false), 12);  // -16 taken as 2

}

}  // namespace
}  // namespace tolvan::testing
