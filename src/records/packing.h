// Packed decimal (BCD) and small text helpers shared by every record
// encoder and parser: pack a number or a digit text into BCD, unpack BCD
// back to text and numbers, a bounded text copy, a three-byte escape
// sequence and the three-flag font digit. Pure functions over caller-owned
// buffers; no state, no allocation; safe in any thread.
//
// BCD field of `digits` digits: (digits + 1) / 2 bytes, most significant
// digit first, the first digit of a pair in the high nibble. Numbers are
// right-aligned (odd `digits`: high nibble of the first byte is 0); digit
// texts from PackDigitText are left-aligned (odd `digits`: low nibble of
// the last byte is 0).
#pragma once

#include <cstdint>
#include <span>

namespace tolvan {

// Bytes a BCD field of `digits` digits takes (0 for digits <= 0).
inline constexpr int bcdBytes(int digits) { return digits > 0 ? (digits + 1) / 2 : 0; }

// Writes `value` right-aligned into bcdBytes(digits) bytes of `out`. True
// when the whole value fitted; false when `digits` is 0 (nothing written)
// or high digits were dropped (the lowest `digits` digits are stored).
// An `out` shorter than the field writes nothing and gives false.
bool PackBcd(std::span<uint8_t> out, uint32_t value, int digits);

// PackBcd on the 16-bit pattern of `value` (pass -1 as 65535).
bool PackBcd16(std::span<uint8_t> out, uint16_t value, int digits);

// Packs `text` right-aligned and '0'-padded on the left into `digits`
// digit positions, left-aligned in the bytes; a longer text gives its first
// `digits` characters; a non-digit character counts as 0. Always returns
// false (callers do not rely on it). An `out` shorter than the field or a
// null text writes nothing.
bool PackDigitText(std::span<uint8_t> out, const char* text, int digits);

// Writes the `digits` digits of the BCD field `in` as characters into
// `out`, then a NUL at out[digits]. Nibbles above 9 give ':' to '?'.
// Returns the bytes consumed, bcdBytes(digits). When `in` is shorter than
// the field or `out` holds fewer than digits + 1 characters, writes an
// empty text (if `out` has room for the NUL) and returns 0.
int UnpackBcdText(std::span<char> out, std::span<const uint8_t> in, int digits);

// Reads the BCD field `in` (at most 15 digits) as a signed decimal number;
// 0 when its text does not start with a digit. Returns bcdBytes(digits),
// or 0 (and `out` 0) when `in` is shorter than the field.
int UnpackBcdLong(int32_t& out, std::span<const uint8_t> in, int digits);
int UnpackBcdShort(int16_t& out, std::span<const uint8_t> in, int digits);

// Copies `in` up to its NUL or `max` characters, then a NUL; returns the
// characters copied. `out` must hold max + 1; a smaller `out` cuts the copy
// to out.size() - 1 characters (an empty `out` copies nothing, returns 0).
int CopyBounded(std::span<char> out, const char* in, int max);

// Writes 0x1B, a, b and a NUL (4 bytes); returns 3, the sequence without
// the NUL. An `out` shorter than 4 bytes writes nothing and returns 0.
int MakeEsc3(std::span<uint8_t> out, uint8_t a, uint8_t b);

// '0' + 4 (a set) + 1 (b set) + 2 (c set); nonzero = set.
char FontAttrDigit(int a, int b, int c);

}  // namespace tolvan
