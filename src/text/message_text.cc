#include "text/message_text.h"

#include <algorithm>
#include <array>
#include <optional>

#include "text/text_codes.h"
#include "text/text_wrap.h"

namespace tolvan {
namespace {

// Builds the decoded description so that whatever happens, the attributes
// on can still be switched off and the NUL written: every piece must leave
// room for that closing.
class DescriptionBuilder {
 public:
  explicit DescriptionBuilder(std::span<char> out) : out_(out) {}

  // Writes the closing attribute escapes for the flags on, and the NUL.
  void finish() {
    closeAttributes();
    out_[used_] = 0;
  }

  // A new line in `font`, optionally with attribute 3 on from its start.
  bool newLine(char font, bool attribute3) {
    // The closing of the attributes on is already reserved.
    if (!fits(3 + (attribute3 ? 6 : 0))) return false;
    closeAttributes();
    put3('C', font);
    if (attribute3) toggle('3');
    return true;
  }

  bool toggle(char attribute) {
    size_t k = static_cast<size_t>(attribute - '1');
    // Switching off uses the reserved closing; switching on needs its own.
    if (!flags_[k] && !fits(6)) return false;
    put3('D', attribute);
    flags_[k] = !flags_[k];
    return true;
  }

  bool character(uint8_t c) {
    if (!fits(1)) return false;
    out_[used_++] = static_cast<char>(c);
    return true;
  }

 private:
  // `n` more bytes fit together with the closing escapes and the NUL.
  bool fits(size_t n) const {
    size_t reserve = 3 * onCount() + 1;
    return reserve + used_ <= out_.size() && n <= out_.size() - reserve - used_;
  }
  size_t onCount() const {
    size_t n = 0;
    for (bool on : flags_) n += on ? 1 : 0;
    return n;
  }
  void closeAttributes() {
    for (size_t k = 0; k < flags_.size(); ++k) {
      if (!flags_[k]) continue;
      put3('D', static_cast<char>('1' + k));
      flags_[k] = false;
    }
  }
  void put3(char kind, char param) {
    out_[used_++] = static_cast<char>(kEsc);
    out_[used_++] = kind;
    out_[used_++] = param;
  }

  std::span<char> out_;
  size_t used_ = 0;
  std::array<bool, kAttributeCount> flags_{};
};

// One step of the decoding at `i`; returns the bytes used, 0 to stop.
size_t decodeStep(const ScaleEntry& scale, DescriptionBuilder& out, std::span<const uint8_t> in, size_t i) {
  uint8_t c = in[i];
  if (c == kLineCode) {
    if (i + 1 >= in.size()) return 0;  // font code cut off
    FontCharResult font = FontChar(scale, in[i + 1]);
    return out.newLine(font.font, font.attribute3) ? 2 : 0;
  }
  if (c >= 2 && c <= 19) {
    if (std::optional<char> attribute = AttrChar(c)) return out.toggle(*attribute) ? 1 : 0;
  }
  if (c < 32) return 0;
  return out.character(c) ? 1 : 0;
}

}  // namespace

size_t EncodeMessageText(const ScaleEntry& scale, std::span<uint8_t> out, std::string_view description) {
  size_t even = out.size() & ~size_t{1};
  DescriptionEncoder encoder(scale, TextFamily::Message, out.first(even), out.size());
  size_t length = encoder.encode(description);
  if (length % 2 != 0) out[length++] = 0;
  return length;
}

bool DecodeMessageText(const ScaleEntry& scale, std::span<char> description, std::span<const uint8_t> scaleBytes) {
  if (description.empty()) return scaleBytes.empty();
  DescriptionBuilder out(description.first(std::min(description.size(), kMaxDescriptionText + 1)));
  size_t i = 0;
  while (i < scaleBytes.size()) {
    size_t used = decodeStep(scale, out, scaleBytes, i);
    if (used == 0) break;
    i += used;
  }
  out.finish();
  return i == scaleBytes.size();
}

}  // namespace tolvan
