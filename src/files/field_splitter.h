// Cutting a text line into fields: at a separator (outside quotes), or at
// fixed columns ("seasia"); and removing a value's surrounding quotes.
// Comment lines start with ';', '*' or "//" in their very first characters.
#pragma once

#include <cstddef>

#include "core/ptr_array.h"
#include "records/field_def.h"

namespace tolvan {

// Fields point into the line (or the work buffer); the list never owns them.
using FieldList = PtrArray<char>;

// Size of the work buffer that receives the cut columns of one line.
inline constexpr size_t kFixedWorkSize = 32768;

bool isCommentLine(const char* line);

// Splits `line` in place at `separator`. Blanks before a field are skipped;
// quotes toggle a quoted state and stay in the field; a separator at the
// end of the line (or followed by blanks only) adds no empty field.
// Returns false for a comment line (no fields, the list emptied).
bool splitFields(char* line, FieldList& fields, char separator);
// The same for a line of `length` bytes, none of them NUL, with a NUL
// behind them (the line reader's).
bool splitFields(char* line, size_t length, FieldList& fields, char separator);

// Copies each column of `columns` (linePos, lineLen; 0 = to the end, never
// past column 3072) into `work` as NUL-terminated text and appends it.
// Columns after the one that reaches the end of the line get no field.
// Returns false for a comment line.
bool cutFixedColumns(const char* line, const FieldTable& columns, FieldList& fields, char* work,
                     size_t workSize);

// The value without its surrounding quotes (in place); with `undouble`,
// each pair of quotes inside becomes one.
char* unquote(char* value, bool undouble);

}  // namespace tolvan
