#include "core/ptr_array.h"

#include <gtest/gtest.h>

namespace tolvan {
namespace {

int slot[64];

// Capacity grows in steps of 20, also when a set or an insert at full
// capacity reaches past it; removes and inserts shift the rest.
TEST(PtrArray, GrowsInStepsOfTwentyAndShiftsOnEdits) {
  PtrArray<int> a;
  for (int i = 0; i < 20; ++i) a.append(&slot[i]);
  EXPECT_EQ(a.capacity(), 20);
  a.insert(0, &slot[30]);
  EXPECT_EQ(a.capacity(), 40);
  EXPECT_EQ(a.count(), 21);
  EXPECT_EQ(a.get(20), &slot[19]);
  EXPECT_EQ(a.remove(0), &slot[30]);
  EXPECT_EQ(a.get(0), &slot[0]);
  EXPECT_EQ(a.remove(25), nullptr);
  PtrArray<int> b;
  b.set(45, &slot[0]);
  EXPECT_EQ(b.capacity(), 60);
  EXPECT_EQ(b.count(), 46);
  EXPECT_EQ(b.get(44), nullptr);
}

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

}  // namespace
}  // namespace tolvan
