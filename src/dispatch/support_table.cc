#include "dispatch/support_table.h"

#include "core/driver_options.h"
#include "records/data_types.h"

namespace tolvan {
namespace {

bool blockFamilySupports(const ScaleEntry& scale, int dataType, int mode) {
  switch (dataType) {
    case 1: case 2: case 5: return true;
    case 3: case 4: return false;
    case 6: case 7: return mode == kModeAdd;
    case 8: case 9: return mode != kModeReceive;
    case 10: return scale.version == kVersionUsa || (scale.model == kModelLm50 && mode == kModeAdd);
    case 16: return mode == kModeDelete;
    default: return isTotalsType(dataType);
  }
}

bool messageFamilySupports(const ScaleEntry& scale, int dataType) {
  bool vt40 = scale.model == kModelVt40;
  switch (dataType) {
    case 1: case 2: case 3: case 4: case 5: case 8: case 9: return true;
    case 6: return vt40;
    case 7: return false;
    case 10: return vt40 || scale.version == kVersionUsa;
    case 16: return false;
    default: return isTotalsType(dataType);
  }
}

}  // namespace

bool scaleSupports(const ScaleEntry& scale, int dataType, int mode) {
  if (!isAcceptedModel(scale.model)) return false;
  return ScaleIsBlockFamily(scale) ? blockFamilySupports(scale, dataType, mode) : messageFamilySupports(scale, dataType);
}

}  // namespace tolvan
