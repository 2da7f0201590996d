#include "text/text_codes.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/text/text_test_support.h"

namespace tolvan::testing {
namespace {

class TextCodes : public ::testing::Test {
 protected:
  ScaleEntry scale{"s", 0, 594};
};

TEST_F(TextCodes, FontCodesFollowTheCountryGroup) {
  setCountry(scale, kVersionUsa);
  EXPECT_EQ(FontCode(scale, '0'), 3);
  EXPECT_EQ(FontCode(scale, '3'), 240);
  EXPECT_EQ(FontCode(scale, '7'), 20);
  EXPECT_EQ(FontCode(scale, 'F'), 29);
  EXPECT_EQ(FontCode(scale, 'x'), 3);
  setCountry(scale, kVersionIceland);  // encodes as the others
  EXPECT_EQ(FontCode(scale, 'E'), 27);
  setCountry(scale, kVersionThailand);
  EXPECT_EQ(FontCode(scale, '0'), 227);
  EXPECT_EQ(FontCode(scale, '4'), 225);
  EXPECT_EQ(FontCode(scale, 'B'), 227);
  setCountry(scale, kVersionTaiwan);
  EXPECT_EQ(FontCode(scale, '1'), 14);
  EXPECT_EQ(FontCode(scale, '3'), 5);
  EXPECT_EQ(FontCode(scale, '\0'), 6);
}

TEST_F(TextCodes, EveryOthersFontButSevenReadsBack) {
  setCountry(scale, kVersionNz);
  for (char f : std::string("0123456789ABCDEF")) {
    FontCharResult back = FontChar(scale, FontCode(scale, f));
    if (f == '7') {
      EXPECT_EQ(back.font, '2');  // code 20 is font '2' with attribute 3
      EXPECT_TRUE(back.attribute3);
    } else {
      EXPECT_EQ(back.font, f);
      EXPECT_FALSE(back.attribute3);
    }
  }
}

TEST_F(TextCodes, OthersKnowFontsWithAttributeThreeAndFallBackToSeven) {
  setCountry(scale, kVersionUsa);
  EXPECT_EQ(FontChar(scale, 18).font, '0');
  EXPECT_TRUE(FontChar(scale, 18).attribute3);
  EXPECT_EQ(FontChar(scale, 30).font, 'F');
  EXPECT_TRUE(FontChar(scale, 246).attribute3);
  EXPECT_EQ(FontChar(scale, 246).font, '5');
  EXPECT_EQ(FontChar(scale, 0).font, '7');
  EXPECT_FALSE(FontChar(scale, 247).attribute3);
}

TEST_F(TextCodes, ThaiAndChineseFallBackToFontZero) {
  setCountry(scale, kVersionThailand);
  EXPECT_EQ(FontChar(scale, 231).font, '6');
  EXPECT_EQ(FontChar(scale, 227).font, '0');
  EXPECT_EQ(FontChar(scale, 3).font, '0');
  setCountry(scale, kVersionChina);
  EXPECT_EQ(FontChar(scale, 15).font, '2');
  EXPECT_EQ(FontChar(scale, 3).font, '0');
  EXPECT_FALSE(FontChar(scale, 18).attribute3);
}

TEST_F(TextCodes, AttributeCodesRoundTripAndUnknownsAreAttributeOne) {
  for (char a : std::string("1234")) EXPECT_EQ(AttrChar(AttrCode(a)), a);
  EXPECT_EQ(AttrCode('4'), 19);
  EXPECT_EQ(AttrCode('9'), 2);
  EXPECT_EQ(AttrChar(3), std::nullopt);
  EXPECT_EQ(AttrChar(13), std::nullopt);
}

}  // namespace
}  // namespace tolvan::testing
