#include "files/field_splitter.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "files/line_reader.h"

namespace tolvan {

bool isCommentLine(const char* line) {
  return line[0] == ';' || line[0] == '*' || (line[0] == '/' && line[1] == '/');
}

namespace {

// The line is looked at sixteen bytes at a time.
constexpr size_t kStep = 16;

#if defined(__SSE2__)

// Bit i set when byte i of the `n` bytes at `p` (at most kStep) is the
// separator or a quote.
unsigned stopsAt(const char* p, size_t n, char separator) {
  __m128i bytes;
  if (n == kStep) {
    bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  } else {
    alignas(16) char last[kStep] = {};
    std::memcpy(last, p, n);
    bytes = _mm_load_si128(reinterpret_cast<const __m128i*>(last));
  }
  const __m128i stops =
      _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(separator)), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('"')));
  return static_cast<unsigned>(_mm_movemask_epi8(stops)) & ((1U << n) - 1);
}

#else

// Bit i set when byte i of the `n` bytes at `p` (at most kStep) is the
// separator or a quote.
unsigned stopsAt(const char* p, size_t n, char separator) {
  unsigned stops = 0;
  for (size_t i = 0; i < n; ++i) stops |= static_cast<unsigned>(p[i] == separator || p[i] == '"') << i;
  return stops;
}

#endif

}  // namespace

// The separators and quotes of a stretch of the line come as bits, so a
// field costs no loop of its own. Fields are a few characters long, and
// a loop per field mostly paid for guessing wrong where it ends.
bool splitFields(char* line, FieldList& fields, char separator) {
  return splitFields(line, std::strlen(line), fields, separator);
}

bool splitFields(char* line, size_t length, FieldList& fields, char separator) {
  fields.clear();
  if (isCommentLine(line)) return false;
  char* const end = line + length;
  char* p = line;
  while (*p == ' ') ++p;
  char* start = p;
  bool quoted = false;
  while (p < end) {
    const size_t n = std::min(kStep, static_cast<size_t>(end - p));
    unsigned stops = stopsAt(p, n, separator);
    char* next = p + n;
    while (stops != 0) {
      char* at = p + std::countr_zero(stops);
      stops &= stops - 1;
      if (*at == '"') {
        quoted = !quoted;
        continue;
      }
      if (quoted) continue;
      *at = '\0';
      fields.append(start);
      while (at[1] == ' ') ++at;
      start = at + 1;
      if (*start == '\0') return true;  // nothing but blanks behind the separator
      if (start >= next) {
        next = start;
        break;
      }
      stops &= ~0U << (start - p);  // the blanks skipped are stops when they separate
    }
    p = next;
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
