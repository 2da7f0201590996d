#include "text/message_text.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/text/text_test_support.h"

namespace tolvan::testing {
namespace {

class MessageText : public ::testing::Test {
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
  // The decoded description, and whether every byte was used.
  std::pair<std::string, bool> decode(const std::string& bytes, size_t capacity = 2048) {
    GuardedArea area(capacity);
    bool all = DecodeMessageText(scale, area.chars(), bytesOf(bytes));
    EXPECT_TRUE(area.guardsIntact());
    return {area.cString(), all};
  }
};

TEST_F(MessageText, EncodeTurnsEscapesIntoCodesAndPadsToEvenLength) {
  EXPECT_EQ(encode(kEscC + "1abcde"), std::string("\x0d\x08" "abcde\0", 8));
  EXPECT_EQ(encode("abcd"), "abcd");
  EXPECT_EQ(encode(""), "");
  EXPECT_EQ(encode(kEscD + "2x" + kEscD + "4"), std::string("\x06x\x13\0", 4));
  // Bold font '0' is 10 wide: the break comes after 44 letters, at the space.
  std::string text = kEscD + "1" + kEscD + "3" + repeat(40, 'a') + " " + repeat(9, 'b');
  EXPECT_EQ(encode(text), "\x02\x07" + repeat(40, 'a') + " \x0d\x03\x02\x07" + repeat(9, 'b'));
  setCountry(scale, kVersionChina);  // no attribute rewrite here
  EXPECT_EQ(encode(kEscD + "3x"), "\x07x");
  setCountry(scale, kVersionThailand);  // font '0' digits are 15 wide: 29 fill 435 of 440
  EXPECT_EQ(encode(repeat(31, '5')), repeat(29, '5') + std::string("\x0d\xe3" "55\0", 5));
}

TEST_F(MessageText, DecodeTurnsCodesIntoPairedEscapes) {
  struct Case { std::string bytes; std::string text; bool all; };
  const Case cases[] = {
      {"\x0d\x12" "AB", kEscC + "0" + kEscD + "3AB" + kEscD + "3", true},  // font code with attribute 3
      {"\x02x\x13y\x0d\x08z", kEscD + "1x" + kEscD + "4y" + kEscD + "1" + kEscD + "4" + kEscC + "1z", true},
      {"\x06" "a\x06" "b", kEscD + "2a" + kEscD + "2b", true},  // attribute codes toggle
      {std::string("ab\0", 3), "ab", false},                    // padding ends the text
      {"a\x03z", "a", false},                                   // 3 is no attribute code
      {"a\x0d", "a", false},                                    // font code missing
  };
  for (const Case& c : cases) {
    auto [text, all] = decode(c.bytes);
    EXPECT_EQ(text, c.text) << c.text;
    EXPECT_EQ(all, c.all) << c.text;
  }
  std::string description = kEscC + "2Fresh " + kEscD + "1bread" + kEscD + "1";
  GuardedArea wire(64);
  EXPECT_EQ(decode(wire.text(EncodeMessageText(scale, wire.span(), description))).first, description);
}

TEST_F(MessageText, DecodeIntoAFullAreaStillPairsAttributes) {
  // Room for ESC D 1, two letters, the closing ESC D 1 and the NUL.
  auto [text, all] = decode("\x02" "abcdef", 9);
  EXPECT_EQ(text, kEscD + "1ab" + kEscD + "1");
  EXPECT_FALSE(all);
  std::string hostile;
  for (int i = 0; i < 5000; ++i) hostile += static_cast<char>((i * 29 + 3) % 20 == 0 ? 13 : (i * 7) % 20);
  for (size_t capacity : {0u, 1u, 2u, 3u, 4u, 5u, 8u, 13u, 100u, 3000u}) decode(hostile, capacity);
}

}  // namespace
}  // namespace tolvan::testing
