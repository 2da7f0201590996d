#include "masterdata/nutrition_panel_encoding.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "masterdata/nutrition_panel.h"
#include "records/deletion_record.h"
#include "records/message_record.h"
#include "records/packing.h"
#include "records/scale_fields.h"

namespace tolvan {
namespace {

constexpr int kMsgNoNutrition = 46;
constexpr int kMsgNoNutritionDeletion = 15;
constexpr int kMsgNoNutritionRequest = 66;
constexpr int kBlockCodeNutrition = 60;
constexpr int kBlockCodeDeletion = 24;
constexpr int kBlockCodeRequest = 53;
constexpr size_t kBlockPanelLen = 126;
constexpr size_t kNutritionBodyLen = 91;

using R = NutritionRecord;

// Lines 4 and 5 have room for a 4-character content, the others for 3.
size_t contentWidth(size_t line) { return line == 3 || line == 4 ? 4 : 3; }

uint32_t percentOffset(size_t line) { return static_cast<uint32_t>(offsetof(R, percent) + line * sizeof(int16_t)); }

// Places printf-formatted fields one after another, each taking exactly its
// width: a longer value keeps its leading characters, as the scale reads it
// when the next field overwrites the rest.
class PanelLine {
 public:
  PanelLine(std::span<char> out, ScaleFieldList* trace) : out_(out), trace_(trace) {}

  __attribute__((format(printf, 3, 4))) void put(size_t width, const char* format, ...) {
    char text[32];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    const size_t got = n < 0 ? 0 : std::min(static_cast<size_t>(n), sizeof text - 1);
    if (width > out_.size() - used_ || width > sizeof text) return;
    std::memset(text + got, ' ', sizeof text - got);
    std::memcpy(out_.data() + used_, text, width);
    used_ += width;
  }
  // The record's number at `offset` ("%d" formats); the trace learns the
  // digits its field holds.
  void number(uint32_t offset, size_t width, const char* format, int value) {
    put(width, format, value);
    traceTextField(trace_, offset, width, format);
  }
  size_t used() const { return used_; }

 private:
  std::span<char> out_;
  ScaleFieldList* trace_;
  size_t used_ = 0;
};

void putBlockLine(PanelLine& out, const NutritionRecord& panel, size_t line) {
  const int width = static_cast<int>(contentWidth(line));
  out.put(static_cast<size_t>(width), "%*.*s", width, width, panel.content[line]);
  out.put(2, "%s", panel.unit[line] == kUnitGrams ? "g " : "mg");
  out.number(percentOffset(line), 4, "0%3d", panel.percent[line]);
}

// "60", number (6), serving size (10), "000000", serving count (4), grams
// and ounces (4 each), lines 1 to 8 (9 or 10 characters each), then the
// percentages 9 to 12 as "0%3d".
size_t writeBlockPanel(std::span<char> out, const NutritionRecord& panel, ScaleFieldList* trace) {
  PanelLine line(out, trace);
  line.put(2, "60");
  line.number(offsetof(R, nutritionNo), 6, "%.6d", static_cast<int>(panel.nutritionNo));
  line.put(10, "%10.10s", panel.serveSize);
  line.put(6, "000000");
  line.put(4, "%4.4s", panel.serveCont);
  line.number(offsetof(R, serveGram), 4, "%4d", panel.serveGram);
  line.number(offsetof(R, serveOz), 4, "%4d", panel.serveOz);
  for (size_t n = 0; n < 8; ++n) putBlockLine(line, panel, n);
  for (size_t n = 8; n < kNutrientLines; ++n) line.number(percentOffset(n), 4, "0%3d", panel.percent[n]);
  return line.used();
}

// "6002", number (6), energy in kJ (4), calories (3), percentages 7, 5 and
// 1 (2 each), twenty "0".
size_t writeLm50Panel(std::span<char> out, const NutritionRecord& panel, ScaleFieldList* trace) {
  PanelLine line(out, trace);
  line.put(4, "6002");
  line.number(offsetof(R, nutritionNo), 6, "%.6d", static_cast<int>(panel.nutritionNo));
  line.number(offsetof(R, energyKj), 4, "%4d", panel.energyKj);
  line.number(offsetof(R, calories), 3, "%3d", panel.calories);
  line.number(percentOffset(6), 2, "%2d", panel.percent[6]);
  line.number(percentOffset(4), 2, "%2d", panel.percent[4]);
  line.number(percentOffset(0), 2, "%2d", panel.percent[0]);
  line.put(20, "%s", "00000000000000000000");
  return line.used();
}

bool convertBlockNutrition(const ScaleEntry& scale, const NutritionRecord& panel, int& code,
                           std::span<uint8_t> buffer, int& length, ScaleFieldList* trace) {
  std::array<char, kBlockPanelLen> text{};
  const size_t n =
      scale.model == kModelLm50 ? writeLm50Panel(text, panel, trace) : writeBlockPanel(text, panel, trace);
  if (buffer.size() < n) return false;
  std::memcpy(buffer.data(), text.data(), n);
  code = kBlockCodeNutrition;
  length = static_cast<int>(n);
  return true;
}

// `text`'s first `width` characters at most, right-aligned and
// space-padded, at the start of `out`.
void rightAligned(std::span<uint8_t> out, size_t width, const char* text) {
  const size_t n = strnlen(text, width);
  std::fill_n(out.begin(), width - n, ' ');
  std::memcpy(out.data() + width - n, text, n);
}

uint16_t bits16(int16_t v) { return static_cast<uint16_t>(v); }

// Line group: content (3 or 4), zero, the unit byte, percentage (BCD 4).
size_t writeMessageLine(std::span<uint8_t> group, const NutritionRecord& panel, size_t line, ScaleFieldList* trace) {
  const size_t width = contentWidth(line);
  rightAligned(group, width, panel.content[line]);
  group[width] = 0;
  group[width + 1] = static_cast<uint8_t>(panel.unit[line]);
  PackBcd16Field(group.subspan(width + 2, 2), bits16(panel.percent[line]), 4, trace, percentOffset(line));
  return width + 4;
}

// [0..3] number, BCD 8; [4..13] serving size "%10s"; [14] 0; [15..18]
// serving count "%4s"; [19] 0; [20..21] grams, [22..23] ounces, BCD 4;
// [24..81] lines 1 to 8; [82..89] percentages 9 to 12, BCD 4; [90] 0.
void writeMessageBody(std::span<uint8_t, kNutritionBodyLen> body, const NutritionRecord& panel,
                      ScaleFieldList* trace) {
  std::fill(body.begin(), body.end(), 0);
  PackBcdField(body.first(4), static_cast<uint32_t>(panel.nutritionNo), 8, trace, offsetof(R, nutritionNo));
  rightAligned(body.subspan(4, 10), 10, panel.serveSize);
  rightAligned(body.subspan(15, 4), 4, panel.serveCont);
  PackBcd16Field(body.subspan(20, 2), bits16(panel.serveGram), 4, trace, offsetof(R, serveGram));
  PackBcd16Field(body.subspan(22, 2), bits16(panel.serveOz), 4, trace, offsetof(R, serveOz));
  size_t at = 24;
  for (size_t n = 0; n < 8; ++n) at += writeMessageLine(body.subspan(at), panel, n, trace);
  for (size_t n = 8; n < kNutrientLines; ++n, at += 2) {
    PackBcd16Field(body.subspan(at, 2), bits16(panel.percent[n]), 4, trace, percentOffset(n));
  }
}

bool convertMessageNutrition(const NutritionRecord& panel, int& code, std::span<uint8_t> buffer, int& length,
                             ScaleFieldList* trace) {
  const size_t total = kMessageRecordHeaderLen + kNutritionBodyLen;
  if (buffer.size() < total) return false;
  MakeRecordHeader(buffer, kMsgNoNutrition, kNutritionBodyLen);
  writeMessageBody(buffer.subspan<kMessageRecordHeaderLen, kNutritionBodyLen>(), panel, trace);
  code = kMsgNoNutrition;
  length = static_cast<int>(total);
  return true;
}

bool putText(std::span<uint8_t> buffer, const char* text, int& length) {
  const size_t n = std::strlen(text);
  if (buffer.size() < n) return false;
  std::memcpy(buffer.data(), text, n);
  length = static_cast<int>(n);
  return true;
}

}  // namespace

bool convertNutrition(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                      int& length, ScaleFieldList* trace) {
  length = 0;
  if (record == nullptr) return false;
  const auto& panel = *static_cast<const NutritionRecord*>(record);
  if (ScaleIsMessageFamily(scale)) return convertMessageNutrition(panel, code, buffer, length, trace);
  if (ScaleIsBlockFamily(scale)) return convertBlockNutrition(scale, panel, code, buffer, length, trace);
  return false;
}

bool convertNutritionDeletion(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                              int& length, ScaleFieldList* trace) {
  length = 0;
  if (record == nullptr) return false;
  DeletionRecord deletion{};
  std::memcpy(&deletion, record, sizeof deletion);
  if (ScaleIsMessageFamily(scale)) {
    if (buffer.size() < 4) return false;
    PackBcdField(buffer.first(4), static_cast<uint32_t>(deletion.recNo), 8, trace, offsetof(DeletionRecord, recNo));
    code = kMsgNoNutritionDeletion;
    length = 4;
    return true;
  }
  if (!ScaleIsBlockFamily(scale) || deletion.recNo < 0 || deletion.recNo >= kBlockNutritionLimit) return false;
  char text[16];
  std::snprintf(text, sizeof text, "24%.6d", static_cast<int>(deletion.recNo));
  if (!putText(buffer, text, length)) return false;
  code = kBlockCodeDeletion;
  return true;
}

bool buildNutritionUploadRequest(const ScaleEntry& scale, int& code, std::span<uint8_t> buffer, int& length) {
  length = 0;
  if (ScaleIsMessageFamily(scale)) {
    if (buffer.size() < 4) return false;
    std::fill_n(buffer.begin(), 4, 0);
    code = kMsgNoNutritionRequest;
    length = 4;
    return true;
  }
  if (!ScaleIsBlockFamily(scale)) return false;
  if (!putText(buffer, scale.version == kVersionUsa ? "53000000" : "5302000000", length)) return false;
  code = kBlockCodeRequest;
  return true;
}

}  // namespace tolvan
