#include "core/ptr_array.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

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

// Capacity stays a multiple of 20 and at least doubles, so appending a
// million records copies each slot a few times, not 50,000 times.
TEST(PtrArray, GrowsGeometricallyInMultiplesOf20AndKeepsOrder) {
  PtrArray<int> a;
  std::vector<int> expected;
  std::vector<int> capacities;
  for (int i = 0; i < 161; ++i) {
    a.insert(i / 2, new int(i));  // into the middle, moving the upper half
    expected.insert(expected.begin() + i / 2, i);
    if (a.capacity() != (capacities.empty() ? 0 : capacities.back())) capacities.push_back(a.capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{20, 40, 80, 160, 320}));
  std::vector<int> order;
  for (int i = 0; i < a.count(); ++i) order.push_back(*a.get(i));
  EXPECT_EQ(order, expected);
  a.clearAndFree();
  PtrArray<int> sparse;
  sparse.set(45, nullptr);  // beyond twice the capacity: the multiple of 20 above the index
  EXPECT_EQ((std::pair{sparse.capacity(), sparse.count()}), (std::pair{60, 46}));
}

}  // namespace
}  // namespace tolvan
