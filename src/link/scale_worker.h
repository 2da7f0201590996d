// The worker thread of one scale: connect, run the send or receive
// procedure of the scale's protocol family, close, store result then status.
// Started by the operation runner as std::thread(ScaleWorker, std::ref(entry)).
#pragma once

#include "core/scale_entry.h"

namespace tolvan {

void ScaleWorker(ScaleEntry& scale);

// Stores the worker's outcome (result first, status last) unless the main
// thread has given up on the worker; 25 and 26 give status 3, other
// non-zero results, and any result of a scale the run's stop reached
// (tally.stopped), status 2.
void publishOutcome(ScaleEntry& scale, int result);

}  // namespace tolvan
