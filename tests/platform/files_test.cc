#include "platform/files.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace tolvan {
namespace {

// Two writers of one file at once (two runs that ignored the folder lock)
// never write into one temporary: each commit puts a whole file in place.
TEST(ReplacementFile, TwoWritersOfOneFileEachCommitAWholeFile) {
  testing::TempDir dir;
  ReplacementFile first(dir.file("x.rsd"));
  ReplacementFile second(dir.file("x.rsd"));
  ASSERT_TRUE(first.open() && second.open());
  ASSERT_TRUE(first.write("first") && second.write("second"));
  EXPECT_TRUE(first.commit());
  EXPECT_EQ(dir.read("x.rsd"), "first");
  EXPECT_TRUE(second.commit());
  EXPECT_EQ(dir.read("x.rsd"), "second");
}

}  // namespace
}  // namespace tolvan
