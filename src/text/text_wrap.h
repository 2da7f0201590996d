// The encoding half of the description conversion, shared by both
// protocol families: walks a description, turns its font and attribute
// escapes into the family's form and wraps the text into lines that fit
// the scale's label, inserting a line start sequence (font, then the
// attributes still on) at each break. block_text.h and message_text.h add
// the family's ending (closing NUL, even length). Also the byte values and
// limits both families share.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "core/scale_entry.h"

namespace tolvan {

enum class TextFamily { Block, Message };

// The most description bytes a decoder writes before its closing NUL.
inline constexpr size_t kMaxDescriptionText = 2047;
inline constexpr uint8_t kEsc = 27;
inline constexpr uint8_t kLineCode = 13;  // message family: a new line in a font
inline constexpr size_t kAttributeCount = 4;
// Longest line start sequence: ESC 'C' f and four ESC 'D' n.
inline constexpr size_t kMaxLineStart = 3 + 3 * kAttributeCount;

class DescriptionEncoder {
 public:
  // Writes only into `area`. A further input byte is taken only while at
  // least 2 bytes of `capacity` are left, and only if what it produces
  // fits whole in `area`; the first piece that does not fit ends the text.
  DescriptionEncoder(const ScaleEntry& scale, TextFamily family, std::span<uint8_t> area, size_t capacity);

  // Converts `description` up to its first NUL (or the view's end) and
  // returns the bytes written to the area.
  size_t encode(std::string_view description);

 private:
  bool fontEscape(uint8_t font);
  bool attributeEscape(uint8_t attribute);
  bool character(uint8_t c, uint8_t next);
  bool breakLine();
  size_t buildLineStart(std::array<uint8_t, kMaxLineStart>& seq) const;
  bool put(std::initializer_list<uint8_t> bytes);
  void toggle(uint8_t attribute);
  int width(uint8_t c) const;

  const ScaleEntry& scale_;
  TextFamily family_;
  std::span<uint8_t> out_;
  size_t capacity_;
  int maxWidth_;
  char font_ = '0';
  std::array<bool, kAttributeCount> flags_{};
  int lineWidth_ = 0;
  size_t lastBreak_ = 0;  // output position of the last ' ' or '-'; 0 = none
  size_t used_ = 0;
};

}  // namespace tolvan
