#include "text/text_metrics.h"

#include <gtest/gtest.h>

#include "tests/text/text_test_support.h"

namespace tolvan::testing {
namespace {

TEST(TextMetrics, LineWidthIsLabelWidthTimesTwentyTwentySeventhsRounded) {
  ScaleEntry scale("s", 0, 594);
  // 2 gives 1.48 (down), 3 gives 2.22.
  for (auto [label, width] : {std::pair{594, 440}, {27, 20}, {2, 1}, {3, 2}, {0, 0}}) {
    scale.labelWidth = label;
    EXPECT_EQ(maxLineWidth(scale), width) << label;
  }
}

TEST(TextMetrics, CharWidthFollowsCountryFontAndBold) {
  struct Case { int version; int c; char font; bool bold; int width; };
  const Case cases[] = {
      {kVersionUsa, 'x', '0', false, 9},  {kVersionUsa, 'x', '6', false, 62},
      {kVersionUsa, 'x', '7', false, 9},  {kVersionUsa, 'x', 'D', false, 62},  // index 13
      {kVersionUsa, 'x', 'E', false, 9},                                       // index 14 wraps
      {kVersionUsa, 'x', '0', true, 10},  {kVersionUsa, 'x', '3', true, 26},
      {kVersionUsa, ' ', '3', true, 26},  {kVersionUsa, 0xE9, '1', false, 12},
      // Font characters below '0': indexes -16 and -48 are taken as 12 and 8; 0xFF gives 200, that is 4.
      {kVersionUsa, 'x', ' ', false, 42}, {kVersionUsa, 'x', '\0', false, 12},
      {kVersionUsa, 'x', '\xFF', true, 36}, {kVersionChina, 'x', ' ', false, 12},  // -16 taken as 2
      {kVersionChina, 'x', '0', false, 8},  {kVersionChina, 'x', '2', true, 12},
      {kVersionChina, 'x', '5', false, 12}, {kVersionHongKong, 'x', '0', false, 5},
      {kVersionHongKong, 'x', '3', false, 17}, {kVersionHongKong, 'x', '5', true, 9},
      {kVersionTaiwan, 'x', '7', false, 17},   {kVersionThailand, 'W', '2', false, 34},
      {kVersionThailand, 'i', '9', true, 5},   {kVersionThailand, 212, '0', false, 0},
  };
  ScaleEntry scale("s", 0, 594);
  for (const Case& c : cases) {
    setCountry(scale, c.version);
    EXPECT_EQ(CharWidth(scale, static_cast<uint8_t>(c.c), c.font, c.bold), c.width)
        << c.version << " char " << c.c << " font " << c.font << (c.bold ? " bold" : "");
  }
  for (int version : {kVersionUsa, kVersionChina, kVersionTaiwan, kVersionThailand}) {
    setCountry(scale, version);  // control bytes have no width anywhere
    for (uint8_t control : {0, 27, 31}) EXPECT_EQ(CharWidth(scale, control, '5', true), 0) << version;
  }
}

}  // namespace
}  // namespace tolvan::testing
