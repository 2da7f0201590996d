// The single-byte font and attribute codes that message-family scales use
// in their description texts in place of the ESC 'C' f and ESC 'D' n
// escapes, in both directions. The font codes depend on the scale's
// country group; the attribute codes are the same everywhere.
#pragma once

#include <cstdint>
#include <optional>

#include "core/scale_entry.h"

namespace tolvan {

// The code byte of font character `font`; a character that names no font
// gets the code of font '0'.
uint8_t FontCode(const ScaleEntry& scale, char font);

struct FontCharResult {
  char font;
  bool attribute3;  // the code also switches attribute 3 on
};

// The font character of a code byte; an unknown code gives the group's
// fallback font ('0' in the chinese and thai groups, '7' elsewhere).
FontCharResult FontChar(const ScaleEntry& scale, uint8_t code);

// The code byte of attribute character `attribute`; '1' and anything
// unknown give 2.
uint8_t AttrCode(char attribute);

// The attribute character ('1'..'4') of a code byte, if it is one.
std::optional<char> AttrChar(uint8_t code);

}  // namespace tolvan
