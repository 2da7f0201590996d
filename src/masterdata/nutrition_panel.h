// NutritionRecord: a nutrition panel kept under its number ("nutrition"):
// serving size and count, serving weights, energy values and twelve
// nutrient lines of content, unit and percentage. Its 148-byte image is
// also the layout of a nutrition record in a resend file.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "core/record_list.h"
#include "records/field_def.h"

namespace tolvan {

static_assert(std::endian::native == std::endian::little,
              "record images in resend files are little-endian");

inline constexpr size_t kNutritionRecordSize = 148;
inline constexpr size_t kNutrientLines = 12;
inline constexpr size_t kServeSizeMax = 15;
inline constexpr size_t kServeContMax = 7;
inline constexpr size_t kContentMax = 5;
inline constexpr int kNutritionColumnCount = 8 + 3 * static_cast<int>(kNutrientLines);
// A unit of 1 is grams; every other value milligrams.
inline constexpr int8_t kUnitGrams = 1;

// A new record is all zero. The 16-bit and 8-bit fields hold the low bits
// of their column's number. Converters only read it: the same record goes
// to every scale.
struct NutritionRecord {
  int32_t nutritionNo;                            // 0    "Nutrition_No", the key
  char serveSize[kServeSizeMax + 1];              // 4    "ServeSize"
  char serveCont[kServeContMax + 1];              // 20   "ServeCont"
  int16_t serveGram;                              // 28   "ServeGram"
  int16_t serveOz;                                // 30   "ServeOz"
  int16_t calories;                               // 32   "Calories"
  int16_t fatCalories;                            // 34   "FatCalories" (no scale takes it)
  int16_t energyKj;                               // 36   "EnergyKj"
  char content[kNutrientLines][kContentMax + 1];  // 38   "Content1".."Content12"
  int16_t percent[kNutrientLines];                // 110  "Percent1".."Percent12"
  int8_t unit[kNutrientLines];                    // 134  "Unit1".."Unit12"
};

static_assert(sizeof(NutritionRecord) == kNutritionRecordSize);
static_assert(offsetof(NutritionRecord, serveSize) == 4);
static_assert(offsetof(NutritionRecord, serveCont) == 20);
static_assert(offsetof(NutritionRecord, serveGram) == 28);
static_assert(offsetof(NutritionRecord, serveOz) == 30);
static_assert(offsetof(NutritionRecord, calories) == 32);
static_assert(offsetof(NutritionRecord, fatCalories) == 34);
static_assert(offsetof(NutritionRecord, energyKj) == 36);
static_assert(offsetof(NutritionRecord, content) == 38);
static_assert(offsetof(NutritionRecord, percent) == 110);
static_assert(offsetof(NutritionRecord, unit) == 134);

// A new all-zero nutrition record, released with std::free; null when
// memory runs out.
inline NutritionRecord* newNutritionRecord() { return allocRecord<NutritionRecord>(); }

// Appends the 44 nutrition columns: the 8 serving and energy columns, then
// "Content<n>", "Percent<n>" and "Unit<n>" for each line n from 1 to 12.
void buildNutritionFieldTable(FieldTable& table);

}  // namespace tolvan
