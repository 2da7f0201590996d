#include "link/message_frames.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "records/data_types.h"

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;

StatusReply status(uint8_t errorFlag, int16_t received, int16_t accepted, int16_t errors, int16_t code) {
  std::array<uint8_t, kMessageHeaderLen> head = {0x80, 0, 0, errorFlag, 12, 0, 0, 0};
  std::array<uint8_t, kStatusBodyLen> body{};
  body.fill(0xAA);  // bytes 0 to 3 are not used
  int at = 4;
  for (int16_t v : {received, accepted, errors, code}) {
    body[at++] = static_cast<uint8_t>(v);
    body[at++] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
  }
  return readStatusReply(head, body);
}

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

// A count mismatch is a data error whatever the flag; the flag alone is an
// error code; busy is code 27 with the flag and no count mismatch.
TEST(MessageFrames, StatusReplyVerdicts) {
  EXPECT_EQ(classifyStatusReply(status(0, 10, 3, 7, 9)), kMsgOk);
  EXPECT_EQ(classifyStatusReply(status(1, 10, 10, 0, 7)), kMsgScaleErrorCode);
  StatusReply mismatch = status(1, 10, 8, 2, 0);
  EXPECT_EQ(classifyStatusReply(mismatch), kMsgScaleDataError);
  EXPECT_EQ(mismatch.errorCount, 2);
  EXPECT_EQ(classifyStatusReply(status(0xFF, 0, 5, 0, 1)), kMsgScaleErrorCode);
  EXPECT_EQ(status(1, -2, 0, 0, -300).errorCode, -300);
  EXPECT_TRUE(isBusyReply(status(1, 0, 0, 0, 27)));
  EXPECT_FALSE(isBusyReply(status(0, 0, 0, 0, 27)));
  EXPECT_FALSE(isBusyReply(status(1, 0, 0, 0, 26)));
  EXPECT_FALSE(isBusyReply(status(1, 5, 4, 1, 27)));
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
