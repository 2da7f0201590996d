// Descriptions in the block protocol family: font and attribute escapes
// stay three-byte ESC sequences, lines are wrapped to the label width on
// the way out, and country-specific characters are mapped on the way in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "core/scale_entry.h"

namespace tolvan {

// Converts `description` (up to its first NUL or the view's end) into
// block-family text in `out`, followed by a NUL. Returns the text's length
// without the NUL, so at most out.size() - 1 (0 for an empty span, which
// gets nothing written). Text that does not fit is cut between
// characters or escapes, never inside one.
size_t EncodeBlockText(const ScaleEntry& scale, std::span<uint8_t> out, std::string_view description);

// Converts block-family text (up to its first NUL or the span's end) back
// into a description in `description`, which then ends with a NUL. At most
// min(description.size() - 1, 2047) bytes are written before the NUL; an
// empty span gets nothing.
void DecodeBlockText(const ScaleEntry& scale, std::span<char> description, std::span<const uint8_t> scaleText);

}  // namespace tolvan
