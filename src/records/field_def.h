// FieldDef: one column of an import or export file, with the kind of its
// value and where the value lives inside the in-memory record. A field
// table is a PtrArray of FieldDef in column order; it owns its entries.
#pragma once

#include <cstdint>

#include "core/ptr_array.h"

namespace tolvan {

enum class FieldKind : uint32_t {
  Byte = 0,         // 8-bit unsigned
  Short = 1,        // 16-bit unsigned
  Long = 2,         // 32-bit signed; '.' removed before reading
  Text = 3,         // at most `width` characters, then a NUL
  Description = 4,  // up to 2047 characters with font/attribute escapes
};

inline constexpr size_t kFieldNameMax = 15;
inline constexpr int kMaxDescLen = 2047;

struct FieldDef {
  FieldDef(const char* columnName, FieldKind valueKind, uint32_t valueWidth, uint32_t valueOffset);
  FieldDef(const char* columnName, FieldKind valueKind, uint32_t valueWidth, uint32_t valueOffset,
           uint32_t fixedPos, uint32_t fixedLen);

  FieldKind kind;
  uint32_t offset;   // byte offset in the record
  uint32_t width;    // Text: most characters kept; Description: 2047
  uint32_t linePos;  // first character in a fixed-width line ("seasia")
  uint32_t lineLen;  // characters in a fixed-width line; 0 = to the end
  char name[kFieldNameMax + 1];
};

using FieldTable = PtrArray<FieldDef>;

}  // namespace tolvan
