#include "core/ptr_array.h"

#include <gtest/gtest.h>

namespace tolvan {
namespace {

TEST(PtrArray, BadIndexPrintsAssertionAndGivesNull) {
  PtrArray<int> a;
  a.append(new int(1));
  testing::internal::CaptureStdout();
  EXPECT_EQ(a.get(5), nullptr);
  EXPECT_EQ(a.get(-1), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Assertion! : exp\nAssertion! : exp\n");
  a.clearAndFree();  // ASan reports a leak otherwise
  EXPECT_EQ(a.count(), 0);
}

// Slots are not cleared when the array grows or empties: one set beyond
// the end leaves the slots before it empty, never what they held before.
TEST(PtrArray, SlotsSkippedBySetAreEmpty) {
  int values[3] = {1, 2, 3};
  PtrArray<int> a;
  for (int& v : values) a.append(&v);
  a.clear();
  a.set(4, &values[2]);
  ASSERT_EQ(a.count(), 5);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(a.get(i), nullptr) << i;
  a.reserve(1000);
  EXPECT_GE(a.capacity(), 1000);
  EXPECT_EQ(a.get(4), &values[2]);  // kept through the growth
  a.set(700, &values[0]);
  EXPECT_EQ(a.get(699), nullptr);
  EXPECT_EQ(a.count(), 701);
}

}  // namespace
}  // namespace tolvan
