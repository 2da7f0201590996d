#include "masterdata/keyboard_layout.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "core/driver.h"
#include "dispatch/record_dispatch.h"
#include "support/fakes.h"

namespace tolvan {
namespace {

// What a key (mode 1) or the deletion of its number (mode 2) becomes for a
// scale, through the dispatch, behind the message number; "-" when refused.
std::string converted(int model, int version, int mode, const KeyboardRecord& key) {
  ScaleEntry scale("s", 0, 594);
  scale.model = model;
  scale.version = version;
  const DeletionRecord deletion{9, key.keyNo};
  std::array<uint8_t, 64> buffer{};
  int code = 0;
  int length = -1;
  if (!convertRecord(scale, 9, mode, mode == 2 ? static_cast<const void*>(&deletion) : &key, code, buffer, length)) {
    return length == 0 ? "-" : "length not cleared";
  }
  return std::to_string(code) + ":" + std::string(buffer.begin(), buffer.begin() + length);
}

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
      {vt40, nz, 2, {200, 0, 0}, "-"},  // cut to two digits it would clear every key
      {merio, nz, 2, {100, 0, 0}, "-"},
  };
  for (const auto& [model, version, mode, key, bytes] : cases) {
    EXPECT_EQ(converted(model, version, mode, key), bytes) << "model " << model << " key " << key.keyNo;
  }
}

TEST(KeyboardRecords, OnlyMessageScalesAreAskedAndTheirFirstAnswerPerKeyStays) {
  testing::FakeClock clock;
  testing::FakeSleeper sleeper{&clock};
  Driver driver(clock, sleeper, nullptr);
  ScaleEntry scale("s", 0, 594);
  scale.driver = &driver;
  scale.dataType = 9;
  std::array<uint8_t, 8> request{};
  int code = -1, length = -1;
  for (auto [model, size] : {std::pair{kModelMerioPro, 4}, {kModelVt40, 5}, {kModelVt30, 0}}) {
    scale.model = model;
    EXPECT_EQ(buildUploadRequest(scale, code, request, length) && code == 56 ? length : 0, size);
  }
  using Bytes = std::vector<uint8_t>;
  EXPECT_FALSE(handleReceivedRecord(scale, Bytes{150, 3, 0, 0x12, 0x34, 0x56}));  // block scale
  scale.model = kModelVt40;
  EXPECT_FALSE(handleReceivedRecord(scale, Bytes{150, 3, 0, 0x12, 0x34}));
  for (const Bytes& key : {Bytes{150, 3, 0, 0x12, 0x34, 0x56}, Bytes{150, 4, 0, 0, 0, 1}}) {
    EXPECT_TRUE(handleReceivedRecord(scale, key));
  }
  ASSERT_EQ(driver.records.count(), 1);
  const auto& key = *static_cast<const KeyboardRecord*>(driver.records.get(0));
  EXPECT_EQ((std::tuple{key.keyNo, key.keyType, key.data}), (std::tuple{150, 3, 123456}));
}

}  // namespace
}  // namespace tolvan
