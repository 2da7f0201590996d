#include "records/scale_fields.h"

#include <gtest/gtest.h>

namespace tolvan {
namespace {

// The digits a block text field holds for its number, read from the very
// format and width the encoder writes it with.
TEST(ScaleFields, TextFieldDigitsFollowTheFormat) {
  struct Row {
    size_t width;
    const char* format;
    int digits;
  };
  const Row rows[] = {
      {14, "%.6ld0%.7ld", 6},  // a price written twice: the scale reads the first
      {8, "65%.6ld", 6},      {6, "0%.5ld", 5}, {8, "%.4d0000", 4}, {10, "00%.2d000000", 2},
      {4, "%d000", 1},        {1, "%ld", 1},    {4, "0%3d", 3},     {2, "%2d", 2},
  };
  for (const Row& r : rows) EXPECT_EQ(textFieldDigits(r.width, r.format), r.digits) << r.format;
}

}  // namespace
}  // namespace tolvan
