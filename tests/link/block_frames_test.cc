// Block framing without sockets: enquiry, check byte, block layout.
#include "link/block_frames.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(BlockFrames, EnquiryAndSingleLetterBlockAreTheWorkedExamples) {
  Enquiry e = buildEnquiry(1);
  EXPECT_EQ(Bytes(e.begin(), e.end()), (Bytes{0x04, 0x56, 0x51, 0x30, 0x31, 0x05}));
  Enquiry twelve = buildEnquiry(12);
  EXPECT_TRUE(isEnquiry(e, 1));
  EXPECT_FALSE(isEnquiry(twelve, 1));
  EXPECT_FALSE(isEnquiry(std::span<const uint8_t>(e).first(5), 1));
  std::array<uint8_t, kMaxBlockLen> out{};
  const uint8_t data[] = {'A'};
  ASSERT_EQ(buildBlock(out, 0, data, true, false), 6u);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 6), (Bytes{0x02, '0', '0', 'A', 0x03, 0x3D}));
}

// 251 data bytes fill a 256-byte block; more, none, or too small a buffer
// give nothing. A damaged block number restarts at zero.
TEST(BlockFrames, FullBlockIs256BytesOversizeIsRefusedAndDamageIsSpotted) {
  std::vector<uint8_t> data(251, 'x');
  std::array<uint8_t, kMaxBlockLen + 8> out{};
  ASSERT_EQ(buildBlock(out, 42, data, false, true), 256u);
  EXPECT_EQ(std::string(out.begin() + 1, out.begin() + 3), "42");
  EXPECT_EQ(out[254], kEtb);
  data.push_back('y');
  EXPECT_EQ(buildBlock(out, 0, data, true, true), 0u);
  EXPECT_EQ(buildBlock(out, 0, {}, true, true), 0u);
  std::array<uint8_t, 5> tooSmall{};
  const uint8_t one[] = {'A'};
  EXPECT_EQ(buildBlock(tooSmall, 0, one, true, true), 0u);
  int damaged = 250;
  EXPECT_EQ(takeBlockNumber(damaged), 0);
  EXPECT_EQ(damaged, 1);
  // The receiving side accepts a built block and spots damage.
  const uint8_t mixed[] = {'6', '5', 0xE9, 'z'};
  size_t n = buildBlock(out, 37, mixed, false, true);
  std::span<const uint8_t> header(out.data(), kBlockHeaderLen);
  std::span<uint8_t> body(out.data() + 3, n - 3);
  EXPECT_TRUE(blockBodyComplete(body));
  EXPECT_TRUE(blockCheckMatches(header, body, true));
  out[2] = '8';  // another block number digit
  EXPECT_FALSE(blockCheckMatches(header, body, true));
  EXPECT_FALSE(blockBodyComplete(body.first(3)));
  EXPECT_FALSE(blockCheckMatches(header, body.first(1), true));
}

}  // namespace
}  // namespace tolvan
