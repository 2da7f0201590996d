#include "text/text_codes.h"

#include <array>

#include "text/text_metrics.h"

namespace tolvan {
namespace {

constexpr std::array<uint8_t, 16> kOthersFontCodes = {3,  8,  13, 240, 241, 242, 243, 20,
                                                      21, 22, 23, 24,  25,  26,  27,  29};
constexpr std::array<uint8_t, 16> kThaiFontCodes = {227, 230, 232, 233, 225, 229, 231, 227,
                                                    227, 227, 227, 227, 227, 227, 227, 227};
constexpr std::array<uint8_t, 16> kChineseFontCodes = {6, 14, 15, 5, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6};

// Position of a font character '0'..'9', 'A'..'F' in the code tables;
// anything else (lower case included) falls back to font '0'.
size_t fontSlot(char font) {
  if (font >= '0' && font <= '9') return static_cast<size_t>(font - '0');
  if (font >= 'A' && font <= 'F') return static_cast<size_t>(font - 'A' + 10);
  return 0;
}

FontCharResult chineseFontChar(uint8_t code) {
  switch (code) {
    case 5: return {'3', false};
    case 14: return {'1', false};
    case 15: return {'2', false};
    default: return {'0', false};
  }
}

FontCharResult thaiFontChar(uint8_t code) {
  switch (code) {
    case 225: return {'4', false};
    case 229: return {'5', false};
    case 230: return {'1', false};
    case 231: return {'6', false};
    case 232: return {'2', false};
    case 233: return {'3', false};
    default: return {'0', false};
  }
}

// The others' codes come in two sets: the plain font codes, and codes
// that select a font with attribute 3 already on. Font '7' has no code of
// its own here (its code 20 reads back as '2' with attribute 3), so '7'
// is what an unknown code becomes.
FontCharResult othersFontChar(uint8_t code) {
  switch (code) {
    case 3: return {'0', false};
    case 8: return {'1', false};
    case 13: return {'2', false};
    case 21: return {'8', false};
    case 22: return {'9', false};
    case 23: return {'A', false};
    case 24: return {'B', false};
    case 25: return {'C', false};
    case 26: return {'D', false};
    case 27: return {'E', false};
    case 29: return {'F', false};
    case 240: return {'3', false};
    case 241: return {'4', false};
    case 242: return {'5', false};
    case 243: return {'6', false};
    case 18: return {'0', true};
    case 19: return {'1', true};
    case 20: return {'2', true};
    case 28: return {'E', true};
    case 30: return {'F', true};
    case 244: return {'3', true};
    case 245: return {'4', true};
    case 246: return {'5', true};
    default: return {'7', false};
  }
}

}  // namespace

uint8_t FontCode(const ScaleEntry& scale, char font) {
  switch (textGroupOf(scale)) {
    case TextGroup::Chinese: return kChineseFontCodes[fontSlot(font)];
    case TextGroup::Thai: return kThaiFontCodes[fontSlot(font)];
    default: return kOthersFontCodes[fontSlot(font)];
  }
}

FontCharResult FontChar(const ScaleEntry& scale, uint8_t code) {
  switch (textGroupOf(scale)) {
    case TextGroup::Chinese: return chineseFontChar(code);
    case TextGroup::Thai: return thaiFontChar(code);
    default: return othersFontChar(code);
  }
}

uint8_t AttrCode(char attribute) {
  switch (attribute) {
    case '2': return 6;
    case '3': return 7;
    case '4': return 19;
    default: return 2;
  }
}

std::optional<char> AttrChar(uint8_t code) {
  switch (code) {
    case 2: return '1';
    case 6: return '2';
    case 7: return '3';
    case 19: return '4';
    default: return std::nullopt;
  }
}

}  // namespace tolvan
