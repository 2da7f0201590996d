#include "files/resend_file.h"

#include <algorithm>
#include <array>
#include <unordered_set>

#include "core/driver.h"
#include "dispatch/record_factory.h"
#include "platform/files.h"
#include "records/data_types.h"

namespace tolvan {
namespace {

constexpr long kHeaderLen = kResendEntryHeaderLen;
// Damaged stretches are searched for the next entry in windows this large.
constexpr size_t kSearchWindow = 65536;

bool readAt(std::FILE* file, long at, void* out, size_t length) {
  return std::fseek(file, at, SEEK_SET) == 0 && std::fread(out, 1, length, file) == length;
}

// A header a writer of this file could have written at `at`: a data type
// the driver runs, an addition or a deletion, the record length of that
// type and mode, reserved bytes 0, and the record whole before the end.
bool plausibleHeader(const uint8_t (&bytes)[kResendEntryHeaderLen], long at, long size, ResendEntryHeader& header) {
  header = decodeResendHeader(bytes);
  if (bytes[8] != 0 || bytes[9] != 0 || bytes[10] != 0 || bytes[11] != 0) return false;
  if (!isRunType(header.dataType) || (header.mode != kModeAdd && header.mode != kModeDelete)) return false;
  int length = recordLength(header.dataType, header.mode);
  if (length <= 0 || header.length != static_cast<uint32_t>(length)) return false;
  return static_cast<long>(header.length) <= size - at - kHeaderLen;
}

bool headerAt(std::FILE* file, long at, long size, ResendEntryHeader& header) {
  uint8_t bytes[kResendEntryHeaderLen];
  return size - at >= kHeaderLen && readAt(file, at, bytes, sizeof bytes) && plausibleHeader(bytes, at, size, header);
}

// The first position in [from, limit) where a plausible entry starts;
// `limit` when there is none.
long findEntry(std::FILE* file, long from, long limit, long size) {
  std::vector<uint8_t> window;
  for (long start = from; start < limit; start += static_cast<long>(kSearchWindow)) {
    long want = std::min<long>(static_cast<long>(kSearchWindow) + kHeaderLen - 1, size - start);
    if (want < kHeaderLen) break;
    window.resize(static_cast<size_t>(want));
    if (!readAt(file, start, window.data(), window.size())) break;
    for (long i = 0; i + kHeaderLen <= want && start + i < limit; ++i) {
      uint8_t bytes[kResendEntryHeaderLen];
      std::copy_n(window.begin() + i, kResendEntryHeaderLen, bytes);
      ResendEntryHeader header;
      if (plausibleHeader(bytes, start + i, size, header)) return start + i;
    }
  }
  return limit;
}

// The end of the entry whose header is at `at`, or, when a later entry was
// written into it (an append behind an entry cut short by a kill), where
// that one starts: `torn` tells which.
long entryEnd(std::FILE* file, long at, const ResendEntryHeader& header, long size, bool& torn) {
  long end = at + kHeaderLen + static_cast<long>(header.length);
  ResendEntryHeader next;
  torn = false;
  if (end == size || headerAt(file, end, size, next)) return end;
  long inside = findEntry(file, at + 1, end, size);
  torn = inside < end;
  return torn ? inside : end;
}

bool readKey(std::FILE* file, long at, ResendEntry& entry) {
  std::array<uint64_t, kMaxResendRecordLen / 8> record{};
  if (!readAt(file, at + kHeaderLen, record.data(), entry.header.length)) return false;
  entry.key = recordKey(entry.header.dataType, entry.header.mode, record.data());
  return true;
}

uint64_t recordId(const ResendEntry& e) {
  return static_cast<uint64_t>(static_cast<uint16_t>(e.header.dataType)) << 32 | static_cast<uint32_t>(e.key);
}

// Data type and mode of the run's record at `index`: its header, or the
// run's options when the header list is shorter (delete-all adds none).
ResendEntry runRecord(const Driver& driver, int index, RecordImage& image) {
  ResendEntry e;
  const RecordHeader* header = index < driver.headers.count() ? driver.headers.get(index) : nullptr;
  e.header.dataType = header != nullptr ? header->dataType : driver.options.dataType;
  e.header.mode = header != nullptr ? header->mode : driver.options.mode;
  if (e.header.mode == kModeDeleteAll) e.header.mode = kModeDelete;
  e.header.length = static_cast<uint32_t>(recordLength(e.header.dataType, e.header.mode));
  e.record = driver.records.get(index);
  e.key = recordKey(e.header.dataType, e.header.mode, image.unpack(e.record));
  return e;
}

bool writeEntry(ReplacementFile& out, std::FILE* from, const ResendEntry& e, RecordImage& image) {
  uint8_t header[kResendEntryHeaderLen];
  encodeResendHeader(e.header, header);
  if (!out.write(header, sizeof header)) return false;
  if (e.record != nullptr) return out.write(image.unpack(e.record), e.header.length);
  std::array<uint8_t, kMaxResendRecordLen> record;  // read in full before it is written
  return readAt(from, e.offset + kHeaderLen, record.data(), e.header.length) &&
         out.write(record.data(), e.header.length);
}

// Replaces the file by `keep` (entries of `from` or records of the run), or
// deletes it when `keep` is empty.
bool rewrite(const std::string& path, std::FILE* from, const std::vector<ResendEntry>& keep) {
  if (keep.empty()) return removeFileDurably(path);
  ReplacementFile out(path);
  if (!out.open()) return false;
  RecordImage image;
  for (const ResendEntry& e : keep) {
    if (!writeEntry(out, from, e, image)) return false;
  }
  return out.commit();
}

bool copyRange(std::FILE* from, long at, long to, std::FILE* out) {
  std::vector<uint8_t> chunk(kSearchWindow);
  for (; at < to; at += static_cast<long>(chunk.size())) {
    size_t n = static_cast<size_t>(std::min<long>(to - at, static_cast<long>(chunk.size())));
    if (!readAt(from, at, chunk.data(), n) || std::fwrite(chunk.data(), 1, n, out) != n) return false;
  }
  return true;
}

// The bytes that did not read go to "<file>.damaged" before the file is
// rewritten without them, so nothing the file held is ever lost.
bool setAsideDamaged(const std::string& path, std::FILE* file, const ResendScan& scan) {
  if (scan.damaged.empty()) return true;
  std::string aside = path + ".damaged";
  std::FILE* out = openFile(aside, "ab");
  bool copied = out != nullptr;
  for (const auto& [from, to] : scan.damaged) copied = copied && copyRange(file, from, to, out);
  copied = copied && syncFile(out, aside);
  if (out != nullptr) copied = std::fclose(out) == 0 && copied;
  if (!copied) return false;
  for (const auto& [from, to] : scan.damaged) {
    std::fprintf(stderr,
                 "tolvandrv: warning: resend file %s: %ld bytes at offset %ld do not read as an entry; "
                 "kept in %s\n",
                 path.c_str(), to - from, from, aside.c_str());
  }
  return true;
}

MessageCode notKept(Driver& driver, const ScaleEntry& scale) {
  driver.log.error(kMsgResendOpenError, scale.name.c_str(), scale.resendFile->c_str());
  return kMsgResendOpenError;
}

// Reads the scale's resend file (when it exists) and sets aside what does
// not read, counting it for the run's outcome. `file` stays open for
// copying entries; null when there is none.
bool readResendFile(ScaleEntry& scale, std::FILE*& file, ResendScan& scan) {
  const std::string& path = *scale.resendFile;
  file = openFile(path, "rb");
  if (file == nullptr) return !fileExists(path);
  if (!scanResendFile(file, scan) || !setAsideDamaged(path, file, scan)) return false;
  scale.outcome.damagedEntries += static_cast<int>(scan.damaged.size());
  return true;
}

std::vector<ResendEntry> liveEntries(const std::vector<ResendEntry>& sequence, size_t from = 0) {
  std::vector<bool> stale = staleEntries(sequence);
  std::vector<ResendEntry> live;
  for (size_t i = from; i < sequence.size(); ++i) {
    if (!stale[i]) live.push_back(sequence[i]);
  }
  return live;
}

void closeFile(std::FILE*& file) {
  if (file != nullptr) std::fclose(file);
  file = nullptr;
}

}  // namespace

bool scanResendFile(std::FILE* file, ResendScan& scan) {
  long size = fileSize(file);
  if (size < 0) return false;
  long at = 0;
  while (at < size) {
    ResendEntry entry;
    bool torn = false;
    long end = headerAt(file, at, size, entry.header) ? entryEnd(file, at, entry.header, size, torn) : -1;
    if (end < 0 || torn) {
      long next = torn ? end : findEntry(file, at + 1, size, size);
      scan.damaged.emplace_back(at, next);
      at = next;
      continue;
    }
    entry.offset = at;
    if (!readKey(file, at, entry)) return false;
    scan.entries.push_back(entry);
    at = end;
  }
  return true;
}

std::vector<bool> staleEntries(const std::vector<ResendEntry>& sequence) {
  std::vector<bool> stale(sequence.size(), false);
  std::unordered_set<uint64_t> newer;
  std::unordered_set<int> wiped;  // types a later deletion of number 0 clears
  for (size_t i = sequence.size(); i-- > 0;) {
    const ResendEntry& e = sequence[i];
    stale[i] = wiped.count(e.header.dataType) > 0 || !newer.insert(recordId(e)).second;
    if (e.header.mode == kModeDelete && e.key == 0) wiped.insert(e.header.dataType);
  }
  return stale;
}

MessageCode openResendFile(Driver& driver, ScaleEntry& scale, std::FILE*& file, int& entries) {
  file = nullptr;
  entries = 0;
  if (!scale.resendFile) return kMsgOk;
  const std::string& path = *scale.resendFile;
  ResendScan scan;
  if (!readResendFile(scale, file, scan)) {
    closeFile(file);
    return notKept(driver, scale);
  }
  std::vector<ResendEntry> live = liveEntries(scan.entries);
  if (file != nullptr && (live.empty() || live.size() != scan.entries.size() || !scan.damaged.empty())) {
    bool rewritten = rewrite(path, file, live);
    closeFile(file);
    if (!rewritten) return notKept(driver, scale);
    if (!live.empty()) file = openFile(path, "rb");
    if (!live.empty() && file == nullptr) return notKept(driver, scale);
  }
  if (file != nullptr) std::rewind(file);
  entries = static_cast<int>(live.size());
  return kMsgOk;
}

MessageCode finishResend(Driver& driver, ScaleEntry& scale, int delivered) {
  if (!scale.resendFile || delivered <= 0) return kMsgOk;
  std::FILE* file = nullptr;
  ResendScan scan;
  bool done = readResendFile(scale, file, scan);
  if (done && file != nullptr) {
    size_t from = std::min(static_cast<size_t>(delivered), scan.entries.size());
    done = rewrite(*scale.resendFile, file, liveEntries(scan.entries, from));
  }
  closeFile(file);
  return done ? kMsgOk : notKept(driver, scale);
}

MessageCode keepRunInResendFile(Driver& driver, ScaleEntry& scale, bool failed) {
  if (!scale.resendFile) return kMsgOk;
  std::FILE* file = nullptr;
  ResendScan scan;
  if (!readResendFile(scale, file, scan)) {
    closeFile(file);
    return notKept(driver, scale);
  }
  size_t held = scan.entries.size();
  std::vector<ResendEntry> sequence = std::move(scan.entries);
  RecordImage image;
  for (int i = 0; i < driver.records.count(); ++i) {
    ResendEntry e = runRecord(driver, i, image);
    if (e.record != nullptr && e.header.length > 0) sequence.push_back(e);
  }
  std::vector<bool> stale = staleEntries(sequence);
  std::vector<ResendEntry> keep;
  bool changed = failed || !scan.damaged.empty();
  for (size_t i = 0; i < sequence.size(); ++i) {
    if (i >= held && !failed) break;
    if (stale[i]) {
      changed = changed || i < held;
      continue;
    }
    keep.push_back(sequence[i]);
  }
  bool done = !changed || rewrite(*scale.resendFile, file, keep);
  closeFile(file);
  return done ? kMsgOk : notKept(driver, scale);
}

int countResendEntries(const std::string& path) {
  std::FILE* file = openFile(path, "rb");
  if (file == nullptr) return 0;
  ResendScan scan;
  (void)scanResendFile(file, scan);
  std::fclose(file);
  return static_cast<int>(liveEntries(scan.entries).size());
}

}  // namespace tolvan
