#include "records/field_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace tolvan {
namespace {

// Formats with both and says where they differ: text, return value, and
// what is left of a buffer of `size` bytes.
std::string differences(size_t size, const char* format, ...) {
  char ours[64];
  char theirs[64];
  std::fill(ours, ours + sizeof ours, '#');
  std::fill(theirs, theirs + sizeof theirs, '#');
  va_list a;
  va_list b;
  va_start(a, format);
  va_copy(b, a);
  int n = formatFieldText(std::span<char>(ours, size), format, a);
  int m = std::vsnprintf(theirs, size, format, b);
  va_end(b);
  va_end(a);
  if (n != m) return std::string(format) + ": returns " + std::to_string(n) + ", not " + std::to_string(m);
  if (std::string(ours, sizeof ours) != std::string(theirs, sizeof theirs)) {
    return std::string(format) + ": \"" + std::string(ours, std::min(size, sizeof ours)) + "\"";
  }
  return "";
}

// Every format the block encoders use, at the edges of their values and
// of the buffer, reads exactly as the C library writes it.
TEST(FieldFormat, WritesWhatVsnprintfWrites) {
  for (size_t size : {64, 8, 3, 1, 0}) {
    SCOPED_TRACE(size);
    for (long v : {0L, 7L, -7L, 123456L, 1234567L, -1234567L, LONG_MAX, LONG_MIN}) {
      EXPECT_EQ(differences(size, "65%.6ld", v), "");
      EXPECT_EQ(differences(size, "%.6ld0%.7ld", v, v), "");
      EXPECT_EQ(differences(size, "%ld", v), "");
      EXPECT_EQ(differences(size, "%.0ld|%.ld", v, v), "");
    }
    for (int v : {0, 5, -5, 99, 100, INT_MAX, INT_MIN}) {
      EXPECT_EQ(differences(size, "%.2d", v), "");
      EXPECT_EQ(differences(size, "%d000", v), "");
      EXPECT_EQ(differences(size, "00%.2d000000", v), "");
      EXPECT_EQ(differences(size, "%.0d", v), "");
      // Formats beyond plain digits go to the C library.
      EXPECT_EQ(differences(size, "%05d|%-3d|%%", v, v), "");
      EXPECT_EQ(differences(size, "%.1000d", v), "");
    }
    EXPECT_EQ(differences(size, "0000000000"), "");
    EXPECT_EQ(differences(size, "%s%.2d", "51", 3), "");
    EXPECT_EQ(differences(size, "%"), "");
  }
}

}  // namespace
}  // namespace tolvan
