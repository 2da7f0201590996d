#include "files/import_reader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

#include "dispatch/field_tables.h"
#include "dispatch/record_factory.h"
#include "files/field_splitter.h"
#include "files/line_reader.h"
#include "files/read_ahead.h"
#include "files/record_collector.h"
#include "files/work_files.h"
#include "masterdata/extra_message.h"
#include "platform/files.h"
#include "plu/plu_record.h"
#include "records/data_types.h"
#include "records/deletion_record.h"

namespace tolvan {
namespace {

constexpr char kEsc = 27;

// A field table that releases its entries when the import is done.
struct OwnedFieldTable {
  ~OwnedFieldTable() { table.clearAndFree(); }
  const FieldDef* find(const char* name) const {
    for (int i = 0; i < table.count(); ++i) {
      if (std::strcmp(table.get(i)->name, name) == 0) return table.get(i);
    }
    return nullptr;
  }
  FieldTable table;
};

char* fieldAt(void* record, const FieldDef& column) { return static_cast<char*>(record) + column.offset; }

// The reading of an import number over [p, end), or up to the NUL when
// `end` is null: blanks, an optional sign, digits; '.' skipped with
// `skipDots`. A number outside -2147483648 to 2147483647 does not read:
// kept to its low 32 bits, deletion 4294967296 would become deletion 0,
// which empties the scale.
bool readDecimal(const char* p, const char* end, bool skipDots, uint32_t& value) {
  auto next = [&]() -> char {
    while (skipDots && p != end && *p == '.') ++p;
    return p != end ? *p : '\0';
  };
  while (next() == ' ' || next() == '\t') ++p;
  bool negative = next() == '-';
  if (negative || next() == '+') ++p;
  if (next() < '0' || next() > '9') return false;
  constexpr uint64_t kMagnitudeMax = uint64_t{1} << 31;  // of -2147483648
  uint64_t v = 0;
  for (char c = next(); c >= '0' && c <= '9'; c = next()) {
    if (v <= kMagnitudeMax) v = v * 10u + static_cast<uint64_t>(c - '0');
    ++p;
  }
  if (v > (negative ? kMagnitudeMax : kMagnitudeMax - 1)) return false;
  value = negative ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
  return true;
}

bool isNumberKind(FieldKind kind) {
  return kind == FieldKind::Byte || kind == FieldKind::Short || kind == FieldKind::Long;
}

// Reads [text, end) (up to the NUL when `end` is null) as the column's
// number and stores it; false (field left as it was) when it does not read.
bool storeNumberText(void* record, const FieldDef& column, const char* text, const char* end = nullptr) {
  uint32_t value = 0;
  if (!readDecimal(text, end, column.kind == FieldKind::Long, value)) return false;
  storeColumnNumber(record, column, value);
  return true;
}

void storeText(void* record, const FieldDef& column, const char* text) {
  (void)storeColumnText(record, column, std::string_view(text, strnlen(text, column.width)));
}

void setDescSize(void* record, int dataType, uint16_t size) {
  size_t offset = 0;
  if (dataType == static_cast<int>(DataType::Plu)) {
    offset = offsetof(PluRecord, descSize);
  } else if (isExMsgType(dataType)) {
    offset = offsetof(ExMsgRecord, descSize);
  } else {
    return;
  }
  std::memcpy(static_cast<char*>(record) + offset, &size, sizeof size);
}

// Writes description lines, each a font escape and its text, keeping the
// description below `limit` bytes; always NUL-terminated. A writer without
// a target (record type not available) only swallows the lines.
class DescWriter {
 public:
  DescWriter() = default;
  DescWriter(char* out, size_t limit) : out_(out), limit_(limit) {}

  void addLine(char font, const char* text, size_t len) {
    if (out_ == nullptr || used_ + 3 >= limit_) return;
    out_[used_++] = kEsc;
    out_[used_++] = 'C';
    out_[used_++] = font;
    size_t room = limit_ - 1 - used_;
    if (len > room) len = room;
    std::memcpy(out_ + used_, text, len);
    used_ += len;
    out_[used_] = '\0';
  }

 private:
  char* out_ = nullptr;
  size_t limit_ = 0;
  size_t used_ = 0;
};

// What one import needs besides its format's own state. Each line is read
// into the one full image, and only a valid record is kept, packed.
struct ImportRun {
  Driver& driver;
  LineReader& reader;
  RecordCollector& collector;
  int dataType;
  int mode;
  RecordImage image{};
};

// The record of `dataType` and `mode` of the next line, all zero but for
// what the type starts with; nullptr for a type without import records.
void* startLine(ImportRun& run, int dataType, int mode) {
  return startRecord(dataType, mode, run.image.blank(static_cast<size_t>(recordLength(dataType, mode))));
}

// Keeps the valid record in the image under {data type, mode, key}, read
// from `line` on.
void keepRecord(ImportRun& run, int dataType, int mode, const void* record, int line) {
  int32_t key = recordKey(dataType, mode, record);
  if (!recordKeyIsValid(mode, key)) return;
  PackedRecord* packed = run.image.pack(static_cast<size_t>(recordLength(dataType, mode)), run.collector.blocks());
  if (packed != nullptr) run.collector.add(RecordHeader{dataType, mode, key, line}, packed);
}

MessageCode noData(Driver& driver) {
  driver.log.error(kMsgNoImportData, driver.options.dataFile->c_str());
  return kMsgNoImportData;
}

// ---------------------------------------------------------------- standard

bool isFontChar(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'D'); }

}  // namespace

void fillDescFromPairs(void* record, const FieldDef& column, FieldList& fields, int first) {
  char* desc = fieldAt(record, column);
  const size_t limit = column.width;
  size_t used = 0;
  char font = '3';
  for (int i = first; i + 1 < fields.count(); i += 2) {
    if (used + 6 >= limit) break;
    if (isFontChar(fields.get(i)[0])) font = fields.get(i)[0];
    desc[used] = kEsc;
    desc[used + 1] = 'C';
    desc[used + 2] = font;
    const char* text = unquote(fields.get(i + 1), true);
    size_t len = std::strlen(text);
    if (len == 0) continue;
    size_t room = limit - 1 - (used + 3);
    if (len > room) len = room;
    std::memcpy(desc + used + 3, text, len);
    used += 3 + len;
  }
  desc[used] = '\0';
}

namespace {

using ColumnMap = std::vector<const FieldDef*>;  // nullptr: a skipped column

// Maps the header's names to columns; false when no name is known.
bool mapHeader(const OwnedFieldTable& columns, const FieldList& names, bool fontPairs, ColumnMap& map) {
  bool known = false;
  for (int i = 0; i < names.count(); ++i) {
    const FieldDef* column = columns.find(names.get(i));
    if (column == nullptr && fontPairs && std::strcmp(names.get(i), "Font1") == 0) {
      column = columns.find("Desc");
      if (column != nullptr) {
        map.push_back(column);
        known = true;
        break;  // the font/text pairs take the rest of every line
      }
    }
    map.push_back(column);
    known = known || column != nullptr;
  }
  return known;
}

void readStandardLine(ImportRun& run, const ColumnMap& map, FieldList& fields) {
  if (fields.count() == 0) return;
  void* record = startLine(run, run.dataType, run.mode);
  if (record == nullptr) return;
  int n = fields.count() < static_cast<int>(map.size()) ? fields.count() : static_cast<int>(map.size());
  bool fontPairs = run.driver.options.descFontPairs;
  for (int i = 0; i < n; ++i) {
    const FieldDef* column = map[static_cast<size_t>(i)];
    if (column == nullptr) continue;
    if (column->kind == FieldKind::Description && fontPairs) {
      fillDescFromPairs(record, *column, fields, i);
    } else {
      setFieldFromText(record, *column, fields.get(i));
    }
  }
  keepRecord(run, run.dataType, run.mode, record, run.reader.physicalLine());
}

MessageCode importStandard(ImportRun& run) {
  OwnedFieldTable columns;
  buildFieldTable(columns.table, run.dataType, run.mode);
  char separator = run.driver.options.separator;
  char* line = run.reader.nextLine();
  if (line == nullptr) return noData(run.driver);
  FieldList fields;
  ColumnMap map;
  auto first = static_cast<unsigned char>(line[0]);
  if (first >= 'A' && first < 128) {
    if (!splitFields(line, fields, separator)) return noData(run.driver);
    if (!mapHeader(columns, fields, run.driver.options.descFontPairs, map)) return noData(run.driver);
  } else {
    run.reader.rewind();
    for (int i = 0; i < columns.table.count(); ++i) map.push_back(columns.table.get(i));
  }
  while ((line = run.reader.nextLine()) != nullptr) {
    if (splitFields(line, run.reader.lineLength(), fields, separator)) readStandardLine(run, map, fields);
  }
  return kMsgOk;
}

// ------------------------------------------------------------------ seasia

constexpr size_t kBlockLineLen = 57;
constexpr size_t kBlockTextLen = 50;
constexpr int kBlockLines = 3;

void putEscape(char* desc, size_t& used, char kind, char value) {
  desc[used++] = kEsc;
  desc[used++] = kind;
  desc[used++] = value;
}

// One 57-character description line of the fixed format: text, two
// attribute flags, three font bits (and, on the first line, the size flag).
// `end` moves behind the line only when it has text.
void writeBlockLine(const char* in, char* desc, size_t& used, size_t& end) {
  size_t textLen = kBlockTextLen;
  while (textLen > 0 && in[textLen - 1] == ' ') --textLen;
  int font = (in[53] == '1' ? 1 : 0) + (in[54] == '1' ? 2 : 0) + (in[55] == '1' ? 4 : 0);
  putEscape(desc, used, 'C', static_cast<char>('0' + font));
  if (textLen == 0) return;
  const bool attr1 = in[51] == '1';
  const bool attr3 = in[52] == '1';
  if (attr1) putEscape(desc, used, 'D', '1');
  if (attr3) putEscape(desc, used, 'D', '3');
  std::memcpy(desc + used, in, textLen);
  used += textLen;
  if (attr1) putEscape(desc, used, 'D', '1');
  if (attr3) putEscape(desc, used, 'D', '3');
  end = used;
}

}  // namespace

// Three lines take at most 3 * 65 bytes of the description.
void readDescriptionBlock(void* record, const FieldDef& column, int dataType, const char* text) {
  char* desc = fieldAt(record, column);
  size_t len = std::strlen(text);
  size_t used = 0;
  size_t end = 0;
  uint16_t size = 0;
  for (int k = 0; k < kBlockLines && len >= kBlockLineLen * static_cast<size_t>(k + 1); ++k) {
    const char* in = text + kBlockLineLen * static_cast<size_t>(k);
    if (k == 0) size = in[56] == '1' ? 400 : 600;
    writeBlockLine(in, desc, used, end);
    if (k == 0 && end == 0) end = 3;  // a lone font escape if no line has text
  }
  desc[end] = '\0';
  setDescSize(record, dataType, size);
}

namespace {

void readSeasiaLine(ImportRun& run, const OwnedFieldTable& columns, FieldList& fields) {
  if (fields.count() == 0) return;
  void* record = startLine(run, run.dataType, run.mode);
  if (record == nullptr) return;
  int n = fields.count() < columns.table.count() ? fields.count() : columns.table.count();
  for (int i = 0; i < n; ++i) {
    const FieldDef& column = *columns.table.get(i);
    if (column.kind == FieldKind::Description) {
      readDescriptionBlock(record, column, run.dataType, fields.get(i));
    } else {
      setFieldFromText(record, column, fields.get(i));
    }
  }
  keepRecord(run, run.dataType, run.mode, record, run.reader.physicalLine());
}

MessageCode importSeasia(ImportRun& run) {
  OwnedFieldTable columns;
  buildFixedFieldTable(columns.table, run.dataType, run.mode, run.driver.options.maxExMsg);
  std::unique_ptr<char[]> work(new char[kFixedWorkSize]);
  FieldList fields;
  while (char* line = run.reader.nextLine()) {
    if (cutFixedColumns(line, columns.table, fields, work.get(), kFixedWorkSize)) {
      readSeasiaLine(run, columns, fields);
    }
  }
  return kMsgOk;
}

// ----------------------------------------------------------------- wmsmart

class WmsmartImport {
 public:
  explicit WmsmartImport(ImportRun& run) : run_(run) {
    buildFieldTable(plu_.table, static_cast<int>(DataType::Plu), kModeAdd);
    buildFieldTable(message_.table, static_cast<int>(DataType::ExMsg), kModeAdd);
    for (size_t i = 0; i < std::size(kWmsPluTags); ++i) pluTagColumns_[i] = plu_.find(kWmsPluTags[i].column);
  }

  void readAll() {
    while (const char* line = run_.reader.nextLine()) {
      size_t firstLen = std::strcspn(line, "\x1f");
      if (firstLen < 2) continue;
      if (line[0] == 'b' && line[1] == 'c') {
        readPluAddition(line);
      } else if (line[0] == 'p' && line[1] == '#') {
        readPluDeletion(line, firstLen);
      } else if (line[0] == 'r' && line[1] == '#') {
        readMessage(line, firstLen);
      }
    }
  }

 private:
  enum class FieldsEnd { Record, Description };

  void readPluAddition(const char* line);
  FieldsEnd readPluFields(const char* fields, void* record, DescWriter& desc, bool& bad);
  void readPluDeletion(const char* line, size_t firstLen);
  void readMessage(const char* line, size_t firstLen);
  void readFollowingLines(char font, DescWriter& desc);

  ImportRun& run_;
  OwnedFieldTable plu_;
  OwnedFieldTable message_;
  const FieldDef* pluTagColumns_[std::size(kWmsPluTags)] = {};
};

// Applies the fields from `fields` on; a "dt" field takes the rest of the
// line as the first description line and hands over to the lines below.
WmsmartImport::FieldsEnd WmsmartImport::readPluFields(const char* fields, void* record, DescWriter& desc,
                                                      bool& bad) {
  const char* p = fields;
  for (;;) {
    size_t len = std::strcspn(p, "\x1f");
    if (len >= 2 && p[0] == 'd' && p[1] == 't') {
      desc.addLine('1', p + 2, std::strlen(p + 2));
      return FieldsEnd::Description;
    }
    for (size_t t = 0; t < std::size(kWmsPluTags); ++t) {
      if (len < 2 || p[0] != kWmsPluTags[t].tag[0] || p[1] != kWmsPluTags[t].tag[1]) continue;
      const FieldDef* column = pluTagColumns_[t];
      if (column == nullptr || record == nullptr) break;
      if (!storeNumberText(record, *column, p + 2, p + len)) bad = true;
      break;
    }
    if (p[len] != kUnitSeparator || len <= 2) return FieldsEnd::Record;
    p += len + 1;
  }
}

void WmsmartImport::readPluAddition(const char* line) {
  const int firstLine = run_.reader.physicalLine();
  void* record = startLine(run_, static_cast<int>(DataType::Plu), kModeAdd);
  const FieldDef* descColumn = plu_.find("Desc");
  DescWriter desc;
  if (record != nullptr && descColumn != nullptr) desc = DescWriter(fieldAt(record, *descColumn), descColumn->width);
  bool bad = record == nullptr;
  FieldsEnd end = readPluFields(line, record, desc, bad);
  while (end == FieldsEnd::Description) {
    const char* next = run_.reader.nextLine();
    if (next == nullptr || endsWmsRecord(next)) break;
    size_t len = std::strcspn(next, "\x1f");
    desc.addLine('1', next, len);
    if (next[len] == kUnitSeparator) end = readPluFields(next + len + 1, record, desc, bad);
  }
  if (bad) return;
  setDescSize(record, static_cast<int>(DataType::Plu), 60);
  keepRecord(run_, static_cast<int>(DataType::Plu), kModeAdd, record, firstLine);
}

void WmsmartImport::readPluDeletion(const char* line, size_t firstLen) {
  auto* deletion = static_cast<DeletionRecord*>(startLine(run_, static_cast<int>(DataType::Plu), kModeDelete));
  if (deletion == nullptr) return;
  uint32_t number = 0;
  if (readImportNumber(std::string_view(line + 2, firstLen - 2), true, number)) {
    deletion->recNo = static_cast<int32_t>(number);
  }
  keepRecord(run_, static_cast<int>(DataType::Plu), kModeDelete, deletion, run_.reader.physicalLine());
}

// The lines below a description's first line, each a further line in
// `font`, up to a line opening with a unit or record separator (consumed)
// or the end of the file.
void WmsmartImport::readFollowingLines(char font, DescWriter& desc) {
  while (const char* next = run_.reader.nextLine()) {
    if (endsWmsRecord(next)) return;
    desc.addLine(font, next, std::strlen(next));
  }
}

void WmsmartImport::readMessage(const char* line, size_t firstLen) {
  const int type = static_cast<int>(DataType::ExMsg);
  const int firstLine = run_.reader.physicalLine();
  uint32_t number = 0;
  bool readable = readImportNumber(std::string_view(line + 2, firstLen - 2), true, number);
  const char* second = line + firstLen;
  if (*second != kUnitSeparator || second[1] != 'r' || second[2] != 't') return;  // no "rt": dropped
  void* record = startLine(run_, type, kModeAdd);
  const FieldDef* numberColumn = message_.find("Message_No");
  const FieldDef* descColumn = message_.find("Desc");
  DescWriter desc;
  if (record != nullptr && descColumn != nullptr) desc = DescWriter(fieldAt(record, *descColumn), descColumn->width);
  desc.addLine('0', second + 3, std::strlen(second + 3));
  readFollowingLines('0', desc);
  if (record == nullptr || !readable || numberColumn == nullptr) return;
  storeColumnNumber(record, *numberColumn, number);
  setDescSize(record, type, 60);
  keepRecord(run_, type, kModeAdd, record, firstLine);
}

MessageCode importWmsmart(ImportRun& run) {
  WmsmartImport(run).readAll();
  return kMsgOk;
}

MessageCode importLines(ImportRun& run, int format) {
  switch (format) {
    case kFormatStandard:
      return importStandard(run);
    case kFormatSeasia:
      return importSeasia(run);
    default:
      return importWmsmart(run);
  }
}

}  // namespace

bool readImportNumber(std::string_view text, bool skipDots, uint32_t& value) {
  return readDecimal(text.data(), text.data() + text.size(), skipDots, value);
}

size_t storeColumnText(void* record, const FieldDef& column, std::string_view text) {
  const size_t length = std::min(text.size(), static_cast<size_t>(column.width));
  char* out = fieldAt(record, column);
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
  return length;
}

void storeColumnNumber(void* record, const FieldDef& column, uint32_t value) {
  char* at = fieldAt(record, column);
  if (column.kind == FieldKind::Byte) {
    auto v = static_cast<uint8_t>(value);
    std::memcpy(at, &v, sizeof v);
  } else if (column.kind == FieldKind::Short) {
    auto v = static_cast<uint16_t>(value);
    std::memcpy(at, &v, sizeof v);
  } else {
    std::memcpy(at, &value, sizeof value);
  }
}

void setFieldFromText(void* record, const FieldDef& column, char* text) {
  bool isText = column.kind == FieldKind::Text || column.kind == FieldKind::Description;
  const char* value = unquote(text, isText);
  if (isNumberKind(column.kind)) {
    storeNumberText(record, column, value);
  } else if (isText) {
    storeText(record, column, value);
  }
}

MessageCode importFile(Driver& driver, ReadAhead* ahead) {
  const DriverOptions& options = driver.options;
  int format = options.dataFormat;
  if (format != kFormatStandard && format != kFormatSeasia && format != kFormatWmsmart) return kMsgNotSupported;
  if (!options.dataFile) {
    driver.log.error(kMsgNoImportFile);
    return kMsgNoImportFile;
  }
  if (ahead != nullptr && ahead->handOver(options, driver.records, driver.headers)) {
    return driver.records.count() == 0 ? noData(driver) : kMsgOk;
  }
  std::FILE* file = openFile(*options.dataFile, "rb");
  if (file == nullptr) {
    driver.log.error(kMsgCannotOpenTextFile, options.dataFile->c_str());
    return kMsgCannotOpenTextFile;
  }
  MessageCode code = kMsgOk;
  {
    LineReader reader(file, driver.log);
    RecordCollector collector(format == kFormatWmsmart ? RecordCollector::Order::FileOrder
                                                       : RecordCollector::Order::ByKey);
    ImportRun run{driver, reader, collector, options.dataType, options.mode};
    code = importLines(run, format);
    collector.handOver(driver.records, driver.headers);
  }
  std::fclose(file);
  if (code == kMsgOk && driver.records.count() == 0) return noData(driver);
  return code;
}

}  // namespace tolvan
