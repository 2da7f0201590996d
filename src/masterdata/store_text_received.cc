#include "masterdata/store_text_received.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "masterdata/store_text.h"
#include "records/first_arrival.h"
#include "records/packing.h"
#include "text/text_codes.h"

namespace tolvan {
namespace {

constexpr uint8_t kFontControl = 13;
constexpr size_t kNameBlockAt = 2;
constexpr size_t kAddressBlockAt = 103;
constexpr size_t kTextBlockLen = 101;
// A block is read from its byte 2 on, at most 99 positions.
constexpr size_t kBlockTextAt = 2;

struct StoreText {
  int8_t font = 0;
  int8_t fontType = 0;
  char* text = nullptr;  // room for kStoreTextMax characters and a NUL
};

int8_t fontTypeOf(uint8_t code) {
  std::optional<char> attribute = AttrChar(code);
  return attribute ? static_cast<int8_t>(*attribute - '0') : 0;
}

// The control 13 and a font code set the font; any other control sets the
// font type; characters from 32 up are the text. A zero byte ends it all.
void readTextBlock(const ScaleEntry& scale, std::span<const uint8_t> block, StoreText& out) {
  std::span<const uint8_t> area = block.size() > kBlockTextAt ? block.subspan(kBlockTextAt) : block.first(0);
  area = area.first(std::min(area.size(), kStoreTextMax));
  size_t used = 0;
  for (size_t i = 0; i < area.size() && area[i] != 0; ++i) {
    const uint8_t c = area[i];
    if (c == kFontControl) {
      if (i + 1 >= area.size()) break;
      out.font = static_cast<int8_t>(FontChar(scale, area[++i]).font - '0');
    } else if (c < 32) {
      out.fontType = fontTypeOf(c);
    } else {
      out.text[used++] = static_cast<char>(c);
    }
  }
  out.text[used] = '\0';
}

std::span<const uint8_t> blockAt(std::span<const uint8_t> body, size_t at) {
  if (at >= body.size()) return {};
  return body.subspan(at, std::min(kTextBlockLen, body.size() - at));
}

void parseStoreBody(const ScaleEntry& scale, std::span<const uint8_t> body, StoreRecord& store) {
  int32_t number = 0;
  UnpackBcdLong(number, body, 4);
  store.storeNo = number;
  StoreText name{0, 0, store.name};
  readTextBlock(scale, blockAt(body, kNameBlockAt), name);
  store.nameFont = name.font;
  store.nameFontType = name.fontType;
  StoreText address{0, 0, store.address};
  readTextBlock(scale, blockAt(body, kAddressBlockAt), address);
  store.addrFont = address.font;
  store.addrFontType = address.fontType;
}

}  // namespace

void* parseReceivedStore(const ScaleEntry& scale, std::span<const uint8_t> data) {
  if (!ScaleIsMessageFamily(scale)) return nullptr;
  StoreRecord* store = newStoreRecord();
  if (store != nullptr) parseStoreBody(scale, data, *store);
  return store;
}

bool handleReceivedStore(ScaleEntry& scale, std::span<const uint8_t> data) {
  void* store = parseReceivedStore(scale, data);
  if (store == nullptr) return false;
  keepFirstArrival(scale, store, sizeof(StoreRecord));
  return true;
}

}  // namespace tolvan
