#include "records/field_def.h"

#include <cstddef>

namespace tolvan {

FieldDef::FieldDef(const char* columnName, FieldKind valueKind, uint32_t valueWidth, uint32_t valueOffset)
    : FieldDef(columnName, valueKind, valueWidth, valueOffset, 0, 0) {}

FieldDef::FieldDef(const char* columnName, FieldKind valueKind, uint32_t valueWidth, uint32_t valueOffset,
                   uint32_t fixedPos, uint32_t fixedLen)
    : kind(valueKind), offset(valueOffset), width(valueWidth), linePos(fixedPos), lineLen(fixedLen), name{} {
  // Header lines name columns with at most 15 characters; longer names are cut.
  size_t n = 0;
  if (columnName != nullptr) {
    for (; n < kFieldNameMax && columnName[n] != '\0'; ++n) name[n] = columnName[n];
  }
  name[n] = '\0';
}

}  // namespace tolvan
