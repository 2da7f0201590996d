// PluRecord: the in-memory PLU master record, whose 2196-byte image is also
// the layout of a PLU in a resend file, and the PLU's two import column
// lists (standard delimited and fixed-width "seasia").
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "records/field_def.h"

namespace tolvan {

static_assert(std::endian::native == std::endian::little,
              "record images in resend files are little-endian");

inline constexpr size_t kPluRecordSize = 2196;
inline constexpr size_t kPluPosCodeLen = 10;
inline constexpr size_t kPluDescSize = 2048;  // 2047 characters and a NUL

// A new record is all zero (allocRecord<PluRecord>()). Prices and weights
// are the import's integers after decimal points are removed. The 16-bit
// and 8-bit fields hold the low bits of the column's number.
struct PluRecord {
  int32_t pluNo;        // 0    "Plu_No"; the record's key, kept only when > 0
  int32_t itemCode;     // 4    "ItemCode"
  int32_t unitPrice;    // 8    "UnitPrice"
  int32_t fixedPrice;   // 12   "FixedPrice" (kept and exported, never sent)
  int32_t costPrice;    // 16   "CostPrice"
  int32_t markPrice;    // 20   "MarkPrice"
  int32_t weight;       // 24   "Weight"
  int32_t reserved28;   // 28
  int32_t upperLimit;   // 32   "UpperLimit"
  int32_t lowerLimit;   // 36   "LowerLimit"
  int32_t message7;     // 40   "Message7" (extra message number)
  int32_t exMessage2;   // 44   "ExMessage2"
  int32_t exMessage3;   // 48   "ExMessage3"
  int32_t nutritionId;  // 52   "NutritionID"
  int32_t coupon;       // 56   "Coupon"
  int32_t regCode;      // 60   "RegCode"
  int32_t reserved64;   // 64
  uint16_t logo1;       // 68   "Logo1"
  uint16_t logo2;       // 70   "Logo2"
  uint16_t propTare;    // 72   "PropTare"
  uint16_t bestBefore;  // 74   "BestBefore"
  uint16_t reserved76[2];  // 76
  uint16_t labelFormat;    // 80   "LabelFormat"
  uint16_t reserved82;     // 82
  uint16_t spare84;        // 84   sent as "00" by one block layout
  uint16_t posFlag;        // 86   "Posflag"
  uint16_t packQuant;      // 88   "PackQuant"
  uint16_t salesLife;      // 90   "SalesLife" (kept and exported, never sent)
  uint16_t expTime;        // 92   "ExpTime"
  uint16_t tare;           // 94   "Tare"
  uint16_t shelfLife;      // 96   "ShelfLife"
  uint16_t packTime;       // 98   "PackTime"
  uint16_t message1;       // 100  "Message1"
  uint16_t random;         // 102  "Random" (kept and exported, never sent)
  uint16_t descSize;       // 104  400/600 ("seasia"), 60 ("wmsmart"), else 0
  uint16_t taxNo;          // 106  "TaxNo"
  uint16_t nutrition;      // 108  "Nutrition"
  uint16_t dept;           // 110  "Dept"
  uint16_t group;          // 112  "Group"
  char posCode[kPluPosCodeLen + 1];  // 114  "PosCode", NUL-terminated
  uint8_t reserved125;     // 125
  uint8_t markFlag;        // 126  "MarkFlag"
  uint8_t dateFlag;        // 127  "DateFlag"
  uint8_t salesMode;       // 128  "SalesMode"
  uint8_t posSelect;       // 129  "PosSelect"
  uint8_t openPrice;       // 130  "OpenPrice"
  uint8_t expTimeFlag;     // 131  "ExpTimeFlag"
  uint8_t timeFlag;        // 132  "TimeFlag"
  uint8_t forcedTare;      // 133  "ForcedTare"
  uint8_t barCodeNum;      // 134  "BarCodeNum"
  uint8_t unit;            // 135  "Unit"
  uint8_t bestBeforeFlag;  // 136  "BestBeforeFlag"
  uint8_t reserved137[4];  // 137
  uint8_t spare141;        // 141  sent as "00" by one block layout
  uint8_t reserved142[6];  // 142
  char desc[kPluDescSize];  // 148  "Desc", may hold font and line codes
};

static_assert(sizeof(PluRecord) == kPluRecordSize);
static_assert(offsetof(PluRecord, pluNo) == 0);
static_assert(offsetof(PluRecord, itemCode) == 4);
static_assert(offsetof(PluRecord, unitPrice) == 8);
static_assert(offsetof(PluRecord, fixedPrice) == 12);
static_assert(offsetof(PluRecord, costPrice) == 16);
static_assert(offsetof(PluRecord, markPrice) == 20);
static_assert(offsetof(PluRecord, weight) == 24);
static_assert(offsetof(PluRecord, upperLimit) == 32);
static_assert(offsetof(PluRecord, lowerLimit) == 36);
static_assert(offsetof(PluRecord, message7) == 40);
static_assert(offsetof(PluRecord, exMessage2) == 44);
static_assert(offsetof(PluRecord, exMessage3) == 48);
static_assert(offsetof(PluRecord, nutritionId) == 52);
static_assert(offsetof(PluRecord, coupon) == 56);
static_assert(offsetof(PluRecord, regCode) == 60);
static_assert(offsetof(PluRecord, logo1) == 68);
static_assert(offsetof(PluRecord, logo2) == 70);
static_assert(offsetof(PluRecord, propTare) == 72);
static_assert(offsetof(PluRecord, bestBefore) == 74);
static_assert(offsetof(PluRecord, labelFormat) == 80);
static_assert(offsetof(PluRecord, spare84) == 84);
static_assert(offsetof(PluRecord, posFlag) == 86);
static_assert(offsetof(PluRecord, packQuant) == 88);
static_assert(offsetof(PluRecord, salesLife) == 90);
static_assert(offsetof(PluRecord, expTime) == 92);
static_assert(offsetof(PluRecord, tare) == 94);
static_assert(offsetof(PluRecord, shelfLife) == 96);
static_assert(offsetof(PluRecord, packTime) == 98);
static_assert(offsetof(PluRecord, message1) == 100);
static_assert(offsetof(PluRecord, random) == 102);
static_assert(offsetof(PluRecord, descSize) == 104);
static_assert(offsetof(PluRecord, taxNo) == 106);
static_assert(offsetof(PluRecord, nutrition) == 108);
static_assert(offsetof(PluRecord, dept) == 110);
static_assert(offsetof(PluRecord, group) == 112);
static_assert(offsetof(PluRecord, posCode) == 114);
static_assert(offsetof(PluRecord, markFlag) == 126);
static_assert(offsetof(PluRecord, dateFlag) == 127);
static_assert(offsetof(PluRecord, salesMode) == 128);
static_assert(offsetof(PluRecord, posSelect) == 129);
static_assert(offsetof(PluRecord, openPrice) == 130);
static_assert(offsetof(PluRecord, expTimeFlag) == 131);
static_assert(offsetof(PluRecord, timeFlag) == 132);
static_assert(offsetof(PluRecord, forcedTare) == 133);
static_assert(offsetof(PluRecord, barCodeNum) == 134);
static_assert(offsetof(PluRecord, unit) == 135);
static_assert(offsetof(PluRecord, bestBeforeFlag) == 136);
static_assert(offsetof(PluRecord, spare141) == 141);
static_assert(offsetof(PluRecord, desc) == 148);

inline constexpr int kPluColumnCount = 46;
inline constexpr int kPluFixedColumnCount = 28;

// Appends the 46 standard PLU columns (delimited import, export header and
// values) to `table`, in export order.
void buildPluFieldTable(FieldTable& table);

// Appends the 28 fixed-width ("seasia") PLU columns. From "Message7" on the
// columns move 2 characters to the right when `maxExMsg` (the global
// "maxexmsg" setting) is 101 or more, to make room for a 4-digit message
// number.
void buildPluFixedFieldTable(FieldTable& table, int maxExMsg);

}  // namespace tolvan
