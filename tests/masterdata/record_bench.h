// A scale with its driver for the record kinds' tests: what a record, its
// deletion or the upload request becomes through the dispatch, and what
// the scale's answers leave in the driver's record list.
#pragma once

#include <array>
#include <span>
#include <string>

#include "core/driver.h"
#include "dispatch/record_dispatch.h"
#include "records/deletion_record.h"
#include "support/fakes.h"
#include "support/records.h"

namespace tolvan::testing {

struct RecordBench {
  RecordBench() { scale.driver = &driver; }
  void become(int model, int version) {
    scale.model = model;
    scale.version = version;
  }
  // The bytes built, or "-" for a refusal, which must leave the length 0.
  std::string shown(bool ok) const {
    if (!ok) return length == 0 ? "-" : "length not cleared";
    return std::string(buffer.begin(), buffer.begin() + length);
  }
  // As `shown`, behind the message number and a colon.
  std::string coded(bool ok) const { return ok ? std::to_string(code) + ":" + shown(ok) : shown(ok); }
  bool convert(int type, int mode, const void* record, size_t capacity = 4096) {
    length = -1;
    return convertRecord(scale, type, mode, record, code, std::span(buffer).first(capacity), length);
  }
  bool remove(int type, int32_t number) {
    const DeletionRecord deletion{static_cast<uint16_t>(type), number};
    return convert(type, kModeDelete, &deletion);
  }
  bool request() { return buildUploadRequest(scale, code, buffer, length); }
  bool receive(const std::string& data) {
    return handleReceivedRecord(scale, std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
  }
  template <class Record>
  Record kept(int index) const {
    return recordAt<Record>(driver.records, index);
  }

  FakeClock clock;
  FakeSleeper sleeper{&clock};
  Driver driver{clock, sleeper, nullptr};
  ScaleEntry scale{"scale1", 0, 594};
  std::array<uint8_t, 4096> buffer{};
  int code = -1;
  int length = -1;
};

}  // namespace tolvan::testing
