#include "text/text_codes.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/text/text_test_support.h"

namespace tolvan::testing {
namespace {

TEST(TextCodes, FontCodesFollowTheCountryGroup) {
  struct Case { int version; char font; int code; };
  const Case cases[] = {
      {kVersionUsa, '0', 3},        {kVersionUsa, '3', 240},      {kVersionUsa, '7', 20},
      {kVersionUsa, 'F', 29},       {kVersionUsa, 'x', 3},        {kVersionIceland, 'E', 27},
      {kVersionThailand, '0', 227}, {kVersionThailand, '4', 225}, {kVersionThailand, 'B', 227},
      {kVersionTaiwan, '1', 14},    {kVersionTaiwan, '3', 5},     {kVersionTaiwan, '\0', 6},
  };
  ScaleEntry scale("s", 0, 594);
  for (const Case& c : cases) {
    setCountry(scale, c.version);
    EXPECT_EQ(FontCode(scale, c.font), c.code) << c.version << " font " << c.font;
  }
}

TEST(TextCodes, FontCharsAndTheirFallBacks) {
  struct Case { int version; int code; char font; bool attribute3; };
  const Case cases[] = {
      {kVersionUsa, 18, '0', true},        {kVersionUsa, 30, 'F', true},      {kVersionUsa, 246, '5', true},
      {kVersionUsa, 0, '7', false},        {kVersionUsa, 247, '7', false},    {kVersionThailand, 231, '6', false},
      {kVersionThailand, 227, '0', false}, {kVersionThailand, 3, '0', false}, {kVersionChina, 15, '2', false},
      {kVersionChina, 3, '0', false},      {kVersionChina, 18, '0', false},
  };
  ScaleEntry scale("s", 0, 594);
  for (const Case& c : cases) {
    setCountry(scale, c.version);
    FontCharResult got = FontChar(scale, static_cast<uint8_t>(c.code));
    EXPECT_EQ(got.font, c.font) << c.version << " code " << c.code;
    EXPECT_EQ(got.attribute3, c.attribute3) << c.version << " code " << c.code;
  }
  setCountry(scale, kVersionNz);  // every font but '7' reads back as itself
  for (char f : std::string("0123456789ABCDEF")) {
    FontCharResult back = FontChar(scale, FontCode(scale, f));
    EXPECT_EQ(back.font, f == '7' ? '2' : f);
    EXPECT_EQ(back.attribute3, f == '7');
  }
}

}  // namespace
}  // namespace tolvan::testing
