#include "text/thai_width.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/text/text_test_support.h"

namespace tolvan::testing {
namespace {

void expectValueInAllFour(uint8_t c, int small, int large) {
  for (bool bold : {false, true}) {
    for (char f : std::string("456789AF")) EXPECT_EQ(ThaiTableValue(c, f, bold), small) << int(c) << " font " << f;
    for (char f : std::string("0123")) EXPECT_EQ(ThaiTableValue(c, f, bold), large) << int(c) << " font " << f;
  }
}

TEST(ThaiWidthTables, HoldTheKnownValuesAndZeroWhereNothingIsPrinted) {
  expectValueInAllFour(' ', 6, 12);
  for (char d = '0'; d <= '9'; ++d) expectValueInAllFour(static_cast<uint8_t>(d), 6, 13);
  for (char c : std::string("AMW")) expectValueInAllFour(static_cast<uint8_t>(c), 7, 15);
  for (char c : std::string("il")) expectValueInAllFour(static_cast<uint8_t>(c), 3, 10);
  expectValueInAllFour('.', 2, 6);
  for (int c = 127; c <= 157; ++c) expectValueInAllFour(static_cast<uint8_t>(c), 0, 0);
  expectValueInAllFour(160, 0, 0);
  expectValueInAllFour(255, 0, 0);
  for (uint8_t c : {163, 165, 218, 219, 229}) {
    for (bool bold : {false, true}) EXPECT_EQ(ThaiTableValue(c, '2', bold), 0) << int(c);
  }
}

TEST(ThaiWidthTables, BoldDiffersOnlyAt232ForTheLargeFonts) {
  EXPECT_EQ(ThaiTableValue(232, '0', false), 16);
  EXPECT_EQ(ThaiTableValue(232, '3', true), 11);
  for (int c = 32; c <= 255; ++c) {
    uint8_t b = static_cast<uint8_t>(c);
    EXPECT_EQ(ThaiTableValue(b, '5', false), ThaiTableValue(b, '5', true)) << c;
    if (c != 232) {
      EXPECT_EQ(ThaiTableValue(b, '1', false), ThaiTableValue(b, '1', true)) << c;
    }
  }
}

TEST(ThaiWidth, AddsTwoDoublesForDoubleSizeFontsAndGivesMarksNoRoom) {
  struct Case { int c; char font; bool bold; int width; };
  const Case cases[] = {{'A', '0', false, 17}, {'A', '2', false, 34}, {'A', '3', true, 34}, {'A', '4', false, 9},
                        {'A', '6', false, 18}, {'.', '7', true, 4},   {130, '1', false, 2},  // entry 0 still takes 2
                        {31, '0', false, 0}};
  for (const Case& c : cases) EXPECT_EQ(ThaiWidth(static_cast<uint8_t>(c.c), c.font, c.bold), c.width) << c.c;
  for (int c : {160, 209, 212, 215, 219, 231, 232, 237}) {
    EXPECT_EQ(ThaiWidth(static_cast<uint8_t>(c), '0', false), 0) << c;
    EXPECT_EQ(ThaiWidth(static_cast<uint8_t>(c), '5', true), 0) << c;
  }
  for (int c : {161, 196, 198, 207, 208, 210, 211, 220, 230, 238, 254}) {
    EXPECT_GT(ThaiWidth(static_cast<uint8_t>(c), '0', false), 2) << c;
  }
}

}  // namespace
}  // namespace tolvan::testing
