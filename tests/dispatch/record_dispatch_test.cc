#include "dispatch/record_dispatch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "dispatch/record_factory.h"
#include "records/deletion_record.h"

namespace tolvan {
namespace {

using C = ConvertOp;
using U = UploadOp;
using R = ReceiveOp;

// What an addition and a deletion convert through, the upload request and
// the handler of what comes back, for the types whose whole runs do not
// show it (every built kind is run end to end with its own operations).
TEST(DispatchMapping, EveryTypeHasItsOwnOperations) {
  const std::tuple<int, C, C, U, R> rows[] = {
      {1, C::Plu, C::PluDeletion, U::Plu, R::Plu},
      {6, C::PriceCng, C::NotSupported, U::None, R::None},
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

TEST(RecordFactory, ImportRecordsAndDeletionsStartWithoutAValidKeyAndUnknownTypesGoNowhere) {
  DeletionRecord blank{};
  auto* deletion = static_cast<DeletionRecord*>(startRecord(6, 2, &blank));
  ASSERT_NE(deletion, nullptr);
  EXPECT_EQ(deletion->dataType, 6);
  EXPECT_FALSE(recordKeyIsValid(2, recordKey(6, 2, deletion)));
  deletion->recNo = 0;  // 0 deletes every record
  EXPECT_TRUE(recordKeyIsValid(2, recordKey(6, 2, deletion)));
  // Unknown types convert to nothing and keep nothing that comes back.
  ScaleEntry scale("s", 0, 594);
  uint8_t buffer[16];
  int code = -7, length = -7;
  EXPECT_FALSE(convertRecord(scale, 33, 2, deletion, code, buffer, length));
  EXPECT_EQ(length, 0);
  scale.dataType = 17;
  EXPECT_FALSE(handleReceivedRecord(scale, std::span<const uint8_t>(buffer, 4)));
  EXPECT_EQ(startRecord(1, 3, &blank), nullptr);
  EXPECT_EQ(startRecord(11, 1, &blank), nullptr);
  EXPECT_FALSE(recordKeyIsValid(1, 0));
}

}  // namespace
}  // namespace tolvan
