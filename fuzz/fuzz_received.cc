// Any bytes as one record received from a scale, handed to the received-
// record handler of every data type a scale can send (PLU, extra messages
// and coupons, store texts, keyboards, nutrition panels, the three totals
// layouts) for either family. The first bytes choose the data type, the
// model, the country version and the scale's limits.
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <span>

#include "core/driver.h"
#include "dispatch/record_dispatch.h"
#include "fuzz_support.h"

namespace {

using tolvan::fuzzing::NoSleep;
using tolvan::fuzzing::require;
using tolvan::fuzzing::StillClock;

constexpr int kReceivedTypes[] = {1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, 14, 15};
constexpr int kModels[] = {tolvan::kModelVt30, tolvan::kModelPmx, tolvan::kModelLm50, tolvan::kModelMerioPro,
                           tolvan::kModelVt40};
constexpr int kMaxExMsg[] = {99, 100, 9999, 10000};
constexpr size_t kSettingBytes = 4;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static StillClock clock;
  static NoSleep sleeper;
  if (size < kSettingBytes) return 0;
  std::span<const uint8_t> record(data + kSettingBytes, size - kSettingBytes);
  tolvan::Driver driver(clock, sleeper, nullptr);
  tolvan::ScaleEntry scale("fuzz", 0, 594);
  tolvan::fuzzing::setUpReceive(driver, scale, kReceivedTypes[data[0] % std::size(kReceivedTypes)]);
  scale.model = kModels[data[1] % std::size(kModels)];
  scale.version = data[2] % 13;
  scale.maxExMsg = kMaxExMsg[data[3] % std::size(kMaxExMsg)];
  scale.maxPluDescLen = (data[3] >> 2) < 48 ? data[3] >> 2 : 999;
  scale.is8bit = data[3] >> 7;
  scale.workFile = std::fopen("/dev/null", "wb");
  // Twice, so the search for a record of the same number runs over a kept one.
  (void)tolvan::handleReceivedRecord(scale, record);
  (void)tolvan::handleReceivedRecord(scale, record);
  // The same record twice is one number: the run keeps it once at most.
  require(driver.records.count() <= 1);
  return 0;
}
