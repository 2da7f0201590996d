// Warnings about what scales did that the run went on past, written on
// standard error by the main thread once the operation is over (workers
// only count these in their tally): batches a message-family scale
// answered "taken" with counts that differ from the records sent, totals
// records holding characters that are not digits, and totals a block scale
// has no reset for. One line per scale and kind, one for the totals left on
// the scales; nothing when there is nothing to say.
#pragma once

#include <cstdio>

namespace tolvan {

class Driver;

void warnAboutScales(const Driver& driver, std::FILE* out);

}  // namespace tolvan
