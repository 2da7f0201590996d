#include "text/thai_width.h"

#include <gtest/gtest.h>


#include "tests/text/text_test_support.h"

namespace tolvan::testing {
namespace {

// Double-size fonts ('2', '3', '6', '7') double and add two; marks that sit
// on another character take no room.
TEST(ThaiWidth, AddsTwoDoublesForDoubleSizeFontsAndGivesMarksNoRoom) {
  struct Case { int c; char font; bool bold; int width; };
  const Case cases[] = {{'A', '0', false, 17}, {'A', '2', false, 34}, {'A', '3', true, 34}, {'A', '4', false, 9},
                        {'A', '6', false, 18}, {'.', '7', true, 4},   {130, '1', false, 2},  // entry 0 still takes 2
                        {31, '0', false, 0},   {209, '0', false, 0},  {232, '5', true, 0},  {237, '0', false, 0},
                        {161, '0', false, 15}};
  for (const Case& c : cases) EXPECT_EQ(ThaiWidth(static_cast<uint8_t>(c.c), c.font, c.bold), c.width) << c.c;
}

}  // namespace
}  // namespace tolvan::testing
