// What a read-back can vouch for: the columns a scale never gives back are
// found by probing the send and the receive, and a scale with such a column
// is never spared a record by --changed-only.

#include <gtest/gtest.h>

#include "app/changed_only.h"
#include "masterdata/extra_message.h"
#include "plu/plu_record.h"
#include "records/data_types.h"

namespace tolvan {
namespace {

std::vector<std::string> unseenFor(int model, int version, int maxExMsg, DataType type, const void* base, int length) {
  ScaleEntry scale("s", 0, 594);
  scale.model = model;
  scale.version = version;
  scale.maxExMsg = maxExMsg;
  scale.dataType = static_cast<int>(type);
  return RecordImager(scale.dataType).unseenColumns(scale, base, length);
}

TEST(ReadBack, ColumnsTheScaleNeverGivesBackAreFoundAndCostTheSkip) {
  PluRecord plu{};
  plu.pluNo = 101;
  const int pluLength = static_cast<int>(sizeof plu);
  EXPECT_EQ(unseenFor(kModelVt30, kVersionUsa, 99, DataType::Plu, &plu, pluLength), std::vector<std::string>{});
  EXPECT_EQ(unseenFor(kModelVt40, kVersionChina, 99, DataType::Plu, &plu, pluLength), std::vector<std::string>{});
  // A "pmx" of version "usa" keeps its limits where no receive reads them.
  EXPECT_EQ(unseenFor(kModelPmx, kVersionUsa, 99, DataType::Plu, &plu, pluLength),
            (std::vector<std::string>{"UpperLimit", "LowerLimit"}));
  ExMsgRecord coupon{};
  coupon.messageNo = 7;
  coupon.dataType = static_cast<uint16_t>(DataType::Coupon);
  EXPECT_EQ(unseenFor(kModelVt30, kVersionNz, 10000, DataType::Coupon, &coupon, sizeof coupon),
            (std::vector<std::string>{"Message_No", "Desc"}));

  FileIndex file;
  file.lastAddition = {{101, 0}, {102, 1}};
  ScaleHolding holding;
  holding.read = true;
  holding.records[101].kind = HeldRecord::Same;
  std::vector<bool> send;
  EXPECT_EQ(chooseRecords(2, file, holding, send).skipped, 1);
  EXPECT_EQ(send, (std::vector<bool>{false, true}));
  holding.unseen = {"LowerLimit"};
  const ChangedOnlyResult whole = chooseRecords(2, file, holding, send);
  EXPECT_EQ(whole.skipped, 0);
  EXPECT_EQ(send, (std::vector<bool>{true, true}));
  EXPECT_NE(whole.wholeFile.find("LowerLimit"), std::string::npos);
}

}  // namespace
}  // namespace tolvan
