// RecordSource: the records a sending worker goes through, in order —
// the run's record list (with the header list), only the positions
// scale.sendOnly marks when it is set, or, when the scale is resending,
// the entries of its resend file open in scale.workFile.
#pragma once

#include <array>
#include <cstdint>

#include "core/record_list.h"
#include "core/scale_entry.h"
#include "files/work_files.h"

namespace tolvan {

struct SourceRecord {
  int dataType = 0;
  int mode = 0;
  // Valid until the next call of next(). A record read from a resend file
  // lies in a 4096-byte block whose bytes past `length` are zero, so a
  // converter may read a whole record of its type even from a short entry.
  const void* record = nullptr;
  int length = 0;  // bytes of the record image
  int number = 0;  // 1-based position, for message 19
  int line = 0;    // its line in the import file (as an editor counts); 0 when not from one
};

// Notes the first record of the operation the scale could not take, by
// its line in the import file, or by its position when it has none.
void noteUnconverted(ScaleEntry& scale, const SourceRecord& record);

class RecordSource {
 public:
  explicit RecordSource(ScaleEntry& scale);
  // The next record; false at the end (or at a damaged resend entry: an
  // incomplete header or record, or a length above 4096).
  bool next(SourceRecord& out);

 private:
  bool nextFromRecordList(SourceRecord& out);
  bool nextFromResendFile(SourceRecord& out);

  ScaleEntry& scale_;
  int position_ = 0;
  RecordImage image_;  // the full image of the list's current record
  std::array<uint64_t, kMaxResendRecordLen / 8> resendBuffer_{};  // aligned room for one record image
};

}  // namespace tolvan
