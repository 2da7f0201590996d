#include "text/text_wrap.h"

#include <cstring>

#include "text/text_codes.h"
#include "text/text_metrics.h"

namespace tolvan {
namespace {

uint8_t byteAt(std::string_view text, size_t i) {
  return i < text.size() ? static_cast<uint8_t>(text[i]) : 0;
}

}  // namespace

DescriptionEncoder::DescriptionEncoder(const ScaleEntry& scale, TextFamily family, std::span<uint8_t> area,
                                       size_t capacity)
    : scale_(scale), family_(family), out_(area), capacity_(capacity), maxWidth_(maxLineWidth(scale)) {}

size_t DescriptionEncoder::encode(std::string_view in) {
  size_t i = 0;
  while (used_ <= capacity_ && capacity_ - used_ >= 2 && byteAt(in, i) != 0) {
    uint8_t c = byteAt(in, i);
    if (c != kEsc) {
      if (!character(c, byteAt(in, i + 1))) break;
      ++i;
      continue;
    }
    uint8_t kind = byteAt(in, i + 1);
    if (kind != 'C' && kind != 'D') {
      ++i;  // an escape the scales do not know: leave the ESC out
      continue;
    }
    uint8_t param = byteAt(in, i + 2);
    if (param == 0) break;  // escape cut off by the end of the text
    if (!(kind == 'C' ? fontEscape(param) : attributeEscape(param))) break;
    i += 3;
  }
  return used_;
}

bool DescriptionEncoder::fontEscape(uint8_t font) {
  bool written = family_ == TextFamily::Block ? put({kEsc, 'C', font})
                                              : put({kLineCode, FontCode(scale_, static_cast<char>(font))});
  if (!written) return false;
  font_ = static_cast<char>(font);
  flags_ = {};
  lineWidth_ = 0;
  lastBreak_ = 0;
  return true;
}

bool DescriptionEncoder::attributeEscape(uint8_t attribute) {
  if (family_ == TextFamily::Message) {
    if (!put({AttrCode(static_cast<char>(attribute))})) return false;
  } else {
    // "china" scales know only attribute 1 in block texts.
    if (scale_.version == kVersionChina) attribute = '1';
    if (!put({kEsc, 'D', attribute})) return false;
  }
  toggle(attribute);
  return true;
}

bool DescriptionEncoder::character(uint8_t c, uint8_t next) {
  if (!put({c})) return false;
  if (c == ' ' || c == '-') lastBreak_ = used_ - 1;
  lineWidth_ += width(c);
  if (lineWidth_ + width(next) <= maxWidth_) return true;
  return breakLine();
}

// Starts a new line at the last space or '-' of the line (the characters
// behind it move to the new line), or right here when the line has none.
// When the sequence does not fit, the text ends at this character.
bool DescriptionEncoder::breakLine() {
  std::array<uint8_t, kMaxLineStart> seq;
  size_t n = buildLineStart(seq);
  if (n > out_.size() - used_) return false;
  size_t at = lastBreak_ == 0 ? used_ : lastBreak_ + 1;
  std::memmove(out_.data() + at + n, out_.data() + at, used_ - at);
  std::memcpy(out_.data() + at, seq.data(), n);
  used_ += n;
  lineWidth_ = 0;
  lastBreak_ = 0;
  return true;
}

size_t DescriptionEncoder::buildLineStart(std::array<uint8_t, kMaxLineStart>& seq) const {
  size_t n = 0;
  bool block = family_ == TextFamily::Block;
  seq[n++] = block ? kEsc : kLineCode;
  if (block) seq[n++] = 'C';
  seq[n++] = block ? static_cast<uint8_t>(font_) : FontCode(scale_, font_);
  for (size_t k = 0; k < kAttributeCount; ++k) {
    if (!flags_[k]) continue;
    char digit = static_cast<char>('1' + k);
    if (block) {
      seq[n++] = kEsc;
      seq[n++] = 'D';
      seq[n++] = static_cast<uint8_t>(digit);
    } else {
      seq[n++] = AttrCode(digit);
    }
  }
  return n;
}

// Whole or nothing: a sequence is never cut in half.
bool DescriptionEncoder::put(std::initializer_list<uint8_t> bytes) {
  if (bytes.size() > out_.size() - used_) return false;
  for (uint8_t b : bytes) out_[used_++] = b;
  return true;
}

void DescriptionEncoder::toggle(uint8_t attribute) {
  if (attribute >= '1' && attribute <= '4') flags_[attribute - '1'] = !flags_[attribute - '1'];
}

int DescriptionEncoder::width(uint8_t c) const { return CharWidth(scale_, c, font_, flags_[0]); }

}  // namespace tolvan
