#include "records/record_dispatch.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "frame/driver.h"
#include "records/plu_encoding.h"
#include "records/plu_received.h"
#include "records/plu_record.h"
#include "records/record_factory.h"
#include "records/record_header.h"
#include "support/fakes.h"

namespace tolvan {
namespace {

using C = ConvertOp;

// What each run type converts to: {record, deletion}.
struct ConvertRow {
  int dataType;
  ConvertOp record;
  ConvertOp deletion;
};

constexpr ConvertRow kConvertRows[] = {
    {1, C::Plu, C::PluDeletion},
    {2, C::ExMsg, C::ExMsgDeletion},
    {3, C::ExMsg, C::ExMsgDeletion},
    {4, C::ExMsg, C::ExMsgDeletion},
    {5, C::ExMsg, C::ExMsgDeletion},
    {6, C::PriceCng, C::NotSupported},
    {7, C::MkdPriceCng, C::NotSupported},
    {8, C::Store, C::StoreDeletion},
    {9, C::Keyboard, C::KeyboardDeletion},
    {10, C::Nutrition, C::NutritionDeletion},
    {11, C::NotSupported, C::PluTotalsClear},
    {12, C::NotSupported, C::HourlyTotalsClear},
    {13, C::NotSupported, C::OperatorTotalsClear},
    {14, C::NotSupported, C::PluTotalsClear},
    {15, C::NotSupported, C::PluTotalsClear},
    {16, C::NotSupported, C::ProdTotalsClear},
};

TEST(DispatchMapping, EveryRunTypeConvertsThroughItsOwnOperation) {
  for (const ConvertRow& row : kConvertRows) {
    EXPECT_EQ(convertOpFor(row.dataType, 1), row.record) << "type " << row.dataType;
    EXPECT_EQ(convertOpFor(row.dataType, 2), row.deletion) << "type " << row.dataType;
    // Delete-all and receive runs send what additions would (only 2 is a deletion).
    EXPECT_EQ(convertOpFor(row.dataType, 3), row.record) << "type " << row.dataType;
  }
  for (int type : {0, 17, 25, 33, 34, -1}) {
    EXPECT_EQ(convertOpFor(type, 1), C::UnknownType) << "type " << type;
    EXPECT_EQ(convertOpFor(type, 2), C::UnknownType) << "type " << type;
  }
}

TEST(DispatchMapping, UploadRequestsAndReceivedRecordsForCollectableTypes) {
  const std::vector<std::pair<int, UploadOp>> uploads = {
      {1, UploadOp::Plu},        {2, UploadOp::ExMsg},          {5, UploadOp::ExMsg},
      {8, UploadOp::Store},      {9, UploadOp::Keyboard},       {10, UploadOp::Nutrition},
      {11, UploadOp::PluTotals}, {12, UploadOp::HourlyTotals},  {13, UploadOp::OperatorTotals},
      {6, UploadOp::None},       {7, UploadOp::None},           {14, UploadOp::None},
      {15, UploadOp::None},      {16, UploadOp::None},          {17, UploadOp::None},
      {0, UploadOp::None}};
  for (const auto& [type, op] : uploads) EXPECT_EQ(uploadOpFor(type), op) << "type " << type;

  const std::vector<std::pair<int, ReceiveOp>> receives = {
      {1, ReceiveOp::Plu},        {3, ReceiveOp::ExMsg},         {4, ReceiveOp::ExMsg},
      {8, ReceiveOp::Store},      {9, ReceiveOp::Keyboard},      {10, ReceiveOp::Nutrition},
      {11, ReceiveOp::PluTotals}, {12, ReceiveOp::HourlyTotals}, {13, ReceiveOp::OperatorTotals},
      {6, ReceiveOp::None},       {14, ReceiveOp::None},         {16, ReceiveOp::None},
      {20, ReceiveOp::None}};
  for (const auto& [type, op] : receives) EXPECT_EQ(receiveOpFor(type), op) << "type " << type;
}

class RecordDispatch : public ::testing::Test {
 protected:
  RecordDispatch() {
    scale.model = kModelMerioPro;
    deletion.dataType = 1;
    deletion.recNo = 123;
    plu.pluNo = 123;
    plu.unitPrice = 1250;
    std::strcpy(plu.posCode, "2000123");
    std::strcpy(plu.desc, "Apples");
  }

  ScaleEntry scale{"scale1", 0, 594};
  DeletionRecord deletion{};
  PluRecord plu{};
  std::array<uint8_t, kMaxConvertedLen> buffer{};
  int code = -7;
  int length = -7;
};

TEST_F(RecordDispatch, UnsupportedCombinationsGiveFalse) {
  EXPECT_FALSE(convertRecord(scale, 6, 2, &deletion, code, buffer, length));  // "pricecng" deletion
  EXPECT_EQ(length, -7);
  EXPECT_FALSE(convertRecord(scale, 11, 1, &plu, code, buffer, length));  // "pluprod" addition
  EXPECT_EQ(length, -7);
  EXPECT_EQ(code, -7);
}

TEST_F(RecordDispatch, UnknownTypesGiveFalseWithNoBytes) {
  for (int type : {0, 17, 33, 99}) {
    for (int mode : {1, 2}) {
      length = -7;
      EXPECT_FALSE(convertRecord(scale, type, mode, &deletion, code, buffer, length));
      EXPECT_EQ(length, 0) << "type " << type << " mode " << mode;
    }
  }
}

TEST_F(RecordDispatch, MissingRecordIsNotConverted) {
  EXPECT_FALSE(convertRecord(scale, 1, 1, nullptr, code, buffer, length));
  EXPECT_FALSE(convertRecord(scale, 1, 2, nullptr, code, buffer, length));
}

// The PLU encoder is another module's; the dispatch must hand it the record,
// the mode and the buffer untouched, so its outcome is the encoder's own.
TEST_F(RecordDispatch, PluRecordsAndDeletionsReachThePluEncoder) {
  for (int model : {kModelMerioPro, kModelVt30}) {
    scale.model = model;
    for (int mode : {1, 2}) {
      const void* record = mode == 2 ? static_cast<const void*>(&deletion) : &plu;
      std::array<uint8_t, kMaxConvertedLen> direct{};
      buffer.fill(0);
      int directCode = -7;
      int directLength = -7;
      code = -7;
      length = -7;
      const bool expected = convertPlu(scale, mode, record, directCode, direct, directLength);
      const bool actual = convertRecord(scale, 1, mode, record, code, buffer, length);
      EXPECT_EQ(actual, expected) << "model " << model << " mode " << mode;
      EXPECT_EQ(length, directLength);
      EXPECT_EQ(code, directCode);
      EXPECT_EQ(buffer, direct);
    }
  }
}

TEST_F(RecordDispatch, UploadRequestFollowsTheScalesDataType) {
  scale.dataType = 1;
  std::array<uint8_t, kMaxConvertedLen> direct{};
  int directCode = -7;
  int directLength = -7;
  const bool expected = buildPluUploadRequest(scale, directCode, direct, directLength);
  EXPECT_EQ(buildUploadRequest(scale, code, buffer, length), expected);
  EXPECT_EQ(length, directLength);
  EXPECT_EQ(code, directCode);
  EXPECT_EQ(buffer, direct);

  for (int type : {6, 7, 14, 15, 16, 17, 0}) {
    scale.dataType = type;
    code = -7;
    length = -7;
    buffer.fill(0xEE);
    EXPECT_FALSE(buildUploadRequest(scale, code, buffer, length)) << "type " << type;
    EXPECT_EQ(code, -7);
    EXPECT_EQ(length, -7);
    EXPECT_EQ(buffer[0], 0xEE);
  }
}

class ReceivedDispatch : public ::testing::Test {
 protected:
  testing::FakeClock clock;
  testing::FakeSleeper sleeper{&clock};
};

TEST_F(ReceivedDispatch, PluRecordsReachThePluHandler) {
  const std::vector<uint8_t> data(80, '1');
  Driver viaDispatch(clock, sleeper, nullptr);
  Driver direct(clock, sleeper, nullptr);
  ScaleEntry a("a", 0, 594);
  ScaleEntry b("b", 0, 594);
  a.driver = &viaDispatch;
  b.driver = &direct;
  a.dataType = b.dataType = 1;
  EXPECT_EQ(handleReceivedRecord(a, data), handleReceivedPlu(b, data));
  EXPECT_EQ(viaDispatch.records.count(), direct.records.count());
}

TEST_F(ReceivedDispatch, TypesWithoutHandlerKeepNothing) {
  const std::vector<uint8_t> data(80, '1');
  Driver driver(clock, sleeper, nullptr);
  ScaleEntry scale("a", 0, 594);
  scale.driver = &driver;
  for (int type : {6, 7, 14, 15, 16, 17, 0}) {
    scale.dataType = type;
    EXPECT_FALSE(handleReceivedRecord(scale, data)) << "type " << type;
  }
  EXPECT_EQ(driver.records.count(), 0);
}

TEST(RecordFactory, DeletionsStartWithoutANumber) {
  auto* deletion = static_cast<DeletionRecord*>(newRecord(6, 2));
  ASSERT_NE(deletion, nullptr);
  EXPECT_EQ(deletion->dataType, 6);
  EXPECT_EQ(deletion->recNo, -1);
  EXPECT_EQ(recordKey(6, 2, deletion), -1);
  EXPECT_FALSE(recordKeyIsValid(2, recordKey(6, 2, deletion)));
  deletion->recNo = 0;
  EXPECT_TRUE(recordKeyIsValid(2, recordKey(6, 2, deletion)));
  std::free(deletion);
}

TEST(RecordFactory, OnlyImportModesAndImportTypesGiveRecords) {
  for (int mode : {0, 3, 4}) EXPECT_EQ(newRecord(1, mode), nullptr) << "mode " << mode;
  for (int type : {0, 11, 16, 17}) EXPECT_EQ(newRecord(type, 1), nullptr) << "type " << type;
  EXPECT_FALSE(recordKeyIsValid(1, 0));
  EXPECT_FALSE(recordKeyIsValid(1, -5));
  EXPECT_TRUE(recordKeyIsValid(1, 1));
}

}  // namespace
}  // namespace tolvan
