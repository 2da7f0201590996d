#include "text/text_metrics.h"

#include <array>

#include "text/thai_width.h"

namespace tolvan {
namespace {

constexpr double kLabelToLineWidth = 0.7407407407407407;  // 20/27

// Width of every character of 32 or more, by font index, outside thai.
constexpr std::array<int, 3> kChinaWidths = {8, 8, 12};
constexpr std::array<int, 4> kHongKongTaiwanWidths = {5, 9, 9, 17};
constexpr std::array<int, 14> kPlainWidths = {9, 12, 17, 22, 32, 42, 62, 9, 12, 17, 22, 32, 42, 62};
constexpr std::array<int, 14> kBoldWidths = {10, 13, 18, 26, 36, 52, 72, 10, 13, 18, 26, 36, 52, 72};

// A font character below '0' gives a negative index; take the remainder
// into the table's range so any byte names some font.
template <size_t N>
int widthByFont(const std::array<int, N>& widths, char font) {
  int n = static_cast<int>(N);
  int i = fontIndex(font) % n;
  if (i < 0) i += n;
  return widths[static_cast<size_t>(i)];
}

}  // namespace

TextGroup textGroupOf(const ScaleEntry& scale) {
  switch (scale.version) {
    case kVersionHongKong:
    case kVersionChina:
    case kVersionTaiwan:
      return TextGroup::Chinese;
    case kVersionThailand:
      return TextGroup::Thai;
    case kVersionIceland:
      return TextGroup::Icelandic;
    default:
      return TextGroup::Others;
  }
}

int maxLineWidth(const ScaleEntry& scale) {
  return static_cast<int>(scale.labelWidth * kLabelToLineWidth + 0.5);
}

int fontIndex(char font) {
  int f = static_cast<unsigned char>(font);
  return f < 'A' ? f - '0' : f - 55;
}

int CharWidth(const ScaleEntry& scale, uint8_t c, char font, bool attribute1) {
  if (c < 32) return 0;
  if (scale.version == kVersionChina) return widthByFont(kChinaWidths, font);
  switch (textGroupOf(scale)) {
    case TextGroup::Thai:
      return ThaiWidth(c, font, attribute1);
    case TextGroup::Chinese:
      return widthByFont(kHongKongTaiwanWidths, font);
    default:
      return widthByFont(attribute1 ? kBoldWidths : kPlainWidths, font);
  }
}

}  // namespace tolvan
