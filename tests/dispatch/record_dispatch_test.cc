#include "dispatch/record_dispatch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <tuple>

#include "dispatch/field_tables.h"
#include "dispatch/record_factory.h"
#include "plu/plu_encoding.h"
#include "plu/plu_record.h"
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

// The look for findings converts no PLU whose numbers lie within their
// columns' ranges: that holds only while each range is the narrowest field
// any model, version and maxexmsg gives the column.
TEST(ColumnRanges, APluAtTheTopOfEveryRangeReachesEveryModelWhole) {
  FieldTable columns;
  buildFieldTable(columns, 1, 1);
  PluRecord plu{};
  std::map<uint32_t, std::string> top;  // the digits of each column's largest value, by offset
  for (int i = 0; i < columns.count(); ++i) {
    const FieldDef& c = *columns.get(i);
    if (c.kind == FieldKind::Text || c.kind == FieldKind::Description || c.meaning.max < c.meaning.min) continue;
    const auto v = static_cast<uint32_t>(c.meaning.max);
    std::memcpy(reinterpret_cast<char*>(&plu) + c.offset, &v, c.kind == FieldKind::Long ? 4 : c.width);
    top[c.offset] = std::to_string(v);
  }
  columns.clearAndFree();
  top[offsetof(PluRecord, itemCode)] = std::to_string(pluItemCodeField(plu));
  for (int model : {kModelVt30, kModelPmx, kModelLm50, kModelMerioPro, kModelVt40}) {
    for (int version = kVersionUsa; version <= kVersionSouthAfrica; ++version) {
      for (int maxExMsg : {99, 9999, 99999}) {
        ScaleEntry scale("s", 0, 594);
        scale.model = model;
        scale.version = version;
        scale.maxExMsg = maxExMsg;
        uint8_t buffer[kMaxConvertedLen];
        int code = 0, length = 0;
        ScaleFieldList trace;
        ASSERT_TRUE(convertRecord(scale, 1, 1, &plu, code, buffer, length, &trace));
        for (const ScaleField& f : trace) {
          EXPECT_LE(top[f.offset].size(), static_cast<size_t>(f.digits))
              << "model " << model << " version " << version << " maxexmsg " << maxExMsg << " offset " << f.offset;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tolvan
