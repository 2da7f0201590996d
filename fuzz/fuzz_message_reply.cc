// Any bytes as a message-family scale's answer to an upload request: the
// reply header, the records it announces (each handed to the received-
// record handler) or an error status, then the status reply that ends the
// session. The first bytes choose the data type, model, version and
// limits; the rest is the scale's bytes.
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <span>

#include "core/driver.h"
#include "fuzz_support.h"
#include "link/message_protocol.h"
#include "link/scale_link.h"

namespace {

using tolvan::fuzzing::NoSleep;
using tolvan::fuzzing::ScriptedLink;
using tolvan::fuzzing::SteppingClock;

constexpr int kReceivedTypes[] = {1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13};
constexpr int kModels[] = {tolvan::kModelMerioPro, tolvan::kModelVt40};
constexpr size_t kSettingBytes = 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static SteppingClock clock;
  static NoSleep sleeper;
  if (size < kSettingBytes) return 0;
  tolvan::Driver driver(clock, sleeper, nullptr);
  tolvan::ScaleEntry scale("fuzz", 0, 594);
  tolvan::fuzzing::setUpReceive(driver, scale, kReceivedTypes[data[0] % std::size(kReceivedTypes)]);
  scale.model = kModels[data[1] & 1];
  scale.maxPluDescLen = (data[1] >> 1) < 64 ? data[1] >> 1 : 999;
  scale.version = data[2] % 13;
  scale.receiveTimeout = 5;
  scale.workFile = std::fopen("/dev/null", "wb");
  ScriptedLink link(std::span<const uint8_t>(data + kSettingBytes, size - kSettingBytes));
  link.attach(scale);
  if (tolvan::ReceiveDataReply(scale) == tolvan::kMsgOk) (void)tolvan::ReadStatusReply(scale);
  tolvan::ScaleClose(scale);
  return 0;
}
