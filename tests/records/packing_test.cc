#include "records/packing.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;

// Packs into a buffer pre-filled with 0xEE so that bytes past the field
// and bytes the packer should have cleared both show.
Bytes packBcd(uint32_t value, int digits, bool* fitted = nullptr, size_t size = 6) {
  Bytes out(size, 0xEE);
  const bool ok = PackBcd(out, value, digits);
  if (fitted != nullptr) *fitted = ok;
  return out;
}

TEST(PackBcdNumbers, RightAlignsDigitsTwoPerByte) {
  bool fitted = false;
  EXPECT_EQ(packBcd(1234, 8, &fitted), (Bytes{0x00, 0x00, 0x12, 0x34, 0xEE, 0xEE}));
  EXPECT_TRUE(fitted);
  EXPECT_EQ(packBcd(12345, 5, &fitted), (Bytes{0x01, 0x23, 0x45, 0xEE, 0xEE, 0xEE}));
  EXPECT_TRUE(fitted);
  EXPECT_EQ(packBcd(0, 8, &fitted), (Bytes{0x00, 0x00, 0x00, 0x00, 0xEE, 0xEE}));
  EXPECT_TRUE(fitted);
  EXPECT_EQ(packBcd(4294967295u, 10, &fitted), (Bytes{0x42, 0x94, 0x96, 0x72, 0x95, 0xEE}));
  EXPECT_TRUE(fitted);
}

TEST(PackBcdNumbers, KeepsLowDigitsAndReportsOverflow) {
  bool fitted = true;
  EXPECT_EQ(packBcd(12345, 4, &fitted), (Bytes{0x23, 0x45, 0xEE, 0xEE, 0xEE, 0xEE}));
  EXPECT_FALSE(fitted);
  fitted = true;
  EXPECT_EQ(packBcd(100, 2, &fitted), (Bytes{0x00, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
  EXPECT_FALSE(fitted);
}

TEST(PackBcdNumbers, ZeroDigitsOrShortBufferWriteNothing) {
  bool fitted = true;
  EXPECT_EQ(packBcd(5, 0, &fitted), Bytes(6, 0xEE));
  EXPECT_FALSE(fitted);
  fitted = true;
  EXPECT_EQ(packBcd(1234, 8, &fitted, 3), Bytes(3, 0xEE));
  EXPECT_FALSE(fitted);
}

TEST(PackBcdNumbers, SixteenBitTakesTwosComplementPattern) {
  std::array<uint8_t, 3> out{};
  EXPECT_TRUE(PackBcd16(out, 30, 2));
  EXPECT_EQ(out[0], 0x30);
  EXPECT_FALSE(PackBcd16(out, static_cast<uint16_t>(-1), 2));
  EXPECT_EQ(out[0], 0x35);
  EXPECT_TRUE(PackBcd16(out, static_cast<uint16_t>(-1), 5));
  EXPECT_EQ(out, (std::array<uint8_t, 3>{0x06, 0x55, 0x35}));
}

Bytes packText(const char* text, int digits, size_t size = 6) {
  Bytes out(size, 0xEE);
  EXPECT_FALSE(PackDigitText(out, text, digits));
  return out;
}

TEST(PackDigitTexts, PadsLeftWithZerosAndLeftAlignsNibbles) {
  EXPECT_EQ(packText("12345", 10), (Bytes{0x00, 0x00, 0x01, 0x23, 0x45, 0xEE}));
  EXPECT_EQ(packText("123", 3), (Bytes{0x12, 0x30, 0xEE, 0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(packText("", 4), (Bytes{0x00, 0x00, 0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST(PackDigitTexts, NonDigitsCountAsZeroAndLongTextsKeepTheirStart) {
  EXPECT_EQ(packText("12A4", 4), (Bytes{0x12, 0x04, 0xEE, 0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(packText("1234567890123", 10), (Bytes{0x12, 0x34, 0x56, 0x78, 0x90, 0xEE}));
  EXPECT_EQ(packText("123456", 6, 2), Bytes(2, 0xEE));  // buffer too short
}

TEST(UnpackBcd, TextReadsDigitsAndReturnsBytesUsed) {
  const uint8_t in[] = {0x01, 0x23, 0x45};
  std::array<char, 8> text;
  text.fill('x');
  EXPECT_EQ(UnpackBcdText(text, in, 5), 3);
  EXPECT_STREQ(text.data(), "12345");
  EXPECT_EQ(UnpackBcdText(text, in, 6), 3);
  EXPECT_STREQ(text.data(), "012345");
  EXPECT_EQ(UnpackBcdText(text, in, 0), 0);
  EXPECT_STREQ(text.data(), "");
}

TEST(UnpackBcd, NibblesAboveNineBecomePunctuation) {
  const uint8_t in[] = {0xAF};
  std::array<char, 4> text{};
  EXPECT_EQ(UnpackBcdText(text, in, 2), 1);
  EXPECT_STREQ(text.data(), ":?");
}

TEST(UnpackBcd, RefusesShortInputOrOutput) {
  const uint8_t in[] = {0x12, 0x34};
  std::array<char, 8> text;
  text.fill('x');
  EXPECT_EQ(UnpackBcdText(text, in, 6), 0);  // needs 3 input bytes
  EXPECT_EQ(text[0], '\0');
  std::array<char, 4> small;
  small.fill('x');
  EXPECT_EQ(UnpackBcdText(small, in, 4), 0);  // no room for the NUL
  EXPECT_EQ(small[0], '\0');
  int32_t value = 7;
  EXPECT_EQ(UnpackBcdLong(value, in, 6), 0);
  EXPECT_EQ(value, 0);
}

TEST(UnpackBcd, NumbersReadAsDecimal) {
  const uint8_t in[] = {0x00, 0x00, 0x12, 0x34};
  int32_t value = -1;
  EXPECT_EQ(UnpackBcdLong(value, in, 8), 4);
  EXPECT_EQ(value, 1234);
  const uint8_t bad[] = {0xA0};
  EXPECT_EQ(UnpackBcdLong(value, bad, 2), 1);
  EXPECT_EQ(value, 0);
  const uint8_t mixed[] = {0x12, 0xA4};
  EXPECT_EQ(UnpackBcdLong(value, mixed, 4), 2);
  EXPECT_EQ(value, 12);  // reading stops at the first non-digit
  int16_t shortValue = -1;
  const uint8_t odd[] = {0x03, 0x27, 0x67};
  EXPECT_EQ(UnpackBcdShort(shortValue, odd, 5), 3);
  EXPECT_EQ(shortValue, 32767);
}

TEST(TextHelpers, CopyBoundedCutsAtMaxAndAlwaysTerminates) {
  std::array<char, 16> out;
  out.fill('x');
  EXPECT_EQ(CopyBounded(out, "abcdefghijkl", 10), 10);
  EXPECT_EQ(std::string(out.data()), "abcdefghij");
  EXPECT_EQ(out[10], '\0');
  EXPECT_EQ(out[11], 'x');
  EXPECT_EQ(CopyBounded(out, "", 10), 0);
  EXPECT_EQ(out[0], '\0');
  std::array<char, 4> small;
  EXPECT_EQ(CopyBounded(small, "abcdef", 10), 3);  // never past the buffer
  EXPECT_STREQ(small.data(), "abc");
}

TEST(TextHelpers, EscapeSequenceAndFontDigit) {
  std::array<uint8_t, 5> out;
  out.fill(0xEE);
  EXPECT_EQ(MakeEsc3(out, 'a', 'b'), 3);
  EXPECT_EQ(out, (std::array<uint8_t, 5>{0x1B, 0x61, 0x62, 0x00, 0xEE}));
  std::array<uint8_t, 3> tooSmall{};
  EXPECT_EQ(MakeEsc3(tooSmall, 'a', 'b'), 0);
  EXPECT_EQ(FontAttrDigit(1, 0, 1), '6');
  EXPECT_EQ(FontAttrDigit(0, 1, 0), '1');
  EXPECT_EQ(FontAttrDigit(1, 1, 1), '7');
  EXPECT_EQ(FontAttrDigit(0, 0, 0), '0');
  EXPECT_EQ(FontAttrDigit(-3, 0, 9), '6');
}

}  // namespace
}  // namespace tolvan
