#include "masterdata/store_text.h"

namespace tolvan {

void buildStoreFieldTable(FieldTable& table) {
  table.append(new FieldDef("Store_No", FieldKind::Long, 4, offsetof(StoreRecord, storeNo)));
  table.append(new FieldDef("Name_Font", FieldKind::Byte, 1, offsetof(StoreRecord, nameFont)));
  table.append(new FieldDef("Name_FontType", FieldKind::Byte, 1, offsetof(StoreRecord, nameFontType)));
  table.append(new FieldDef("Name", FieldKind::Text, kStoreTextMax, offsetof(StoreRecord, name)));
  table.append(new FieldDef("Addr_Font", FieldKind::Byte, 1, offsetof(StoreRecord, addrFont)));
  table.append(new FieldDef("Addr_FontType", FieldKind::Byte, 1, offsetof(StoreRecord, addrFontType)));
  table.append(new FieldDef("Address", FieldKind::Text, kStoreTextMax, offsetof(StoreRecord, address)));
}

}  // namespace tolvan
