// Any bytes as a scale's resend file: counted as the run's report counts
// it, then read entry by entry as a resend reads it, every entry converted
// for a block-family and a message-family scale whatever type and mode its
// header claims. The first two bytes choose the scales' country version
// and limits; the rest is the file.
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/driver.h"
#include "dispatch/record_dispatch.h"
#include "files/record_source.h"
#include "files/work_files.h"
#include "fuzz_support.h"

namespace {

using tolvan::fuzzing::NoSleep;
using tolvan::fuzzing::require;
using tolvan::fuzzing::StillClock;

constexpr size_t kSettingBytes = 2;

const std::string& scratchPath() {
  static const std::string path = tolvan::fuzzing::scratchFile("tolvan-fuzz-resend");
  return path;
}

void configure(tolvan::ScaleEntry& scale, int model, const uint8_t* settings) {
  scale.model = model;
  scale.version = settings[0] % 13;
  scale.maxExMsg = (settings[1] & 1) != 0 ? 10000 : 99;
  scale.maxPluDescLen = (settings[1] & 2) != 0 ? 20 : 999;
  scale.labelWidth = (settings[1] >> 2) * 16;
}

// Every entry the reader hands out, converted for `scale`; the count of
// entries read.
int resend(tolvan::ScaleEntry& scale) {
  scale.fromResendFile = 1;
  scale.workFile = std::fopen(scratchPath().c_str(), "rb");
  if (scale.workFile == nullptr) return 0;
  tolvan::RecordSource source(scale);
  tolvan::SourceRecord record;
  std::array<uint8_t, tolvan::kMaxConvertedLen> buffer{};
  int entries = 0;
  while (source.next(record)) {
    require(record.length >= 0 && record.length <= tolvan::kMaxResendRecordLen);
    int code = 0;
    int length = static_cast<int>(buffer.size());
    if (tolvan::convertRecord(scale, record.dataType, record.mode, record.record, code, buffer, length)) {
      require(length >= 0 && static_cast<size_t>(length) <= buffer.size());
    }
    ++entries;
  }
  return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static StillClock clock;
  static NoSleep sleeper;
  if (size < kSettingBytes) return 0;
  std::FILE* file = std::fopen(scratchPath().c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data + kSettingBytes, 1, size - kSettingBytes, file);
  std::fclose(file);
  int counted = tolvan::countResendEntries(scratchPath());
  tolvan::Driver driver(clock, sleeper, nullptr);
  driver.options.logFile = "/dev/null";
  for (int model : {tolvan::kModelVt30, tolvan::kModelVt40}) {
    tolvan::ScaleEntry scale("fuzz", 0, 594);
    scale.driver = &driver;
    configure(scale, model, data);
    // What the report counts is what a resend goes through.
    require(resend(scale) == counted);
  }
  return 0;
}
