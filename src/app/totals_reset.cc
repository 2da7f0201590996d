#include "app/totals_reset.h"

#include <array>

#include "core/driver.h"
#include "dispatch/record_dispatch.h"
#include "totals/totals_requests.h"

namespace tolvan {
namespace {

bool hasClearRecord(const ScaleEntry& scale, int dataType) {
  std::array<uint8_t, kMaxConvertedLen> scratch{};
  int code = 0;
  int length = 0;
  return buildTotalsClear(scale, dataType, code, scratch, length);
}

}  // namespace

void noteMessageResets(const std::vector<ScaleEntry*>& scales) {
  for (ScaleEntry* scale : scales) {
    ScaleOutcome& o = scale->outcome;
    int code = scale->tally.resetCode.load();
    if (code < 0) {
      o.reset = TotalsReset::NotDone;
    } else if (code == kMsgOk) {
      o.reset = TotalsReset::Done;
    } else {
      o.reset = TotalsReset::Failed;
      if (o.status != kStatusFailed) {
        o.status = kStatusFailed;
        o.code = code;
      }
    }
  }
}

std::vector<ClearPassMark> markClearPass(Driver& driver) {
  std::vector<ClearPassMark> marks;
  for (int i = 0; i < driver.scales.count(); ++i) {
    ScaleEntry& scale = *driver.scales.get(i);
    scale.outcome.reset = TotalsReset::NotDone;
    if (scale.status.load(std::memory_order_acquire) != kStatusOk) continue;
    marks.push_back({&scale, hasClearRecord(scale, driver.options.dataType), scale.tally.accepted.load(),
                     scale.tally.cutShort.load(), scale.outcome});
  }
  return marks;
}

void noteClearPass(const std::vector<ClearPassMark>& marks) {
  for (const ClearPassMark& mark : marks) {
    ScaleEntry& scale = *mark.scale;
    if (!mark.hasClear) {
      scale.outcome = mark.outcome;
      scale.tally.cutShort = mark.cutShort;
      scale.outcome.reset = TotalsReset::NoneForFamily;
      continue;
    }
    bool cleared = scale.status.load(std::memory_order_acquire) == kStatusOk &&
                   scale.tally.accepted.load() > mark.accepted;
    scale.outcome.reset = cleared ? TotalsReset::Done : TotalsReset::Failed;
  }
}

}  // namespace tolvan
