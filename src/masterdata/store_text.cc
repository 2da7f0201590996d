#include "masterdata/store_text.h"

namespace tolvan {
namespace {

// Block-family scales take store numbers up to 10; the "thailand" layout
// writes a font escape only for fonts 0 to 7.
constexpr FieldMeaning kStoreNoMeaning{FieldUnit::None, 1, 10};
constexpr FieldMeaning kFontMeaning{FieldUnit::None, 0, 7};
constexpr FieldMeaning kFontTypeMeaning = digitsRange(1);

}  // namespace

void buildStoreFieldTable(FieldTable& table) {
  table.append(new FieldDef("Store_No", FieldKind::Long, 4, offsetof(StoreRecord, storeNo), kStoreNoMeaning));
  table.append(new FieldDef("Name_Font", FieldKind::Byte, 1, offsetof(StoreRecord, nameFont), kFontMeaning));
  table.append(
      new FieldDef("Name_FontType", FieldKind::Byte, 1, offsetof(StoreRecord, nameFontType), kFontTypeMeaning));
  table.append(new FieldDef("Name", FieldKind::Text, kStoreTextMax, offsetof(StoreRecord, name)));
  table.append(new FieldDef("Addr_Font", FieldKind::Byte, 1, offsetof(StoreRecord, addrFont), kFontMeaning));
  table.append(
      new FieldDef("Addr_FontType", FieldKind::Byte, 1, offsetof(StoreRecord, addrFontType), kFontTypeMeaning));
  table.append(new FieldDef("Address", FieldKind::Text, kStoreTextMax, offsetof(StoreRecord, address)));
}

}  // namespace tolvan
