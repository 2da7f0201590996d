// Widths used to wrap a description to the scale's label: the country
// groups that select the width and code tables, the maximum line width W
// from the label width, the font index of a font character and
// `CharWidth`, the printed width of one character. The thai widths live in
// thai_width.h. Pure functions of their arguments; no state.
#pragma once

#include <cstdint>

#include "core/scale_entry.h"

namespace tolvan {

// How a scale's country shapes its description texts.
enum class TextGroup {
  Chinese,    // "hong kong", "china", "taiwan"
  Thai,       // "thailand"
  Icelandic,  // "iceland": differs from Others only when decoding block text
  Others,
};

TextGroup textGroupOf(const ScaleEntry& scale);

// W, in the width units of `CharWidth`: the label width (tenths) times
// 20/27, rounded. The default label width 594 gives 440.
int maxLineWidth(const ScaleEntry& scale);

// The font index of a font character: '0'..'9' give 0..9, 'A'..'F' give
// 10..15. Characters below '0' give negative indexes; the width tables
// take them modulo their size into range (see CharWidth).
int fontIndex(char font);

// The width of character `c` printed in `font`, with attribute 1 (bold) on
// or off. Bytes below 32 (controls, ESC, NUL) print nothing.
int CharWidth(const ScaleEntry& scale, uint8_t c, char font, bool attribute1);

}  // namespace tolvan
