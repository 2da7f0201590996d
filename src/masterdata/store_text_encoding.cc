#include "masterdata/store_text_encoding.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "masterdata/store_text.h"
#include "records/deletion_record.h"
#include "records/message_record.h"
#include "records/packing.h"
#include "records/scale_fields.h"
#include "text/text_codes.h"

namespace tolvan {
namespace {

constexpr int kMsgNoStore = 31;
constexpr int kMsgNoStoreDeletion = 1;
constexpr int kMsgNoStoreRequest = 51;
constexpr int kBlockCodeStore = 34;
constexpr int kBlockCodeDeletion = 23;
constexpr uint8_t kEsc = 27;
constexpr uint8_t kFontControl = 13;

// Message body: [0..1] store number, BCD 4; [2..102] name block;
// [103..203] address block.
constexpr size_t kStoreBodyLen = 204;
constexpr size_t kTextBlockLen = 101;
// The longest block text: "3401", two digits, the 144-byte "thailand" part.
constexpr size_t kBlockTextMax = 6 + 144;

// A font or font type as the digit character the scales expect.
char digitOf(int8_t number) { return static_cast<char>('0' + number); }

size_t textLength(const char* text) { return strnlen(text, kStoreTextMax); }

// Lays a block record text out left to right inside a fixed area.
class BlockTextLine {
 public:
  void text(const char* s, size_t n) {
    n = std::min(n, line_.size() - used_);
    std::memcpy(line_.data() + used_, s, n);
    used_ += n;
  }
  void escape(char letter, char digit) {
    const char esc[3] = {static_cast<char>(kEsc), letter, digit};
    text(esc, sizeof esc);
  }
  // The text, cut so that it ends at `end` at the latest.
  void textUpTo(size_t end, const char* s) { text(s, std::min(textLength(s), end > used_ ? end - used_ : 0)); }
  void spacesUpTo(size_t end) {
    while (used_ < end && used_ < line_.size()) line_[used_++] = ' ';
  }
  size_t used() const { return used_; }
  const char* data() const { return line_.data(); }

 private:
  std::array<char, kBlockTextMax> line_{};
  size_t used_ = 0;
};

// Font and font type escapes of one text, the font only when it is 0 to 7.
void thaiEscapes(BlockTextLine& line, int8_t font, int8_t fontType) {
  if (font >= 0 && font <= 7) line.escape('C', digitOf(font));
  if (fontType != 0) line.escape('D', digitOf(fontType));
}

// Positions below count from the start of the text part, behind the code
// and the number (`start` characters).
void thaiTextPart(BlockTextLine& line, size_t start, const StoreRecord& store) {
  thaiEscapes(line, store.nameFont, store.nameFontType);
  line.textUpTo(start + 72, store.name);
  line.spacesUpTo(start + 72);
  thaiEscapes(line, store.addrFont, store.addrFontType);
  line.textUpTo(start + 144, store.address);
  line.spacesUpTo(start + 144);
}

// Name and address follow each other; the address only when room is left.
void chineseTextPart(BlockTextLine& line, size_t start, const StoreRecord& store) {
  line.escape('C', digitOf(store.nameFont));
  line.text(store.name, std::min<size_t>(textLength(store.name), 97));
  if (line.used() < start + 97) {
    line.escape('C', digitOf(store.addrFont));
    line.textUpTo(start + 100, store.address);
  }
  line.spacesUpTo(start + 100);
}

// A 36-character name area and a 47-character address area; only font 1
// of the name is marked.
void plainTextPart(BlockTextLine& line, size_t start, const StoreRecord& store) {
  size_t nameRoom = 36;
  if (store.nameFont == 1) {
    line.escape('C', '1');
    nameRoom = 33;
  }
  line.text(store.name, std::min(textLength(store.name), nameRoom));
  line.spacesUpTo(start + 36);
  line.text(store.address, std::min<size_t>(textLength(store.address), 47));
  line.spacesUpTo(start + 83);
}

bool convertBlockStore(const ScaleEntry& scale, const StoreRecord& store, int& code, std::span<uint8_t> buffer,
                       int& length) {
  if (store.storeNo < 0 || store.storeNo > kBlockStoreMax) return false;
  char head[8];
  std::snprintf(head, sizeof head, scale.version == kVersionUsa ? "34%.2d" : "3401%.2d", static_cast<int>(store.storeNo));
  BlockTextLine line;
  line.text(head, std::strlen(head));
  const size_t start = line.used();
  if (scale.version == kVersionThailand) {
    thaiTextPart(line, start, store);
  } else if (scale.version == kVersionHongKong || scale.version == kVersionChina) {
    chineseTextPart(line, start, store);
  } else {
    plainTextPart(line, start, store);
  }
  if (buffer.size() < line.used()) return false;
  std::memcpy(buffer.data(), line.data(), line.used());
  code = kBlockCodeStore;
  length = static_cast<int>(line.used());
  return true;
}

// Text block: [0..1] n, the bytes behind them that count, low byte first;
// [2] 13; [3] font code; [4] font type code when the font type is not 0;
// then the text; zero bytes up to 101.
void writeTextBlock(std::span<uint8_t, kTextBlockLen> block, const ScaleEntry& scale, int8_t font,
                    int8_t fontType, const char* text) {
  std::fill(block.begin(), block.end(), 0);
  size_t at = 2;
  block[at++] = kFontControl;
  block[at++] = FontCode(scale, digitOf(font));
  if (fontType != 0) block[at++] = AttrCode(digitOf(fontType));
  // What the block has left: 97 characters, 96 behind a font type.
  const size_t n = std::min(textLength(text), kTextBlockLen - at);
  std::memcpy(block.data() + at, text, n);
  at += n;
  block[0] = static_cast<uint8_t>(at - 2);
  block[1] = static_cast<uint8_t>((at - 2) >> 8);
}

bool convertMessageStore(const ScaleEntry& scale, const StoreRecord& store, int& code, std::span<uint8_t> buffer,
                         int& length, ScaleFieldList* trace) {
  const size_t total = kMessageRecordHeaderLen + kStoreBodyLen;
  if (buffer.size() < total) return false;
  MakeRecordHeader(buffer, kMsgNoStore, kStoreBodyLen);
  std::span<uint8_t> body = buffer.subspan(kMessageRecordHeaderLen, kStoreBodyLen);
  PackBcdField(body.first(2), static_cast<uint32_t>(store.storeNo), 4, trace, offsetof(StoreRecord, storeNo));
  writeTextBlock(body.subspan<2, kTextBlockLen>(), scale, store.nameFont, store.nameFontType, store.name);
  writeTextBlock(body.subspan<2 + kTextBlockLen, kTextBlockLen>(), scale, store.addrFont, store.addrFontType,
                 store.address);
  code = kMsgNoStore;
  length = static_cast<int>(total);
  return true;
}

}  // namespace

bool convertStore(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer, int& length,
                  ScaleFieldList* trace) {
  length = 0;
  if (record == nullptr) return false;
  const auto& store = *static_cast<const StoreRecord*>(record);
  if (ScaleIsMessageFamily(scale)) return convertMessageStore(scale, store, code, buffer, length, trace);
  if (ScaleIsBlockFamily(scale)) return convertBlockStore(scale, store, code, buffer, length);
  return false;
}

bool convertStoreDeletion(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                          int& length, ScaleFieldList* trace) {
  length = 0;
  if (record == nullptr) return false;
  DeletionRecord deletion{};
  std::memcpy(&deletion, record, sizeof deletion);
  if (ScaleIsMessageFamily(scale)) {
    if (buffer.size() < 2) return false;
    PackBcdField(buffer.first(2), static_cast<uint32_t>(deletion.recNo), 4, trace, offsetof(DeletionRecord, recNo));
    code = kMsgNoStoreDeletion;
    length = 2;
    return true;
  }
  // The number travels in 2 digits; a wider one would name another store.
  if (!ScaleIsBlockFamily(scale) || deletion.recNo < 0 || deletion.recNo > 99) return false;
  char text[8];
  int n = std::snprintf(text, sizeof text, scale.version == kVersionUsa ? "23%.2d" : "2302%.2d",
                        static_cast<int>(deletion.recNo));
  if (n < 0 || buffer.size() < static_cast<size_t>(n)) return false;
  std::memcpy(buffer.data(), text, static_cast<size_t>(n));
  code = kBlockCodeDeletion;
  length = n;
  return true;
}

bool buildStoreUploadRequest(const ScaleEntry& scale, int& code, std::span<uint8_t> buffer, int& length) {
  length = 0;
  if (!ScaleIsMessageFamily(scale) || buffer.size() < 4) return false;
  std::fill_n(buffer.begin(), 4, 0);
  code = kMsgNoStoreRequest;
  length = 4;
  return true;
}

}  // namespace tolvan
