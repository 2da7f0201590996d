// RecordSource: the records a sending worker goes through, in order —
// the run's record list (with the header list) or, when the scale is
// resending, the entries of its resend file open in scale.workFile.
#pragma once

#include <array>
#include <cstdint>

#include "frame/scale_entry.h"

namespace tolvan {

struct SourceRecord {
  int dataType = 0;
  int mode = 0;
  const void* record = nullptr;  // valid until the next call of next()
  int length = 0;                // bytes of the record image
  int number = 0;                // 1-based position, for message 19
};

class RecordSource {
 public:
  explicit RecordSource(ScaleEntry& scale);
  // The next record; false at the end (or at a damaged resend entry).
  bool next(SourceRecord& out);

 private:
  ScaleEntry& scale_;
  int position_ = 0;
  std::array<uint64_t, 4096 / 8> resendBuffer_{};  // aligned room for one record image
};

}  // namespace tolvan
