#include "plu/plu_record.h"

#include <cstddef>

namespace tolvan {

namespace {

// One standard column: name, kind, width, record offset, and what the
// value means to the scales.
struct PluColumn {
  const char* name;
  FieldKind kind;
  uint32_t width;
  uint32_t offset;
  FieldMeaning meaning;
};

#define PLU_COL(name, kind, width, field, meaning) \
  PluColumn { name, FieldKind::kind, width, offsetof(PluRecord, field), meaning }

constexpr FieldUnit kPrice = FieldUnit::Price;
constexpr FieldUnit kWeight = FieldUnit::Weight;
constexpr FieldUnit kNone = FieldUnit::None;
// The ranges are those of the narrowest field that any scale encoding gives
// the column, so a value in range reaches every model whole.
constexpr const char* kItemCodeNote = "sent as one 8-digit number: Dept, Group, ItemCode";
constexpr FieldMeaning kNotSent{kNone, 0, -1, "kept and exported; no scale is sent it"};

// The export header lists these names in this order.
constexpr PluColumn kPluColumns[kPluColumnCount] = {
    PLU_COL("Plu_No", Long, 4, pluNo, digitsRange(6, kNone, 1, "message-family scales take up to 99999999")),
    PLU_COL("ItemCode", Long, 4, itemCode, digitsRange(5, kNone, 0, kItemCodeNote)),
    PLU_COL("UnitPrice", Long, 4, unitPrice, digitsRange(6, kPrice)),
    PLU_COL("FixedPrice", Long, 4, fixedPrice, (FieldMeaning{kPrice, 0, -1, kNotSent.note})),
    PLU_COL("CostPrice", Long, 4, costPrice, digitsRange(6, kPrice)),
    PLU_COL("MarkPrice", Long, 4, markPrice, digitsRange(6, kPrice)),
    PLU_COL("Weight", Long, 4, weight, digitsRange(5, kWeight)),
    PLU_COL("UpperLimit", Long, 4, upperLimit, digitsRange(4, kWeight)),
    PLU_COL("LowerLimit", Long, 4, lowerLimit, digitsRange(4, kWeight)),
    PLU_COL("Message7", Long, 4, message7,
            digitsRange(2, kNone, 0, "block-family scales with maxexmsg 100 or more take 4 digits, 10000 or more 6")),
    PLU_COL("ExMessage2", Long, 4, exMessage2, digitsRange(8, kNone, 0, "sent to message-family scales only")),
    PLU_COL("ExMessage3", Long, 4, exMessage3, digitsRange(8, kNone, 0, "sent to message-family scales only")),
    PLU_COL("NutritionID", Long, 4, nutritionId, digitsRange(8, kNone, 0, "sent to message-family scales only")),
    PLU_COL("Coupon", Long, 2, coupon, digitsRange(2)),  // a 32-bit value despite width 2
    PLU_COL("RegCode", Long, 4, regCode, digitsRange(4)),
    PLU_COL("Logo1", Short, 2, logo1, digitsRange(2)),
    PLU_COL("Logo2", Short, 2, logo2, digitsRange(2)),
    PLU_COL("PropTare", Short, 2, propTare, digitsRange(4)),
    PLU_COL("BestBefore", Short, 2, bestBefore, digitsRange(4, FieldUnit::Days)),
    PLU_COL("LabelFormat", Short, 2, labelFormat, digitsRange(2)),
    PLU_COL("Posflag", Short, 2, posFlag, digitsRange(2)),
    PLU_COL("PackQuant", Short, 2, packQuant, digitsRange(2)),
    PLU_COL("SalesLife", Short, 2, salesLife, kNotSent),
    PLU_COL("ExpTime", Short, 2, expTime, digitsRange(4)),
    PLU_COL("Tare", Short, 2, tare, digitsRange(4, kWeight)),
    PLU_COL("ShelfLife", Short, 2, shelfLife, digitsRange(4)),
    PLU_COL("PackTime", Short, 2, packTime, digitsRange(4)),
    PLU_COL("Message1", Short, 2, message1, digitsRange(2)),
    PLU_COL("Random", Short, 2, random, kNotSent),
    PLU_COL("TaxNo", Short, 2, taxNo, digitsRange(2)),
    PLU_COL("Nutrition", Short, 2, nutrition, digitsRange(2)),
    PLU_COL("Dept", Short, 2, dept, digitsRange(1, kNone, 0, kItemCodeNote)),
    PLU_COL("Group", Short, 2, group, digitsRange(2, kNone, 0, kItemCodeNote)),
    PLU_COL("PosCode", Text, kPluPosCodeLen, posCode, (FieldMeaning{kNone, 0, -1, "digits"})),
    PLU_COL("MarkFlag", Byte, 1, markFlag, digitsRange(2)),
    PLU_COL("DateFlag", Byte, 1, dateFlag, digitsRange(2)),
    PLU_COL("SalesMode", Byte, 1, salesMode, digitsRange(2)),
    PLU_COL("PosSelect", Byte, 1, posSelect, digitsRange(2)),
    PLU_COL("OpenPrice", Byte, 1, openPrice, digitsRange(2)),
    PLU_COL("ExpTimeFlag", Byte, 1, expTimeFlag, digitsRange(2)),
    PLU_COL("TimeFlag", Byte, 1, timeFlag, digitsRange(2)),
    PLU_COL("ForcedTare", Byte, 1, forcedTare, digitsRange(2)),
    PLU_COL("BarCodeNum", Byte, 1, barCodeNum, digitsRange(2)),
    PLU_COL("Unit", Byte, 1, unit, digitsRange(1)),
    PLU_COL("BestBeforeFlag", Byte, 1, bestBeforeFlag, {}),
    PLU_COL("Desc", Description, kMaxDescLen, desc,
            (FieldMeaning{kNone, 0, -1, "each scale takes at most its maxpludesclen characters"})),
};

#undef PLU_COL

// One fixed-width column: `shifted` columns move right by the message
// shift; a length of 0 runs to the end of the line.
struct PluFixedColumn {
  const char* name;
  FieldKind kind;
  uint32_t width;
  uint32_t offset;
  uint32_t pos;
  uint32_t len;
  bool shifted;
};

#define PLU_FIX(name, kind, width, field, pos, len, shifted) \
  PluFixedColumn { name, FieldKind::kind, width, offsetof(PluRecord, field), pos, len, shifted }

// "Message7" itself also grows by the shift; see pluFixedLength.
constexpr PluFixedColumn kPluFixedColumns[kPluFixedColumnCount] = {
    PLU_FIX("Plu_No", Long, 4, pluNo, 0, 6, false),
    PLU_FIX("SalesMode", Byte, 1, salesMode, 6, 2, false),
    PLU_FIX("UnitPrice", Long, 4, unitPrice, 8, 6, false),
    PLU_FIX("FixedPrice", Long, 4, fixedPrice, 14, 8, false),
    PLU_FIX("Weight", Long, 4, weight, 22, 6, false),
    PLU_FIX("PackQuant", Short, 2, packQuant, 28, 4, false),
    PLU_FIX("CostPrice", Long, 4, costPrice, 32, 6, false),
    PLU_FIX("MarkFlag", Byte, 1, markFlag, 38, 2, false),
    PLU_FIX("MarkPrice", Long, 4, markPrice, 40, 6, false),
    PLU_FIX("Tare", Short, 2, tare, 46, 4, false),
    PLU_FIX("DateFlag", Byte, 1, dateFlag, 50, 2, false),
    PLU_FIX("ShelfLife", Short, 2, shelfLife, 52, 4, false),
    PLU_FIX("TimeFlag", Byte, 1, timeFlag, 60, 2, false),
    PLU_FIX("ExpTimeFlag", Byte, 1, expTimeFlag, 62, 2, false),
    PLU_FIX("PackTime", Short, 2, packTime, 64, 4, false),
    PLU_FIX("PosSelect", Byte, 1, posSelect, 68, 2, false),
    PLU_FIX("Posflag", Short, 2, posFlag, 70, 2, false),
    PLU_FIX("PosCode", Text, kPluPosCodeLen, posCode, 72, 10, false),
    PLU_FIX("RegCode", Long, 4, regCode, 82, 4, false),
    PLU_FIX("Dept", Short, 2, dept, 86, 1, false),
    PLU_FIX("Group", Short, 2, group, 87, 2, false),
    PLU_FIX("ItemCode", Long, 4, itemCode, 89, 5, false),
    PLU_FIX("Message1", Short, 2, message1, 94, 2, false),
    PLU_FIX("Message7", Long, 4, message7, 96, 2, false),
    PLU_FIX("Coupon", Long, 2, coupon, 98, 2, true),
    PLU_FIX("TaxNo", Short, 2, taxNo, 102, 2, true),
    PLU_FIX("OpenPrice", Byte, 1, openPrice, 104, 2, true),
    PLU_FIX("Desc", Description, kMaxDescLen, desc, 116, 0, true),
};

#undef PLU_FIX

// Extra message numbers above 100 need 4 digits instead of 2, so the
// "Message7" field grows by 2 characters and everything after it moves.
uint32_t pluMessageShift(int maxExMsg) { return maxExMsg >= 101 ? 2 : 0; }

// A fixed-width column means what the standard column of its record field
// means.
FieldMeaning standardMeaning(uint32_t offset) {
  for (const PluColumn& c : kPluColumns) {
    if (c.offset == offset) return c.meaning;
  }
  return {};
}

}  // namespace

void buildPluFieldTable(FieldTable& table) {
  for (const PluColumn& c : kPluColumns) table.append(new FieldDef(c.name, c.kind, c.width, c.offset, c.meaning));
}

void buildPluFixedFieldTable(FieldTable& table, int maxExMsg) {
  const uint32_t shift = pluMessageShift(maxExMsg);
  for (const PluFixedColumn& c : kPluFixedColumns) {
    uint32_t pos = c.pos + (c.shifted ? shift : 0);
    uint32_t len = c.len;
    if (c.offset == offsetof(PluRecord, message7)) len += shift;
    table.append(new FieldDef(c.name, c.kind, c.width, c.offset, pos, len, standardMeaning(c.offset)));
  }
}

}  // namespace tolvan
