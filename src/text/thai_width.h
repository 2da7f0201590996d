// Character widths on scales of the thai country group. Four tables of
// 224 entries, one per character 32..255: one pair for the fonts '0' to
// '3' and one for every other font, each pair holding a table for
// attribute 1 off and one for attribute 1 on.
#pragma once

#include <cstdint>

namespace tolvan {

inline constexpr int kThaiTableSize = 224;  // characters 32..255

// The raw table entry for character `c` (32..255; 0 for anything below).
int ThaiTableValue(uint8_t c, char font, bool attribute1);

// The printed width of `c`: the table entry plus 2, doubled for the
// double-size fonts '2', '3' and '6'; 0 for the combining marks that stack
// on the character before them (160, 209, 212..219, 231..237) and for
// bytes below 32.
int ThaiWidth(uint8_t c, char font, bool attribute1);

}  // namespace tolvan
