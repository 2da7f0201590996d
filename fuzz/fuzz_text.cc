// Feeds arbitrary bytes through every description converter, both ways
// and for every country, with small output areas sized exactly so that
// AddressSanitizer sees any write past them, and through the round trips a
// run makes (a description sent and received back, a received text
// exported and sent again). The first bytes choose the country, the label
// width and the capacities; the rest is the text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "core/scale_entry.h"
#include "text/block_text.h"
#include "text/message_text.h"
#include "text/text_wrap.h"

namespace {

constexpr size_t kHeader = 4;
// Room a converted record gives its text.
constexpr size_t kScaleTextRoom = 4096;

void check(bool ok) {
  if (!ok) __builtin_trap();
}

void encodeBoth(const tolvan::ScaleEntry& scale, std::string_view text, size_t capacity) {
  std::vector<uint8_t> block(capacity);
  size_t n = tolvan::EncodeBlockText(scale, block, text);
  check(capacity == 0 ? n == 0 : n < capacity && block[n] == 0);
  std::vector<uint8_t> message(capacity);
  size_t m = tolvan::EncodeMessageText(scale, message, text);
  check(m <= capacity && m % 2 == 0);
}

// A decoded description always ends with its NUL inside the area: the
// export and the converters read it up to there.
void checkEnded(const std::vector<char>& description) {
  check(description.empty() || std::memchr(description.data(), 0, description.size()) != nullptr);
}

void decodeBoth(const tolvan::ScaleEntry& scale, const uint8_t* data, size_t size, size_t capacity) {
  std::vector<char> out(capacity);
  tolvan::DecodeBlockText(scale, out, {data, size});
  checkEnded(out);
  std::vector<char> out2(capacity);
  tolvan::DecodeMessageText(scale, out2, {data, size});
  checkEnded(out2);
}

// Description -> scale text -> description, for each family.
void sendAndReceive(const tolvan::ScaleEntry& scale, std::string_view text) {
  std::vector<uint8_t> block(kScaleTextRoom);
  size_t n = tolvan::EncodeBlockText(scale, block, text);
  std::vector<char> back(tolvan::kMaxDescriptionText + 1);
  tolvan::DecodeBlockText(scale, back, std::span<const uint8_t>(block.data(), n));
  std::vector<uint8_t> message(kScaleTextRoom);
  size_t m = tolvan::EncodeMessageText(scale, message, text);
  tolvan::DecodeMessageText(scale, back, std::span<const uint8_t>(message.data(), m));
}

// Scale text -> description -> scale text, for each family.
void receiveAndSend(const tolvan::ScaleEntry& scale, const uint8_t* data, size_t size) {
  std::vector<char> description(tolvan::kMaxDescriptionText + 1);
  std::vector<uint8_t> out(kScaleTextRoom);
  tolvan::DecodeBlockText(scale, description, {data, size});
  check(tolvan::EncodeBlockText(scale, out, description.data()) < out.size());
  tolvan::DecodeMessageText(scale, description, {data, size});
  check(tolvan::EncodeMessageText(scale, out, description.data()) <= out.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeader) return 0;
  tolvan::ScaleEntry scale("fuzz", 0, 594);
  scale.version = data[0] % 13;
  scale.labelWidth = static_cast<int8_t>(data[1]) * 8;  // negative and zero widths too
  size_t capacity = data[2] % 64;
  size_t decodeCapacity = data[3] % 64;
  const uint8_t* body = data + kHeader;
  size_t bodySize = size - kHeader;
  std::string_view text(reinterpret_cast<const char*>(body), bodySize);
  encodeBoth(scale, text, capacity);
  encodeBoth(scale, text, capacity + 2000);
  decodeBoth(scale, body, bodySize, decodeCapacity);
  decodeBoth(scale, body, bodySize, 2100);
  sendAndReceive(scale, text);
  receiveAndSend(scale, body, bodySize);
  return 0;
}
