#include "plu/plu_record.h"

#include <cstddef>

namespace tolvan {

namespace {

// One standard column: name, kind, width, record offset.
struct PluColumn {
  const char* name;
  FieldKind kind;
  uint32_t width;
  uint32_t offset;
};

#define PLU_COL(name, kind, width, field) \
  PluColumn { name, FieldKind::kind, width, offsetof(PluRecord, field) }

// The export header lists these names in this order.
constexpr PluColumn kPluColumns[kPluColumnCount] = {
    PLU_COL("Plu_No", Long, 4, pluNo),
    PLU_COL("ItemCode", Long, 4, itemCode),
    PLU_COL("UnitPrice", Long, 4, unitPrice),
    PLU_COL("FixedPrice", Long, 4, fixedPrice),
    PLU_COL("CostPrice", Long, 4, costPrice),
    PLU_COL("MarkPrice", Long, 4, markPrice),
    PLU_COL("Weight", Long, 4, weight),
    PLU_COL("UpperLimit", Long, 4, upperLimit),
    PLU_COL("LowerLimit", Long, 4, lowerLimit),
    PLU_COL("Message7", Long, 4, message7),
    PLU_COL("ExMessage2", Long, 4, exMessage2),
    PLU_COL("ExMessage3", Long, 4, exMessage3),
    PLU_COL("NutritionID", Long, 4, nutritionId),
    PLU_COL("Coupon", Long, 2, coupon),  // a 32-bit value despite width 2
    PLU_COL("RegCode", Long, 4, regCode),
    PLU_COL("Logo1", Short, 2, logo1),
    PLU_COL("Logo2", Short, 2, logo2),
    PLU_COL("PropTare", Short, 2, propTare),
    PLU_COL("BestBefore", Short, 2, bestBefore),
    PLU_COL("LabelFormat", Short, 2, labelFormat),
    PLU_COL("Posflag", Short, 2, posFlag),
    PLU_COL("PackQuant", Short, 2, packQuant),
    PLU_COL("SalesLife", Short, 2, salesLife),
    PLU_COL("ExpTime", Short, 2, expTime),
    PLU_COL("Tare", Short, 2, tare),
    PLU_COL("ShelfLife", Short, 2, shelfLife),
    PLU_COL("PackTime", Short, 2, packTime),
    PLU_COL("Message1", Short, 2, message1),
    PLU_COL("Random", Short, 2, random),
    PLU_COL("TaxNo", Short, 2, taxNo),
    PLU_COL("Nutrition", Short, 2, nutrition),
    PLU_COL("Dept", Short, 2, dept),
    PLU_COL("Group", Short, 2, group),
    PLU_COL("PosCode", Text, kPluPosCodeLen, posCode),
    PLU_COL("MarkFlag", Byte, 1, markFlag),
    PLU_COL("DateFlag", Byte, 1, dateFlag),
    PLU_COL("SalesMode", Byte, 1, salesMode),
    PLU_COL("PosSelect", Byte, 1, posSelect),
    PLU_COL("OpenPrice", Byte, 1, openPrice),
    PLU_COL("ExpTimeFlag", Byte, 1, expTimeFlag),
    PLU_COL("TimeFlag", Byte, 1, timeFlag),
    PLU_COL("ForcedTare", Byte, 1, forcedTare),
    PLU_COL("BarCodeNum", Byte, 1, barCodeNum),
    PLU_COL("Unit", Byte, 1, unit),
    PLU_COL("BestBeforeFlag", Byte, 1, bestBeforeFlag),
    PLU_COL("Desc", Description, kMaxDescLen, desc),
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

}  // namespace

void buildPluFieldTable(FieldTable& table) {
  for (const PluColumn& c : kPluColumns) table.append(new FieldDef(c.name, c.kind, c.width, c.offset));
}

void buildPluFixedFieldTable(FieldTable& table, int maxExMsg) {
  const uint32_t shift = pluMessageShift(maxExMsg);
  for (const PluFixedColumn& c : kPluFixedColumns) {
    uint32_t pos = c.pos + (c.shifted ? shift : 0);
    uint32_t len = c.len;
    if (c.offset == offsetof(PluRecord, message7)) len += shift;
    table.append(new FieldDef(c.name, c.kind, c.width, c.offset, pos, len));
  }
}

}  // namespace tolvan
