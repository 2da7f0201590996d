// Feeds arbitrary scale replies to the receiving side: the block tests a
// receiver applies (complete block, check byte) and the received-PLU parser
// of both families, with the scale settings taken from the first bytes.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <span>

#include "core/driver.h"
#include "fuzz_support.h"
#include "link/block_frames.h"
#include "plu/plu_received.h"

namespace {

using tolvan::fuzzing::NoSleep;
using tolvan::fuzzing::StillClock;

constexpr int kModels[] = {tolvan::kModelVt30, tolvan::kModelPmx, tolvan::kModelLm50, tolvan::kModelMerioPro,
                           tolvan::kModelVt40, tolvan::kModelHbq};
constexpr int kMaxExMsg[] = {99, 100, 9999, 10000};
constexpr size_t kSettingBytes = 4;

void checkFraming(std::span<const uint8_t> reply) {
  if (reply.size() < tolvan::kBlockHeaderLen) return;
  std::span<const uint8_t> header = reply.first(tolvan::kBlockHeaderLen);
  std::span<const uint8_t> body = reply.subspan(tolvan::kBlockHeaderLen);
  if (tolvan::blockBodyComplete(body)) {
    (void)tolvan::blockCheckMatches(header, body, true);
    (void)tolvan::blockCheckMatches(header, body, false);
  }
  (void)tolvan::isEnquiry(reply.first(std::min(reply.size(), tolvan::kEnquiryLen)), 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static StillClock clock;
  static NoSleep sleeper;
  if (size < kSettingBytes) return 0;
  std::span<const uint8_t> reply(data + kSettingBytes, size - kSettingBytes);
  checkFraming(reply);

  tolvan::Driver driver(clock, sleeper, nullptr);
  tolvan::ScaleEntry scale("fuzz", 0, 594);
  scale.driver = &driver;
  scale.model = kModels[data[0] % std::size(kModels)];
  scale.version = data[1] % 13;
  scale.maxExMsg = kMaxExMsg[data[2] % std::size(kMaxExMsg)];
  scale.maxPluDescLen = data[3] < 128 ? data[3] : 999;
  // Twice, so the search for an equal number runs over a held record.
  tolvan::handleReceivedPlu(scale, reply);
  tolvan::handleReceivedPlu(scale, reply);
  return 0;
}
