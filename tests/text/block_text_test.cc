#include "text/block_text.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/text/text_test_support.h"

namespace tolvan::testing {
namespace {

class BlockTextEncode : public ::testing::Test {
 protected:
  ScaleEntry scale{"s", 0, 594};
  void SetUp() override { setCountry(scale, kVersionUsa); }

  std::string encode(const std::string& description, size_t capacity = 4096) {
    GuardedArea area(capacity);
    size_t n = EncodeBlockText(scale, area.span(), description);
    EXPECT_TRUE(area.guardsIntact());
    EXPECT_LT(n, capacity);
    EXPECT_EQ(area.at(n), 0) << "text not closed by a NUL";
    return area.text(n);
  }
};

TEST_F(BlockTextEncode, BreaksAfterTheLastLetterThatFitsWhenThereIsNoSpace) {
  std::string letters(60, 'x');
  EXPECT_EQ(encode(letters), std::string(48, 'x') + kEscC + "0" + std::string(12, 'x'));
}

TEST_F(BlockTextEncode, TextThatFitsExactlyIsNotBroken) {
  EXPECT_EQ(encode(std::string(48, 'x')), std::string(48, 'x'));
}

TEST_F(BlockTextEncode, BreaksAtTheLastSpaceAndMovesTheRestToTheNewLine) {
  std::string text = std::string(40, 'a') + " " + std::string(19, 'b');
  EXPECT_EQ(encode(text), std::string(40, 'a') + " " + kEscC + "0" + std::string(19, 'b'));
}

TEST_F(BlockTextEncode, BreaksAtTheLastHyphenToo) {
  std::string text = std::string(30, 'a') + "-" + std::string(10, 'b') + "-" + std::string(19, 'c');
  EXPECT_EQ(encode(text), std::string(30, 'a') + "-" + std::string(10, 'b') + "-" + kEscC + "0" + std::string(19, 'c'));
}

TEST_F(BlockTextEncode, ASpaceAtTheVeryStartIsNoBreakPoint) {
  std::string text = " " + std::string(59, 'x');
  EXPECT_EQ(encode(text), " " + std::string(47, 'x') + kEscC + "0" + std::string(12, 'x'));
}

TEST_F(BlockTextEncode, LineStartRepeatsFontAndBoldAndUsesTheBoldWidths) {
  // Bold font '0' is 10 wide: 44 letters fill 440.
  std::string text = kEscC + "0" + kEscD + "1" + std::string(50, 'x');
  EXPECT_EQ(encode(text), kEscC + "0" + kEscD + "1" + std::string(44, 'x') + kEscC + "0" + kEscD + "1" +
                              std::string(6, 'x'));
}

TEST_F(BlockTextEncode, LineStartListsEveryAttributeOnInOrder) {
  std::string text = kEscD + "4" + kEscD + "2" + kEscD + "3" + kEscD + "3" + std::string(49, 'x');
  std::string head = kEscD + "4" + kEscD + "2" + kEscD + "3" + kEscD + "3";
  EXPECT_EQ(encode(text), head + std::string(48, 'x') + kEscC + "0" + kEscD + "2" + kEscD + "4" + "x");
}

TEST_F(BlockTextEncode, FontEscapeStartsALineAndClearsAttributes) {
  // Font '1' is 12 wide: 36 letters fill 432, the 37th would give 444.
  std::string text = kEscD + "1" + std::string(20, 'a') + kEscC + "1" + std::string(40, 'b');
  EXPECT_EQ(encode(text),
            kEscD + "1" + std::string(20, 'a') + kEscC + "1" + std::string(36, 'b') + kEscC + "1" + "bbbb");
}

TEST_F(BlockTextEncode, WidthFollowsTheLabelWidth) {
  scale.labelWidth = 243;  // W = 180: 20 letters of 9
  EXPECT_EQ(encode(std::string(25, 'x')), std::string(20, 'x') + kEscC + "0" + std::string(5, 'x'));
}

TEST_F(BlockTextEncode, ChinaSendsEveryAttributeAsOne) {
  setCountry(scale, kVersionChina);
  EXPECT_EQ(encode(kEscD + "3" + "ab" + kEscD + "4"), kEscD + "1" + "ab" + kEscD + "1");
}

TEST_F(BlockTextEncode, EmptyDescriptionGivesEmptyText) {
  EXPECT_EQ(encode(""), "");
  EXPECT_EQ(encode(std::string("\0abc", 4)), "");
}

TEST_F(BlockTextEncode, StopsAtCapacityLeavingRoomForTheNul) {
  EXPECT_EQ(encode("abcdef", 4), "abc");
  EXPECT_EQ(encode(kEscC + "1abc", 4), kEscC + "1");
  EXPECT_EQ(encode("ab" + kEscD + "1c", 5), "ab");  // the escape does not fit whole
}

TEST_F(BlockTextEncode, CutEscapesAndUnknownEscapesAreLeftOut) {
  EXPECT_EQ(encode("ab" + kEscC), "ab");
  EXPECT_EQ(encode("ab\x1b"), "ab");
  EXPECT_EQ(encode("a\x1bXb"), "aXb");
}

TEST_F(BlockTextEncode, HostileTextNeverWritesOutsideItsSpan) {
  std::string hostile;
  for (int i = 0; i < 3000; ++i) hostile += static_cast<char>((i * 37 + 11) % 255 + 1);  // no NUL
  hostile += kEscD + "1" + kEscD + "2" + kEscD + "3" + kEscD + "4" + std::string(100, '\xff');
  scale.labelWidth = 0;  // a line start after every character
  for (size_t capacity : {0u, 1u, 2u, 3u, 7u, 16u, 17u, 100u, 2049u}) {
    GuardedArea area(capacity);
    size_t n = EncodeBlockText(scale, area.span(), hostile);
    EXPECT_TRUE(area.guardsIntact()) << capacity;
    if (capacity > 0) {
      EXPECT_LT(n, capacity);
    }
  }
}

class BlockTextDecode : public ::testing::Test {
 protected:
  ScaleEntry scale{"s", 0, 594};

  std::string decode(const std::string& text, size_t capacity = 2048) {
    GuardedArea area(capacity);
    DecodeBlockText(scale, area.chars(), bytesOf(text));
    EXPECT_TRUE(area.guardsIntact());
    std::string out = area.text(capacity);
    return out.substr(0, out.find('\0'));
  }
};

TEST_F(BlockTextDecode, IcelandMapsTheTenSymbolsToItsLetters) {
  setCountry(scale, kVersionIceland);
  EXPECT_EQ(decode("@"), "\xC1");
  EXPECT_EQ(decode("a@[\\]^`{|}~z"), "a\xC1\xD0\xC9\xCD\xD3\xDA\xDD\xDE\xC6\xD6z");
}

TEST_F(BlockTextDecode, OtherCountriesCopyTheTextAsItIs) {
  for (int version : {kVersionUsa, kVersionTaiwan, kVersionThailand}) {
    setCountry(scale, version);
    EXPECT_EQ(decode("@x" + kEscD + "3y"), "@x" + kEscD + "3y");
  }
}

TEST_F(BlockTextDecode, ChinaKeepsOnlyBoldAsAttributeTwo) {
  setCountry(scale, kVersionChina);
  EXPECT_EQ(decode("a" + kEscD + "1b" + kEscD + "3c" + kEscC + "1d"), "a" + kEscD + "2b" + "c" + kEscC + "1d");
  EXPECT_EQ(decode("a" + kEscD), "a");
}

TEST_F(BlockTextDecode, StopsAtNulAndAtTheLimit) {
  setCountry(scale, kVersionUsa);
  EXPECT_EQ(decode(std::string("ab\0cd", 5)), "ab");
  GuardedArea area(4);
  DecodeBlockText(scale, area.chars(), bytesOf("abcdef"));
  EXPECT_EQ(area.text(4), std::string("abc\0", 4));
  EXPECT_TRUE(area.guardsIntact());
  EXPECT_EQ(decode(std::string(3000, 'q'), 4000).size(), 2047u);
}

TEST_F(BlockTextDecode, ChinaNeverSplitsAnEscapeAtTheLimit) {
  setCountry(scale, kVersionChina);
  EXPECT_EQ(decode("ab" + kEscD + "1c", 5), "ab");
}

}  // namespace
}  // namespace tolvan::testing
