#include "masterdata/keyboard_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "masterdata/record_bench.h"

namespace tolvan {
namespace {

// A key (mode 1) or the deletion of its number (mode 2) for each family,
// behind the message number; "-" when refused.
TEST(KeyboardRecords, KeysAndDeletionsForEachFamily) {
  const int vt30 = kModelVt30, vt40 = kModelVt40, merio = kModelMerioPro, usa = kVersionUsa, nz = kVersionNz;
  const std::string header("36:\x36\0\0\0\0\0\x06\0", 11);
  const std::tuple<int, int, int, KeyboardRecord, std::string> cases[] = {
      {vt30, usa, 1, {5, 1, 123}, "0:640051000123"},
      {vt30, nz, 1, {5, 1, 123}, "0:38020051000123"},
      {vt30, nz, 1, {100, 2, 7}, "0:38021122000007"},       // key 12 of the second page
      {vt30, usa, 1, {176, 42, 1234567}, "0:641884123456"},  // leading characters stay
      {vt30, usa, 1, {177, 1, 1}, "-"},
      {vt30, usa, 1, {0, 1, 1}, "-"},
      {merio, nz, 1, {5, 1, 123}, header + std::string("\x05\x01\0\0\x01\x23", 6)},
      {merio, nz, 1, {89, 1, 1}, "-"},
      {vt40, nz, 1, {89, 1, 1}, header + std::string("\x59\x01\0\0\0\x01", 6)},
      {vt40, nz, 1, {177, 1, 1}, "-"},
      {vt30, usa, 2, {0, 0, 0}, "0:15"},
      {vt30, nz, 2, {0, 0, 0}, "0:1501"},
      {vt30, usa, 2, {3, 0, 0}, "-"},
      {vt40, nz, 2, {150, 0, 0}, "6:\x50"},
      {vt40, nz, 2, {0, 0, 0}, std::string("6:\0", 3)},
      {vt40, nz, 2, {100, 0, 0}, "-"},  // cut to two digits it would clear every key
      {vt40, nz, 2, {200, 0, 0}, "-"},
      {merio, nz, 2, {100, 0, 0}, "-"},
  };
  for (const auto& [model, version, mode, key, bytes] : cases) {
    testing::RecordBench bench;
    bench.become(model, version);
    bench.code = 0;
    bool ok = mode == 2 ? bench.remove(9, key.keyNo) : bench.convert(9, mode, &key);
    EXPECT_EQ(bench.coded(ok), bytes) << "model " << model << " key " << key.keyNo;
  }
}

TEST(KeyboardRecords, OnlyMessageScalesAreAskedAndTheirFirstAnswerPerKeyStays) {
  testing::RecordBench bench;
  bench.scale.dataType = 9;
  for (auto [model, size] : {std::pair{kModelMerioPro, 4}, {kModelVt40, 5}, {kModelVt30, 0}}) {
    bench.scale.model = model;
    EXPECT_EQ(bench.request() && bench.code == 56 ? bench.length : 0, size);
  }
  EXPECT_FALSE(bench.receive(std::string("\x96\x03\0\x12\x34\x56", 6)));  // block scale
  bench.scale.model = kModelVt40;
  EXPECT_FALSE(bench.receive(std::string("\x96\x03\0\x12\x34", 5)));
  EXPECT_TRUE(bench.receive(std::string("\x96\x03\0\x12\x34\x56", 6)));
  EXPECT_TRUE(bench.receive(std::string("\x96\x04\0\0\0\x01", 6)));
  ASSERT_EQ(bench.driver.records.count(), 1);
  const auto& key = bench.kept<KeyboardRecord>(0);
  EXPECT_EQ((std::tuple{key.keyNo, key.keyType, key.data}), (std::tuple{150, 3, 123456}));
}

}  // namespace
}  // namespace tolvan
