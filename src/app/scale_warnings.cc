#include "app/scale_warnings.h"

#include <string>

#include "core/driver.h"
#include "records/data_types.h"

namespace tolvan {
namespace {

const char* plural(int n, const char* one, const char* many) { return n == 1 ? one : many; }

void warnOddCounts(const ScaleEntry& scale, std::FILE* out) {
  const NotedOddity& odd = scale.tally.oddCounts;
  int times = odd.times.load();
  if (times == 0) return;
  std::fprintf(out,
               "tolvandrv: warning: %s: %d %s answered \"taken\" with counts that differ from the records sent "
               "(first: %d sent, scale counted %d received, %d accepted); counted as taken\n",
               scale.name.c_str(), times, plural(times, "batch", "batches"), odd.first[0].load(),
               odd.first[1].load(), odd.first[2].load());
}

void warnTotalsKept(const Driver& driver, std::FILE* out) {
  std::string names;
  for (int i = 0; i < driver.scales.count(); ++i) {
    const ScaleEntry& scale = *driver.scales.get(i);
    if (scale.outcome.reset != TotalsReset::NoneForFamily) continue;
    names += (names.empty() ? "" : ", ") + scale.name;
  }
  if (names.empty()) return;
  std::fprintf(out,
               "tolvandrv: warning: %s: the block family has no reset for %s totals; they stay on the scale and "
               "the next receive collects them again\n",
               names.c_str(), dataTypeKeyword(driver.options.dataType));
}

}  // namespace

void warnAboutScales(const Driver& driver, std::FILE* out) {
  for (int i = 0; i < driver.scales.count(); ++i) {
    const ScaleEntry& scale = *driver.scales.get(i);
    warnOddCounts(scale, out);
  }
  warnTotalsKept(driver, out);
}

}  // namespace tolvan
