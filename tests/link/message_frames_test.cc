#include "link/message_frames.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "records/data_types.h"

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;

// Only the three production types have a totals reset.
TEST(MessageFrames, TotalsResetMessages) {
  const struct {
    int type, number, bodyLen;
  } cases[] = {{static_cast<int>(DataType::PluProd), 11, 4}, {static_cast<int>(DataType::HourlyProd), 12, 2},
               {static_cast<int>(DataType::OpProd), 14, 2}, {1, 0, 0}, {15, 0, 0}, {16, 0, 0}, {-1, 0, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(TotalsResetNumber(c.type), c.number) << c.type;
    EXPECT_EQ(totalsResetBodyLen(c.type), c.bodyLen) << c.type;
  }
}

}  // namespace
}  // namespace tolvan
