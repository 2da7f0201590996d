// Duplicate detection of received records: every scale's worker hands each
// record it receives to keepFirstArrival, which keeps the first record of
// a number and drops the others. N records arrive, each number twice (the
// second half repeats the first in another order), so N / 2 are kept. The
// time per record stays flat from 10,000 to 1,000,000 records: the look-up
// does not grow with the list.
//
// The records are 16-byte blocks holding their number first, which is all
// the look-up reads; full PLU records would only add allocation time and
// 2 GB of memory at a million.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/driver.h"
#include "platform/clock.h"
#include "platform/sleeper.h"
#include "records/data_types.h"
#include "records/first_arrival.h"

namespace tolvan {
namespace {

// Numbers 1..distinct in a scattered order (a stride prime to `distinct`).
int32_t scattered(int64_t i, int64_t distinct) { return static_cast<int32_t>(1 + (i * 7919) % distinct); }

void* recordOf(int32_t number) {
  void* record = std::calloc(1, 16);
  std::memcpy(record, &number, sizeof number);
  return record;
}

void BM_KeepFirstArrival(benchmark::State& state) {
  const int64_t received = state.range(0);
  const int64_t distinct = received / 2;
  SystemClock clock;
  SystemSleeper sleeper;
  for (auto _ : state) {
    state.PauseTiming();
    auto driver = std::make_unique<Driver>(clock, sleeper, nullptr);
    ScaleEntry scale("Bench", 0, 594);
    scale.driver = driver.get();
    scale.dataType = static_cast<int>(DataType::Plu);
    state.ResumeTiming();
    for (int64_t i = 0; i < received; ++i) {
      keepFirstArrival(scale, recordOf(scattered(i < distinct ? i : i * 3, distinct)), 16);
    }
    benchmark::DoNotOptimize(driver->records.count());
    state.PauseTiming();
    if (driver->records.count() != distinct) state.SkipWithError("a number was kept twice or lost");
    driver.reset();  // frees the kept records
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * received);
}
BENCHMARK(BM_KeepFirstArrival)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tolvan
