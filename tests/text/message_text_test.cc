#include "text/message_text.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/text/text_test_support.h"

namespace tolvan::testing {
namespace {

class MessageTextEncode : public ::testing::Test {
 protected:
  ScaleEntry scale{"s", 0, 594};
  void SetUp() override { setCountry(scale, kVersionUsa); }

  std::string encode(const std::string& description, size_t capacity = 4096) {
    GuardedArea area(capacity);
    size_t n = EncodeMessageText(scale, area.span(), description);
    EXPECT_TRUE(area.guardsIntact());
    EXPECT_LE(n, capacity);
    EXPECT_EQ(n % 2, 0u) << "odd length " << n;
    return area.text(n);
  }
};

TEST_F(MessageTextEncode, FontEscapeBecomesLineCodeAndFontCodePaddedToEvenLength) {
  EXPECT_EQ(encode(kEscC + "1abcde"), std::string("\x0d\x08" "abcde\0", 8));
}

TEST_F(MessageTextEncode, EvenTextGetsNoPadding) {
  EXPECT_EQ(encode("abcd"), "abcd");
  EXPECT_EQ(encode(""), "");
}

TEST_F(MessageTextEncode, AttributeEscapeBecomesOneCodeByteWithoutChinaRewrite) {
  EXPECT_EQ(encode(kEscD + "2x" + kEscD + "4"), std::string("\x06x\x13\0", 4));
  setCountry(scale, kVersionChina);
  EXPECT_EQ(encode(kEscD + "3x"), "\x07x");
}

TEST_F(MessageTextEncode, LineStartIsLineCodeFontCodeAndAttributeCodes) {
  // Bold font '0' is 10 wide: the break comes after 44 letters, at the space.
  std::string text = kEscD + "1" + kEscD + "3" + std::string(40, 'a') + " " + std::string(9, 'b');
  std::string expected = std::string("\x02\x07") + std::string(40, 'a') + " " + "\x0d\x03\x02\x07" + std::string(9, 'b');
  EXPECT_EQ(encode(text), expected);
}

TEST_F(MessageTextEncode, ThaiScalesWrapByTheThaiTables) {
  setCountry(scale, kVersionThailand);
  // Font '0' digits are 15 wide: 29 fill 435 of 440.
  std::string digits(31, '5');
  EXPECT_EQ(encode(digits), std::string(29, '5') + std::string("\x0d\xe3" "55\0", 5));
}

TEST_F(MessageTextEncode, StaysEvenAndInsideOddCapacities) {
  EXPECT_EQ(encode("abcdefgh", 5), "abcd");
  EXPECT_EQ(encode("abcdefgh", 6), std::string("abcde\0", 6));
  EXPECT_EQ(encode(kEscC + "1abc", 1), "");
}

TEST_F(MessageTextEncode, HostileTextNeverWritesOutsideItsSpan) {
  std::string hostile;
  for (int i = 0; i < 3000; ++i) hostile += static_cast<char>((i * 53 + 7) % 255 + 1);
  scale.labelWidth = 0;
  for (int version : {kVersionUsa, kVersionThailand, kVersionChina}) {
    setCountry(scale, version, 0);
    for (size_t capacity : {0u, 1u, 2u, 3u, 5u, 6u, 7u, 511u, 4006u}) {
      GuardedArea area(capacity);
      size_t n = EncodeMessageText(scale, area.span(), hostile);
      EXPECT_TRUE(area.guardsIntact()) << capacity;
      EXPECT_LE(n, capacity);
      EXPECT_EQ(n % 2, 0u);
    }
  }
}

class MessageTextDecode : public ::testing::Test {
 protected:
  ScaleEntry scale{"s", 0, 594};
  void SetUp() override { setCountry(scale, kVersionUsa); }

  // The decoded description, and whether every byte was used.
  std::pair<std::string, bool> decode(const std::string& bytes, size_t capacity = 2048) {
    GuardedArea area(capacity);
    bool all = DecodeMessageText(scale, area.chars(), bytesOf(bytes));
    EXPECT_TRUE(area.guardsIntact());
    std::string out = area.text(capacity);
    return {out.substr(0, out.find('\0')), all};
  }
};

TEST_F(MessageTextDecode, FontCodeWithAttributeThreeOpensAndClosesIt) {
  auto [text, all] = decode("\x0d\x12" "AB");
  EXPECT_EQ(text, kEscC + "0" + kEscD + "3" + "AB" + kEscD + "3");
  EXPECT_TRUE(all);
}

TEST_F(MessageTextDecode, NewLineClosesTheAttributesOnFirst) {
  auto [text, all] = decode("\x02x\x13y\x0d\x08z");
  EXPECT_EQ(text, kEscD + "1x" + kEscD + "4y" + kEscD + "1" + kEscD + "4" + kEscC + "1z");
  EXPECT_TRUE(all);
}

TEST_F(MessageTextDecode, AttributeCodesToggle) {
  EXPECT_EQ(decode("\x06" "a\x06" "b").first, kEscD + "2a" + kEscD + "2b");
}

TEST_F(MessageTextDecode, ControlBytesAndPaddingEndTheText) {
  auto [text, all] = decode(std::string("ab\0", 3));
  EXPECT_EQ(text, "ab");
  EXPECT_FALSE(all);
  EXPECT_EQ(decode("a\x03z").first, "a");  // 3 is no attribute code
  EXPECT_FALSE(decode("a\x0d").second);    // font code missing
}

TEST_F(MessageTextDecode, EncodedTextReadsBack) {
  std::string description = kEscC + "2" + "Fresh " + kEscD + "1" + "bread" + kEscD + "1";
  GuardedArea wire(64);
  size_t n = EncodeMessageText(scale, wire.span(), description);
  EXPECT_EQ(decode(wire.text(n)).first, description);
}

TEST_F(MessageTextDecode, FullOutputStillPairsEveryAttributeAndEndsWithNul) {
  // Room for ESC D 1, two letters, the closing ESC D 1 and the NUL.
  auto [text, all] = decode("\x02" "abcdef", 9);
  EXPECT_EQ(text, kEscD + "1ab" + kEscD + "1");
  EXPECT_FALSE(all);
}

TEST_F(MessageTextDecode, HostileBytesNeverWriteOutsideTheSpan) {
  std::string hostile;
  for (int i = 0; i < 5000; ++i) hostile += static_cast<char>((i * 29 + 3) % 20 == 0 ? 13 : (i * 7) % 20);
  for (size_t capacity : {0u, 1u, 2u, 3u, 4u, 5u, 8u, 13u, 100u, 3000u}) {
    GuardedArea area(capacity);
    DecodeMessageText(scale, area.chars(), bytesOf(hostile));
    EXPECT_TRUE(area.guardsIntact()) << capacity;
  }
}

}  // namespace
}  // namespace tolvan::testing
