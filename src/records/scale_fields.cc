#include "records/scale_fields.h"

#include <cstring>

#include "records/packing.h"

namespace tolvan {
namespace {

// The decimal number at `p`, stepping past it; -1 when none stands there.
int readCount(const char*& p) {
  if (*p < '0' || *p > '9') return -1;
  int n = 0;
  while (*p >= '0' && *p <= '9') n = n * 10 + (*p++ - '0');
  return n;
}

}  // namespace

int textFieldDigits(size_t width, const char* format) {
  const char* conversion = std::strchr(format, '%');
  if (conversion == nullptr) return 0;
  const char* p = conversion + 1;
  while (*p == '0' || *p == '-' || *p == '+' || *p == ' ' || *p == '#') ++p;
  int minWidth = readCount(p);
  int precision = -1;
  if (*p == '.') precision = readCount(++p);
  if (precision >= 0) return precision;
  if (minWidth >= 0) return minWidth;
  // Step over the length letters and the conversion letter itself.
  while (*p == 'l' || *p == 'h') ++p;
  const size_t conversionLen = static_cast<size_t>(p + (*p != '\0' ? 1 : 0) - conversion);
  const size_t otherText = std::strlen(format) - conversionLen;
  return width > otherText ? static_cast<int>(width - otherText) : 0;
}

void traceTextField(ScaleFieldList* trace, uint32_t offset, size_t width, const char* format) {
  if (trace != nullptr) trace->push_back(ScaleField{offset, textFieldDigits(width, format), DigitsKept::Leading});
}

void tracePackedField(ScaleFieldList* trace, uint32_t offset, int digits) {
  if (trace != nullptr) trace->push_back(ScaleField{offset, digits, DigitsKept::Trailing});
}

bool PackBcdField(std::span<uint8_t> out, uint32_t value, int digits, ScaleFieldList* trace, uint32_t offset) {
  tracePackedField(trace, offset, digits);
  return PackBcd(out, value, digits);
}

bool PackBcd16Field(std::span<uint8_t> out, uint16_t value, int digits, ScaleFieldList* trace, uint32_t offset) {
  tracePackedField(trace, offset, digits);
  return PackBcd16(out, value, digits);
}

}  // namespace tolvan
