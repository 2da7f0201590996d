#include "app/scale_warnings.h"

#include <string>

#include "core/driver.h"
#include "records/data_types.h"
#include "totals/totals_records.h"

namespace tolvan {
namespace {

const char* plural(int n, const char* one, const char* many) { return n == 1 ? one : many; }

// The name of a totals record's first field read from the scale: "PluNo",
// "Hour" or "Operator".
std::string keyColumn(int dataType) {
  FieldTable columns;
  buildTotalsColumns(columns, dataType);
  std::string name = columns.count() > 1 ? columns.get(1)->name : "key";
  columns.clearAndFree();
  return name;
}

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

void warnNonDigits(const ScaleEntry& scale, int dataType, std::FILE* out) {
  const NotedOddity& odd = scale.tally.nonDigits;
  int times = odd.times.load();
  if (times == 0) return;
  std::fprintf(out,
               "tolvandrv: warning: %s: %d totals %s with characters that are not digits (first: record %d of "
               "the reply, %s %d); exported with what reads as numbers, 0 where nothing reads\n",
               scale.name.c_str(), times, plural(times, "record", "records"), odd.first[0].load(),
               keyColumn(dataType).c_str(), odd.first[1].load());
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
    warnNonDigits(scale, driver.options.dataType, out);
  }
  warnTotalsKept(driver, out);
}

}  // namespace tolvan
