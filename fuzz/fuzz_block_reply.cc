// Any bytes as everything a block-family scale says during a receive: the
// answers to our enquiry and request blocks, its own enquiry, then its
// blocks (ACKed, NAKed or ended) up to EOT, each message handed to the
// received-record handler. The first bytes choose the data type, model,
// version, check byte width and limits; the rest is the scale's bytes,
// its turns separated by TurnTakingLink::kTurnMark.
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <span>

#include "core/driver.h"
#include "fuzz_support.h"
#include "link/block_protocol.h"
#include "link/scale_link.h"

namespace {

using tolvan::fuzzing::NoSleep;
using tolvan::fuzzing::TurnTakingLink;
using tolvan::fuzzing::SteppingClock;

constexpr int kReceivedTypes[] = {1, 2, 5, 8, 9, 10, 11, 12, 13, 14, 15};
constexpr int kModels[] = {tolvan::kModelVt30, tolvan::kModelPmx, tolvan::kModelLm50};
constexpr size_t kSettingBytes = 4;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static SteppingClock clock;
  static NoSleep sleeper;
  if (size < kSettingBytes) return 0;
  tolvan::Driver driver(clock, sleeper, nullptr);
  tolvan::ScaleEntry scale("fuzz", 0, 594);
  tolvan::fuzzing::setUpReceive(driver, scale, kReceivedTypes[data[0] % std::size(kReceivedTypes)]);
  scale.model = kModels[data[1] % std::size(kModels)];
  scale.version = data[2] % 13;
  scale.is8bit = data[3] & 1;
  scale.maxExMsg = (data[3] & 2) != 0 ? 10000 : 99;
  scale.receiveTimeout = 5;
  scale.workFile = std::fopen("/dev/null", "wb");
  TurnTakingLink link(std::span<const uint8_t>(data + kSettingBytes, size - kSettingBytes));
  link.attach(scale);
  (void)tolvan::BlockReceive(scale);
  link.finish();
  tolvan::ScaleClose(scale);
  return 0;
}
