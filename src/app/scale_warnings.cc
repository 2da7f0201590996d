#include "app/scale_warnings.h"

#include "core/driver.h"

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

}  // namespace

void warnAboutScales(const Driver& driver, std::FILE* out) {
  for (int i = 0; i < driver.scales.count(); ++i) warnOddCounts(*driver.scales.get(i), out);
}

}  // namespace tolvan
