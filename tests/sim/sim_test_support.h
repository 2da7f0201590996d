// Byte builders shared by the simulator's tests: hex text with spaces for
// readability, plain text as bytes, and a whole message-family message.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "sim/sim_bytes.h"

namespace tolvan::sim {

inline Bytes hex(std::string_view text) {
  std::string compact;
  for (char c : text) {
    if (c != ' ') compact += c;
  }
  Bytes b;
  EXPECT_TRUE(fromHex(compact, b)) << text;
  return b;
}

inline Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }

// Header (packed number, error flag clear, body length) and body.
inline Bytes message(int number, const Bytes& body) {
  Bytes m{packedMessageNumber(number), 0, 0, 0};
  appendLe32(m, static_cast<uint32_t>(body.size()));
  m.insert(m.end(), body.begin(), body.end());
  return m;
}

}  // namespace tolvan::sim
