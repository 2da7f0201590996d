#include "text/block_text.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include "text/text_metrics.h"
#include "text/text_wrap.h"

namespace tolvan {
namespace {

// Icelandic scales send their national letters on the ASCII places of
// these symbols.
constexpr std::string_view kIcelandicPlaces = "@[\\]^`{|}~";
constexpr std::array<uint8_t, 10> kIcelandicLetters = {0xC1, 0xD0, 0xC9, 0xCD, 0xD3,
                                                       0xDA, 0xDD, 0xDE, 0xC6, 0xD6};

char icelandicLetter(uint8_t c) {
  size_t slot = kIcelandicPlaces.find(static_cast<char>(c));
  return static_cast<char>(slot == std::string_view::npos ? c : kIcelandicLetters[slot]);
}

// Bounded writer of the decoded description; `limit` excludes the NUL.
struct DescriptionOut {
  std::span<char> out;
  size_t limit;
  size_t used = 0;
  bool put(std::initializer_list<char> bytes) {
    if (bytes.size() > limit - used) return false;
    for (char b : bytes) out[used++] = b;
    return true;
  }
};

// "china" scales mark bold with ESC 'D' '1' on the wire and keep no other
// attribute; the description calls that attribute 2.
void decodeChina(DescriptionOut& out, std::span<const uint8_t> in) {
  for (size_t i = 0; i < in.size() && in[i] != 0; ++i) {
    bool attribute = in[i] == kEsc && i + 1 < in.size() && in[i + 1] == 'D';
    if (!attribute) {
      if (!out.put({static_cast<char>(in[i])})) return;
      continue;
    }
    uint8_t digit = i + 2 < in.size() ? in[i + 2] : 0;
    if (digit == 0) return;  // cut off by the end of the text
    if (digit == '1' && !out.put({static_cast<char>(kEsc), 'D', '2'})) return;
    i += 2;
  }
}

}  // namespace

size_t EncodeBlockText(const ScaleEntry& scale, std::span<uint8_t> out, std::string_view description) {
  if (out.empty()) return 0;
  DescriptionEncoder encoder(scale, TextFamily::Block, out.first(out.size() - 1), out.size());
  size_t length = encoder.encode(description);
  out[length] = 0;
  return length;
}

void DecodeBlockText(const ScaleEntry& scale, std::span<char> description, std::span<const uint8_t> scaleText) {
  if (description.empty()) return;
  DescriptionOut out{description, std::min(description.size() - 1, kMaxDescriptionText)};
  if (scale.version == kVersionChina) {
    decodeChina(out, scaleText);
  } else {
    bool iceland = textGroupOf(scale) == TextGroup::Icelandic;
    for (size_t i = 0; i < scaleText.size() && scaleText[i] != 0; ++i) {
      uint8_t c = scaleText[i];
      if (!out.put({iceland ? icelandicLetter(c) : static_cast<char>(c)})) break;
    }
  }
  description[out.used] = 0;
}

}  // namespace tolvan
