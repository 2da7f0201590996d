// The support table: which scale model and country version takes which data
// type in which run mode. A scale that does not is not started; the run
// logs "not supported" for it and goes on with the others.
#pragma once

#include "core/scale_entry.h"

namespace tolvan {

// Does the scale take this data type in this mode (kModeAdd, kModeDelete,
// kModeReceive)? False for a model the driver does not accept.
bool scaleSupports(const ScaleEntry& scale, int dataType, int mode);

}  // namespace tolvan
