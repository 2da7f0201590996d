// Import throughput: generated PLU files of 200,000 lines whose numbers
// repeat (every number four times, scattered), read in the "standard",
// "seasia" and "wmsmart" formats. Reports bytes/s and lines/s, the records
// kept, and the process's peak resident memory for comparison with the
// records' own size (the reader itself holds one 32 KB window).
//
// The heap keeps its memory between iterations, so the plain figures
// measure the reader. The "_cold" variants hand the memory back to the
// system before every import, as a fresh driver process starts: they add
// the kernel's first-touch cost of the record memory, which every run pays
// once for its records whatever reads them.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/file_check.h"
#include "core/driver.h"
#include "files/import_reader.h"
#include "files/read_ahead.h"
#include "platform/clock.h"
#include "platform/sleeper.h"
#include "plu/plu_record.h"

namespace tolvan {
namespace {

constexpr int kLines = 200000;
constexpr int kDistinct = 50000;

// Numbers 1..50000, each four times, in a scattered order.
int pluNumberOfLine(int line) { return 1 + static_cast<int>((static_cast<int64_t>(line) * 7919) % kDistinct); }

// Every PLU column, as the driver's own export writes them.
std::string standardFile(bool withDesc) {
  std::string out =
      "Plu_No,ItemCode,UnitPrice,FixedPrice,CostPrice,MarkPrice,Weight,UpperLimit,LowerLimit,Message7,"
      "ExMessage2,ExMessage3,NutritionID,Coupon,RegCode,Logo1,Logo2,PropTare,BestBefore,LabelFormat,"
      "Posflag,PackQuant,SalesLife,ExpTime,Tare,ShelfLife,PackTime,Message1,Random,TaxNo,Nutrition,Dept,"
      "Group,PosCode,MarkFlag,DateFlag,SalesMode,PosSelect,OpenPrice,ExpTimeFlag,TimeFlag,ForcedTare,"
      "BarCodeNum,Unit,BestBeforeFlag";
  out += withDesc ? ",Desc\r\n" : "\r\n";
  for (int i = 0; i < kLines; ++i) {
    int n = pluNumberOfLine(i);
    std::string number = std::to_string(n);
    out += number + "," + std::to_string(200000 + n) + ",12.50,0,7.25,11.99,1.250,2000,100," +
           std::to_string(n % 100) + ",0,0,12,0,20,1,0,0,5,3,2,1,0,0,15,7,30,4,0,1,0,3,12,\"P" + number +
           "\",0,1,1,0,0,0,0,0,2,1,0";
    if (withDesc) out += ",\"Fresh " + number + " \"\"deluxe\"\" apples from the valley\"";
    out += "\r\n";
  }
  return out;
}

// Columns at their character positions (default "maxexmsg": the
// description block starts at character 118).
std::string seasiaFile(bool withDesc) {
  std::string out;
  for (int i = 0; i < kLines; ++i) {
    int n = pluNumberOfLine(i);
    std::string line(118, '0');
    auto put = [&line](size_t pos, const std::string& text) { line.replace(pos, text.size(), text); };
    std::string number = std::to_string(n);
    put(0, std::string(6 - number.size(), '0') + number);
    put(8, "001250");
    put(32, "000725");
    put(72, ("P" + number + "          ").substr(0, 10));
    put(96, "0042");
    if (withDesc) {
      std::string text = "Fresh apples " + number;
      text.resize(50, ' ');
      line += text + " 101001";
    }
    out += line + "\r\n";
  }
  return out;
}

std::string wmsmartFile(bool withDesc) {
  std::string out;
  for (int i = 0; i < kLines; ++i) {
    int n = pluNumberOfLine(i);
    out += "bc0\x1fp#" + std::to_string(n) + "\x1fta15\x1fnw1250\x1fu#2\x1fr#" + std::to_string(n % 100) +
           "\x1fsl7\x1fu$12.50";
    if (withDesc) out += "\x1f" "dtFresh apples " + std::to_string(n) + "\r\nfrom the valley\r\n\x1e";
    out += "\r\n";
  }
  return out;
}

// Writes each generated file once per process, in the temporary folder.
std::string generatedFile(int format, bool withDesc, int64_t& size) {
  std::string name = "tolvan-bench-" + std::to_string(getpid()) + "-" + std::to_string(format) +
                     (withDesc ? "-desc.txt" : ".txt");
  std::string path = (std::filesystem::temp_directory_path() / name).string();
  std::string bytes = format == kFormatStandard  ? standardFile(withDesc)
                      : format == kFormatSeasia ? seasiaFile(withDesc)
                                                : wmsmartFile(withDesc);
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  size = static_cast<int64_t>(bytes.size());
  return path;
}

double peakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void importPlu(benchmark::State& state, int format, bool withDesc, bool cold = false) {
  int64_t size = 0;
  std::string path = generatedFile(format, withDesc, size);
  SystemClock clock;
  SystemSleeper sleeper;
  int kept = 0;
  if (!cold) {
    // One untimed import first, so the heap already holds the record memory.
    Driver warmUp(clock, sleeper, nullptr);
    warmUp.options.logFile = "/dev/null";
    warmUp.options.dataFile = path;
    warmUp.options.dataFormat = format;
    warmUp.options.mode = kModeAdd;
    if (importFile(warmUp) != kMsgOk) state.SkipWithError("import failed");
  }
  for (auto _ : state) {
    state.PauseTiming();
    auto driver = std::make_unique<Driver>(clock, sleeper, nullptr);
    driver->options.logFile = "/dev/null";
    driver->options.dataFile = path;
    driver->options.dataFormat = format;
    driver->options.dataType = 1;
    driver->options.mode = kModeAdd;
    state.ResumeTiming();
    if (importFile(*driver) != kMsgOk) state.SkipWithError("import failed");
    state.PauseTiming();
    kept = driver->records.count();
    driver.reset();
    if (cold) malloc_trim(0);
    state.ResumeTiming();
  }
  std::filesystem::remove(path);
  state.SetBytesProcessed(state.iterations() * size);
  state.SetItemsProcessed(state.iterations() * kLines);
  state.counters["records"] = kept;
  state.counters["records_MB"] = kept * static_cast<double>(kPluRecordSize) / (1024.0 * 1024.0);
  state.counters["peak_rss_MB"] = peakRssMb();
}

// The heap in use: glibc's count of bytes in its arenas and of the large
// blocks it maps on their own (the blocks records are packed in).
size_t heapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// The memory a kept PLU without description holds once the import is done
// (record, header and list slots): glibc's count of heap bytes in use, and
// the blocks the records are packed in, which come from the system.
void heldPerPlu(benchmark::State& state) {
  int64_t size = 0;
  std::string path = generatedFile(kFormatStandard, false, size);
  SystemClock clock;
  SystemSleeper sleeper;
  double perPlu = 0;
  for (auto _ : state) {
    const size_t before = heapInUse();
    Driver driver(clock, sleeper, nullptr);
    driver.options.logFile = "/dev/null";
    driver.options.dataFile = path;
    driver.options.mode = kModeAdd;
    if (importFile(driver) != kMsgOk) state.SkipWithError("import failed");
    const size_t after = heapInUse() + driver.records.blockBytes();
    perPlu = static_cast<double>(after - before) / driver.records.count();
  }
  std::filesystem::remove(path);
  state.counters["bytes_per_plu"] = perPlu;
}
BENCHMARK(heldPerPlu)->Iterations(1)->Unit(benchmark::kMillisecond);

// A store's PLU file: 200,000 lines, every value within what every model
// takes, short descriptions (bench/part_memory.sh writes the same file).
std::string storeFile() {
  std::string out = "Plu_No,ItemCode,UnitPrice,Dept,Group,Tare,ShelfLife,SalesMode,PosCode,Desc\r\n";
  char line[160];
  for (int i = 1; i <= kLines; ++i) {
    std::snprintf(line, sizeof line, "%d,%d,%d.%02d,%d,%d,5,%d,0,%d,\"Fresh item %d\"\r\n", i, i % 100000, i % 90 + 1,
                  i % 100, i % 9 + 1, i % 90 + 10, i % 30, 2000000 + i, i);
    out += line;
  }
  return out;
}

// The import of that file, the look for findings every ordinary run makes
// first (its warnings) alone, and both as a run makes them: the import
// takes the records the look kept. A scale of every model is configured.
enum class Pass { Import, Warnings, Both };
void importAndWarnings(benchmark::State& state, Pass pass) {
  std::string path = (std::filesystem::temp_directory_path() /
                      ("tolvan-bench-" + std::to_string(getpid()) + "-store.csv")).string();
  std::ofstream(path, std::ios::binary) << storeFile();
  std::string config = path + ".cfg";
  std::ofstream(config) << "scale=A,ip=127.0.0.1,port=1,model=vt40\nscale=B,ip=127.0.0.1,port=2,model=vt30\n"
                           "scale=C,ip=127.0.0.1,port=3,model=pmx\nscale=D,ip=127.0.0.1,port=4,model=lm50\n"
                           "scale=E,ip=127.0.0.1,port=5,model=meriopro\n";
  SystemClock clock;
  SystemSleeper sleeper;
  for (auto _ : state) {
    Driver driver(clock, sleeper, nullptr);
    driver.options.logFile = "/dev/null";
    driver.options.configFile = config;
    driver.options.dataFile = path;
    driver.options.mode = kModeAdd;
    ReadAhead ahead;
    if (pass != Pass::Import) {
      benchmark::DoNotOptimize(lookAtFiles(driver.options, pass == Pass::Both ? &ahead : nullptr).findings.size());
    }
    if (pass != Pass::Warnings && importFile(driver, &ahead) != kMsgOk) state.SkipWithError("import failed");
  }
  std::filesystem::remove(path);
  std::filesystem::remove(config);
}
BENCHMARK_CAPTURE(importAndWarnings, import, Pass::Import)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(importAndWarnings, warnings, Pass::Warnings)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(importAndWarnings, both, Pass::Both)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(importPlu, standard_no_desc, kFormatStandard, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(importPlu, standard_no_desc_cold, kFormatStandard, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(importPlu, standard_desc, kFormatStandard, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(importPlu, seasia_no_desc, kFormatSeasia, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(importPlu, seasia_desc, kFormatSeasia, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(importPlu, wmsmart_no_desc, kFormatWmsmart, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(importPlu, wmsmart_desc, kFormatWmsmart, true)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tolvan

int main(int argc, char** argv) {
  // Freed records stay in the heap for the next iteration (see above).
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 1 << 28);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
