#include "core/record_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

}  // namespace
}  // namespace tolvan
