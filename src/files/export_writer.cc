#include "files/export_writer.h"

#include <array>
#include <cstring>

#include "core/driver.h"
#include "dispatch/field_tables.h"
#include "files/export_target.h"
#include "files/work_files.h"
#include "platform/files.h"
#include "records/data_types.h"

namespace tolvan {
namespace {

constexpr char kEsc = 0x1B;
constexpr char kQuote = '"';
constexpr const char* kLineEnd = "\r\n";
// Work files are copied through a buffer of this size.
constexpr size_t kCopyChunk = 32767;

const uint8_t* at(const void* record, uint32_t offset) { return static_cast<const uint8_t*>(record) + offset; }

// Text of at most `width` characters, stopping at its NUL. A CR or LF a
// scale sent becomes a space: the export's lines end only where the
// driver ends them, so no received text can start a row of its own.
std::string boundedText(const uint8_t* text, size_t width) {
  const void* nul = std::memchr(text, 0, width);
  size_t length = nul != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - text) : width;
  std::string out(reinterpret_cast<const char*>(text), length);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

std::string formatValue(const FieldDef& column, const void* record, char separator, bool fontPairs) {
  const uint8_t* value = at(record, column.offset);
  switch (column.kind) {
    case FieldKind::Byte:
      return std::to_string(static_cast<unsigned>(value[0]));
    case FieldKind::Short: {
      uint16_t v = 0;
      std::memcpy(&v, value, sizeof v);
      return std::to_string(static_cast<unsigned>(v));
    }
    case FieldKind::Long: {
      int32_t v = 0;
      std::memcpy(&v, value, sizeof v);
      return std::to_string(v);
    }
    case FieldKind::Text:
      return boundedText(value, column.width);
    case FieldKind::Description: {
      std::string text = boundedText(value, static_cast<size_t>(kMaxDescLen));
      return fontPairs ? formatFontPairs(text.c_str(), separator) : text;
    }
  }
  return std::string();
}

// Steps over an escape: ESC and up to two following bytes, not past the NUL.
size_t skipEscape(const char* text, size_t i) {
  size_t end = i + 1;
  for (int k = 0; k < 2 && text[end] != '\0'; ++k) ++end;
  return end;
}

bool isFontEscape(const char* text, size_t i) { return text[i] == kEsc && text[i + 1] == 'C'; }

}  // namespace

std::string formatFontPairs(const char* description, char separator) {
  std::string out;
  if (description[0] == '\0') return out;
  if (description[0] != kEsc) return std::string(2, kQuote);
  size_t i = 0;
  for (;;) {
    // The font of the pair: ESC 'C' f gives f; another escape gives none.
    if (isFontEscape(description, i) && description[i + 2] != '\0') out += description[i + 2];
    out += separator;
    i = skipEscape(description, i);
    out += kQuote;
    while (description[i] != '\0' && !isFontEscape(description, i)) {
      if (description[i] == kEsc) {
        i = skipEscape(description, i);
      } else {
        out += description[i++];
      }
    }
    out += kQuote;
    if (description[i] == '\0') return out;
    out += separator;
  }
}

std::string formatRecordLine(const FieldTable& columns, const void* record, char separator, bool fontPairs) {
  std::string line;
  for (int c = 0; c < columns.count(); ++c) {
    if (c > 0) line += separator;
    line += formatValue(*columns.get(c), record, separator, fontPairs);
  }
  line += kLineEnd;
  return line;
}

namespace {

std::string headerLine(const FieldTable& columns, char separator) {
  std::string line;
  for (int c = 0; c < columns.count(); ++c) {
    if (c > 0) line += separator;
    line += columns.get(c)->name;
  }
  line += kLineEnd;
  return line;
}

bool writeRecords(Driver& driver, const FieldTable& columns, ReplacementFile& out) {
  RecordImage image;
  for (int i = 0; i < driver.records.count(); ++i) {
    const void* record = driver.records.image(i, image);
    if (record == nullptr) continue;
    if (!out.write(formatRecordLine(columns, record, driver.options.separator, driver.options.descFontPairs))) {
      return false;
    }
  }
  return true;
}

// Each scale's totals lines, already formatted by the totals handlers,
// in the scale table's current order; a missing work file is skipped.
// Their lines hold only numbers and the configured scale name, so they
// are copied as they are.
bool copyWorkFiles(Driver& driver, ReplacementFile& out) {
  std::array<char, kCopyChunk> chunk{};
  for (int s = 0; s < driver.scales.count(); ++s) {
    const ScaleEntry* scale = driver.scales.get(s);
    if (scale == nullptr) continue;
    std::FILE* in = openFile(workFileName(*scale), "rb");
    if (in == nullptr) continue;
    size_t n = 0;
    bool copied = true;
    while (copied && (n = std::fread(chunk.data(), 1, chunk.size(), in)) > 0) copied = out.write(chunk.data(), n);
    copied = copied && std::ferror(in) == 0;
    std::fclose(in);
    if (!copied) return false;
  }
  return true;
}

MessageCode exportFailed(Driver& driver) {
  driver.log.error(kMsgCannotOpenTextFile, exportNameInMessages(driver.options));
  return kMsgCannotOpenTextFile;
}

}  // namespace

// The export is written beside itself and renamed into place only when
// every byte is on disk: a store system never reads a torn export, and a
// failed write leaves the previous one as it was.
MessageCode writeExportFile(Driver& driver) {
  const DriverOptions& options = driver.options;
  if (!options.dataFile) return exportFailed(driver);
  ReplacementFile out(*options.dataFile);
  if (!out.open()) return exportFailed(driver);
  FieldTable columns;
  buildFieldTable(columns, options.dataType, kModeReceive);
  bool written = out.write(headerLine(columns, options.separator)) &&
                 (isTotalsType(options.dataType) ? copyWorkFiles(driver, out) : writeRecords(driver, columns, out));
  columns.clearAndFree();
  if (!written || !out.commit()) return exportFailed(driver);
  return kMsgOk;
}

}  // namespace tolvan
