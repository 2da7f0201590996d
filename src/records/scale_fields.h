// The digits a scale's record gives each number of an in-memory record.
// The encoders note them while they write a record (a trace), so the
// widths live in one place only: the encoders' own calls. A look at an
// import file uses the trace to say what a scale keeps of a number too
// long for its field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tolvan {

// Which digits of a number longer than its field reach the scale: a block
// text field keeps the leading ones (the next field overwrites the rest),
// packed digits keep the trailing ones.
enum class DigitsKept : uint8_t { Leading, Trailing };

struct ScaleField {
  uint32_t offset;  // of the record field the number comes from
  int digits;       // the digits the field on the wire holds
  DigitsKept kept;
};

using ScaleFieldList = std::vector<ScaleField>;

// The digits a block text field of `width` characters, written with the
// printf `format`, holds for its number: the first conversion's precision,
// else its minimum width, else the characters the format's other text
// leaves of the field ("%d000" in 4 characters holds 1).
int textFieldDigits(size_t width, const char* format);

// Notes a field in `trace` when a trace is kept (`trace` not null).
void traceTextField(ScaleFieldList* trace, uint32_t offset, size_t width, const char* format);
void tracePackedField(ScaleFieldList* trace, uint32_t offset, int digits);

// PackBcd and PackBcd16 (records/packing.h) of the record's number at
// `offset`, noted in `trace` as packed digits.
bool PackBcdField(std::span<uint8_t> out, uint32_t value, int digits, ScaleFieldList* trace, uint32_t offset);
bool PackBcd16Field(std::span<uint8_t> out, uint16_t value, int digits, ScaleFieldList* trace, uint32_t offset);

}  // namespace tolvan
