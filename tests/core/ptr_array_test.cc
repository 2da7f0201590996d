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

}  // namespace
}  // namespace tolvan
