// The transcript of one simulated scale: every connection and every byte
// received and sent, with the time, in the layout of the driver's scale log
// (a heading "<time stamp>: Received 8 Bytes", then 16 bytes a line as hex
// padded to 48 columns, two spaces and the printable characters, then an
// empty line). Lines end with CR LF. The file is opened for every entry.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace tolvan::sim {

// The hex dump lines of `bytes`, with the empty line after them; nothing
// for no bytes.
std::string formatHexDump(std::span<const uint8_t> bytes);

class Transcript {
 public:
  // An empty path writes nothing.
  Transcript(std::string path, const Clock& clock) : path_(std::move(path)), clock_(clock) {}

  void note(std::string_view text);
  void received(std::span<const uint8_t> bytes);
  void sent(std::span<const uint8_t> bytes);
  const std::string& path() const { return path_; }

 private:
  void counted(const char* word, std::span<const uint8_t> bytes);
  std::string heading() const;
  void append(const std::string& text);

  std::string path_;
  const Clock& clock_;
};

}  // namespace tolvan::sim
