#include "files/field_splitter.h"

#include <cstring>

#include "files/line_reader.h"

namespace tolvan {

bool isCommentLine(const char* line) {
  return line[0] == ';' || line[0] == '*' || (line[0] == '/' && line[1] == '/');
}

namespace {

// The next separator or quote at or after `p`, or the line's end. Fields
// are a few characters long: a plain loop finds the stop sooner than the
// library's set scan, which costs more to set up than a field to walk.
char* nextStop(char* p, char separator) {
  while (*p != '\0' && *p != separator && *p != '"') ++p;
  return p;
}

}  // namespace

bool splitFields(char* line, FieldList& fields, char separator) {
  fields.clear();
  if (isCommentLine(line)) return false;
  char* p = line;
  while (*p == ' ') ++p;
  char* start = p;
  bool quoted = false;
  for (p = nextStop(p, separator); *p != '\0'; p = nextStop(p + 1, separator)) {
    if (*p == '"') {
      quoted = !quoted;
    } else if (!quoted) {
      *p = '\0';
      fields.append(start);
      while (p[1] == ' ') ++p;
      start = p + 1;
      if (*start == '\0') return true;  // nothing but blanks behind the separator
    }
  }
  if (*start != '\0') fields.append(start);
  return true;
}

bool cutFixedColumns(const char* line, const FieldTable& columns, FieldList& fields, char* work,
                     size_t workSize) {
  fields.clear();
  if (isCommentLine(line)) return false;
  size_t lineLen = std::strlen(line);
  size_t used = 0;
  for (int i = 0; i < columns.count(); ++i) {
    const FieldDef* column = columns.get(i);
    size_t from = column->linePos;
    size_t to = (static_cast<int32_t>(column->lineLen) <= 0) ? kMaxLineLen : from + column->lineLen;
    if (to > kMaxLineLen) to = kMaxLineLen;
    bool reachedEnd = to >= lineLen || to >= static_cast<size_t>(kMaxLineLen);
    if (to > lineLen) to = lineLen;
    size_t n = to > from ? to - from : 0;
    if (n + 1 > workSize - used) break;  // work buffer full: no further fields
    std::memcpy(work + used, line + (from < lineLen ? from : lineLen), n);
    work[used + n] = '\0';
    fields.append(work + used);
    used += n + 1;
    if (reachedEnd) break;
  }
  return true;
}

char* unquote(char* value, bool undouble) {
  if (value[0] != '"') return value;
  size_t len = std::strlen(value);
  if (len < 2) return value;
  value[len - 1] = '\0';
  char* text = value + 1;
  if (undouble) {
    char* out = text;
    for (char* in = text; *in != '\0'; ++in) {
      *out++ = *in;
      if (in[0] == '"' && in[1] == '"') ++in;
    }
    *out = '\0';
  }
  return text;
}

}  // namespace tolvan
