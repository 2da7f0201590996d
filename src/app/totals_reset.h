// What became of every scale's totals in a totals receive run: reset by
// the scale's own worker (message family), cleared by the clear pass
// (block family), not resettable on the family, or kept because the
// receive failed. Noted in each scale's ScaleOutcome for the run report; a
// reset that was sent and not confirmed fails its scale there, while the
// driver log, the scale logs and the run's result stay as they are.
// Main thread only, once the workers of the step have ended.
#pragma once

#include <vector>

#include "core/scale_entry.h"

namespace tolvan {

class Driver;

// Message family, after the receive: from the reset each worker sent.
void noteMessageResets(const std::vector<ScaleEntry*>& scales);

// A block scale as the clear pass is about to start it.
struct ClearPassMark {
  ScaleEntry* scale = nullptr;
  bool hasClear = false;  // the family has a clear record for the type
  int accepted = 0;       // tally.accepted before the pass
  bool cutShort = false;  // tally.cutShort before the pass
  ScaleOutcome outcome;   // before the pass
};

// Every scale of the table the clear pass will start (its receive ended
// with status 1); the others keep their totals and are noted so.
std::vector<ClearPassMark> markClearPass(Driver& driver);
// After the pass: cleared when the scale acknowledged the clear record,
// else failed. A scale the family has no clear record for keeps the
// outcome it had before the pass: the pass could not clear it, and that is
// not the scale's failure.
void noteClearPass(const std::vector<ClearPassMark>& marks);

}  // namespace tolvan
