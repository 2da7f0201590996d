#include "masterdata/price_change.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "masterdata/record_bench.h"

namespace tolvan {
namespace {

TEST(PriceChangeRecords, EachFamilyAndVersionGetsItsOwnRecord) {
  const PriceChangeRecord plu42{42, 199}, longNumbers{1234567, 123456789};
  const MkdPriceChangeRecord mark42{42, 150, 1, {}}, negativeFlag{42, 1234567, -1, {}};
  // {model, version, type, record, bytes behind the message number; "-" when refused}
  const std::tuple<int, int, int, const void*, std::string> cases[] = {
      {kModelVt30, kVersionUsa, 6, &plu42, "0:31000042000199"},  // block texts leave the code alone
      {kModelPmx, kVersionNz, 6, &plu42, "0:3101000042000199"},
      {kModelLm50, kVersionThailand, 6, &plu42, "0:660200004200000199"},
      {kModelVt40, kVersionNz, 6, &plu42, std::string("23:\x23\0\0\0\0\0\x09\0" "\0\0\0\x42\0\0\0\x01\x99", 20)},
      {kModelMerioPro, kVersionNz, 6, &plu42, "-"},
      {kModelVt30, kVersionUsa, 6, &longNumbers, "0:31123456012345"},  // numbers keep their leading digits
      {kModelVt30, kVersionThailand, 6, &longNumbers, "0:660212345601234567"},
      {kModelVt30, kVersionUsa, 7, &mark42, "0:32000042100150"},
      {kModelVt30, kVersionNz, 7, &mark42, "0:3201000042100150"},
      {kModelVt30, kVersionThailand, 7, &mark42, "0:67020000421000150"},
      {kModelVt30, kVersionUsa, 7, &negativeFlag, "0:32000042-12345"},
      {kModelVt40, kVersionNz, 7, &mark42, "-"},
      {kModelMerioPro, kVersionNz, 7, &mark42, "-"},
  };
  for (const auto& [model, version, type, record, bytes] : cases) {
    testing::RecordBench bench;
    bench.become(model, version);
    bench.code = 0;
    EXPECT_EQ(bench.coded(bench.convert(type, kModeAdd, record)), bytes) << "model " << model << " version " << version;
  }
  // The NUL behind a block text must fit too.
  testing::RecordBench bench;
  bench.become(kModelVt30, kVersionUsa);
  EXPECT_EQ(bench.shown(bench.convert(6, kModeAdd, &plu42, 14)), "-");
  bench.become(kModelVt40, kVersionNz);
  EXPECT_EQ(bench.shown(bench.convert(6, kModeAdd, &plu42, 16)), "-");
}

}  // namespace
}  // namespace tolvan
