// Golden byte vectors of whole frames kept under tests/data/: hex files
// (pairs of hex digits, blanks between, '#' starts a comment to the end of
// the line) and plain text files (the first line, without its line end).
#pragma once

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tolvan::testing {

inline std::string goldenPath(const std::string& name) { return std::string(TOLVAN_SOURCE_DIR) + "/tests/data/" + name; }

inline std::vector<uint8_t> goldenHex(const std::string& name) {
  std::string text = TempDir::readFile(goldenPath(name));
  std::vector<uint8_t> out;
  std::string digits;
  bool comment = false;
  for (char c : text) {
    if (c == '\n') comment = false;
    if (comment || c == '#') {
      comment = true;
      continue;
    }
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    if (digits.size() == 2) {
      out.push_back(static_cast<uint8_t>(std::stoi(digits, nullptr, 16)));
      digits.clear();
    }
  }
  return out;
}

inline std::string goldenText(const std::string& name) {
  std::string text = TempDir::readFile(goldenPath(name));
  return text.substr(0, text.find_first_of("\r\n"));
}

}  // namespace tolvan::testing
