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
#include "plu/plu_record.h"
#include "records/deletion_record.h"
#include "support/fakes.h"

namespace tolvan {
namespace {

using C = ConvertOp;
using U = UploadOp;
using R = ReceiveOp;

// One row per data type: what an addition and a deletion convert through,
// the upload request and the handler of what comes back.
TEST(DispatchMapping, EveryTypeHasItsOwnOperations) {
  const std::tuple<int, C, C, U, R> rows[] = {
      {1, C::Plu, C::PluDeletion, U::Plu, R::Plu},
      {3, C::ExMsg, C::ExMsgDeletion, U::ExMsg, R::ExMsg},
      {6, C::PriceCng, C::NotSupported, U::None, R::None},
      {7, C::MkdPriceCng, C::NotSupported, U::None, R::None},
      {8, C::Store, C::StoreDeletion, U::Store, R::Store},
      {9, C::Keyboard, C::KeyboardDeletion, U::Keyboard, R::Keyboard},
      {10, C::Nutrition, C::NutritionDeletion, U::Nutrition, R::Nutrition},
      {11, C::NotSupported, C::PluTotalsClear, U::PluTotals, R::PluTotals},
      {12, C::NotSupported, C::HourlyTotalsClear, U::HourlyTotals, R::HourlyTotals},
      {13, C::NotSupported, C::OperatorTotalsClear, U::OperatorTotals, R::OperatorTotals},
      {15, C::NotSupported, C::PluTotalsClear, U::None, R::None},
      {16, C::NotSupported, C::ProdTotalsClear, U::None, R::None},
      {0, C::UnknownType, C::UnknownType, U::None, R::None},
      {34, C::UnknownType, C::UnknownType, U::None, R::None}};
  for (const auto& [type, record, deletion, upload, receive] : rows) {
    EXPECT_EQ(convertOpFor(type, 1), record) << "type " << type;
    EXPECT_EQ(convertOpFor(type, 2), deletion) << "type " << type;
    EXPECT_EQ(convertOpFor(type, 3), record) << "type " << type;  // only mode 2 deletes
    EXPECT_EQ(uploadOpFor(type), upload) << "type " << type;
    EXPECT_EQ(receiveOpFor(type), receive) << "type " << type;
  }
}

// The PLU encoder's outcome passes through untouched; combinations nothing
// converts give false and leave code and length alone.
TEST(RecordDispatch, PluReachesItsEncoderAndOthersGiveFalse) {
  ScaleEntry scale{"scale1", 0, 594};
  scale.model = kModelVt30;
  scale.version = kVersionUsa;
  DeletionRecord deletion{1, 123};
  PluRecord plu{};
  plu.pluNo = 123;
  std::strcpy(plu.desc, "Apples");
  std::array<uint8_t, kMaxConvertedLen> buffer{}, direct{};
  int code = -7, length = -7, directCode = -7, directLength = -7;
  EXPECT_FALSE(convertRecord(scale, 6, 2, &deletion, code, buffer, length));  // "pricecng" deletion
  EXPECT_FALSE(convertRecord(scale, 11, 1, &plu, code, buffer, length));      // "pluprod" addition
  EXPECT_EQ(length + code, -14);
  EXPECT_FALSE(convertRecord(scale, 1, 1, nullptr, code, buffer, length));
  EXPECT_FALSE(convertRecord(scale, 33, 2, &deletion, code, buffer, length));
  EXPECT_EQ(length, 0);
  for (int mode : {1, 2}) {
    const void* record = mode == 2 ? static_cast<const void*>(&deletion) : &plu;
    ASSERT_TRUE(convertPlu(scale, mode, record, directCode, direct, directLength));
    ASSERT_TRUE(convertRecord(scale, 1, mode, record, code, buffer, length));
    EXPECT_EQ(length, directLength) << "mode " << mode;
    EXPECT_EQ(code, directCode) << "mode " << mode;
    EXPECT_EQ(buffer, direct) << "mode " << mode;
  }
  scale.dataType = 1;
  ASSERT_TRUE(buildUploadRequest(scale, code, buffer, length));
  EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + length), "50000000");
  for (int type : {6, 14, 17}) {
    scale.dataType = type;
    EXPECT_FALSE(buildUploadRequest(scale, code, buffer, length)) << "type " << type;
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
  for (int type : {6, 14, 17, 0}) {
    scale.dataType = type;
    EXPECT_FALSE(handleReceivedRecord(scale, data)) << "type " << type;
  }
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
  EXPECT_EQ(newRecord(1, 3), nullptr);
  EXPECT_EQ(newRecord(11, 1), nullptr);
  EXPECT_FALSE(recordKeyIsValid(1, 0));
}

}  // namespace
}  // namespace tolvan
