// Formatting of block-family text fields: printf formats of plain digits
// ("%.6ld", "6502%.6ld", "%d000") written without going through the C
// library's printf, which a PLU calls some forty times per scale and record
// and which was most of the time a block send spent on its records. Any
// other format is handed to vsnprintf, so the result never differs.
#pragma once

#include <cstdarg>
#include <span>

namespace tolvan {

// vsnprintf(out.data(), out.size(), format, args), byte for byte and with
// the same return value, for any format; literal text and %d and %ld
// conversions with an optional precision are written here directly.
int formatFieldText(std::span<char> out, const char* format, va_list args);

}  // namespace tolvan
