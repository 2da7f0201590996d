#include "records/field_def.h"

#include <cstddef>
#include <cstdint>

namespace tolvan {

FieldDef::FieldDef(const char* columnName, FieldKind valueKind, uint32_t valueWidth, uint32_t valueOffset,
                   FieldMeaning valueMeaning)
    : FieldDef(columnName, valueKind, valueWidth, valueOffset, 0, 0, valueMeaning) {}

FieldDef::FieldDef(const char* columnName, FieldKind valueKind, uint32_t valueWidth, uint32_t valueOffset,
                   uint32_t fixedPos, uint32_t fixedLen, FieldMeaning valueMeaning)
    : kind(valueKind),
      offset(valueOffset),
      width(valueWidth),
      linePos(fixedPos),
      lineLen(fixedLen),
      name{},
      meaning(valueMeaning) {
  // Header lines name columns with at most 15 characters; longer names are cut.
  size_t n = 0;
  if (columnName != nullptr) {
    for (; n < kFieldNameMax && columnName[n] != '\0'; ++n) name[n] = columnName[n];
  }
  name[n] = '\0';
}

FieldRange FieldDef::meaningfulRange() const {
  if (meaning.max >= meaning.min) return FieldRange{meaning.min, meaning.max};
  return storableRange(kind);
}

FieldRange storableRange(FieldKind kind) {
  switch (kind) {
    case FieldKind::Byte: return FieldRange{0, 127};
    case FieldKind::Short: return FieldRange{0, 32767};
    case FieldKind::Long: return FieldRange{INT32_MIN, INT32_MAX};
    default: return FieldRange{0, 0};
  }
}

}  // namespace tolvan
