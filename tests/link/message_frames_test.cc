#include "link/message_frames.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "records/data_types.h"

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(MessageFrames, HeadersCarryBcdNumberAndLittleEndianLength) {
  std::array<uint8_t, kMessageHeaderLen> out{};
  out.fill(0xEE);
  writeMessageHeader(out, 30, 0x01020304);
  EXPECT_EQ(Bytes(out.begin(), out.end()), (Bytes{0x30, 0, 0, 0, 4, 3, 2, 1}));
  std::array<uint8_t, kMessageHeaderLen> in = {0x50, 0xFF, 0xFF, 0x02, 0x10, 0x27, 0x00, 0x80};
  MessageHeader h = readMessageHeader(in);
  EXPECT_EQ(h.number, 50);
  EXPECT_EQ(h.errorFlag, 2);
  EXPECT_EQ(h.length, 0x80002710u);
  std::array<uint8_t, 10> record{};
  record.fill(0xEE);
  EXPECT_EQ(MakeRecordHeader(record, 30, 0x9052), 8);
  EXPECT_EQ(Bytes(record.begin(), record.end()), (Bytes{0x30, 0, 0, 0, 0, 0, 0x52, 0x90, 0xEE, 0xEE}));
  EXPECT_EQ(recordBodyLength(std::span<const uint8_t, 8>(record.data(), 8)), 0x9052);
  std::array<uint8_t, 7> shortBuffer{};
  EXPECT_EQ(MakeRecordHeader(shortBuffer, 30, 82), 0);
  EXPECT_EQ(shortBuffer, (std::array<uint8_t, 7>{}));
}

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
