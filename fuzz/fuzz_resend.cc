// Any bytes as a scale's resend file: counted as the run's report counts
// it, opened as a resend opens it (damaged bytes set aside, stale entries
// dropped, the file rewritten), then read entry by entry as the worker
// reads it, every entry converted for a block-family and a message-family
// scale. The first two bytes choose the scales' country version and
// limits; the rest is the file.
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/driver.h"
#include "dispatch/record_dispatch.h"
#include "files/record_source.h"
#include "files/resend_file.h"
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

void writeScratch(const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(scratchPath().c_str(), "wb");
  if (file == nullptr) return;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
}

// Every entry the worker's reader hands out from `file`, converted for
// `scale`; the count of entries read.
int resend(tolvan::ScaleEntry& scale, std::FILE* file) {
  scale.fromResendFile = 1;
  scale.workFile = file;
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
  std::fclose(file);
  scale.workFile = nullptr;
  return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static StillClock clock;
  static NoSleep sleeper;
  if (size < kSettingBytes) return 0;
  writeScratch(data + kSettingBytes, size - kSettingBytes);
  int counted = tolvan::countResendEntries(scratchPath());
  tolvan::Driver driver(clock, sleeper, nullptr);
  driver.options.logFile = "/dev/null";
  for (int model : {tolvan::kModelVt30, tolvan::kModelVt40}) {
    // The resend rewrites the file; each scale starts from the bytes given.
    writeScratch(data + kSettingBytes, size - kSettingBytes);
    tolvan::ScaleEntry scale("fuzz", 0, 594);
    scale.driver = &driver;
    scale.resendFile = scratchPath();
    configure(scale, model, data);
    std::FILE* file = nullptr;
    int entries = 0;
    if (tolvan::openResendFile(driver, scale, file, entries) != tolvan::kMsgOk) continue;
    // What the report counts is what a resend goes through.
    require(entries == counted);
    require((file == nullptr) == (entries == 0));
    if (file != nullptr) require(resend(scale, file) == entries);
  }
  std::remove((scratchPath() + ".damaged").c_str());
  return 0;
}
