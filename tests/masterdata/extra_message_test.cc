// Extra messages and coupons: the column lists, the records, deletions and
// requests of both families byte for byte, the text limits, and the
// records read back into the shared list.
#include "masterdata/extra_message.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "core/driver.h"
#include "dispatch/field_tables.h"
#include "dispatch/record_dispatch.h"
#include "masterdata/extra_message_encoding.h"
#include "masterdata/extra_message_received.h"
#include "records/deletion_record.h"
#include "support/fakes.h"

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kExMsg = 2, kExMsg2 = 3, kExMsg3 = 4, kCoupon = 5;

class ExMsgTest : public ::testing::Test {
 protected:
  ExMsgTest() { scale_.driver = &driver_; }
  void configure(int model, int version, int maxExMsg = 99, int dataType = kExMsg) {
    scale_.model = model;
    scale_.version = version;
    scale_.maxExMsg = maxExMsg;
    scale_.dataType = dataType;
  }
  // Through the dispatch, as the workers convert: the type comes from the record.
  bool send(int dataType, int32_t number, const std::string& text) {
    ExMsgRecord* record = newExMsgRecord(dataType);
    record->messageNo = number;
    std::memcpy(record->desc, text.data(), std::min(text.size(), kExMsgDescSize - 1));
    bool ok = convertRecord(scale_, dataType, kModeAdd, record, code_, buffer_, length_);
    std::free(record);
    return ok;
  }
  bool remove(int dataType, int32_t number) {
    DeletionRecord deletion{static_cast<uint16_t>(dataType), number};
    return convertRecord(scale_, dataType, kModeDelete, &deletion, code_, buffer_, length_);
  }
  bool request() { return buildUploadRequest(scale_, code_, buffer_, length_); }
  std::string text() const { return std::string(reinterpret_cast<const char*>(buffer_.data()), length_); }
  Bytes bytes() const { return Bytes(buffer_.begin(), buffer_.begin() + length_); }
  bool receive(ScaleEntry& scale, const std::string& data) {
    return handleReceivedExMsg(scale, std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
  }
  const ExMsgRecord& at(int i) const { return *static_cast<const ExMsgRecord*>(driver_.records.get(i)); }

  testing::FakeClock clock_;
  testing::FakeSleeper sleeper_{&clock_};
  Driver driver_{clock_, sleeper_, nullptr};
  ScaleEntry scale_{"scale1", 0, 594};
  std::array<uint8_t, kMaxConvertedLen> buffer_{};
  int code_ = -1;
  int length_ = -1;
};

TEST_F(ExMsgTest, ColumnsAndRecordAreTheSameForAllFourTypes) {
  for (int type : {kExMsg, kExMsg2, kExMsg3, kCoupon}) {
    FieldTable standard, fixed;
    buildFieldTable(standard, type, kModeAdd);
    buildFixedFieldTable(fixed, type, kModeAdd, 99);
    ASSERT_EQ(standard.count(), 2);
    ASSERT_EQ(fixed.count(), 2);
    EXPECT_STREQ(standard.get(0)->name, "Message_No");
    EXPECT_EQ(standard.get(1)->kind, FieldKind::Description);
    EXPECT_EQ(standard.get(1)->offset, 8u);
    EXPECT_EQ(fixed.get(0)->lineLen, 4u);
    EXPECT_EQ(fixed.get(1)->linePos, 48u);
    EXPECT_EQ(fixed.get(1)->lineLen, 0u);
    standard.clearAndFree();
    fixed.clearAndFree();
    ExMsgRecord* record = newExMsgRecord(type);
    EXPECT_EQ(record->dataType, type);
    std::free(record);
  }
  EXPECT_EQ(newExMsgRecord(1), nullptr);
}

TEST_F(ExMsgTest, BlockRecordsCarryTheCodeOfVersionAndTypeAndTheDigitsOfMaxExMsg) {
  struct Case { int version, maxExMsg, type; std::string want; };
  const Case cases[] = {
      {kVersionNz, 99, kExMsg, "350107Ham"},        {kVersionNz, 500, kExMsg, "35010007Ham"},
      {kVersionUsa, 99, kExMsg, "3507Ham"},         {kVersionUsa, 500, kExMsg, "350007Ham"},
      {kVersionNz, 10000, kExMsg, "3501000007Ham"}, {kVersionNz, 9999, kExMsg2, "35010007Ham"},
      {kVersionNz, 99, kExMsg3, "350107Ham"},       {kVersionUsa, 99, kCoupon, "6107Ham"},
      {kVersionNz, 99, kCoupon, "610207Ham"},
  };
  for (const Case& c : cases) {
    configure(kModelVt30, c.version, c.maxExMsg);
    ASSERT_TRUE(send(c.type, 7, "Ham")) << c.want;
    EXPECT_EQ(text(), c.want);
    EXPECT_EQ(buffer_[length_], 0) << c.want;
  }
  configure(kModelPmx, kVersionNz, 99);
  EXPECT_FALSE(send(kExMsg, 100, "Ham"));  // does not fit two digits
  EXPECT_FALSE(remove(kExMsg, -1));
}

TEST_F(ExMsgTest, MessageRecordsAreHeaderNumberLengthAndEvenText) {
  for (int maxExMsg : {99, 500}) {
    for (int type : {kExMsg, kExMsg2, kExMsg3, kCoupon}) {
      configure(kModelVt40, kVersionNz, maxExMsg);
      ASSERT_TRUE(send(type, 7, "Ham"));
      const uint8_t number = static_cast<uint8_t>(0x30 + type);  // 32 to 35
      EXPECT_EQ(code_, 30 + type);
      EXPECT_EQ(bytes(), (Bytes{number, 0, 0, 0, 0, 0, 10, 0, 0, 0, 0, 7, 4, 0, 'H', 'a', 'm', 0}));
    }
  }
}

TEST_F(ExMsgTest, DeletionsAndRequestsOfBothFamilies) {
  struct Case { int model, version, maxExMsg, type; std::string deletion, request; };
  const Case cases[] = {
      {kModelVt30, kVersionUsa, 99, kExMsg, "1307", "5100"},
      {kModelLm50, kVersionNz, 99, kExMsg, "130107", "510200"},
      {kModelVt30, kVersionUsa, 10000, kExMsg, "13000007", "51000000"},
      {kModelPmx, kVersionUsa, 99, kCoupon, "2107", "5200"},
      {kModelVt30, kVersionNz, 500, kCoupon, "21020007", "520200"},
  };
  for (const Case& c : cases) {
    configure(c.model, c.version, c.maxExMsg, c.type);
    ASSERT_TRUE(remove(c.type, 7));
    EXPECT_EQ(text(), c.deletion);
    ASSERT_TRUE(request());
    EXPECT_EQ(text(), c.request);
  }
  for (int type : {kExMsg, kExMsg2, kExMsg3, kCoupon}) {
    configure(kModelMerioPro, kVersionUsa, 99, type);
    ASSERT_TRUE(remove(type, 1234));
    EXPECT_EQ(code_, type);  // 2 to 5, the bare number
    EXPECT_EQ(bytes(), (Bytes{0x00, 0x00, 0x12, 0x34}));
    ASSERT_TRUE(request());
    EXPECT_EQ(code_, 50 + type);
    EXPECT_EQ(bytes(), (Bytes{0, 0, 0, 0}));
  }
}

TEST_F(ExMsgTest, LongTextsAreCutAtTheLimitOfFamilyAndType) {
  const std::string longText(2000, 'x');
  struct Case { int model, type; size_t head, textLen; };
  const Case cases[] = {{kModelVt30, kExMsg, 6, 1028}, {kModelVt30, kCoupon, 6, 1028},
                        {kModelVt40, kExMsg, 14, 1028}, {kModelVt40, kCoupon, 14, 510}};
  for (const Case& c : cases) {
    configure(c.model, kVersionNz);
    scale_.labelWidth = 30000;  // one line: no breaks in the way
    ASSERT_TRUE(send(c.type, 1, longText));
    EXPECT_EQ(static_cast<size_t>(length_), c.head + c.textLen) << c.model << " " << c.type;
  }
  configure(kModelHbq, kVersionNz);
  EXPECT_FALSE(send(kExMsg, 1, "x"));
  EXPECT_EQ(length_, 0);
}

TEST_F(ExMsgTest, ReceivedRecordsReadBackWhatWasSent) {
  configure(kModelVt30, kVersionNz, 500, kExMsg);
  EXPECT_TRUE(receive(scale_, "35010012Fresh"));
  configure(kModelVt30, kVersionUsa, 500, kCoupon);  // coupons keep two digits
  EXPECT_TRUE(receive(scale_, "6113Off"));
  configure(kModelMerioPro, kVersionNz, 99, kExMsg3);
  EXPECT_TRUE(receive(scale_, std::string("\x00\x00\x00\x14\x04\x00Ham\x00", 10)));
  ASSERT_EQ(driver_.records.count(), 3);
  EXPECT_EQ(at(0).messageNo, 12);
  EXPECT_STREQ(at(0).desc, "Fresh");
  EXPECT_EQ(at(1).messageNo, 13);
  EXPECT_EQ(at(1).dataType, kCoupon);
  EXPECT_STREQ(at(1).desc, "Off");
  EXPECT_EQ(at(2).messageNo, 14);
  EXPECT_EQ(at(2).dataType, kExMsg3);
  EXPECT_STREQ(at(2).desc, "Ham");
}

TEST_F(ExMsgTest, FirstArrivalWinsAndUnreadableNumbersAreKeptOnceAsZero) {
  ScaleEntry other{"scale2", 0, 594};
  other.driver = &driver_;
  other.model = kModelVt40;
  other.dataType = kExMsg;
  configure(kModelVt30, kVersionUsa, 99, kExMsg);
  EXPECT_TRUE(receive(scale_, "3512First"));
  EXPECT_TRUE(receive(other, std::string("\x00\x00\x00\x12\x06\x00Second", 12)));
  EXPECT_TRUE(receive(scale_, "35xxNoNumber"));
  EXPECT_TRUE(receive(scale_, "3500Zero"));
  EXPECT_TRUE(receive(other, std::string("\x00\x00\x00\x13\xff\xff", 6)));  // negative length: no text
  EXPECT_TRUE(receive(other, std::string("\x00\x00", 2)));
  ASSERT_EQ(driver_.records.count(), 3);
  EXPECT_STREQ(at(0).desc, "First");
  EXPECT_EQ(at(1).messageNo, 0);
  EXPECT_STREQ(at(1).desc, "");
  EXPECT_EQ(at(2).messageNo, 13);
  other.model = kModelHbq;
  EXPECT_FALSE(receive(other, "3514x"));
  EXPECT_EQ(driver_.records.count(), 3);
}

}  // namespace
}  // namespace tolvan
