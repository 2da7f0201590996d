#include "text/block_text.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/text/text_test_support.h"

namespace tolvan::testing {
namespace {

class BlockText : public ::testing::Test {
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
  std::string decode(const std::string& text, size_t capacity = 2048) {
    GuardedArea area(capacity);
    DecodeBlockText(scale, area.chars(), bytesOf(text));
    EXPECT_TRUE(area.guardsIntact());
    return area.cString();
  }
};

struct TextCase { const char* name; std::string in; std::string out; };

TEST_F(BlockText, EncodeWrapsAtTheLineWidthAndRepeatsTheLineStart) {
  const std::string nl = kEscC + "0";
  const std::string attrs = kEscD + "4" + kEscD + "2" + kEscD + "3" + kEscD + "3";
  const TextCase cases[] = {
      {"no space: after the last letter that fits", repeat(60), repeat(48) + nl + repeat(12)},
      {"exact fit is not broken", repeat(48), repeat(48)},
      {"at the last space", repeat(40, 'a') + " " + repeat(19, 'b'), repeat(40, 'a') + " " + nl + repeat(19, 'b')},
      {"at the last hyphen", repeat(30, 'a') + "-" + repeat(10, 'b') + "-" + repeat(19, 'c'),
       repeat(30, 'a') + "-" + repeat(10, 'b') + "-" + nl + repeat(19, 'c')},
      {"a leading space is no break point", " " + repeat(59), " " + repeat(47) + nl + repeat(12)},
      // Bold font '0' is 10 wide: 44 letters fill 440.
      {"bold widths, font and bold repeated", nl + kEscD + "1" + repeat(50),
       nl + kEscD + "1" + repeat(44) + nl + kEscD + "1" + repeat(6)},
      {"attributes on, listed in order", attrs + repeat(49), attrs + repeat(48) + nl + kEscD + "2" + kEscD + "4x"},
      // Font '1' is 12 wide: 36 letters fill 432.
      {"font escape clears attributes", kEscD + "1" + repeat(20, 'a') + kEscC + "1" + repeat(40, 'b'),
       kEscD + "1" + repeat(20, 'a') + kEscC + "1" + repeat(36, 'b') + kEscC + "1bbbb"},
      {"empty", "", ""},
      {"NUL ends the description", std::string("\0abc", 4), ""},
      {"cut escape dropped", "ab" + kEscC, "ab"},
      {"lone ESC dropped", "ab\x1b", "ab"},
      {"unknown escape: the byte after stays", "a\x1bXb", "aXb"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(encode(c.in), c.out) << c.name;
}

TEST_F(BlockText, EncodeFollowsLabelWidthAndCountry) {
  scale.labelWidth = 243;  // W = 180: 20 letters of 9
  EXPECT_EQ(encode(repeat(25)), repeat(20) + kEscC + "0" + repeat(5));
  setCountry(scale, kVersionChina);  // every attribute goes out as 1
  EXPECT_EQ(encode(kEscD + "3" + "ab" + kEscD + "4"), kEscD + "1" + "ab" + kEscD + "1");
}

TEST_F(BlockText, EncodeWritesEscapesWholeOrNotAtAll) {
  EXPECT_EQ(encode("abcdef", 4), "abc");
  EXPECT_EQ(encode(kEscC + "1abc", 4), kEscC + "1");
  EXPECT_EQ(encode("ab" + kEscD + "1c", 5), "ab");
  std::string hostile = noise(3000, 37) + kEscD + "1" + kEscD + "2" + kEscD + "3" + kEscD + "4" + repeat(100, '\xff');
  scale.labelWidth = 0;  // a line start after every character
  for (size_t capacity : {0u, 1u, 2u, 3u, 7u, 16u, 17u, 100u, 2049u}) {
    GuardedArea area(capacity);
    size_t n = EncodeBlockText(scale, area.span(), hostile);
    EXPECT_TRUE(area.guardsIntact()) << capacity;
    EXPECT_TRUE(capacity == 0 || n < capacity) << capacity;
  }
}

TEST_F(BlockText, DecodeMapsIcelandAndChinaAndCopiesTheRest) {
  setCountry(scale, kVersionIceland);
  EXPECT_EQ(decode("a@[\\]^`{|}~z"), "a\xC1\xD0\xC9\xCD\xD3\xDA\xDD\xDE\xC6\xD6z");
  for (int version : {kVersionUsa, kVersionTaiwan, kVersionThailand}) {
    setCountry(scale, version);
    EXPECT_EQ(decode("@x" + kEscD + "3y"), "@x" + kEscD + "3y") << version;
  }
  setCountry(scale, kVersionChina);  // only bold is kept, as attribute 2
  EXPECT_EQ(decode("a" + kEscD + "1b" + kEscD + "3c" + kEscC + "1d"), "a" + kEscD + "2b" + "c" + kEscC + "1d");
  EXPECT_EQ(decode("a" + kEscD), "a");
  EXPECT_EQ(decode("ab" + kEscD + "1c", 5), "ab");  // no escape split at the limit
}

TEST_F(BlockText, DecodeStopsAtNulAndAtTheLimit) {
  EXPECT_EQ(decode(std::string("ab\0cd", 5)), "ab");
  GuardedArea area(4);
  DecodeBlockText(scale, area.chars(), bytesOf("abcdef"));
  EXPECT_EQ(area.text(4), std::string("abc\0", 4));
  EXPECT_TRUE(area.guardsIntact());
  EXPECT_EQ(decode(repeat(3000, 'q'), 4000).size(), 2047u);
}

}  // namespace
}  // namespace tolvan::testing
