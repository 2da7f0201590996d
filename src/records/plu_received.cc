#include "records/plu_received.h"

namespace tolvan {

// Filled in by the received-PLU work; until then nothing is kept.
bool handleReceivedPlu(ScaleEntry&, std::span<const uint8_t>) { return false; }

}  // namespace tolvan
