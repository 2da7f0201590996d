// Block-family record texts of the small master-data kinds: fields written
// one after another, each at exactly its width, into the caller's buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "records/scale_fields.h"

namespace tolvan {

// Writes printf-formatted fields in turn. A field keeps the leading
// `width` characters of its text (a longer number loses its tail, the next
// field takes that place); a shorter text leaves the rest of the field
// '0'. A field that does not fit the buffer (with room for the closing
// NUL) marks the line overflowed and writes nothing more.
class BlockFields {
 public:
  explicit BlockFields(std::span<uint8_t> out, ScaleFieldList* trace = nullptr) : out_(out), trace_(trace) {}

  __attribute__((format(printf, 3, 4))) void put(size_t width, const char* format, ...);
  // The record's number at `offset`, put as put() does ("%ld" formats);
  // the trace learns the digits its field holds.
  void number(uint32_t offset, size_t width, const char* format, long value) {
    put(width, format, value);
    traceTextField(trace_, offset, width, format);
  }

  // Closes the text with a NUL that the length does not count. False when
  // any field did not fit; `length` is then left as it was.
  bool finish(int& length);

 private:
  std::span<uint8_t> out_;
  ScaleFieldList* trace_;
  size_t used_ = 0;
  bool overflowed_ = false;
};

}  // namespace tolvan
