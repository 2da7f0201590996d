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
  const std::string nl = cat({kEscC, "0"});
  const std::string bold = cat({kEscD, "1"});
  const std::string attrs = cat({kEscD, "4", kEscD, "2", kEscD, "3", kEscD, "3"});
  const std::string a40 = repeat(40, 'a'), b19 = repeat(19, 'b');
  const TextCase cases[] = {
      {"no space: after the last letter that fits", repeat(60), cat({repeat(48), nl, repeat(12)})},
      {"exact fit is not broken", repeat(48), repeat(48)},
      {"at the last space", cat({a40, " ", b19}), cat({a40, " ", nl, b19})},
      {"at the last hyphen", cat({repeat(30, 'a'), "-", repeat(10, 'b'), "-", b19}),
       cat({repeat(30, 'a'), "-", repeat(10, 'b'), "-", nl, b19})},
      {"a leading space is no break point", cat({" ", repeat(59)}), cat({" ", repeat(47), nl, repeat(12)})},
      // Bold font '0' is 10 wide: 44 letters fill 440.
      {"bold widths, font and bold repeated", cat({nl, bold, repeat(50)}),
       cat({nl, bold, repeat(44), nl, bold, repeat(6)})},
      {"attributes on, listed in order", cat({attrs, repeat(49)}),
       cat({attrs, repeat(48), nl, kEscD, "2", kEscD, "4x"})},
      // Font '1' is 12 wide: 36 letters fill 432.
      {"font escape clears attributes", cat({bold, repeat(20, 'a'), kEscC, "1", repeat(40, 'b')}),
       cat({bold, repeat(20, 'a'), kEscC, "1", repeat(36, 'b'), kEscC, "1bbbb"})},
      {"NUL ends the description", std::string("\0abc", 4), ""},
      {"cut escape dropped", cat({"ab", kEscC}), "ab"},
      {"lone ESC dropped", "ab\x1b", "ab"},
      {"unknown escape: the byte after stays", "a\x1bXb", "aXb"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(encode(c.in), c.out) << c.name;
  scale.labelWidth = 243;  // W = 180: 20 letters of 9
  EXPECT_EQ(encode(repeat(25)), cat({repeat(20), nl, repeat(5)}));
  setCountry(scale, kVersionChina);  // every attribute goes out as 1
  EXPECT_EQ(encode(cat({kEscD, "3ab", kEscD, "4"})), cat({bold, "ab", bold}));
}

TEST_F(BlockText, EncodeWritesEscapesWholeOrNotAtAll) {
  EXPECT_EQ(encode("abcdef", 4), "abc");
  EXPECT_EQ(encode(cat({kEscC, "1abc"}), 4), cat({kEscC, "1"}));
  EXPECT_EQ(encode(cat({"ab", kEscD, "1c"}), 5), "ab");
  std::string hostile = cat({noise(3000, 37), kEscD, "1", kEscD, "2", kEscD, "3", kEscD, "4", repeat(100, '\xff')});
  scale.labelWidth = 0;  // a line start after every character
  for (size_t capacity : {0u, 1u, 2u, 3u, 7u, 16u, 17u, 100u, 2049u}) {
    GuardedArea area(capacity);
    size_t n = EncodeBlockText(scale, area.span(), hostile);
    EXPECT_TRUE(area.guardsIntact()) << capacity;
    EXPECT_TRUE(capacity == 0 || n < capacity) << capacity;
  }
}

TEST_F(BlockText, DecodeMapsIcelandAndChinaAndStopsAtNulAndTheLimit) {
  setCountry(scale, kVersionIceland);
  EXPECT_EQ(decode("a@[\\]^`{|}~z"), "a\xC1\xD0\xC9\xCD\xD3\xDA\xDD\xDE\xC6\xD6z");
  setCountry(scale, kVersionTaiwan);
  EXPECT_EQ(decode(cat({"@x", kEscD, "3y"})), cat({"@x", kEscD, "3y"}));
  setCountry(scale, kVersionChina);  // only bold is kept, as attribute 2
  EXPECT_EQ(decode(cat({"a", kEscD, "1b", kEscD, "3c", kEscC, "1d"})), cat({"a", kEscD, "2bc", kEscC, "1d"}));
  EXPECT_EQ(decode(cat({"a", kEscD})), "a");
  EXPECT_EQ(decode(cat({"ab", kEscD, "1c"}), 5), "ab");  // no escape split at the limit
  EXPECT_EQ(decode(std::string("ab\0cd", 5)), "ab");
  GuardedArea area(4);
  DecodeBlockText(scale, area.chars(), bytesOf("abcdef"));
  EXPECT_EQ(area.text(4), std::string("abc\0", 4));
  EXPECT_TRUE(area.guardsIntact());
  EXPECT_EQ(decode(repeat(3000, 'q'), 4000).size(), 2047u);
}

}  // namespace
}  // namespace tolvan::testing
