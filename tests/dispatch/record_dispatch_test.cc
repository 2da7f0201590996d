#include "dispatch/record_dispatch.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "core/driver.h"
#include "core/record_list.h"
#include "dispatch/record_factory.h"
#include "plu/plu_encoding.h"
#include "plu/plu_received.h"
#include "plu/plu_record.h"
#include "records/deletion_record.h"
#include "support/fakes.h"

namespace tolvan {
namespace {

using C = ConvertOp;

TEST(DispatchMapping, EveryRunTypeConvertsThroughItsOwnOperation) {
  // {type, record, deletion}
  const std::tuple<int, C, C> rows[] = {
      {1, C::Plu, C::PluDeletion},          {2, C::ExMsg, C::ExMsgDeletion},       {3, C::ExMsg, C::ExMsgDeletion},
      {4, C::ExMsg, C::ExMsgDeletion},      {5, C::ExMsg, C::ExMsgDeletion},       {6, C::PriceCng, C::NotSupported},
      {7, C::MkdPriceCng, C::NotSupported}, {8, C::Store, C::StoreDeletion},       {9, C::Keyboard, C::KeyboardDeletion},
      {10, C::Nutrition, C::NutritionDeletion},      {11, C::NotSupported, C::PluTotalsClear},
      {12, C::NotSupported, C::HourlyTotalsClear},   {13, C::NotSupported, C::OperatorTotalsClear},
      {14, C::NotSupported, C::PluTotalsClear},      {15, C::NotSupported, C::PluTotalsClear},
      {16, C::NotSupported, C::ProdTotalsClear}};
  for (const auto& [type, record, deletion] : rows) {
    EXPECT_EQ(convertOpFor(type, 1), record) << "type " << type;
    EXPECT_EQ(convertOpFor(type, 2), deletion) << "type " << type;
    EXPECT_EQ(convertOpFor(type, 3), record) << "type " << type;  // only mode 2 deletes
  }
  for (int type : {0, 17, 25, 33, 34, -1}) {
    EXPECT_EQ(convertOpFor(type, 1), C::UnknownType) << "type " << type;
    EXPECT_EQ(convertOpFor(type, 2), C::UnknownType) << "type " << type;
  }
}

TEST(DispatchMapping, UploadRequestsAndReceivedRecordsForCollectableTypes) {
  using U = UploadOp;
  const std::pair<int, U> uploads[] = {
      {1, U::Plu},        {2, U::ExMsg},         {5, U::ExMsg},           {8, U::Store},   {9, U::Keyboard},
      {10, U::Nutrition}, {11, U::PluTotals},    {12, U::HourlyTotals},   {13, U::OperatorTotals},
      {6, U::None},       {7, U::None},          {14, U::None},           {15, U::None},   {16, U::None},
      {17, U::None},      {0, U::None}};
  for (const auto& [type, op] : uploads) EXPECT_EQ(uploadOpFor(type), op) << "type " << type;
  using R = ReceiveOp;
  const std::pair<int, R> receives[] = {
      {1, R::Plu},        {3, R::ExMsg},         {4, R::ExMsg},           {8, R::Store},   {9, R::Keyboard},
      {10, R::Nutrition}, {11, R::PluTotals},    {12, R::HourlyTotals},   {13, R::OperatorTotals},
      {6, R::None},       {14, R::None},         {16, R::None},           {20, R::None}};
  for (const auto& [type, op] : receives) EXPECT_EQ(receiveOpFor(type), op) << "type " << type;
}

class RecordDispatch : public ::testing::Test {
 protected:
  RecordDispatch() {
    scale.model = kModelVt30;
    plu.pluNo = 123;
    plu.unitPrice = 1250;
    std::strcpy(plu.desc, "Apples");
  }

  ScaleEntry scale{"scale1", 0, 594};
  DeletionRecord deletion{1, 123};
  PluRecord plu{};
  std::array<uint8_t, kMaxConvertedLen> buffer{};
  int code = -7;
  int length = -7;
};

TEST_F(RecordDispatch, UnconvertibleCombinationsGiveFalse) {
  EXPECT_FALSE(convertRecord(scale, 6, 2, &deletion, code, buffer, length));  // "pricecng" deletion
  EXPECT_FALSE(convertRecord(scale, 11, 1, &plu, code, buffer, length));      // "pluprod" addition
  EXPECT_EQ(length, -7);
  EXPECT_EQ(code, -7);
  EXPECT_FALSE(convertRecord(scale, 1, 1, nullptr, code, buffer, length));
  EXPECT_FALSE(convertRecord(scale, 1, 2, nullptr, code, buffer, length));
  for (int type : {0, 17, 33, 99}) {
    for (int mode : {1, 2}) {
      length = -7;
      EXPECT_FALSE(convertRecord(scale, type, mode, &deletion, code, buffer, length));
      EXPECT_EQ(length, 0) << "type " << type << " mode " << mode;
    }
  }
}

// The PLU encoder is another module's: the dispatch must hand it the record
// and the mode untouched, so its outcome is the encoder's own.
TEST_F(RecordDispatch, PluRecordsDeletionsAndUploadsReachThePluEncoder) {
  std::array<uint8_t, kMaxConvertedLen> direct{};
  int directCode = -7;
  int directLength = -7;
  for (int mode : {1, 2}) {
    const void* record = mode == 2 ? static_cast<const void*>(&deletion) : &plu;
    ASSERT_TRUE(convertPlu(scale, mode, record, directCode, direct, directLength));
    ASSERT_TRUE(convertRecord(scale, 1, mode, record, code, buffer, length));
    EXPECT_EQ(length, directLength) << "mode " << mode;
    EXPECT_EQ(code, directCode) << "mode " << mode;
    EXPECT_EQ(buffer, direct) << "mode " << mode;
  }
  scale.dataType = 1;
  ASSERT_TRUE(buildPluUploadRequest(scale, directCode, direct, directLength));
  ASSERT_TRUE(buildUploadRequest(scale, code, buffer, length));
  EXPECT_EQ(length, directLength);
  EXPECT_EQ(buffer, direct);
  for (int type : {6, 7, 14, 15, 16, 17, 0}) {
    scale.dataType = type;
    code = length = -7;
    buffer.fill(0xEE);
    EXPECT_FALSE(buildUploadRequest(scale, code, buffer, length)) << "type " << type;
    EXPECT_EQ(length, -7);
    EXPECT_EQ(buffer[0], 0xEE);
  }
}

TEST(ReceivedDispatch, PluRecordsReachThePluHandlerOtherTypesKeepNothing) {
  testing::FakeClock clock;
  testing::FakeSleeper sleeper{&clock};
  Driver driver(clock, sleeper, nullptr);
  ScaleEntry scale("a", 0, 594);
  scale.driver = &driver;
  scale.model = kModelVt30;
  scale.version = kVersionUsa;
  const std::string text = "65000042" + std::string(110, '0');
  const std::vector<uint8_t> data(text.begin(), text.end());
  for (int type : {6, 7, 14, 15, 16, 17, 0}) {
    scale.dataType = type;
    EXPECT_FALSE(handleReceivedRecord(scale, data)) << "type " << type;
  }
  EXPECT_EQ(driver.records.count(), 0);
  scale.dataType = 1;
  EXPECT_TRUE(handleReceivedRecord(scale, data));
  ASSERT_EQ(driver.records.count(), 1);
  EXPECT_EQ(static_cast<const PluRecord*>(driver.records.get(0))->pluNo, 42);
}

TEST(RecordFactory, ImportRecordsAndDeletionsStartWithoutAValidKey) {
  auto* deletion = static_cast<DeletionRecord*>(newRecord(6, 2));
  ASSERT_NE(deletion, nullptr);
  EXPECT_EQ(deletion->dataType, 6);
  EXPECT_FALSE(recordKeyIsValid(2, recordKey(6, 2, deletion)));
  deletion->recNo = 0;  // 0 deletes every record
  EXPECT_TRUE(recordKeyIsValid(2, recordKey(6, 2, deletion)));
  std::free(deletion);
  for (int mode : {0, 3, 4}) EXPECT_EQ(newRecord(1, mode), nullptr) << "mode " << mode;
  for (int type : {0, 11, 16, 17}) EXPECT_EQ(newRecord(type, 1), nullptr) << "type " << type;
  EXPECT_FALSE(recordKeyIsValid(1, 0));
  EXPECT_FALSE(recordKeyIsValid(1, -5));
  EXPECT_TRUE(recordKeyIsValid(1, 1));
}

}  // namespace
}  // namespace tolvan
