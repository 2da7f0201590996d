#include "masterdata/nutrition_panel.h"

#include <cstdio>

namespace tolvan {

void buildNutritionFieldTable(FieldTable& table) {
  using R = NutritionRecord;
  table.append(new FieldDef("Nutrition_No", FieldKind::Long, 4, offsetof(R, nutritionNo)));
  table.append(new FieldDef("ServeSize", FieldKind::Text, kServeSizeMax, offsetof(R, serveSize)));
  table.append(new FieldDef("ServeCont", FieldKind::Text, kServeContMax, offsetof(R, serveCont)));
  table.append(new FieldDef("ServeGram", FieldKind::Short, 4, offsetof(R, serveGram)));
  table.append(new FieldDef("ServeOz", FieldKind::Short, 4, offsetof(R, serveOz)));
  table.append(new FieldDef("Calories", FieldKind::Short, 4, offsetof(R, calories)));
  table.append(new FieldDef("FatCalories", FieldKind::Short, 4, offsetof(R, fatCalories)));
  table.append(new FieldDef("EnergyKj", FieldKind::Short, 4, offsetof(R, energyKj)));
  for (size_t n = 0; n < kNutrientLines; ++n) {
    char name[kFieldNameMax + 1];
    const auto line = static_cast<uint32_t>(n);
    std::snprintf(name, sizeof name, "Content%u", line + 1);
    table.append(new FieldDef(name, FieldKind::Text, kContentMax, offsetof(R, content) + line * (kContentMax + 1)));
    std::snprintf(name, sizeof name, "Percent%u", line + 1);
    table.append(new FieldDef(name, FieldKind::Short, 2, offsetof(R, percent) + line * sizeof(int16_t)));
    std::snprintf(name, sizeof name, "Unit%u", line + 1);
    table.append(new FieldDef(name, FieldKind::Byte, 1, offsetof(R, unit) + line));
  }
}

}  // namespace tolvan
