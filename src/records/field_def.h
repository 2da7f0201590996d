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

// What a number stands for. Prices and weights are the import text's
// digits with the decimal point dropped (1.99 travels as 199); the driver
// applies no decimals of its own. ScaleName: the export writes the scale's
// configured name in the column's place.
enum class FieldUnit : uint8_t {
  None,
  Price,
  Weight,
  Days,
  Grams,
  Ounces,
  Kilocalories,
  Kilojoules,
  Percent,
  ScaleName,
};

// The range of values every scale model takes without cutting them (the
// narrowest field any encoding gives the column), its unit, and a remark
// for the people writing import files. A range whose max is below its min
// stands for the range the column's kind can store (see storableRange).
struct FieldMeaning {
  FieldUnit unit = FieldUnit::None;
  int64_t min = 0;
  int64_t max = -1;
  const char* note = nullptr;  // static text or nullptr
};

struct FieldRange {
  int64_t min;
  int64_t max;
};

// The numbers up to `digits` decimal digits, from `min` on: the range of a
// column whose narrowest scale field has that many digits.
constexpr FieldMeaning digitsRange(int digits, FieldUnit unit = FieldUnit::None, int64_t min = 0,
                                   const char* note = nullptr) {
  int64_t max = 1;
  for (int i = 0; i < digits; ++i) max *= 10;
  return FieldMeaning{unit, min, max - 1, note};
}

struct FieldDef {
  FieldDef(const char* columnName, FieldKind valueKind, uint32_t valueWidth, uint32_t valueOffset,
           FieldMeaning valueMeaning = {});
  FieldDef(const char* columnName, FieldKind valueKind, uint32_t valueWidth, uint32_t valueOffset,
           uint32_t fixedPos, uint32_t fixedLen, FieldMeaning valueMeaning = {});

  // The meaningful range: the table's own, else the storable one.
  FieldRange meaningfulRange() const;

  FieldKind kind;
  uint32_t offset;   // byte offset in the record
  uint32_t width;    // Text: most characters kept; Description: 2047
  uint32_t linePos;  // first character in a fixed-width line ("seasia")
  uint32_t lineLen;  // characters in a fixed-width line; 0 = to the end
  char name[kFieldNameMax + 1];
  FieldMeaning meaning;
};

// The values a number column keeps as the scales read them: the 8-bit and
// 16-bit columns are read as signed numbers by the scale encodings, so only
// 0 to 127 and 0 to 32767 arrive as written. Text kinds give {0, 0}.
FieldRange storableRange(FieldKind kind);

using FieldTable = PtrArray<FieldDef>;

}  // namespace tolvan
