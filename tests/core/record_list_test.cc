#include "core/record_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace tolvan {
namespace {

// A record keeps its bytes up to the last one that is not zero, and a
// buffer reused for a shorter record after a longer one shows zeros where
// the longer one had bytes: a converter reads the full image either way.
TEST(RecordList, PackedRecordsUnpackToTheirFullImageInAReusedBuffer) {
  char image[2196] = {};
  std::strcpy(image + 148, "Swiss cheese from the Alps");
  image[0] = 7;
  RecordList list;
  ASSERT_TRUE(list.appendImage(image, sizeof image));
  std::memset(image + 148, 0, 26);  // no description
  ASSERT_TRUE(list.appendImage(image, sizeof image));
  EXPECT_EQ(list.get(0)->length, 148u + 26);
  // Six groups of 32 bytes, each a mask, then the number's unit and the
  // text's seven.
  EXPECT_EQ(list.get(0)->stored, 6u + 4 + 7 * 4);
  EXPECT_EQ(list.get(1)->length, 1u);
  RecordImage into;
  EXPECT_EQ(std::string(static_cast<const char*>(list.image(0, into)) + 148), "Swiss cheese from the Alps");
  EXPECT_EQ(std::memcmp(list.image(1, into), image, sizeof image), 0);
  EXPECT_EQ(list.image(2, into), nullptr);  // prints the assertion line
  // An image filled in place and packed, then started again: all zero.
  auto* filled = static_cast<char*>(into.blank(sizeof image));
  std::strcpy(filled + 300, "x");
  PackedRecord* packed = into.pack(sizeof image);
  EXPECT_EQ(packed->length, 301u);
  std::free(packed);
  const char zeros[sizeof image] = {};
  EXPECT_EQ(std::memcmp(into.blank(sizeof image), zeros, sizeof zeros), 0);
  list.clearAndFree();
}

// Records are kept without their zero bytes, four at a time: images of
// every length (a last unit cut short, a last group part full), sparse and
// full, in blocks and on the heap, come back byte for byte.
TEST(RecordList, EveryImageComesBackByteForByte) {
  std::mt19937 random(11);
  RecordBlocks blocks;
  RecordImage into;
  for (int round = 0; round < 2000; ++round) {
    const size_t length = round < 100 ? static_cast<size_t>(round) : random() % (kMaxRecordImageLen + 1);
    const unsigned everyNth = 1 + random() % 12;  // 1: every byte set, as text is
    std::vector<uint8_t> image(length + 1);  // never empty: an empty vector may have no address
    for (size_t i = 0; i < length; ++i) {
      image[i] = random() % everyNth == 0 ? static_cast<uint8_t>(1 + random() % 255) : 0;
    }
    PackedRecord* packed = PackedRecord::pack(image.data(), length, round % 2 == 0 ? &blocks : nullptr);
    ASSERT_NE(packed, nullptr);
    const auto* back = static_cast<const uint8_t*>(into.unpack(packed));
    ASSERT_TRUE(std::equal(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length), back))
        << "length " << length << ", every " << everyNth;
    ASSERT_TRUE(std::all_of(back + length, back + kMaxRecordImageLen, [](uint8_t b) { return b == 0; }));
    PackedRecord::release(packed);
  }
}

}  // namespace
}  // namespace tolvan
