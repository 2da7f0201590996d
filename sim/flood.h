// The "flood" fault: a scale that answers an upload of PLUs with PLU
// records without end, each of another number, as a scale whose memory is
// damaged might. The records are built by the driver's own PLU encoder, so
// the driver reads every one of them as a good PLU.
#pragma once

#include <memory>

#include "sim/sim_bytes.h"
#include "sim/sim_scale.h"

namespace tolvan {
struct ScaleEntry;
}

namespace tolvan::sim {

class FloodRecords {
 public:
  explicit FloodRecords(const ScaleProfile& profile);
  ~FloodRecords();
  FloodRecords(const FloodRecords&) = delete;
  FloodRecords& operator=(const FloodRecords&) = delete;

  // The next record as the scale sends it: the message family's record
  // header and body, or the block family's record text. Numbers count down
  // from 999999 (the highest a block scale reads) and start again there.
  Bytes next();

 private:
  std::unique_ptr<ScaleEntry> entry_;
  int number_ = kHighest;
  static constexpr int kHighest = 999999;
};

// True when `dataType` is what a flooding scale answers without end.
bool floodsUploadOf(const FaultPlan& faults, int dataType);

}  // namespace tolvan::sim
