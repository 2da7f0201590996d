// Extra messages and coupons: records, deletions and requests of both
// families byte for byte, the text limits, and received records.
#include "masterdata/extra_message.h"

#include <gtest/gtest.h>

#include <string>

#include "masterdata/extra_message_received.h"
#include "masterdata/record_bench.h"

namespace tolvan {
namespace {

using namespace std::string_literals;
constexpr int kExMsg = 2, kExMsg3 = 4, kCoupon = 5;
const std::string kLong(2000, 'x');

class ExMsgTest : public ::testing::Test {
 protected:
  void configure(int model, int version, int maxExMsg = 99, int type = kExMsg) {
    b_.become(model, version);
    b_.scale.maxExMsg = maxExMsg, b_.scale.dataType = type;
    b_.scale.labelWidth = 30000;  // one line: no breaks in long texts
  }
  std::string send(int type, int32_t number, const std::string& desc) {
    ExMsgRecord record{number, static_cast<uint16_t>(type), 0, {}};
    desc.copy(record.desc, kExMsgDescSize - 1);
    return b_.shown(b_.convert(type, kModeAdd, &record));
  }
  std::string remove(int type, int32_t number) { return b_.shown(b_.remove(type, number)); }
  std::string request() { return b_.shown(b_.request()); }

  testing::RecordBench b_;
};

TEST_F(ExMsgTest, BlockCodesFollowVersionAndTypeAndNumbersTheDigitsOfMaxExMsg) {
  struct Case { int version, maxExMsg, type; std::string record, deletion, request; };
  const Case cases[] = {
      {kVersionNz, 99, kExMsg, "350107Ham", "130107", "510200"},
      {kVersionNz, 500, kExMsg3, "35010007Ham", "13010007", "51020000"},
      {kVersionUsa, 99, kExMsg, "3507Ham", "1307", "5100"},
      {kVersionUsa, 10000, kExMsg, "35000007Ham", "13000007", "51000000"},
      {kVersionUsa, 99, kCoupon, "6107Ham", "2107", "5200"},
      {kVersionNz, 500, kCoupon, "61020007Ham", "21020007", "520200"},
  };
  for (const Case& c : cases) {
    configure(kModelVt30, c.version, c.maxExMsg, c.type);
    EXPECT_EQ(send(c.type, 7, "Ham"), c.record);
    EXPECT_EQ(b_.buffer[b_.length], 0);
    EXPECT_EQ(remove(c.type, 7), c.deletion);
    EXPECT_EQ(request(), c.request);
    EXPECT_EQ(send(c.type, 7, kLong).size(), c.record.size() - 3 + 1028);  // coupons too
  }
  EXPECT_EQ(send(kExMsg, 1000000, "Ham"), "-");  // more digits than the scale reads
  EXPECT_EQ(remove(kExMsg, -1), "-");
  configure(kModelHbq, kVersionNz);
  EXPECT_EQ(send(kExMsg, 1, "x"), "-");
}

TEST_F(ExMsgTest, ReceivedRecordsKeepTheFirstArrivalOfANumber) {
  ScaleEntry other{"scale2", 0, 594};
  other.driver = &b_.driver, other.model = kModelVt40, other.dataType = kExMsg;
  configure(kModelVt30, kVersionNz, 500, kExMsg);
  // 12 twice, 13 with a negative text length, 0 from an unreadable and a zero number.
  for (auto [scale, data] : {std::pair{&b_.scale, "35010012First"s}, {&other, "\0\0\0\x12\x06\0Second"s},
                             {&other, "\0\0\0\x13\xff\xff"s}, {&b_.scale, "3501xxNoNumber"s},
                             {&b_.scale, "35010000Zero"s}, {&b_.scale, "6114Off"s}, {&other, "3515x"s}}) {
    if (data == "6114Off") configure(kModelVt30, kVersionUsa, 500, kCoupon);  // coupons keep two digits
    if (data == "3515x") other.model = kModelHbq;
    EXPECT_EQ(handleReceivedExMsg(*scale, std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size())),
              other.model != kModelHbq);
  }
  std::string kept;
  for (int i = 0; i < b_.driver.records.count(); ++i) {
    const auto& record = b_.kept<ExMsgRecord>(i);
    kept += std::to_string(record.messageNo) + "/" + std::to_string(record.dataType) + "/" + record.desc + " ";
  }
  EXPECT_EQ(kept, "12/2/First 13/2/ 0/2/ 14/5/Off ");
}

}  // namespace
}  // namespace tolvan
