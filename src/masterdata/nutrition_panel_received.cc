#include "masterdata/nutrition_panel_received.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "masterdata/nutrition_panel.h"
#include "records/first_arrival.h"
#include "records/packing.h"

namespace tolvan {
namespace {

size_t contentWidth(size_t line) { return line == 3 || line == 4 ? 4 : 3; }

// Copies `count` bytes of `in` from `first` on, as they are, stopping at
// its end or a NUL; `out` keeps its NUL behind them.
void copyBytes(char* out, std::span<const uint8_t> in, size_t first, size_t count) {
  for (size_t k = 0; k < count && first + k < in.size() && in[first + k] != 0; ++k) out[k] = static_cast<char>(in[first + k]);
}

// ---- Message family: the 91-byte body. ----

int16_t bcdShort(std::span<const uint8_t> body, size_t at) {
  int16_t value = 0;
  if (at < body.size()) UnpackBcdShort(value, body.subspan(at), 4);
  return value;
}

void parseMessageBody(std::span<const uint8_t> body, NutritionRecord& panel) {
  UnpackBcdLong(panel.nutritionNo, body, 8);
  copyBytes(panel.serveSize, body, 4, 10);
  copyBytes(panel.serveCont, body, 15, 4);
  panel.serveGram = bcdShort(body, 20);
  panel.serveOz = bcdShort(body, 22);
  size_t at = 24;
  for (size_t n = 0; n < 8; ++n) {
    const size_t width = contentWidth(n);
    copyBytes(panel.content[n], body, at, width);
    if (at + width + 1 < body.size()) panel.unit[n] = static_cast<int8_t>(body[at + width + 1]);
    panel.percent[n] = bcdShort(body, at + width + 2);
    at += width + 4;
  }
  for (size_t n = 8; n < kNutrientLines; ++n, at += 2) panel.percent[n] = bcdShort(body, at);
}

// ---- Block family: the 126-character text of "vt30" and "pmx". ----

// Characters `first` to `last` of the text as a decimal number (leading
// blanks and a sign allowed, stopping at the first other character); a
// field cut at its end, so that no digits of the next field run into it.
std::optional<int32_t> numberAt(std::span<const uint8_t> text, size_t first, size_t last) {
  const size_t end = std::min(last + 1, text.size());
  size_t i = first;
  while (i < end && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= end || text[i] < '0' || text[i] > '9') return std::nullopt;
  int32_t value = 0;
  for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10 + (text[i] - '0');
  return negative ? -value : value;
}

void setShort(int16_t& field, std::span<const uint8_t> text, size_t first, size_t last) {
  if (auto v = numberAt(text, first, last)) field = static_cast<int16_t>(*v);
}

// Start of the group of line n (0-based): three 9-character groups, two of
// 10, three of 9, from character 36 on.
size_t blockGroupAt(size_t line) {
  if (line < 3) return 36 + 9 * line;
  if (line < 5) return 63 + 10 * (line - 3);
  return 83 + 9 * (line - 5);
}

void parseBlockLine(std::span<const uint8_t> text, size_t line, NutritionRecord& panel) {
  const size_t at = blockGroupAt(line);
  const size_t width = contentWidth(line);
  setShort(panel.percent[line], text, at + width + 3, at + width + 5);
  if (at + width < text.size() && (text[at + width] == 'g' || text[at + width] == 'G')) panel.unit[line] = kUnitGrams;
  copyBytes(panel.content[line], text, at, width);
}

// Read from the end towards the start, as the scale lays the fields out.
void parseBlockText(std::span<const uint8_t> text, NutritionRecord& panel) {
  for (size_t n = kNutrientLines; n-- > 8;) setShort(panel.percent[n], text, 110 + 4 * (n - 8) + 1, 110 + 4 * (n - 8) + 3);
  for (size_t n = 8; n-- > 0;) parseBlockLine(text, n, panel);
  setShort(panel.serveOz, text, 32, 35);
  setShort(panel.serveGram, text, 28, 31);
  copyBytes(panel.serveCont, text, 24, 4);
  copyBytes(panel.serveSize, text, 8, 10);
  if (auto number = numberAt(text, 2, 7)) panel.nutritionNo = *number;
}

}  // namespace

void* parseReceivedNutrition(const ScaleEntry& scale, std::span<const uint8_t> data) {
  const bool message = ScaleIsMessageFamily(scale);
  if (!message && scale.model != kModelVt30 && scale.model != kModelPmx) return nullptr;
  NutritionRecord* panel = newNutritionRecord();
  if (panel == nullptr) return nullptr;
  if (message) {
    parseMessageBody(data, *panel);
  } else {
    parseBlockText(data, *panel);
  }
  return panel;
}

bool handleReceivedNutrition(ScaleEntry& scale, std::span<const uint8_t> data) {
  void* panel = parseReceivedNutrition(scale, data);
  if (panel == nullptr) return false;
  keepFirstArrival(scale, panel, sizeof(NutritionRecord));
  return true;
}

}  // namespace tolvan
