// Descriptions in the message protocol family: a new line in a font is the
// byte 13 followed by a font code, an attribute toggle is one attribute
// code byte (text_codes.h). Lines are wrapped to the label width on the
// way out; the way back restores ESC 'C' f and ESC 'D' n escapes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "core/scale_entry.h"

namespace tolvan {

// Converts `description` (up to its first NUL or the view's end) into
// message-family bytes in `out` and returns their count. The count is
// always even (a NUL pads an odd one) and never more than out.size().
// Text that does not fit is cut between characters or codes.
size_t EncodeMessageText(const ScaleEntry& scale, std::span<uint8_t> out, std::string_view description);

// Converts message-family bytes back into a description in `description`,
// which then ends with a NUL. Attributes still on at a line start or at
// the end are switched off explicitly, so every ESC 'D' n is paired. A
// control byte other than a code (a padding NUL included) ends the text.
// Output that does not fit ends the text before the piece that would not
// fit, with its pairing and NUL still in place; an empty span gets
// nothing. Returns true when every byte of `scaleBytes` was used.
bool DecodeMessageText(const ScaleEntry& scale, std::span<char> description, std::span<const uint8_t> scaleBytes);

}  // namespace tolvan
