#include "files/import_findings.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "core/record_list.h"
#include "dispatch/field_tables.h"
#include "dispatch/record_dispatch.h"
#include "dispatch/record_factory.h"
#include "dispatch/support_table.h"
#include "files/digit_findings.h"
#include "files/field_splitter.h"
#include "files/import_reader.h"
#include "files/key_index.h"
#include "files/line_reader.h"
#include "files/read_ahead.h"
#include "files/row_relay.h"
#include "files/text_bytes.h"
#include "files/work_files.h"
#include "platform/files.h"
#include "plu/plu_record.h"
#include "records/data_types.h"
#include "records/deletion_record.h"
#include "text/text_wrap.h"

namespace tolvan {
namespace {

constexpr int64_t kLongMax = 2147483647;

// A number as the import reads it: blanks, an optional sign, digits (with
// '.' skipped for Long columns), and what stands behind them.
struct NumberText {
  bool readable = false;
  bool tooBig = false;  // digits beyond 32 bits: the reader does not read the number
  bool negative = false;
  uint64_t magnitude = 0;  // stops growing beyond 2^40: enough to see the overflow
  uint32_t low32 = 0;      // the digits as the reader keeps them: wrapped at 32 bits
  bool hasDot = false;
  int decimals = 0;  // digits behind the last '.'
  std::string_view rest;
};

NumberText parseNumber(std::string_view t, bool skipDots) {
  NumberText n;
  size_t i = 0;
  auto skippable = [&](char c) { return c == ' ' || c == '\t' || (skipDots && c == '.'); };
  while (i < t.size() && skippable(t[i])) ++i;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) n.negative = t[i++] == '-';
  for (; i < t.size(); ++i) {
    char c = t[i];
    if (c >= '0' && c <= '9') {
      n.readable = true;
      if (n.magnitude < (uint64_t{1} << 40)) n.magnitude = n.magnitude * 10 + static_cast<uint64_t>(c - '0');
      n.low32 = n.low32 * 10u + static_cast<uint32_t>(c - '0');
      if (n.hasDot) ++n.decimals;
    } else if (skipDots && c == '.') {
      n.hasDot = true;
      n.decimals = 0;
    } else {
      break;
    }
  }
  n.rest = t.substr(i);
  while (!n.rest.empty() && (n.rest.back() == ' ' || n.rest.back() == '\t')) n.rest.remove_suffix(1);
  const auto m = static_cast<int64_t>(n.magnitude);
  n.tooBig = n.readable && (n.negative ? -m < -kLongMax - 1 : m > kLongMax);
  n.readable = n.readable && !n.tooBig;
  return n;
}

// What keeps a number column's text from reading.
std::string unreadable(const NumberText& n) { return n.tooBig ? " does not fit in 32 bits" : " is not a number"; }

// The 32 bits the reader stores (before a short or byte column keeps its low bits).
uint32_t stored32(const NumberText& n) { return n.negative ? 0u - n.low32 : n.low32; }
std::string readAs(const NumberText& n) { return std::to_string(static_cast<int32_t>(stored32(n))); }

int64_t signedValue(const NumberText& n) {
  auto m = static_cast<int64_t>(n.magnitude);
  return n.negative ? -m : m;
}

// Per column: the first value with a decimal point decides how many places
// the column is read with.
struct ColumnTrack {
  int decimals = -1;
  int line = 0;
  std::string example;
  bool reported = false;
};

// A scale's settings with room for any description, to see how much of a
// description the real settings cut.
std::unique_ptr<ScaleEntry> unlimitedCopy(const ScaleEntry& scale) {
  auto copy = std::make_unique<ScaleEntry>(scale.name, scale.index, scale.labelWidth);
  copy->model = scale.model;
  copy->version = scale.version;
  copy->protocol = scale.protocol;
  copy->is8bit = scale.is8bit;
  copy->maxExMsg = scale.maxExMsg;
  copy->scaleNo = scale.scaleNo;
  copy->maxPluDescLen = kMaxConvertedLen;
  return copy;
}

int convertedLength(const ScaleEntry& scale, int dataType, int mode, const void* record,
                    ScaleFieldList* trace = nullptr) {
  std::array<uint8_t, kMaxConvertedLen> buffer{};
  int code = 0;
  int length = 0;
  if (!convertRecord(scale, dataType, mode, record, code, buffer, length, trace)) return -1;
  return length;
}

// The rows with a record that the reading thread looked at, a batch at a
// time, for the thread that looks at their texts and checks and keeps
// them: each row's line, key, record image and the number texts its
// findings may quote.
struct LookedRows {
  static constexpr size_t kRows = 512;
  struct Row {
    int line;
    bool valid;  // the number is one the driver keeps
    int32_t key;
    size_t imageAt;
    size_t imageLength;
    size_t numbersEnd;  // its number texts end here in `numbers`
  };
  std::vector<Row> rows;
  std::vector<uint8_t> images;
  std::vector<std::pair<uint32_t, std::string>> numbers;
  size_t expectedRows = 0;  // of the whole file, told with the first batch
  void clear() {
    rows.clear();
    images.clear();
    numbers.clear();
    expectedRows = 0;
  }
};
using NumberTexts = std::map<uint32_t, std::string>;

std::string joinNames(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
  return out;
}

class ImportScan {
 public:
  ImportScan(const DriverOptions& options, const ScaleList& scales, FindingList& out, RecordCollector* keep)
      : options_(options),
        out_(out),
        file_(*options.dataFile),
        scales_(scales),
        texts_(options.charset),
        keep_(keep) {
    for (const ScaleEntry* scale : scales_) {
      shortestDescLimit_ = std::min(shortestDescLimit_, static_cast<size_t>(std::max(scale->maxPluDescLen, 0)));
    }
  }
  ~ImportScan() { columns_.clearAndFree(); }
  ImportScan(const ImportScan&) = delete;
  ImportScan& operator=(const ImportScan&) = delete;

  void scanStandard(LineReader& reader);
  void scanSeasia(LineReader& reader);
  void scanWmsmart(LineReader& reader);
  void finish(LineReader& reader);
  // The whole file was read as the import reads it.
  bool readWhole(const LineReader& reader) const { return !stopped_ && !reader.stoppedAtLongLine(); }

 private:
  // Each place that notes a finding is a kind of its own: the source line
  // it is noted from (the compiler's own, as std::source_location is not
  // in every compiler the project builds with). While rows are read on one
  // thread and kept on another, each thread notes into a list of its own;
  // the lists join when both are done.
  void note(int line, std::string text, int at = __builtin_LINE()) {
    const bool keeping = relay_ != nullptr && std::this_thread::get_id() == keepingThread_;
    (keeping ? keptKeeper_ : keeper_).note(at, Finding{file_, line, std::move(text)});
  }
  const FieldDef* findColumn(const char* name) const;
  const FieldDef* keyColumn() const;
  const FieldDef* findKeyColumn() const;
  bool readHeader(LineReader& reader, char* line, FieldList& fields);
  void mapHeader(FieldList& fields, int lineNo);
  void checkFieldCount(int lineNo, int count);
  void checkRow(int lineNo, FieldList& fields);
  void checkValue(int lineNo, size_t position, const FieldDef& column, const char* raw, void* record);
  bool quietNumber(size_t position, const FieldDef& column, const char* raw, void* record);
  std::optional<uint32_t> checkNumber(int lineNo, size_t position, const FieldDef& column, std::string_view text);
  void checkDecimals(int lineNo, size_t position, const FieldDef& column, std::string_view text, const NumberText& n);
  void checkRange(int lineNo, const FieldDef& column, std::string_view text, const NumberText& n);
  void checkRecord(int lineNo, void* record, FieldList& fields, int used);
  std::string dropReason(FieldList& fields, int used) const;
  int lineBefore(int lineNo, const RecordHeader& kind);
  void checkKey(int lineNo, const RecordHeader& kind, int earlierLine);
  void checkScales(int lineNo, const RecordHeader& kind, const void* record, const NumberTexts& numbers);
  template <class Split>
  void scanRows(LineReader& reader, Split split);
  void passOn(int lineNo, bool valid, int32_t key, const void* record);
  void keepPassedRows();
  size_t expectedRows() const;
  void keepRow(const RecordHeader& kind, const void* record, size_t length, const NumberTexts& numbers);
  size_t imageLength() {
    return std::min(static_cast<size_t>(recordLength(options_.dataType, options_.mode)), rowEnd());
  }
  bool reachesEveryScaleWhole(const RecordHeader& kind, const void* record);
  const std::vector<const FieldDef*>& allColumns() {
    if (allColumns_.empty()) {
      for (int i = 0; i < columns_.count(); ++i) allColumns_.push_back(columns_.get(i));
    }
    return allColumns_;
  }
  // "wmsmart": records of several kinds, each from its first line on.
  bool readWmsPluFields(int lineNo, const char* fields, void* record, bool& bad);
  void startWmsRecord(int lineNo, const char* line, size_t firstLen);
  void finishWmsRecord();
  void fillRecord(void* record, FieldList& fields, int used);
  void lookAtTexts(int lineNo, const void* record);
  std::string stops16() const;
  void forgetRowNumbers() {
    for (auto& entry : rowNumbers_) entry.second.clear();
  }
  // `reach`: the bytes a row's columns can write.
  void* startImage(int dataType, int mode, size_t reach = SIZE_MAX) {
    const auto length = static_cast<size_t>(recordLength(dataType, mode));
    return startRecord(dataType, mode, image_.blank(std::min(reach, length)));
  }
  size_t rowReach();
  size_t rowEnd();

  const DriverOptions& options_;
  FindingList& out_;
  FindingKeeper keeper_{out_};
  std::string file_;
  ScaleList scales_;
  size_t shortestDescLimit_ = SIZE_MAX;  // of the configured scales' maxpludesclen
  FieldTable columns_;
  mutable std::optional<const FieldDef*> keyColumn_;  // found once the columns are known
  std::vector<const FieldDef*> map_;  // by field position; nullptr: skipped
  std::vector<const FieldDef*> allColumns_;
  std::vector<const FieldDef*> textColumns_;  // of columns_, found at the first row
  bool header_ = false;
  bool pairsTakeRest_ = false;
  std::vector<ColumnTrack> tracks_;
  KeyIndex keys_;  // data type and key -> line that gave it, where no collector keeps the records
  RecordImage image_;  // the record of the row being looked at
  size_t rowReach_ = 0;
  size_t rowEndBase_ = 0;  // where a row's record ends without its texts
  size_t rowTextEnd_ = 0;  // where the row's texts end
  DigitFindings digits_;
  TextBytes texts_;
  // The record's number texts by record offset; emptied, not dropped, for
  // each row, so that a row costs no allocation.
  std::map<uint32_t, std::string> rowNumbers_;
  std::string value_;  // the field being looked at
  int rows_ = 0;
  const LineReader* rowsReader_ = nullptr;  // of scanRows()
  bool rowsExpected_ = false;
  int headerLine_ = 0;
  // The "wmsmart" record being read: its kind, first line and lines below.
  enum class Within { Nothing, PluDescription, MessageText };
  Within within_ = Within::Nothing;
  RecordHeader wmsKind_{};
  int wmsLine_ = 0;
  void* wmsRecord_ = nullptr;  // in image_
  bool wmsBad_ = false;
  int records_ = 0;
  bool keyMissingReported_ = false;
  bool stopped_ = false;       // the header already stops the run
  RecordCollector* keep_;      // where the records go for the import, if anywhere
  // Rows read on one thread and kept on another.
  std::unique_ptr<RowRelay<LookedRows>> relay_;
  std::unique_ptr<LookedRows> filling_;  // by the reading thread
  std::thread::id keepingThread_;
  FindingList keptFound_;  // by the keeping thread
  FindingKeeper keptKeeper_{keptFound_};
  RecordImage keptImage_;
  NumberTexts keptNumbers_;
};

const FieldDef* ImportScan::findColumn(const char* name) const {
  for (int i = 0; i < columns_.count(); ++i) {
    if (std::strcmp(columns_.get(i)->name, name) == 0) return columns_.get(i);
  }
  return nullptr;
}

// The column of the record's key: a deletion's only column, else the
// number every record starts with.
const FieldDef* ImportScan::keyColumn() const {
  if (!keyColumn_) keyColumn_ = findKeyColumn();
  return *keyColumn_;
}

const FieldDef* ImportScan::findKeyColumn() const {
  if (options_.mode == kModeDelete) return columns_.count() > 0 ? columns_.get(0) : nullptr;
  for (int i = 0; i < columns_.count(); ++i) {
    if (columns_.get(i)->offset == 0 && columns_.get(i)->kind == FieldKind::Long) return columns_.get(i);
  }
  return nullptr;
}

// The header as the reader maps it, with a note for every name it skips.
void ImportScan::mapHeader(FieldList& names, int lineNo) {
  std::vector<std::string> known;
  for (int i = 0; i < columns_.count(); ++i) known.emplace_back(columns_.get(i)->name);
  for (int i = 0; i < names.count(); ++i) {
    const char* name = names.get(i);
    const FieldDef* column = findColumn(name);
    if (column == nullptr && options_.descFontPairs && std::strcmp(name, "Font1") == 0 && findColumn("Desc")) {
      map_.push_back(findColumn("Desc"));
      pairsTakeRest_ = true;
      return;
    }
    map_.push_back(column);
    if (column != nullptr) continue;
    std::string bare = unquote(std::string(name).data(), false);
    std::string text = "column " + std::to_string(i + 1) + " header " + quoted(name);
    if (bare != name && findColumn(bare.c_str()) != nullptr) {
      text += " is written in quotes, so it matches no column";
    } else {
      std::string near = nearestWord(name, known);
      text += " matches no column" + (near.empty() ? std::string() : " (nearest known name: " + quoted(near) + ")");
    }
    note(lineNo, text + "; the driver skips this column");
  }
}

// False when the header stops the import (error 16).
bool ImportScan::readHeader(LineReader& reader, char* line, FieldList& fields) {
  int lineNo = reader.physicalLine();
  headerLine_ = lineNo;
  auto first = static_cast<unsigned char>(line[0]);
  if (first < 'A' || first >= 128) {
    std::string copy(line);
    FieldList probe;
    if (splitFields(copy.data(), probe, options_.separator) && probe.count() > 0 &&
        findColumn(unquote(probe.get(0), false)) != nullptr) {
      note(lineNo,
           "the header line is written in quotes, so the driver takes it for data (a dropped row) and "
           "reads every column by position");
    }
    reader.rewind();
    for (int i = 0; i < columns_.count(); ++i) map_.push_back(columns_.get(i));
    return true;
  }
  header_ = true;
  if (!splitFields(line, fields, options_.separator)) {
    note(lineNo, "the first line is a comment where the header belongs; " + stops16());
    return false;
  }
  mapHeader(fields, lineNo);
  bool anyKnown = false;
  for (const FieldDef* c : map_) anyKnown = anyKnown || c != nullptr;
  if (!anyKnown) {
    note(lineNo, "no header name matches a column of this data type; " + stops16());
    return false;
  }
  const FieldDef* key = keyColumn();
  bool keyMapped = false;
  for (const FieldDef* c : map_) keyMapped = keyMapped || c == key;
  if (key != nullptr && !keyMapped) {
    note(lineNo, "the header has no " + quoted(key->name) + " column; the driver drops every row");
    keyMissingReported_ = true;
  }
  return true;
}

void ImportScan::checkFieldCount(int lineNo, int count) {
  if (!header_ || pairsTakeRest_) return;
  auto expected = static_cast<int>(map_.size());
  if (count > expected) {
    note(lineNo, std::to_string(count) + " fields where the header names " + std::to_string(expected) +
                     "; the driver does not read the fields behind the last named column");
  } else if (count < expected) {
    note(lineNo, std::to_string(count) + " fields where the header names " + std::to_string(expected) +
                     "; the columns without a field keep 0 or empty");
  }
}

void ImportScan::checkRange(int lineNo, const FieldDef& column, std::string_view text, const NumberText& n) {
  if (column.kind == FieldKind::Long) return;  // beyond 32 bits it does not read at all
  int64_t v = signedValue(n);
  const bool isByte = column.kind == FieldKind::Byte;
  const int64_t max = isByte ? 127 : 32767;
  if (v >= 0 && v <= max) return;
  std::string what = std::string(column.name) + " " + quoted(text);
  uint32_t stored = stored32(n) & (isByte ? 0xFFu : 0xFFFFu);
  int seen = isByte ? static_cast<int8_t>(stored) : static_cast<int16_t>(stored);
  std::string reading = seen == static_cast<int>(stored) ? "" : ", which the scale reads as " + std::to_string(seen);
  note(lineNo, what + " is outside 0 to " + std::to_string(max) + "; the driver stores the low " +
                   (isByte ? "8" : "16") + " bits, " + std::to_string(stored) + reading);
}

void ImportScan::checkDecimals(int lineNo, size_t position, const FieldDef& column, std::string_view text,
                               const NumberText& n) {
  auto what = [&] { return std::string(column.name) + " " + quoted(text); };
  if (&column == keyColumn()) {
    if (n.hasDot) note(lineNo, what() + " has a decimal point; the driver drops it and reads " + readAs(n));
    return;
  }
  if (position >= tracks_.size()) tracks_.resize(position + 1);
  ColumnTrack& track = tracks_[position];
  int places = n.hasDot ? n.decimals : 0;
  if (track.decimals < 0) {
    track = ColumnTrack{places, lineNo, std::string(text), false};
    return;
  }
  if (places == track.decimals || track.reported || (!n.hasDot && track.decimals == 0)) return;
  track.reported = true;
  note(lineNo, what() + " has " + std::to_string(places) + " decimal place" + (places == 1 ? "" : "s") +
                   " where line " + std::to_string(track.line) + " has " + std::to_string(track.decimals) + " (" +
                   quoted(track.example) + "); the driver drops the point and reads " + readAs(n) + " here");
}

// The 32 bits the reader stores when the number reads.
std::optional<uint32_t> ImportScan::checkNumber(int lineNo, size_t position, const FieldDef& column,
                                                std::string_view text) {
  bool isLong = column.kind == FieldKind::Long;
  NumberText n = parseNumber(text, isLong);
  // Only a number beyond its column's range can be cut by a scale's field,
  // and only a cut number's finding shows its text.
  const int64_t v = signedValue(n);
  if (n.readable && (column.meaning.max < column.meaning.min || v < column.meaning.min || v > column.meaning.max)) {
    rowNumbers_[column.offset].assign(text);
  }
  if (!n.readable) {
    // A key beyond 32 bits drops its row, which the row's own finding says.
    if (n.tooBig ? &column != keyColumn() : !n.rest.empty()) {
      note(lineNo, std::string(column.name) + " " + quoted(text) + unreadable(n) + "; the driver leaves the field 0");
    }
    return std::nullopt;
  }
  if (!n.rest.empty()) {
    note(lineNo, std::string(column.name) + " " + quoted(text) +
                     " has characters behind the number; the driver reads " +
                     readAs(n));
  }
  checkRange(lineNo, column, text, n);
  if (isLong) checkDecimals(lineNo, position, column, text, n);
  return stored32(n);
}

// Notes what the value's text gives, and stores a number that reads in
// `record` (when there is one) as the import would: read once, not twice.
void ImportScan::checkValue(int lineNo, size_t position, const FieldDef& column, const char* raw, void* record) {
  bool isText = column.kind == FieldKind::Text || column.kind == FieldKind::Description;
  if (!isText && quietNumber(position, column, raw, record)) return;
  std::string_view text = raw;
  if (raw[0] == '"' && text.size() >= 2) {
    // The value between the quotes; a text with quotes inside is undoubled
    // in a copy, as the record is still read from the field.
    const std::string_view inner = text.substr(1, text.size() - 2);
    if (!isText || inner.find('"') == std::string_view::npos) {
      text = inner;
    } else {
      value_.assign(raw);
      text = unquote(value_.data(), isText);
    }
  }
  if (!isText) {
    std::optional<uint32_t> number = checkNumber(lineNo, position, column, text);
    if (number && record != nullptr) storeColumnNumber(record, column, *number);
    return;
  }
  const bool plainText = !(column.kind == FieldKind::Description &&
                           (options_.descFontPairs || options_.dataFormat != kFormatStandard));
  if (!plainText) return;  // fillRecord() reads it
  if (text.size() > column.width) {
    note(lineNo, std::string(column.name) + " has " + std::to_string(text.size()) +
                     " characters; the driver keeps the first " + std::to_string(column.width));
  }
  // Stored as the import stores it; the row's record ends behind it at the latest.
  if (record != nullptr) rowTextEnd_ = std::max(rowTextEnd_, column.offset + storeColumnText(record, column, text));
}

// Most numbers of a file are written plainly (up to nine digits, a Long's
// with its decimal point) within their column's meaning and range, with the
// decimal places their column had before: such a number gives no finding
// and reads as itself, so it is stored without the full look. False (and
// nothing done) for any other.
bool ImportScan::quietNumber(size_t position, const FieldDef& column, const char* raw, void* record) {
  const bool isLong = column.kind == FieldKind::Long;
  uint32_t value = 0;
  int digits = 0;
  int decimals = -1;  // digits behind the last point; -1: no point
  for (const char* p = raw; *p != '\0'; ++p) {
    if (*p >= '0' && *p <= '9') {
      value = value * 10 + static_cast<uint32_t>(*p - '0');
      if (++digits > 9) return false;
      if (decimals >= 0) ++decimals;
    } else if (*p == '.' && isLong) {
      if (digits > 0) decimals = 0;  // points before the digits are skipped, as blanks are
    } else {
      return false;
    }
  }
  const int64_t v = value;
  const FieldMeaning& meaning = column.meaning;
  if (digits == 0 || meaning.max < meaning.min || v < meaning.min || v > meaning.max) return false;
  if (column.kind == FieldKind::Byte ? v > 127 : column.kind == FieldKind::Short && v > 32767) return false;
  if (isLong && &column == keyColumn()) {
    if (decimals >= 0) return false;
  } else if (isLong) {
    if (position >= tracks_.size() || tracks_[position].decimals < 0) return false;
    const ColumnTrack& track = tracks_[position];
    const int places = decimals >= 0 ? decimals : 0;
    if (places != track.decimals && !track.reported && !(decimals < 0 && track.decimals == 0)) return false;
  }
  if (record != nullptr) storeColumnNumber(record, column, value);
  return true;
}

void ImportScan::fillRecord(void* record, FieldList& fields, int used) {
  for (int i = 0; i < used; ++i) {
    const FieldDef* column = map_[static_cast<size_t>(i)];
    if (column == nullptr) continue;
    if (column->kind == FieldKind::Description && options_.dataFormat == kFormatSeasia) {
      readDescriptionBlock(record, *column, options_.dataType, fields.get(i));
    } else if (column->kind == FieldKind::Description && options_.descFontPairs) {
      fillDescFromPairs(record, *column, fields, i);
    }  // numbers and plain texts are in from checkValue()
  }
}

std::string ImportScan::dropReason(FieldList& fields, int used) const {
  const FieldDef* key = keyColumn();
  if (key == nullptr) return "it has no number";
  for (int i = used - 1; i >= 0; --i) {
    if (map_[static_cast<size_t>(i)] != key) continue;
    std::string copy(fields.get(i));
    std::string text = unquote(copy.data(), false);
    NumberText n = parseNumber(text, true);
    if (!n.readable) return key->name + std::string(" ") + quoted(text) + unreadable(n);
    return key->name + std::string(" ") + quoted(text) +
           (options_.mode == kModeDelete ? " is below 0" : " is not above 0");
  }
  return std::string("it has no ") + key->name + " field";
}

// The line the record's number was last on, 0 when none; this line is its
// last from now on.
int ImportScan::lineBefore(int lineNo, const RecordHeader& kind) {
  const uint64_t typeAndKey = uint64_t{static_cast<uint32_t>(kind.dataType)} << 32 | static_cast<uint32_t>(kind.key);
  auto [line, fresh] = keys_.insert(typeAndKey, static_cast<uint32_t>(lineNo));
  if (fresh) return 0;
  const auto before = static_cast<int>(*line);
  *line = static_cast<uint32_t>(lineNo);
  return before;
}

void ImportScan::checkKey(int lineNo, const RecordHeader& kind, int earlierLine) {
  ++records_;
  if (kind.mode == kModeDelete && kind.key == 0) {
    note(lineNo, "a deletion of number 0; every scale takes it as the deletion of every record of this type");
  }
  if (earlierLine == 0) return;
  note(lineNo, "number " + std::to_string(kind.key) + " was also on line " + std::to_string(earlierLine) +
                   "; the driver keeps this line's values");
}

// A description of `length` bytes grows at most by a line start for every
// byte when the scale wraps it, and by its closing byte.
size_t longestEncoding(size_t length) { return (kMaxLineStart + 1) * (length + 1) + 4; }

// A PLU addition whose numbers all fit every model's fields and whose
// description no configured scale's limit can cut reaches every scale as
// the file gives it: no scale refuses a PLU number of 1 to 999999. Such a
// record needs no conversion, which costs far more than reading its line.
bool ImportScan::reachesEveryScaleWhole(const RecordHeader& kind, const void* record) {
  if (kind.dataType != static_cast<int>(DataType::Plu) || kind.mode != kModeAdd) return false;
  // The columns the file gives (every one in "wmsmart", which has no
  // header); the others are 0, which every field holds.
  if (!map_.empty() ? !numbersFitEveryModel(map_, record) : !numbersFitEveryModel(allColumns(), record)) return false;
  const auto& plu = *static_cast<const PluRecord*>(record);
  return longestEncoding(strnlen(plu.desc, kPluDescSize)) <= shortestDescLimit_;
}

void ImportScan::checkScales(int lineNo, const RecordHeader& kind, const void* record, const NumberTexts& numbers) {
  if (reachesEveryScaleWhole(kind, record)) {
    digits_.endRecord(lineNo, numbers);
    return;
  }
  std::vector<std::string> refused;
  std::vector<std::string> cut;
  const bool pluAddition = kind.dataType == static_cast<int>(DataType::Plu) && kind.mode == kModeAdd;
  ScaleFieldList trace;
  for (const ScaleEntry* scale : scales_) {
    if (!scaleSupports(*scale, kind.dataType, kind.mode)) continue;  // the run leaves such scales out
    trace.clear();
    int length = convertedLength(*scale, kind.dataType, kind.mode, record, &trace);
    if (length < 0) {
      refused.push_back(scale->name);
      continue;
    }
    digits_.lookAtScale(*scale, trace, record, kind.dataType, kind.mode);
    if (!pluAddition) continue;
    int full = convertedLength(*unlimitedCopy(*scale), kind.dataType, kind.mode, record);
    if (full > length) {
      cut.push_back(scale->name + " (maxpludesclen " + std::to_string(scale->maxPluDescLen) + ") by " +
                    std::to_string(full - length) + " bytes");
    }
  }
  if (!refused.empty()) {
    const bool one = refused.size() == 1;
    note(lineNo, "number " + std::to_string(kind.key) + " cannot go to scale" + (one ? " " : "s ") +
                     joinNames(refused) +
                     (one ? "; that scale does not get this record" : "; those scales do not get this record"));
  }
  if (!cut.empty()) {
    note(lineNo, "the description is longer than the scale takes; the driver cuts it for " + joinNames(cut));
  }
  digits_.endRecord(lineNo, numbers);
}

// The row's record, once its fields are in: a row without a valid number
// is dropped; its texts, and a kept record, are looked at further on the
// keeping thread.
void ImportScan::checkRecord(int lineNo, void* record, FieldList& fields, int used) {
  const int32_t key = recordKey(options_.dataType, options_.mode, record);
  const bool valid = recordKeyIsValid(options_.mode, key);
  if (!valid && !keyMissingReported_) note(lineNo, "row dropped: " + dropReason(fields, used) + "; the driver skips it");
  passOn(lineNo, valid, key, record);
}

// Keeping side: a valid row's record, in keptImage_ up to `length`. Where
// the records are kept, their collector knows a number met before.
void ImportScan::keepRow(const RecordHeader& kind, const void* record, size_t length, const NumberTexts& numbers) {
  int earlierLine = 0;
  if (keep_ == nullptr) {
    earlierLine = lineBefore(kind.line, kind);
  } else if (PackedRecord* packed = keptImage_.pack(length, keep_->blocks())) {
    earlierLine = keep_->add(kind, packed);
  }
  checkKey(kind.line, kind, earlierLine);
  checkScales(kind.line, kind, record, numbers);
}

// Reading side: the row's record goes to the keeping thread.
void ImportScan::passOn(int lineNo, bool valid, int32_t key, const void* record) {
  LookedRows& batch = *filling_;
  const size_t length = imageLength();
  const auto* bytes = static_cast<const uint8_t*>(record);
  batch.rows.push_back(LookedRows::Row{lineNo, valid, key, batch.images.size(), length, 0});
  batch.images.insert(batch.images.end(), bytes, bytes + length);
  for (const auto& [offset, text] : rowNumbers_) {
    if (!text.empty()) batch.numbers.emplace_back(offset, text);
  }
  batch.rows.back().numbersEnd = batch.numbers.size();
  image_.zeroFrom(length);
  if (batch.rows.size() < LookedRows::kRows) return;
  if (!rowsExpected_) batch.expectedRows = expectedRows();
  rowsExpected_ = true;
  relay_->give(std::move(filling_));
  filling_ = relay_->emptyBatch();
}

// Reading side: the rows the whole file holds, told from the bytes the
// rows so far took, with an eighth more for lines longer than these.
size_t ImportScan::expectedRows() const {
  const int64_t consumed = rowsReader_->consumed();
  if (consumed <= 0 || rows_ <= 0) return 0;
  const double rows = static_cast<double>(rowsReader_->fileSize()) * rows_ / static_cast<double>(consumed) * 1.125;
  return static_cast<size_t>(std::min(rows, double{INT32_MAX}));
}

// Keeping side: every row the reading thread passes on, in file order.
void ImportScan::keepPassedRows() {
  while (std::unique_ptr<LookedRows> batch = relay_->take()) {
    if (batch->expectedRows > 0 && keep_ != nullptr) keep_->expect(batch->expectedRows);
    size_t numbersAt = 0;
    for (const LookedRows::Row& row : batch->rows) {
      void* record = keptImage_.blank(row.imageLength);
      std::memcpy(record, batch->images.data() + row.imageAt, row.imageLength);
      keptNumbers_.clear();
      for (; numbersAt < row.numbersEnd; ++numbersAt) {
        keptNumbers_[batch->numbers[numbersAt].first] = batch->numbers[numbersAt].second;
      }
      lookAtTexts(row.line, record);
      if (!row.valid) continue;
      keepRow(RecordHeader{options_.dataType, options_.mode, row.key, row.line}, record, row.imageLength, keptNumbers_);
    }
    batch->clear();
    relay_->giveBack(std::move(batch));
  }
}

// Looks at every row from the reader on. The rows are read, split and
// looked at on a thread of their own while this one looks at their texts
// and checks and keeps the records they give (keys, scales), so that a
// large file takes about as long as the slower half.
template <class Split>
void ImportScan::scanRows(LineReader& reader, Split split) {
  (void)keyColumn();  // found before two threads ask for it
  relay_ = std::make_unique<RowRelay<LookedRows>>();
  keepingThread_ = std::this_thread::get_id();
  filling_ = relay_->emptyBatch();
  rowsReader_ = &reader;
  rowsExpected_ = false;
  std::thread reading([this, &reader, &split] {
    FieldList fields;
    while (char* line = reader.nextLine()) {
      if (split(line, fields)) checkRow(reader.physicalLine(), fields);
    }
    relay_->give(std::move(filling_));
    relay_->close();
  });
  keepPassedRows();
  reading.join();
  relay_.reset();
  out_.insert(out_.end(), keptFound_.begin(), keptFound_.end());
  keptFound_.clear();
}

// The record's texts as they go to the scales, font/text pairs included.
void ImportScan::lookAtTexts(int lineNo, const void* record) {
  if (textColumns_.empty()) {
    for (int i = 0; i < columns_.count(); ++i) {
      const FieldDef* column = columns_.get(i);
      if (column->kind == FieldKind::Text || column->kind == FieldKind::Description) textColumns_.push_back(column);
    }
  }
  for (const FieldDef* column : textColumns_) {
    const char* text = static_cast<const char*>(record) + column->offset;
    texts_.look(lineNo, column->name, std::string_view(text, strnlen(text, column->width)));
  }
}

void ImportScan::checkRow(int lineNo, FieldList& fields) {
  if (fields.count() == 0) return;
  ++rows_;
  forgetRowNumbers();
  rowTextEnd_ = 0;
  checkFieldCount(lineNo, fields.count());
  int used = std::min(fields.count(), static_cast<int>(map_.size()));
  void* record = startImage(options_.dataType, options_.mode, rowReach());
  for (int i = 0; i < used; ++i) {
    const FieldDef* column = map_[static_cast<size_t>(i)];
    if (column != nullptr) checkValue(lineNo, static_cast<size_t>(i), *column, fields.get(i), record);
  }
  if (record == nullptr) return;
  fillRecord(record, fields, used);
  checkRecord(lineNo, record, fields, used);
}

void ImportScan::scanStandard(LineReader& reader) {
  buildFieldTable(columns_, options_.dataType, options_.mode);
  char* line = reader.nextLine();
  FieldList fields;
  if (line == nullptr) return;
  if (!readHeader(reader, line, fields)) {
    stopped_ = true;
    return;
  }
  const char separator = options_.separator;
  scanRows(reader, [separator, &reader](char* row, FieldList& rowFields) {
    return splitFields(row, reader.lineLength(), rowFields, separator);
  });
}

void ImportScan::scanSeasia(LineReader& reader) {
  buildFixedFieldTable(columns_, options_.dataType, options_.mode, options_.maxExMsg);
  for (int i = 0; i < columns_.count(); ++i) map_.push_back(columns_.get(i));
  std::unique_ptr<char[]> work(new char[kFixedWorkSize]);
  scanRows(reader, [this, &work](char* row, FieldList& fields) {
    return cutFixedColumns(row, columns_, fields, work.get(), kFixedWorkSize);
  });
}

// ----------------------------------------------------------------- wmsmart

// True when a "dt" field hands the record over to the description lines.
bool ImportScan::readWmsPluFields(int lineNo, const char* p, void* record, bool& bad) {
  for (;;) {
    size_t len = std::strcspn(p, "\x1f");
    if (len >= 2 && p[0] == 'd' && p[1] == 't') return true;
    for (size_t t = 0; len >= 2 && t < std::size(kWmsPluTags); ++t) {
      if (p[0] != kWmsPluTags[t].tag[0] || p[1] != kWmsPluTags[t].tag[1]) continue;
      const FieldDef* column = findColumn(kWmsPluTags[t].column);
      std::string value(p + 2, len - 2);
      if (column == nullptr) break;
      NumberText n = parseNumber(value, column->kind == FieldKind::Long);
      if (!n.readable) {
        note(lineNo, "record dropped: " + std::string(kWmsPluTags[t].tag) + " " + quoted(value) + unreadable(n) +
                         "; the driver skips the whole record");
        bad = true;
      } else {
        checkNumber(lineNo, t, *column, value);
        if (record != nullptr) setFieldFromText(record, *column, value.data());
      }
      break;
    }
    if (p[len] != kUnitSeparator || len <= 2) return false;
    p += len + 1;
  }
}

void ImportScan::finishWmsRecord() {
  within_ = Within::Nothing;
  void* record = wmsRecord_;
  wmsRecord_ = nullptr;
  if (record == nullptr || wmsBad_) return;
  RecordHeader kind = wmsKind_;
  kind.key = recordKey(kind.dataType, kind.mode, record);
  if (!recordKeyIsValid(kind.mode, kind.key)) {
    note(wmsLine_, "record dropped: number " + std::to_string(kind.key) + " is not " +
                       (kind.mode == kModeDelete ? "0 or more" : "above 0") + "; the driver skips it");
  } else {
    checkKey(wmsLine_, kind, lineBefore(wmsLine_, kind));
    checkScales(wmsLine_, kind, record, rowNumbers_);
  }
}

void ImportScan::startWmsRecord(int lineNo, const char* line, size_t firstLen) {
  const int plu = static_cast<int>(DataType::Plu);
  wmsLine_ = lineNo;
  wmsBad_ = false;
  forgetRowNumbers();
  ++rows_;
  std::string tag(line, 2);
  if (tag == "bc") {
    wmsKind_ = RecordHeader{plu, kModeAdd, 0};
    wmsRecord_ = startImage(plu, kModeAdd);
    within_ = readWmsPluFields(lineNo, line, wmsRecord_, wmsBad_) ? Within::PluDescription : Within::Nothing;
  } else if (tag == "p#" || tag == "r#") {
    bool deletion = tag == "p#";
    wmsKind_ =
        deletion ? RecordHeader{plu, kModeDelete, 0} : RecordHeader{static_cast<int>(DataType::ExMsg), kModeAdd, 0};
    const char* second = line + firstLen;
    if (!deletion && (*second != kUnitSeparator || second[1] != 'r' || second[2] != 't')) {
      note(lineNo,
           "record dropped: no \"rt\" field behind r#; the driver skips it and reads the lines below as records");
      return;
    }
    // The message's text lines below belong to it even if it is dropped.
    within_ = deletion ? Within::Nothing : Within::MessageText;
    wmsRecord_ = startImage(wmsKind_.dataType, wmsKind_.mode);
    std::string value(line + 2, firstLen - 2);
    uint32_t number = 0;
    if (wmsRecord_ == nullptr) return;
    if (!readImportNumber(value, true, number)) {
      note(lineNo, "record dropped: " + tag + " " + quoted(value) + unreadable(parseNumber(value, true)) +
                       "; the driver skips it");
      wmsBad_ = true;
    }
    int32_t key = static_cast<int32_t>(number);
    std::memcpy(static_cast<char*>(wmsRecord_) + (deletion ? offsetof(DeletionRecord, recNo) : 0), &key, sizeof key);
  } else {
    note(lineNo, "line skipped: its first tag " + quoted(tag) + " is none of bc, p# and r#; the driver skips it");
    return;
  }
  if (within_ == Within::Nothing) finishWmsRecord();
}

void ImportScan::scanWmsmart(LineReader& reader) {
  buildFieldTable(columns_, static_cast<int>(DataType::Plu), kModeAdd);
  while (const char* line = reader.nextLine()) {
    int lineNo = reader.physicalLine();
    texts_.look(lineNo, "Desc", line);  // tags and numbers are ASCII: what lies beyond is text
    if (within_ != Within::Nothing) {
      size_t len = std::strcspn(line, "\x1f");
      if (endsWmsRecord(line)) {
        finishWmsRecord();
      } else if (within_ == Within::PluDescription && line[len] == kUnitSeparator &&
                 !readWmsPluFields(lineNo, line + len + 1, wmsRecord_, wmsBad_)) {
        finishWmsRecord();
      }
      continue;
    }
    size_t firstLen = std::strcspn(line, "\x1f");
    if (firstLen >= 2) startWmsRecord(lineNo, line, firstLen);
  }
  if (within_ != Within::Nothing) finishWmsRecord();
}

void ImportScan::finish(LineReader& reader) {
  if (reader.stoppedAtLongLine()) {
    note(reader.physicalLine(), "the line is longer than 3072 characters; the driver stops reading the file here");
  }
  noteLinesWithNul(file_, reader.linesWithNul(), out_);
  if (records_ == 0 && !stopped_) {
    if (!header_ && rows_ == 0 && !reader.stoppedAtLongLine()) {
      note(0, "the file holds no data, only blank or comment lines if any; " + stops16());
    } else if (header_ && rows_ == 0) {
      note(headerLine_, "the file holds the header line and no row; " + stops16());
    } else {
      note(0, "no row gives a record; " + stops16());
    }
  }
  digits_.finish(file_, out_);
  texts_.finish(file_, out_);
  if (reader.hadByteOrderMark()) {
    out_.insert(out_.begin(), Finding{file_, 1, "the file starts with a byte-order mark; the driver skips it"});
  }
}

// The end of the furthest field the mapped columns write (a text and its
// NUL), or of the 8 bytes the record factory starts a record with:
// clearing the record for the next row need go no further.
size_t ImportScan::rowReach() {
  if (rowReach_ > 0) return rowReach_;
  rowReach_ = sizeof(DeletionRecord);
  for (const FieldDef* c : map_) {
    if (c == nullptr) continue;
    const bool text = c->kind == FieldKind::Text || c->kind == FieldKind::Description;
    const size_t size = c->kind == FieldKind::Long ? 4 : c->width + (text ? 1 : 0);
    rowReach_ = std::max(rowReach_, c->offset + size);
  }
  // A fixed-width description also sets the record's description size.
  if (options_.dataFormat == kFormatSeasia) rowReach_ = SIZE_MAX;
  return rowReach_;
}

// Where the row's record image ends, behind its last byte that is not
// zero at the latest: its numbers end within the row's reach, its texts at
// their NUL. Font pairs and fixed-width descriptions may leave bytes behind
// the NUL, which the kept record holds too.
size_t ImportScan::rowEnd() {
  if (options_.descFontPairs || options_.dataFormat != kFormatStandard) return SIZE_MAX;
  if (rowEndBase_ == 0) {
    rowEndBase_ = sizeof(DeletionRecord);
    for (const FieldDef* c : map_) {
      if (c == nullptr) continue;
      const bool text = c->kind == FieldKind::Text || c->kind == FieldKind::Description;
      const size_t size = text ? 0 : c->kind == FieldKind::Long ? 4 : c->width;
      rowEndBase_ = std::max(rowEndBase_, c->offset + size);
    }
  }
  return std::max(rowEndBase_, rowTextEnd_);
}

std::string ImportScan::stops16() const {
  return "the run stops with error 16 (" + quoted(formatMessage(kMsgNoImportData, file_.c_str())) + ")";
}

}  // namespace

MessageCode scanImportFile(const DriverOptions& options, const ScaleList& scales, FindingList& findings,
                           ReadAhead* ahead) {
  int format = options.dataFormat;
  if (format != kFormatStandard && format != kFormatSeasia && format != kFormatWmsmart) return kMsgNotSupported;
  if (!options.dataFile) return kMsgNoImportFile;
  std::FILE* file = openFile(*options.dataFile, "rb");
  if (file == nullptr) return kMsgCannotOpenTextFile;
  QuietLog quiet;
  {
    LineReader reader(file, quiet.log());
    FindingList own;
    const bool keep = ahead != nullptr && ahead->start(options);
    ImportScan scan(options, scales, own, keep ? ahead->collector() : nullptr);
    if (format == kFormatStandard) scan.scanStandard(reader);
    if (format == kFormatSeasia) scan.scanSeasia(reader);
    if (format == kFormatWmsmart) scan.scanWmsmart(reader);
    scan.finish(reader);
    if (keep && scan.readWhole(reader)) ahead->complete();
    sortByLine(own);
    findings.insert(findings.end(), own.begin(), own.end());
  }
  std::fclose(file);
  return kMsgOk;
}

}  // namespace tolvan
