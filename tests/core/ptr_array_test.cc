#include "core/ptr_array.h"

#include <gtest/gtest.h>

namespace tolvan {
namespace {

int slot[64];

TEST(PtrArrayGrowth, GrowsInStepsOfTwenty) {
  PtrArray<int> a;
  EXPECT_EQ(a.capacity(), 20);
  for (int i = 0; i < 21; ++i) a.append(&slot[i]);
  EXPECT_EQ(a.capacity(), 40);
  EXPECT_EQ(a.count(), 21);
  EXPECT_EQ(a.get(20), &slot[20]);

  PtrArray<int> b;
  b.set(45, &slot[0]);
  EXPECT_EQ(b.capacity(), 60);
  EXPECT_EQ(b.count(), 46);
  EXPECT_EQ(b.get(44), nullptr);
  EXPECT_EQ(b.get(45), &slot[0]);
}

TEST(PtrArrayEdit, RemoveShiftsDownAndInsertShiftsUp) {
  PtrArray<int> a;
  for (int i = 0; i < 3; ++i) a.append(&slot[i]);
  EXPECT_EQ(a.remove(0), &slot[0]);
  EXPECT_EQ(a.count(), 2);
  EXPECT_EQ(a.get(0), &slot[1]);
  EXPECT_EQ(a.get(1), &slot[2]);
  EXPECT_EQ(a.remove(5), nullptr);

  a.insert(1, &slot[9]);
  EXPECT_EQ(a.count(), 3);
  EXPECT_EQ(a.get(1), &slot[9]);
  EXPECT_EQ(a.get(2), &slot[2]);

  PtrArray<int> empty;
  empty.insert(0, &slot[7]);
  EXPECT_EQ(empty.count(), 1);
  EXPECT_EQ(empty.get(0), &slot[7]);
}

TEST(PtrArrayEdit, InsertAtFullCapacityGrows) {
  PtrArray<int> a;
  for (int i = 0; i < 20; ++i) a.append(&slot[i]);
  a.insert(0, &slot[30]);
  EXPECT_EQ(a.capacity(), 40);
  EXPECT_EQ(a.count(), 21);
  EXPECT_EQ(a.get(0), &slot[30]);
  EXPECT_EQ(a.get(20), &slot[19]);
}

TEST(PtrArrayAssertion, BadIndexPrintsAssertionAndGivesNull) {
  PtrArray<int> a;
  a.append(&slot[0]);
  a.append(&slot[1]);
  testing::internal::CaptureStdout();
  EXPECT_EQ(a.get(5), nullptr);
  EXPECT_EQ(a.get(-1), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Assertion! : exp\nAssertion! : exp\n");
}

TEST(PtrArrayFreeing, ClearAndFreeReleasesElements) {
  PtrArray<int> a;
  for (int i = 0; i < 25; ++i) a.append(new int(i));
  a.clearAndFree();  // ASan would report a leak otherwise
  EXPECT_EQ(a.count(), 0);
}

}  // namespace
}  // namespace tolvan
