#include "records/packing.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;

// Short input or output is refused; numbers stop at the first non-digit.
TEST(UnpackBcd, TextAndNumbersRefuseShortInputOrOutput) {
  const uint8_t in[] = {0x01, 0x23, 0x45};
  std::array<char, 8> text;
  EXPECT_EQ(UnpackBcdText(text, in, 6), 3);
  EXPECT_STREQ(text.data(), "012345");
  const uint8_t punct[] = {0xAF};
  EXPECT_EQ(UnpackBcdText(text, punct, 2), 1);
  EXPECT_STREQ(text.data(), ":?");
  EXPECT_EQ(UnpackBcdText(text, std::span(in, 2), 6), 0);  // needs 3 input bytes
  EXPECT_STREQ(text.data(), "");
  std::array<char, 4> small;
  small.fill('x');
  EXPECT_EQ(UnpackBcdText(small, in, 4), 0);  // no room for the NUL
  EXPECT_EQ(small[0], '\0');
  const std::tuple<Bytes, int, int32_t, int> cases[] = {
      {{0x00, 0x00, 0x12, 0x34}, 8, 1234, 4}, {{0x12, 0xA4}, 4, 12, 2}, {{0x12, 0x34}, 6, 0, 0}};
  for (const auto& [bytes, digits, value, used] : cases) {
    int32_t out = 7;
    EXPECT_EQ(UnpackBcdLong(out, bytes, digits), used) << value;
    EXPECT_EQ(out, value);
  }
  int16_t shortValue = -1;
  const uint8_t odd[] = {0x03, 0x27, 0x67};
  EXPECT_EQ(UnpackBcdShort(shortValue, odd, 5), 3);
  EXPECT_EQ(shortValue, 32767);
}

TEST(TextHelpers, CopyBoundedAndEscapesStayInTheirBuffers) {
  std::array<char, 16> out;
  out.fill('x');
  EXPECT_EQ(CopyBounded(out, "abcdefghijkl", 10), 10);
  EXPECT_EQ(std::string(out.data()), "abcdefghij");
  EXPECT_EQ(out[11], 'x');
  std::array<char, 4> small;
  EXPECT_EQ(CopyBounded(small, "abcdef", 10), 3);
  EXPECT_STREQ(small.data(), "abc");
  std::array<uint8_t, 5> esc;
  esc.fill(0xEE);
  EXPECT_EQ(MakeEsc3(esc, 'a', 'b'), 3);
  EXPECT_EQ(esc, (std::array<uint8_t, 5>{0x1B, 0x61, 0x62, 0x00, 0xEE}));
  std::array<uint8_t, 3> tooSmall{};
  EXPECT_EQ(MakeEsc3(tooSmall, 'a', 'b'), 0);
  EXPECT_EQ(tooSmall, (std::array<uint8_t, 3>{}));
  EXPECT_EQ(FontAttrDigit(1, 0, 1), '6');
  EXPECT_EQ(FontAttrDigit(-3, 0, 9), '6');
}

}  // namespace
}  // namespace tolvan
