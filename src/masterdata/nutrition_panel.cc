#include "masterdata/nutrition_panel.h"

#include <cstdio>

namespace tolvan {

namespace {

// Scales get the first 10 characters of the serving size, 4 of the count
// and 3 or 4 of a content.
constexpr FieldMeaning kSentTen{FieldUnit::None, 0, -1, "scales get the first 10 characters"};
constexpr FieldMeaning kSentFour{FieldUnit::None, 0, -1, "scales get the first 4 characters"};
constexpr FieldMeaning kContentMeaning{
    FieldUnit::None, 0, -1, "scales get the first 3 characters (lines 4 and 5: 4); lines 9 to 12 are not sent"};
constexpr FieldMeaning kUnitMeaning{FieldUnit::None, 0, 1, "1 grams, 0 milligrams"};

}  // namespace

void buildNutritionFieldTable(FieldTable& table) {
  using R = NutritionRecord;
  table.append(
      new FieldDef("Nutrition_No", FieldKind::Long, 4, offsetof(R, nutritionNo), digitsRange(6, FieldUnit::None, 1)));
  table.append(new FieldDef("ServeSize", FieldKind::Text, kServeSizeMax, offsetof(R, serveSize), kSentTen));
  table.append(new FieldDef("ServeCont", FieldKind::Text, kServeContMax, offsetof(R, serveCont), kSentFour));
  table.append(
      new FieldDef("ServeGram", FieldKind::Short, 4, offsetof(R, serveGram), digitsRange(4, FieldUnit::Grams)));
  table.append(new FieldDef("ServeOz", FieldKind::Short, 4, offsetof(R, serveOz), digitsRange(4, FieldUnit::Ounces)));
  table.append(new FieldDef("Calories", FieldKind::Short, 4, offsetof(R, calories),
                            digitsRange(3, FieldUnit::Kilocalories, 0, "sent to lm50 scales only")));
  table.append(new FieldDef("FatCalories", FieldKind::Short, 4, offsetof(R, fatCalories),
                            FieldMeaning{FieldUnit::Kilocalories, 0, -1, "kept and exported; no scale is sent it"}));
  table.append(new FieldDef("EnergyKj", FieldKind::Short, 4, offsetof(R, energyKj),
                            digitsRange(4, FieldUnit::Kilojoules, 0, "sent to lm50 scales only")));
  for (size_t n = 0; n < kNutrientLines; ++n) {
    char name[kFieldNameMax + 1];
    const auto line = static_cast<uint32_t>(n);
    std::snprintf(name, sizeof name, "Content%u", line + 1);
    table.append(new FieldDef(name, FieldKind::Text, kContentMax, offsetof(R, content) + line * (kContentMax + 1),
                              kContentMeaning));
    std::snprintf(name, sizeof name, "Percent%u", line + 1);
    table.append(new FieldDef(name, FieldKind::Short, 2, offsetof(R, percent) + line * sizeof(int16_t),
                              digitsRange(3, FieldUnit::Percent)));
    std::snprintf(name, sizeof name, "Unit%u", line + 1);
    table.append(new FieldDef(name, FieldKind::Byte, 1, offsetof(R, unit) + line, kUnitMeaning));
  }
}

}  // namespace tolvan
