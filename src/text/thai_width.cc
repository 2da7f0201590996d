#include "text/thai_width.h"

#include <array>

namespace tolvan {
namespace {

using ThaiTable = std::array<uint8_t, kThaiTableSize>;

// How the entries were chosen. The fixed points are: for the small fonts
// (every font but '0'..'3') the space and digits 6, 'A' 'M' 'W' 7, 'i' 'l'
// 3, '.' 2; for the fonts '0'..'3' the space 12, digits 13, 'A' 'M' 'W'
// 15, 'i' 'l' 10, '.' 6; 127..157, 160 and 255 are 0 everywhere, and
// 163 165 218 219 229 are 0 for the fonts '0'..'3' (glyphs those fonts
// lack); 232 is 16 for the fonts '0'..'3' in plain and 11 in bold.
// Every other entry is graded from those points by the glyph's shape:
//  - ASCII: thin punctuation (! ' , . : ; |) takes the '.' value, brackets
//    and quotes a little more, narrow letters (I f i j l r t) the 'i'
//    value or one above, most letters and signs the digit value or one
//    below, wide letters and signs (@ % & A M W m w, V in the small fonts)
//    the 'M' value.
//  - Thai consonants 161..206 take the digit value, the broad ones
//    (166 172 173 178 179 204) the 'M' value and the slim 195 and 199 one
//    less than a digit; the vowels written in line (207 208 210 211,
//    224..228) are a little narrower, 225 as broad as 'M'; Thai digits
//    240..249 equal the ASCII digits; 238 is as thin as '.'.
//  - Code points without a glyph in the encoding (158 159 220..222
//    252..254) get the digit value, the width of the box a scale prints
//    for an unknown character.
//  - The combining marks (209 212..219 231..237) stack on the character
//    before them and are never given a width, so their entries are 0
//    (apart from the fixed 232).
// The bold table of the small fonts equals the plain one; the bold table
// of the fonts '0'..'3' differs from its plain one only at 232.

constexpr ThaiTable kSmallPlain = {
    6,  2,  4,  6,  6,  7,  7,  2,  3,  3,  5,  6,  2,  4,  2,  4,  // 32  ' ' .. '/'
    6,  6,  6,  6,  6,  6,  6,  6,  6,  6,  2,  2,  6,  6,  6,  6,  // 48  '0' .. '?'
    7,  7,  6,  6,  6,  6,  6,  6,  6,  3,  5,  6,  6,  7,  6,  6,  // 64  '@' .. 'O'
    6,  6,  6,  6,  6,  6,  7,  7,  6,  6,  6,  3,  4,  3,  5,  6,  // 80  'P' .. '_'
    3,  6,  6,  5,  6,  6,  4,  6,  6,  3,  3,  5,  3,  7,  6,  6,  // 96  '`' .. 'o'
    6,  6,  4,  5,  4,  6,  6,  7,  6,  6,  5,  4,  2,  4,  6,  0,  // 112 'p' .. DEL
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  // 128
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  6,  6,  // 144
    0,  6,  6,  6,  6,  6,  7,  6,  6,  6,  6,  6,  7,  7,  6,  6,  // 160 consonants
    6,  6,  7,  7,  6,  6,  6,  6,  6,  6,  6,  6,  6,  6,  6,  6,  // 176
    6,  6,  6,  5,  6,  6,  6,  5,  6,  6,  6,  6,  7,  6,  6,  5,  // 192
    5,  0,  5,  5,  0,  0,  0,  0,  0,  0,  0,  0,  6,  6,  6,  6,  // 208 vowels, marks
    4,  7,  4,  4,  4,  4,  6,  0,  0,  0,  0,  0,  0,  0,  2,  6,  // 224
    6,  6,  6,  6,  6,  6,  6,  6,  6,  6,  6,  7,  6,  6,  6,  0,  // 240 Thai digits
};

constexpr ThaiTable kLargePlain = {
    12, 6,  9,  13, 13, 15, 15, 6,  8,  8,  11, 13, 6,  9,  6,  9,   // 32  ' ' .. '/'
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 6,  6,  13, 13, 13, 12,  // 48  '0' .. '?'
    15, 15, 14, 14, 14, 13, 13, 14, 14, 10, 12, 14, 13, 15, 14, 14,  // 64  '@' .. 'O'
    13, 14, 14, 13, 13, 14, 14, 15, 14, 14, 13, 8,  9,  8,  11, 13,  // 80  'P' .. '_'
    8,  12, 13, 12, 13, 12, 11, 13, 13, 10, 10, 12, 10, 15, 13, 13,  // 96  '`' .. 'o'
    13, 13, 11, 12, 11, 13, 12, 15, 12, 12, 12, 9,  8,  9,  13, 0,   // 112 'p' .. DEL
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   // 128
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  13, 13,  // 144
    0,  13, 13, 0,  13, 0,  15, 13, 13, 13, 13, 13, 15, 15, 13, 13,  // 160 consonants
    13, 13, 15, 15, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // 176
    13, 13, 13, 12, 13, 13, 13, 12, 13, 13, 13, 13, 15, 13, 13, 11,  // 192
    10, 0,  11, 11, 0,  0,  0,  0,  0,  0,  0,  0,  13, 13, 13, 13,  // 208 vowels, marks
    10, 15, 10, 10, 10, 0,  13, 0,  16, 0,  0,  0,  0,  0,  6,  13,  // 224
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 15, 13, 13, 13, 0,   // 240 Thai digits
};

constexpr ThaiTable withEntry(ThaiTable table, uint8_t c, uint8_t value) {
  table[c - 32] = value;
  return table;
}

constexpr ThaiTable kSmallBold = kSmallPlain;
constexpr ThaiTable kLargeBold = withEntry(kLargePlain, 232, 11);

bool isLargeFont(char font) { return font >= '0' && font <= '3'; }
bool isDoubleFont(char font) { return font == '2' || font == '3' || font == '6'; }

// Marks that stack on the character before them take no room on the line.
bool isStackingMark(uint8_t c) {
  return c == 160 || c == 209 || (c >= 212 && c <= 219) || (c >= 231 && c <= 237);
}

}  // namespace

int ThaiTableValue(uint8_t c, char font, bool attribute1) {
  if (c < 32) return 0;
  const ThaiTable& table =
      isLargeFont(font) ? (attribute1 ? kLargeBold : kLargePlain) : (attribute1 ? kSmallBold : kSmallPlain);
  return table[c - 32];
}

int ThaiWidth(uint8_t c, char font, bool attribute1) {
  if (c < 32 || isStackingMark(c)) return 0;
  int width = ThaiTableValue(c, font, attribute1) + 2;
  return isDoubleFont(font) ? width * 2 : width;
}

}  // namespace tolvan
