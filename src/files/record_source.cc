#include "files/record_source.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "core/driver.h"

namespace tolvan {

RecordSource::RecordSource(ScaleEntry& scale) : scale_(scale) {}

bool RecordSource::next(SourceRecord& out) {
  return scale_.fromResendFile == 1 ? nextFromResendFile(out) : nextFromRecordList(out);
}

bool RecordSource::nextFromRecordList(SourceRecord& out) {
  const Driver* driver = scale_.driver;
  if (driver == nullptr) return false;
  // --changed-only: positions the scale already holds as the file has them are stepped over.
  const std::vector<bool>* only = scale_.sendOnly;
  while (only != nullptr && position_ < driver->records.count() && static_cast<size_t>(position_) < only->size() &&
         !(*only)[static_cast<size_t>(position_)]) {
    ++position_;
  }
  if (position_ >= driver->records.count()) return false;
  const RecordHeader* header = position_ < driver->headers.count() ? driver->headers.get(position_) : nullptr;
  out.dataType = header != nullptr ? header->dataType : driver->options.dataType;
  out.mode = header != nullptr ? header->mode : driver->options.mode;
  out.record = driver->records.image(position_, image_);
  out.length = recordLength(out.dataType, out.mode);
  out.number = ++position_;
  out.line = header != nullptr ? header->line : 0;
  return out.record != nullptr;
}

// Read under the entry's guard: once the main thread has given up on this
// worker it closes the resend file, and an abandoned worker reads no more.
bool RecordSource::nextFromResendFile(SourceRecord& out) {
  std::lock_guard lock(scale_.guard);
  if (scale_.abandoned) return false;
  std::FILE* file = scale_.workFile;
  if (file == nullptr) return false;
  uint8_t bytes[kResendEntryHeaderLen];
  if (std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes) return false;
  ResendEntryHeader header = decodeResendHeader(bytes);
  if (header.length > static_cast<uint32_t>(kMaxResendRecordLen)) return false;
  std::memset(resendBuffer_.data(), 0, sizeof resendBuffer_);
  if (std::fread(resendBuffer_.data(), 1, header.length, file) != header.length) return false;
  out.dataType = header.dataType;
  out.mode = header.mode;
  out.record = resendBuffer_.data();
  out.length = static_cast<int>(header.length);
  out.number = ++position_;
  out.line = 0;
  return true;
}

void noteUnconverted(ScaleEntry& scale, const SourceRecord& record) {
  int none = 0;
  scale.tally.unconvertedAt.compare_exchange_strong(none, record.line > 0 ? record.line : record.number);
}

}  // namespace tolvan
